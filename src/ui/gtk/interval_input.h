// 编辑框1's keystroke filter on GTK: which typed text is let in.
#pragma once

#include <string_view>

namespace lumeno::gtk {

// Typed text (UTF-8) is let in unless it holds a printable character other than the
// digits 0 to 9 and "-". Pasted text never comes here: it is not filtered.
[[nodiscard]] bool TypedIntervalTextAllowed(std::string_view utf8);

}  // namespace lumeno::gtk
