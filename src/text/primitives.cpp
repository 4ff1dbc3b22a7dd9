// The text primitives: slicing, search, replacement, splitting, case and space handling.
#include "text/primitives.h"

#include <algorithm>
#include <string>

#include "text/fatal.h"
#include "text/storage.h"

namespace lumeno {

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x80; }

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Whether the |sub| bytes of t at i equal sub, ASCII letters folded when asked.
bool MatchesAt(std::string_view t, std::size_t i, std::string_view sub, bool ignoreCase) {
    if (t.size() - i < sub.size()) return false;
    for (std::size_t k = 0; k < sub.size(); ++k) {
        auto a = static_cast<unsigned char>(t[i + k]);
        auto b = static_cast<unsigned char>(sub[k]);
        if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
    }
    return true;
}

// The byte count of the character at i: 2 for a lead byte that has a byte after it,
// 1 otherwise. A final lead byte (0 returned) ends every character scan.
std::size_t CharWidth(std::string_view t, std::size_t i) {
    if (!IsLeadByte(static_cast<unsigned char>(t[i]))) return 1;
    return i + 1 < t.size() ? 2 : 0;
}

std::int32_t Clamp32(std::size_t n) { return static_cast<std::int32_t>(n); }

}  // namespace

int TextCompare(const TextValue& a, const TextValue& b) {
    const std::string_view x = a.View(), y = b.View();
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto p = static_cast<unsigned char>(x[i]);
        auto q = static_cast<unsigned char>(y[i]);
        if (p != q) return p < q ? -1 : 1;
    }
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

std::int32_t TextLength(const TextValue& t) { return t.Length(); }

TextValue TextLeft(const TextValue& t, std::int32_t n) {
    if (n <= 0) return {};
    return MakeText(t.View().substr(0, static_cast<std::size_t>(n)));
}

TextValue TextRight(const TextValue& t, std::int32_t n) {
    if (n <= 0) return {};
    const std::string_view v = t.View();
    const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), v.size());
    return MakeText(v.substr(v.size() - k));
}

TextValue TextMid(const TextValue& t, std::int32_t pos, std::int32_t n) {
    const std::int64_t p0 = static_cast<std::int64_t>(pos) - 1;
    const std::string_view v = t.View();
    if (p0 < 0 || p0 >= static_cast<std::int64_t>(v.size()) || n <= 0) return {};
    return MakeText(v.substr(static_cast<std::size_t>(p0), static_cast<std::size_t>(n)));
}

std::int32_t FindText(const TextValue& t, const TextValue& sub, std::optional<std::int32_t> start,
                      bool ignoreCase) {
    const std::string_view v = t.View(), s = sub.View();
    const std::size_t p0 =
        start ? static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{*start} - 1, 0)) : 0;
    if (p0 >= v.size()) return -1;
    if (s.empty()) return 1;
    for (std::size_t i = p0; v.size() - i >= s.size();) {
        if (MatchesAt(v, i, s, ignoreCase)) return Clamp32(i + 1);
        const std::size_t w = CharWidth(v, i);
        if (w == 0) break;
        i += w;
    }
    return -1;
}

TextValue ReplaceSubtext(const TextValue& t, const TextValue& sub, const TextValue& repl,
                         std::optional<std::int32_t> start, std::optional<std::int32_t> count,
                         bool caseSensitive) {
    const std::string_view v = t.View(), s = sub.View(), r = repl.View();
    const std::size_t p0 =
        start ? static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{*start} - 1, 0)) : 0;
    const bool limited = count && *count >= 0;
    std::int64_t left = limited ? *count : 0;
    if (v.empty() || s.empty() || p0 >= v.size() || (limited && left == 0)) return MakeText(v);

    std::string out;
    ReserveOrFail(out, v.size());
    // Unchanged characters are copied in runs: `kept` is where the current run began.
    std::size_t i = p0, kept = 0;
    const auto first = static_cast<unsigned char>(s[0]);
    const bool foldFirst = !caseSensitive && ((first | 0x20) >= 'a' && (first | 0x20) <= 'z');
    while (v.size() - i >= s.size()) {
        const auto c = static_cast<unsigned char>(v[i]);
        const bool mayMatch = foldFirst ? ((c | 0x20) == (first | 0x20)) : c == first;
        if (mayMatch && MatchesAt(v, i, s, !caseSensitive)) {
            out.append(v.substr(kept, i - kept));
            out.append(r);
            i += s.size();
            kept = i;
            if (limited && --left == 0) break;
            continue;
        }
        const std::size_t w = CharWidth(v, i);
        if (w == 0) {
            // The walk reached a final lead byte: it is left out.
            out.append(v.substr(kept, i - kept));
            return MakeText(out);
        }
        i += w;
    }
    // The rest after the walk (too few bytes left, or the count used up), unchanged.
    out.append(v.substr(kept));
    return MakeText(out);
}

