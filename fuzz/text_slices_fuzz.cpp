// Fuzz target: the slicing primitives (TextLeft, TextRight, TextMid, ReplaceTextAt), the case
// mappings and RemoveAllSpaces, each checked against its reference on the same arguments.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "reference_text.h"
#include "text/primitives.h"

namespace lumeno::fuzz {
namespace {

void CheckSlices(Input& in) {
    const std::string t = in.Bytes(200);
    const std::int32_t a = in.Number(t.size()), b = in.Number(t.size());
    const TextValue text = in.Text(t);
    const std::string args = Escaped(t) + ", " + std::to_string(a);
    ExpectText(TextLeft(text, a), ref::TextLeft(t, a), "TextLeft(" + args + ")");
    ExpectText(TextRight(text, a), ref::TextRight(t, a), "TextRight(" + args + ")");
    ExpectText(TextMid(text, a, b), ref::TextMid(t, a, b),
               "TextMid(" + args + ", " + std::to_string(b) + ")");
}

void CheckReplaceAt(Input& in) {
    const std::string t = in.Bytes(200), repl = in.Bytes(16);
    const std::int32_t pos = in.Number(t.size()), n = in.Number(t.size());
    // The system omits the replacement (ReplaceTextAt(line, 1, 12)); both forms are fuzzed.
    const bool given = in.Flag();
    const TextValue got = given ? ReplaceTextAt(in.Text(t), pos, n, in.Text(repl))
                                : ReplaceTextAt(in.Text(t), pos, n);
    ExpectText(got, ref::ReplaceTextAt(t, pos, n, given ? repl : std::string()),
               "ReplaceTextAt(" + Escaped(t) + ", " + std::to_string(pos) + ", " +
                   std::to_string(n) + ", " + (given ? Escaped(repl) : "omitted") + ")");
}

void CheckCharacterScans(Input& in) {
    const std::string t = in.Bytes(300);
    const TextValue text = in.Text(t);
    ExpectText(ToUpperCase(text), ref::ToUpperCase(t), "ToUpperCase(" + Escaped(t) + ")");
    ExpectText(ToLowerCase(text), ref::ToLowerCase(t), "ToLowerCase(" + Escaped(t) + ")");
    ExpectText(RemoveAllSpaces(text), ref::RemoveAllSpaces(t),
               "RemoveAllSpaces(" + Escaped(t) + ")");
}

}  // namespace
}  // namespace lumeno::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumeno::fuzz;
    Input in(data, size);
    switch (in.InRange<int>(0, 2)) {
        case 0:
            CheckSlices(in);
            break;
        case 1:
            CheckReplaceAt(in);
            break;
        default:
            CheckCharacterScans(in);
            break;
    }
    return 0;
}
