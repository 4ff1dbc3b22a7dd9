// The GTK front-end's one text conversion: the system's GBK texts to the UTF-8 every GTK
// call takes, and back. Only files of this folder call it, right at the widget call.
#pragma once

#include <string>

#include "text/values.h"

namespace lumeno::gtk {

[[nodiscard]] std::string Utf8Of(const TextValue& gbk);

// What a widget shows, as the system's text: absent when the widget shows nothing.
[[nodiscard]] TextValue TextOfUtf8(const char* utf8);

}  // namespace lumeno::gtk
