// Shared pieces of the fuzz targets: drawing texts and numbers from the fuzz input, and
// reporting a difference from the reference as a crash libFuzzer keeps.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "text/values.h"

namespace lumeno::fuzz {

// The bytes as a C string literal would spell them, for a readable report.
inline std::string Escaped(std::string_view bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out + "\"";
}

// Ends the run with a report when the routine and the reference disagree; libFuzzer then
// saves the input as crash-<sha1> for replay.
[[noreturn]] inline void Difference(const std::string& what) {
    std::fprintf(stderr, "\n*** difference from the reference: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void ExpectText(const TextValue& got, const std::string& want, const std::string& call) {
    if (got.View() != want) {
        Difference(call + " gave " + Escaped(got.View()) + ", the reference " + Escaped(want));
    }
    // A primitive's empty result is the absent text; a non-empty one is present.
    if (got.IsPresent() == got.IsEmpty()) {
        Difference(call + (got.IsPresent() ? " gave a present empty text" : " gave absent text"));
    }
}

// Draws the pieces of one call from the input.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : provider_(data, size) {}

    // A text of at most maxLength bytes; an empty one comes absent or present, as both
    // must behave alike.
    std::string Bytes(std::size_t maxLength) {
        return provider_.ConsumeRandomLengthString(maxLength);
    }
    TextValue Text(const std::string& bytes) {
        if (!bytes.empty()) return TextValue(bytes);
        return provider_.ConsumeBool() ? TextValue("") : TextValue();
    }

    // A position, length or count: mostly near the text (where the edges are), sometimes
    // anywhere in the 32-bit range.
    std::int32_t Number(std::size_t textLength) {
        if (provider_.ConsumeBool()) {
            const auto near = static_cast<std::int32_t>(textLength) + 3;
            return provider_.ConsumeIntegralInRange<std::int32_t>(-3, near);
        }
        return provider_.ConsumeIntegral<std::int32_t>();
    }
    std::optional<std::int32_t> MaybeNumber(std::size_t textLength) {
        if (provider_.ConsumeBool()) return std::nullopt;
        return Number(textLength);
    }

    bool Flag() { return provider_.ConsumeBool(); }
    template <class T>
    T InRange(T low, T high) {
        return provider_.ConsumeIntegralInRange<T>(low, high);
    }
    std::string Rest() { return provider_.ConsumeRemainingBytesAsString(); }

  private:
    FuzzedDataProvider provider_;
};

inline std::string Show(std::optional<std::int32_t> n) {
    return n ? std::to_string(*n) : std::string("omitted");
}

}  // namespace lumeno::fuzz
