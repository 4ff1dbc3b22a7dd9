// The interval box's normalisation on losing the focus.
#include "ui/integer_text.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace lumeno {

std::string NormalizeIntegerText(std::string_view text) {
    std::size_t i = 0;
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // Accumulated as a magnitude that stops growing just past the 32-bit range, so any
    // number of digits clamps instead of overflowing.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(kLimit, magnitude * 10 + (text[i] - '0'));
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    return value == 0 ? std::string() : std::to_string(value);
}

}  // namespace lumeno
