// GBK <-> UTF-8 at the GTK boundary.
#include "ui/gtk/utf8_text.h"

#include "text/encoding.h"

namespace lumeno::gtk {

std::string Utf8Of(const TextValue& gbk) {
    return GbkToUtf8(gbk.View());
}

TextValue TextOfUtf8(const char* utf8) {
    return TextValue::OrAbsent(utf8 ? Utf8ToGbk(utf8) : std::string());
}

}  // namespace lumeno::gtk
