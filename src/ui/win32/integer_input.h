// The interval box's integer input: which typed characters it takes, and the text it
// settles on when it loses the keyboard focus.
#pragma once

#include <string>
#include <string_view>

namespace lumeno::win32 {

// True for the keystrokes the box lets through: the digits, "-", and every control
// character (Backspace, Ctrl+V, Ctrl+Z, ...). Other printable characters are refused. Text
// pasted into the box does not pass through here and is not filtered.
[[nodiscard]] bool IsAcceptedIntegerChar(wchar_t c);

// The text read as a decimal integer (leading white space, an optional sign, digits; what
// follows is ignored; no digits give 0), clamped to the 32-bit signed range and written
// back in decimal, 0 as the empty text.
[[nodiscard]] std::string NormalizeIntegerText(std::string_view text);

}  // namespace lumeno::win32
