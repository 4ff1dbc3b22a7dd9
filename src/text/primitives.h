// The text primitives every routine of the system is written with.
//
// Positions are 1-based byte positions, -1 means "not found", out-of-range arguments are
// clamped, and a result that would be empty is the absent text (ConcatText excepted).
// Scanning primitives step over GBK double-byte characters from where their scan begins:
// a byte of 0x80 or more and the byte after it are one character.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "text/values.h"

namespace lumeno {

// A calendar date and a time of day, to the whole second (local time).
struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

[[nodiscard]] int TextCompare(const TextValue& a, const TextValue& b);
[[nodiscard]] std::int32_t TextLength(const TextValue& t);
[[nodiscard]] TextValue TextLeft(const TextValue& t, std::int32_t n);
[[nodiscard]] TextValue TextRight(const TextValue& t, std::int32_t n);
[[nodiscard]] TextValue TextMid(const TextValue& t, std::int32_t pos, std::int32_t n);

// start omitted (nullopt) searches from byte 1, as does a start of 0 or less.
[[nodiscard]] std::int32_t FindText(const TextValue& t, const TextValue& sub,
                                    std::optional<std::int32_t> start, bool ignoreCase);

// Omitted repl removes the occurrences; omitted or negative count means no limit.
[[nodiscard]] TextValue ReplaceSubtext(const TextValue& t, const TextValue& sub,
                                       const TextValue& repl = {},
                                       std::optional<std::int32_t> start = std::nullopt,
                                       std::optional<std::int32_t> count = std::nullopt,
                                       bool caseSensitive = true);

[[nodiscard]] TextValue ReplaceTextAt(const TextValue& t, std::int32_t pos, std::int32_t n,
                                      const TextValue& repl = {});

// delim omitted means ","; max omitted means no limit, a negative max counts as 0.
[[nodiscard]] TextArray SplitText(const TextValue& t, const TextValue& delim = ",",
                                  std::optional<std::int32_t> max = std::nullopt);

[[nodiscard]] TextValue ToUpperCase(const TextValue& t);
[[nodiscard]] TextValue ToLowerCase(const TextValue& t);
[[nodiscard]] TextValue RemoveAllSpaces(const TextValue& t);

[[nodiscard]] double ToNumber(const TextValue& t);
[[nodiscard]] std::int32_t ToInt(const TextValue& t);

[[nodiscard]] TextValue ToText(const ByteSet& b);
[[nodiscard]] TextValue ToText(std::int32_t value);
[[nodiscard]] TextValue ToText(const TextValue& t);
[[nodiscard]] TextValue ToText(const DateTime& when);

[[nodiscard]] TextValue CharFromCode(std::uint8_t code);
[[nodiscard]] TextValue BlankText(std::int32_t n);
[[nodiscard]] TextValue ConcatText(std::initializer_list<TextValue> parts);

[[nodiscard]] ByteSet BlankBytes(std::int32_t n);
[[nodiscard]] std::int32_t BytesLength(const ByteSet& b);
[[nodiscard]] ByteSet BytesLeft(const ByteSet& b, std::int32_t n);

[[nodiscard]] std::int32_t TextArrayCount(const TextArray& array);

// x truncated toward zero to a signed 64-bit integer. A 32-bit receiver takes the low
// 32 bits of this result (LowBits32).
[[nodiscard]] std::int64_t TruncateToInteger(double x);
[[nodiscard]] std::int32_t LowBits32(std::int64_t x);

}  // namespace lumeno
