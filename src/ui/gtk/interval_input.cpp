// 编辑框1's keystroke filter and its normalisation on focus loss.
#include "ui/gtk/interval_input.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <limits>

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

std::string NormalisedIntervalText(std::string_view text) {
    std::size_t i = 0;
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulated with a ceiling just past the 32-bit range, so any number of digits is safe.
    constexpr std::int64_t kCeiling = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kCeiling);
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    return value == 0 ? std::string() : std::to_string(value);
}

}  // namespace lumeno::gtk