TextValue ReplaceTextAt(const TextValue& t, std::int32_t pos, std::int32_t n, const TextValue& repl) {
    const std::string_view v = t.View();
    const std::int64_t L = static_cast<std::int64_t>(v.size());
    const std::int64_t p0 = std::clamp<std::int64_t>(std::int64_t{pos} - 1, 0, L);
    const std::int64_t k = std::min<std::int64_t>(std::max<std::int32_t>(n, 0), L - p0);
    std::string out;
    ReserveOrFail(out, v.size() + repl.View().size());
    out.append(v.substr(0, static_cast<std::size_t>(p0)));
    out.append(repl.View());
    out.append(v.substr(static_cast<std::size_t>(p0 + k)));
    return MakeText(out);
}

TextArray SplitText(const TextValue& t, const TextValue& delim, std::optional<std::int32_t> max) {
    const std::string_view v = t.View(), d = delim.View();
    const bool limited = max.has_value();
    std::int64_t left = limited ? std::max<std::int32_t>(*max, 0) : 0;
    TextArray out;
    if (v.empty() || (limited && left == 0)) return out;
    if (d.empty()) {
        out.Append(MakeText(v));
        return out;
    }
    std::size_t s = 0, i = 0;
    bool exhausted = false;
    while (v.size() - i >= d.size()) {
        if (MatchesAt(v, i, d, false)) {
            out.Append(MakeText(v.substr(s, i - s)));
            i += d.size();
            s = i;
            if (limited && --left == 0) {
                exhausted = true;
                break;
            }
            continue;
        }
        const std::size_t w = CharWidth(v, i);
        if (w == 0) break;
        i += w;
    }
    if (!exhausted && s < v.size()) out.Append(MakeText(v.substr(s)));
    return out;
}

namespace {

// Case mapping over characters from the first byte; double-byte characters stay whole.
TextValue MapAsciiLetters(const TextValue& t, char from, char to) {
    std::string out = CopyBytes(t.View());
    for (std::size_t i = 0; i < out.size();) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c)) {
            i += 2;  // a final lead byte stays as it is
            continue;
        }
        if (c >= static_cast<unsigned char>(from) && c <= static_cast<unsigned char>(from + 25)) {
            out[i] = static_cast<char>(c - from + to);
        }
        ++i;
    }
    return MakeText(out);
}

}  // namespace

TextValue ToUpperCase(const TextValue& t) { return MapAsciiLetters(t, 'a', 'A'); }
TextValue ToLowerCase(const TextValue& t) { return MapAsciiLetters(t, 'A', 'a'); }

TextValue RemoveAllSpaces(const TextValue& t) {
    const std::string_view v = t.View();
    std::string out;
    ReserveOrFail(out, v.size());
    for (std::size_t i = 0; i < v.size();) {
        const std::size_t w = CharWidth(v, i);
        if (w == 0) break;  // a final lead byte is left out
        if (w == 1 && v[i] == ' ') {
        } else if (w == 2 && static_cast<unsigned char>(v[i]) == 0xA1 &&
                   static_cast<unsigned char>(v[i + 1]) == 0xA1) {
        } else {
            out.append(v.substr(i, w));
        }
        i += w;
    }
    return MakeText(out);
}

TextValue CharFromCode(std::uint8_t code) {
    if (code == 0) return {};
    return TextValue(std::string(1, static_cast<char>(code)));
}

TextValue BlankText(std::int32_t n) {
    if (n < 1) return {};
    std::string out;
    ReserveOrFail(out, static_cast<std::size_t>(n));
    out.assign(static_cast<std::size_t>(n), ' ');
    return TextValue(std::move(out));
}

TextValue ConcatText(std::initializer_list<TextValue> parts) {
    std::size_t total = 0;
    for (const auto& p : parts) total += p.View().size();
    std::string out;
    ReserveOrFail(out, total);
    for (const auto& p : parts) out.append(p.View());
    return TextValue(std::move(out));  // always present, even when empty
}

ByteSet BlankBytes(std::int32_t n) {
    if (n <= 0) return {};
    std::string out;
    ReserveOrFail(out, static_cast<std::size_t>(n));
    out.assign(static_cast<std::size_t>(n), '\0');
    return ByteSet(std::move(out));
}

std::int32_t BytesLength(const ByteSet& b) { return b.Length(); }

ByteSet BytesLeft(const ByteSet& b, std::int32_t n) {
    const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), b.View().size());
    if (k == 0) return {};
    return ByteSet(CopyBytes(b.View().substr(0, k)));
}

std::int32_t TextArrayCount(const TextArray& array) { return array.Count(); }

const TextValue& TextArray::Member(std::int32_t index) const {
    if (index < 1) FatalRuntimeError(4, "数组成员引用下标必须大于等于1");
    if (index > Count()) FatalRuntimeError(1, "数组成员引用下标超出定义范围");
    return members_[static_cast<std::size_t>(index - 1)];
}

}  // namespace lumeno
