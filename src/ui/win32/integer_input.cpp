// The interval box's keystroke filter on Win32.
#include "ui/win32/integer_input.h"

namespace lumeno::win32 {

bool IsAcceptedIntegerChar(wchar_t c) {
    if (c < 0x20 || c == 0x7F) return true;  // control keys keep working
    return (c >= L'0' && c <= L'9') || c == L'-';
}

}  // namespace lumeno::win32
