// Plain reference implementations of the text primitives, for the differential fuzz targets.
//
// Each routine is written straight from the primitive's documented rule, on std::string,
// with 64-bit arithmetic and no shortcuts, so that it can be read against the rule line by
// line. They share no code with src/text on purpose: a difference between the two is a
// finding. An empty std::string stands for both the absent and the present empty text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace lumeno::ref {

using Text = std::string;

inline bool IsLead(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

inline bool SameByte(char a, char b, bool ignoreCase) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return ignoreCase ? fold(a) == fold(b) : a == b;
}

// Whether the bytes of sub stand at byte index i of t.
inline bool BytesAt(const Text& t, std::int64_t i, const Text& sub, bool ignoreCase) {
    if (static_cast<std::int64_t>(t.size()) - i < static_cast<std::int64_t>(sub.size())) {
        return false;
    }
    for (std::size_t k = 0; k < sub.size(); ++k) {
        if (!SameByte(t[static_cast<std::size_t>(i) + k], sub[k], ignoreCase)) return false;
    }
    return true;
}

// Where the character walk goes from index i: +1 for a single-byte character, +2 for a
// double-byte one, nullopt when a lead byte is the text's last byte (the walk ends there).
inline std::optional<std::int64_t> NextCharacter(const Text& t, std::int64_t i) {
    if (!IsLead(t[static_cast<std::size_t>(i)])) return i + 1;
    if (i + 1 >= static_cast<std::int64_t>(t.size())) return std::nullopt;
    return i + 2;
}

inline int TextCompare(const Text& a, const Text& b) {
    for (std::size_t i = 0;; ++i) {
        if (i == a.size() && i == b.size()) return 0;
        if (i == a.size()) return -1;
        if (i == b.size()) return 1;
        const int x = static_cast<unsigned char>(a[i]);
        const int y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
}

inline Text TextLeft(const Text& t, std::int64_t n) {
    if (n <= 0) return {};
    return t.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(n, t.size())));
}

inline Text TextRight(const Text& t, std::int64_t n) {
    if (n <= 0) return {};
    const std::int64_t k = std::min<std::int64_t>(n, t.size());
    return t.substr(t.size() - static_cast<std::size_t>(k));
}

inline Text TextMid(const Text& t, std::int64_t pos, std::int64_t n) {
    const std::int64_t L = static_cast<std::int64_t>(t.size());
    const std::int64_t p0 = pos - 1;
    if (p0 < 0 || p0 >= L || n <= 0) return {};
    return t.substr(static_cast<std::size_t>(p0), static_cast<std::size_t>(std::min(n, L - p0)));
}

inline std::int64_t StartIndex(std::optional<std::int64_t> start) {
    return start ? std::max<std::int64_t>(*start - 1, 0) : 0;
}

inline std::int64_t FindText(const Text& t, const Text& sub, std::optional<std::int64_t> start,
                             bool ignoreCase) {
    const std::int64_t L = static_cast<std::int64_t>(t.size());
    const std::int64_t p0 = StartIndex(start);
    const bool searchedPartEmpty = p0 >= L;
    if (sub.empty()) return searchedPartEmpty ? -1 : 1;
    std::int64_t i = p0;
    while (i < L && L - i >= static_cast<std::int64_t>(sub.size())) {
        if (BytesAt(t, i, sub, ignoreCase)) return i + 1;
        const auto next = NextCharacter(t, i);
        if (!next) break;
        i = *next;
    }
    return -1;
}

inline Text ReplaceSubtext(const Text& t, const Text& sub, const Text& repl,
                           std::optional<std::int64_t> start, std::optional<std::int64_t> count,
                           bool caseSensitive) {
    const std::int64_t L = static_cast<std::int64_t>(t.size());
    const std::int64_t p0 = StartIndex(start);
    const bool limited = count.has_value() && *count >= 0;
    std::int64_t left = limited ? *count : -1;
    if (t.empty() || sub.empty() || p0 >= L || (limited && left == 0)) return t;

    Text out = t.substr(0, static_cast<std::size_t>(p0));
    std::int64_t i = p0;
    while (L - i >= static_cast<std::int64_t>(sub.size())) {
        if (BytesAt(t, i, sub, !caseSensitive)) {
            out += repl;
            i += static_cast<std::int64_t>(sub.size());
            if (limited && --left == 0) break;
            continue;
        }
        const auto next = NextCharacter(t, i);
        if (!next) return out;  // a lead byte as the last byte is left out
        out += t.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(*next - i));
        i = *next;
    }
    out += t.substr(static_cast<std::size_t>(i));
    return out;
}

inline Text ReplaceTextAt(const Text& t, std::int64_t pos, std::int64_t n, const Text& repl) {
    const std::int64_t L = static_cast<std::int64_t>(t.size());
    const std::int64_t p0 = std::clamp<std::int64_t>(pos - 1, 0, L);
    const std::int64_t k = std::min<std::int64_t>(std::max<std::int64_t>(n, 0), L - p0);
    return t.substr(0, static_cast<std::size_t>(p0)) + repl +
           t.substr(static_cast<std::size_t>(p0 + k));
}

