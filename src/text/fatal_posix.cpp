// The fatal-stop port off Windows: the box goes to stderr (a front-end with a display
// installs a dialog through SetFatalBoxShower), then the process ends with -1.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "text/encoding.h"
#include "text/fatal.h"

namespace lumeno::platform {

void ShowFatalBox(const TextValue& caption, const TextValue& text) {
    const std::string out = GbkToUtf8(caption.View()) + "\n" + GbkToUtf8(text.View()) + "\n";
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

void ExitProcessNow(int code) {
    std::fflush(nullptr);
    _exit(code & 0xFF);  // no exit clean-up, no static destructors
}

}  // namespace lumeno::platform
