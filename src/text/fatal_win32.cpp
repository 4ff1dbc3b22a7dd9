// The fatal-stop port on Windows: a MessageBox with the error icon, then ExitProcess(-1).
#include <windows.h>

#include "text/encoding.h"
#include "text/fatal.h"

namespace lumeno::platform {

void ShowFatalBox(const TextValue& caption, const TextValue& text) {
    const std::wstring wcaption = GbkToWide(caption.View());
    const std::wstring wtext = GbkToWide(text.View());
    MessageBoxW(nullptr, wtext.c_str(), wcaption.c_str(), MB_OK | MB_ICONERROR);
}

void ExitProcessNow(int code) { ExitProcess(static_cast<UINT>(code)); }

}  // namespace lumeno::platform
