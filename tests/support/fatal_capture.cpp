// The fatal-stop capture for death tests.
#include "support/fatal_capture.h"

#include <cstdio>

namespace lumeno {

std::string Hex(std::string_view bytes) {
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

void CaptureFatalBox(const TextValue& caption, const TextValue& text) {
    std::fprintf(stderr, "box:%s:%s.", Hex(caption.View()).c_str(), Hex(text.View()).c_str());
    std::fflush(stderr);
}

std::string ExpectedFatalBox(std::int32_t code, const TextValue& message) {
    // The final "." is escaped: the death test reads the pattern as a regular expression.
    return "box:" + Hex("错误") + ":" + Hex(FatalErrorBoxText(code, message).View()) + "\\.";
}

}  // namespace lumeno
