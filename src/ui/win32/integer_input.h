// The interval box's keystroke filter on Win32.
#pragma once

namespace lumeno::win32 {

// True for the keystrokes the box lets through: the digits, "-", and every control
// character (Backspace, Ctrl+V, Ctrl+Z, ...). Other printable characters are refused. Text
// pasted into the box does not pass through here and is not filtered.
[[nodiscard]] bool IsAcceptedIntegerChar(wchar_t c);

}  // namespace lumeno::win32
