// The interval box's integer input, apart from any toolkit: the text the box settles on
// when it loses the keyboard focus. Each front-end filters keystrokes its own way.
#pragma once

#include <string>
#include <string_view>

namespace lumeno {

// The text read as a decimal integer (leading white space, an optional sign, digits; what
// follows is ignored; no digits give 0), clamped to the 32-bit signed range and written
// back in decimal, 0 as the empty text.
[[nodiscard]] std::string NormalizeIntegerText(std::string_view text);

}  // namespace lumeno
