// Conversions between texts and numbers, byte sets and date-times.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "text/primitives.h"
#include "text/storage.h"

namespace lumeno {

namespace {

// Full-width forms typed with a Chinese input method read like their ASCII twins:
// A3 xx (full-width "!" to "~") becomes xx - 0x80, A1 A1 a space, A1 AB "~",
// A1 EE and A1 EF "*". A final lead byte is left out.
std::string FoldFullWidth(std::string_view v) {
    std::string out;
    ReserveOrFail(out, v.size());
    for (std::size_t i = 0; i < v.size();) {
        const auto c = static_cast<unsigned char>(v[i]);
        if (c < 0x80) {
            out.push_back(v[i]);
            ++i;
            continue;
        }
        if (i + 1 >= v.size()) break;
        const auto d = static_cast<unsigned char>(v[i + 1]);
        if (c == 0xA3 && d >= 0xA1 && d <= 0xFE) {
            out.push_back(static_cast<char>(d - 0x80));
        } else if (c == 0xA1 && d == 0xA1) {
            out.push_back(' ');
        } else if (c == 0xA1 && d == 0xAB) {
            out.push_back('~');
        } else if (c == 0xA1 && (d == 0xEE || d == 0xEF)) {
            out.push_back('*');
        } else {
            out.append(v.substr(i, 2));
        }
        i += 2;
    }
    return out;
}

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipWhite(std::string_view s, std::size_t i) {
    while (i < s.size() && IsWhite(s[i])) ++i;
    return i;
}

std::size_t SkipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i;
}

}  // namespace

double ToNumber(const TextValue& t) {
    const std::string folded = FoldFullWidth(t.View());
    const std::string_view s = folded;
    std::size_t i = SkipWhite(s, 0);
    std::string canon;  // the number as from_chars reads it: no "+", exponent as "e"
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::size_t j = SkipDigits(s, i);
    canon.append(s.substr(i, j - i));
    i = j;
    if (i < s.size() && s[i] == '.') {
        j = SkipDigits(s, i + 1);
        if (j > i + 1 || !canon.empty()) {
            canon.append(s.substr(i, j - i));
            i = j;
        }
    }
    if (canon.empty() || canon == ".") return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t k = i + 1;
        std::string exponent = "e";
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) {
            if (s[k] == '-') exponent.push_back('-');
            ++k;
        }
        j = SkipDigits(s, k);
        if (j > k) {
            exponent.append(s.substr(k, j - k));
            canon.append(exponent);
        }
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(canon.data(), canon.data() + canon.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Too large gives infinity; too small underflows to zero.
        const auto e = canon.find('e');
        const bool tiny = e != std::string::npos && e + 1 < canon.size() && canon[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

std::int32_t ToInt(const TextValue& t) {
    const std::string folded = FoldFullWidth(t.View());
    const std::string_view s = folded;
    std::size_t i = SkipWhite(s, 0);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::uint32_t value = 0;  // accumulated modulo 2^32, no overflow detection
    for (; i < s.size() && IsDigit(s[i]); ++i) value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

TextValue ToText(const ByteSet& b) {
    const std::string_view v = b.View();
    return MakeText(v.substr(0, v.find('\0')));
}

TextValue ToText(std::int32_t value) { return TextValue(std::to_string(value)); }

TextValue ToText(const TextValue& t) { return MakeText(t.View()); }

TextValue ToText(const DateTime& when) {
    char buf[96];
    int n = std::snprintf(buf, sizeof buf, "%d年%d月%d日", when.year, when.month, when.day);
    std::string out(buf, static_cast<std::size_t>(n));
    if (when.second != 0) {
        n = std::snprintf(buf, sizeof buf, "%d时%d分%d秒", when.hour, when.minute, when.second);
    } else if (when.minute != 0) {
        n = std::snprintf(buf, sizeof buf, "%d时%d分", when.hour, when.minute);
    } else if (when.hour != 0) {
        n = std::snprintf(buf, sizeof buf, "%d时", when.hour);
    } else {
        n = 0;  // midnight: the date alone
    }
    out.append(buf, static_cast<std::size_t>(n));
    return TextValue(std::move(out));
}

std::int64_t TruncateToInteger(double x) {
    // Outside the 64-bit range (and NaN) the processor's conversion gives the
    // "integer indefinite" value, the smallest 64-bit integer; do the same without UB.
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (std::isnan(x) || x >= limit || x < -limit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(x);
}

std::int32_t LowBits32(std::int64_t x) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(x)));
}

}  // namespace lumeno
