// Fuzz target: ToInt and ToNumber against their references.
//
// ToInt must agree exactly. ToNumber must give exactly the double the reference reads
// (the correctly rounded value of the decimal text it found), and never NaN.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "reference_text.h"
#include "text/primitives.h"

namespace lumeno::fuzz {
namespace {

// Pieces numbers are made of, full-width forms and blanks among them, so that most inputs
// read as a number instead of stopping at their first byte.
const char* const kPieces[] = {
    "0",          "1",          "2",        "5",        "7",        "9",
    "00",         "123456789",  ".",        "e",        "E",        "d",
    "D",          "+",          "-",        " ",        "\t",       "\r\n",
    "\v",         "x",          "\xA3\xB0", "\xA3\xB1", "\xA3\xB9",  // full-width digits 0, 1, 9
    "\xA3\xAE",   "\xA3\xAB",   "\xA3\xAD",                          // full-width ".", "+", "-"
    "\xA3\xC5",   "\xA3\xE4",                                        // full-width "E", "d"
    "\xA1\xA1",                                                      // full-width space
    "\xA1",       "\xB0\xA1",  // a lone lead byte, a Chinese character
    "4294967296", "2147483648", "1e308",    "1e-308",   "1e-320",   "9999999999999999999",
};

std::string NumberLikeText(Input& in) {
    std::string t;
    const int n = in.InRange<int>(0, 24);
    for (int i = 0; i < n; ++i) t += kPieces[in.InRange<std::size_t>(0, std::size(kPieces) - 1)];
    return t;
}

std::string Bits(double x) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g (0x%016llX)", x, static_cast<unsigned long long>(bits));
    return buf;
}

}  // namespace
}  // namespace lumeno::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumeno;
    using namespace lumeno::fuzz;
    Input in(data, size);
    const std::string t = in.Flag() ? NumberLikeText(in) : in.Bytes(64);
    const TextValue text = in.Text(t);

    const std::int32_t gotInt = ToInt(text), wantInt = ref::ToInt(t);
    if (gotInt != wantInt) {
        Difference("ToInt(" + Escaped(t) + ") gave " + std::to_string(gotInt) + ", the reference " +
                   std::to_string(wantInt));
    }

    const double got = ToNumber(text), want = ref::ToNumber(t);
    if (std::isnan(got) || std::isnan(want) || got != want) {
        Difference("ToNumber(" + Escaped(t) + ") gave " + Bits(got) + ", the reference " +
                   Bits(want));
    }
    return 0;
}
