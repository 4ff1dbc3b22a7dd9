// 编辑框1's keystroke filter on GTK.
#include "ui/gtk/interval_input.h"

#include <glib.h>

namespace lumeno::gtk {

bool TypedIntervalTextAllowed(std::string_view utf8) {
    const char* p = utf8.data();
    const char* end = p + utf8.size();
    while (p < end) {
        const gunichar c = g_utf8_get_char_validated(p, end - p);
        // Bytes that are not UTF-8 are not a keystroke a user can make; refuse them.
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) return false;
        const bool digitOrMinus = (c >= '0' && c <= '9') || c == '-';
        if (!digitOrMinus && g_unichar_isprint(c)) return false;
        p = g_utf8_next_char(p);
    }
    return true;
}

}  // namespace lumeno::gtk