inline std::vector<Text> SplitText(const Text& t, const Text& delim,
                                   std::optional<std::int64_t> max) {
    const std::int64_t L = static_cast<std::int64_t>(t.size());
    const bool limited = max.has_value();
    std::int64_t left = limited ? std::max<std::int64_t>(*max, 0) : -1;
    std::vector<Text> members;
    if (t.empty() || (limited && left == 0)) return members;
    if (delim.empty()) return {t};
    std::int64_t s = 0, i = 0;
    bool ranOut = false;
    while (L - i >= static_cast<std::int64_t>(delim.size())) {
        if (BytesAt(t, i, delim, false)) {
            members.push_back(
                t.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(i - s)));
            i += static_cast<std::int64_t>(delim.size());
            s = i;
            if (limited && --left == 0) {
                ranOut = true;
                break;
            }
            continue;
        }
        const auto next = NextCharacter(t, i);
        if (!next) break;
        i = *next;
    }
    if (!ranOut && s < L) members.push_back(t.substr(static_cast<std::size_t>(s)));
    return members;
}

// ASCII letters mapped over characters from byte 0; double-byte characters stay whole, a
// final lead byte stays as it is.
inline Text MapLetters(const Text& t, bool toUpper) {
    Text out = t;
    std::size_t i = 0;
    while (i < out.size()) {
        const char c = out[i];
        if (IsLead(c)) {
            i += 2;
            continue;
        }
        if (toUpper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
        if (!toUpper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
        ++i;
    }
    return out;
}

inline Text ToUpperCase(const Text& t) {
    return MapLetters(t, true);
}
inline Text ToLowerCase(const Text& t) {
    return MapLetters(t, false);
}

inline Text RemoveAllSpaces(const Text& t) {
    Text out;
    std::size_t i = 0;
    while (i < t.size()) {
        if (!IsLead(t[i])) {
            if (t[i] != ' ') out += t[i];
            ++i;
            continue;
        }
        if (i + 1 >= t.size()) break;  // a final lead byte is left out
        const bool fullWidthSpace = static_cast<unsigned char>(t[i]) == 0xA1 &&
                                    static_cast<unsigned char>(t[i + 1]) == 0xA1;
        if (!fullWidthSpace) out += t.substr(i, 2);
        i += 2;
    }
    return out;
}

// The full-width folding that ToNumber and ToInt begin with.
inline Text FoldFullWidth(const Text& t) {
    Text out;
    std::size_t i = 0;
    while (i < t.size()) {
        const auto c = static_cast<unsigned char>(t[i]);
        if (c < 0x80) {
            out += t[i];
            ++i;
            continue;
        }
        if (i + 1 >= t.size()) break;
        const auto d = static_cast<unsigned char>(t[i + 1]);
        if (c == 0xA3 && d >= 0xA1 && d <= 0xFE) {
            out += static_cast<char>(d - 0x80);
        } else if (c == 0xA1 && d == 0xA1) {
            out += ' ';
        } else if (c == 0xA1 && d == 0xAB) {
            out += '~';
        } else if (c == 0xA1 && (d == 0xEE || d == 0xEF)) {
            out += '*';
        } else {
            out += t.substr(i, 2);
        }
        i += 2;
    }
    return out;
}

inline bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
inline bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

inline std::int32_t ToInt(const Text& t) {
    const Text s = FoldFullWidth(t);
    std::size_t i = 0;
    while (i < s.size() && IsWhiteSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::uint64_t value = 0;  // kept modulo 2^32
    while (i < s.size() && IsDecimalDigit(s[i])) {
        value = (value * 10 + static_cast<std::uint64_t>(s[i] - '0')) % 4294967296ull;
        ++i;
    }
    if (negative) value = (4294967296ull - value) % 4294967296ull;
    return value >= 2147483648ull
               ? static_cast<std::int32_t>(static_cast<std::int64_t>(value) - 4294967296ll)
               : static_cast<std::int32_t>(value);
}

// The number at the start of the folded text: the longest prefix of the form
// [sign] digits [. digits] [(e|E|d|D) [sign] digits], with at least one digit before the
// exponent, handed to the C library's correctly rounded strtod in its own spelling.
inline double ToNumber(const Text& t) {
    const Text s = FoldFullWidth(t);
    std::size_t i = 0;
    while (i < s.size() && IsWhiteSpace(s[i])) ++i;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') number += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < s.size() && IsDecimalDigit(s[i])) {
        number += s[i++];
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        std::string fraction;
        while (j < s.size() && IsDecimalDigit(s[j])) fraction += s[j++];
        if (digits + fraction.size() > 0) {
            number += '.';
            number += fraction;
            digits += fraction.size();
            i = j;
        }
    }
    if (digits == 0) return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        std::size_t expDigits = 0;
        while (j < s.size() && IsDecimalDigit(s[j])) {
            exponent += s[j++];
            ++expDigits;
        }
        if (expDigits > 0) number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace lumeno::ref
