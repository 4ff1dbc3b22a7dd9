// The rules of 编辑框1's integer input, apart from the widget: which typed text is let in,
// and what the box shows once it loses the keyboard focus.
#pragma once

#include <string>
#include <string_view>

namespace lumeno::gtk {

// Typed text (UTF-8) is let in unless it holds a printable character other than the
// digits 0 to 9 and "-". Pasted text never comes here: it is not filtered.
[[nodiscard]] bool TypedIntervalTextAllowed(std::string_view utf8);

// The box's text read as a decimal integer (leading white space, an optional sign, then
// digits; anything after them ignored; no digits give 0), clamped to the 32-bit signed
// range and written back in decimal, 0 as the empty text.
[[nodiscard]] std::string NormalisedIntervalText(std::string_view text);

}  // namespace lumeno::gtk
