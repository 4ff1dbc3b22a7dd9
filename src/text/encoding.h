// Converting the system's GBK texts at the edge: to UTF-16 for the Win32 wide API, to
// UTF-8 for GTK and terminals. The core never converts; only front-ends and ports do.
#pragma once

#include <string>
#include <string_view>

namespace lumeno {

#ifdef _WIN32
[[nodiscard]] std::wstring GbkToWide(std::string_view gbk);
[[nodiscard]] std::string WideToGbk(std::wstring_view wide);
#else
// Bytes that are not valid GBK become U+FFFD rather than stopping the conversion.
[[nodiscard]] std::string GbkToUtf8(std::string_view gbk);
// Characters with no GBK form become "?".
[[nodiscard]] std::string Utf8ToGbk(std::string_view utf8);
#endif

}  // namespace lumeno
