// Fuzz target: the scanning primitives (FindText, ReplaceSubtext, SplitText) and TextCompare,
// each checked against its reference on the same arguments.
//
// The needle, replacement and delimiter are short so that matches happen often; every
// position, start, count and maximum may be anywhere in the 32-bit range.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "reference_text.h"
#include "text/primitives.h"

namespace lumeno::fuzz {
namespace {

std::optional<std::int64_t> Widened(std::optional<std::int32_t> n) {
    return n ? std::optional<std::int64_t>(*n) : std::nullopt;
}

void CheckFind(Input& in) {
    const std::string t = in.Bytes(300), sub = in.Bytes(8);
    const std::optional<std::int32_t> start = in.MaybeNumber(t.size());
    const bool ignoreCase = in.Flag();
    const std::int32_t got = FindText(in.Text(t), in.Text(sub), start, ignoreCase);
    const std::int64_t want = ref::FindText(t, sub, Widened(start), ignoreCase);
    if (got != want) {
        Difference("FindText(" + Escaped(t) + ", " + Escaped(sub) + ", " + Show(start) + ", " +
                   (ignoreCase ? "true" : "false") + ") gave " + std::to_string(got) +
                   ", the reference " + std::to_string(want));
    }
}

void CheckReplace(Input& in) {
    const std::string t = in.Bytes(300), sub = in.Bytes(8), repl = in.Bytes(8);
    const std::optional<std::int32_t> start = in.MaybeNumber(t.size());
    const std::optional<std::int32_t> count = in.MaybeNumber(4);
    const bool caseSensitive = in.Flag();
    const TextValue got =
        ReplaceSubtext(in.Text(t), in.Text(sub), in.Text(repl), start, count, caseSensitive);
    ExpectText(
        got, ref::ReplaceSubtext(t, sub, repl, Widened(start), Widened(count), caseSensitive),
        "ReplaceSubtext(" + Escaped(t) + ", " + Escaped(sub) + ", " + Escaped(repl) + ", " +
            Show(start) + ", " + Show(count) + ", " + (caseSensitive ? "true" : "false") + ")");
}

void CheckSplit(Input& in) {
    const std::string t = in.Bytes(300);
    // The system splits on "," alone; other delimiters, longer ones included, keep the
    // rule honest.
    const std::string delim = in.Flag() ? std::string(",") : in.Bytes(4);
    const std::optional<std::int32_t> max = in.MaybeNumber(4);
    const TextArray got = SplitText(in.Text(t), in.Text(delim), max);
    const std::vector<std::string> want = ref::SplitText(t, delim, Widened(max));
    const std::string call =
        "SplitText(" + Escaped(t) + ", " + Escaped(delim) + ", " + Show(max) + ")";
    if (TextArrayCount(got) != static_cast<std::int32_t>(want.size())) {
        Difference(call + " gave " + std::to_string(TextArrayCount(got)) +
                   " members, the reference " + std::to_string(want.size()));
    }
    for (std::int32_t i = 1; i <= TextArrayCount(got); ++i) {
        ExpectText(got.Member(i), want[static_cast<std::size_t>(i - 1)],
                   call + " member " + std::to_string(i));
    }
}

void CheckCompare(Input& in) {
    const std::string a = in.Bytes(40);
    // Often a prefix or a near copy of the first text: the cases where order is subtle.
    std::string b = in.Flag() ? a.substr(0, in.InRange<std::size_t>(0, a.size())) : in.Bytes(40);
    if (!b.empty() && in.Flag()) b.back() = static_cast<char>(in.InRange<int>(0, 255));
    const int got = TextCompare(in.Text(a), in.Text(b));
    const int want = ref::TextCompare(a, b);
    if (got != want) {
        Difference("TextCompare(" + Escaped(a) + ", " + Escaped(b) + ") gave " +
                   std::to_string(got) + ", the reference " + std::to_string(want));
    }
}

}  // namespace
}  // namespace lumeno::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumeno::fuzz;
    Input in(data, size);
    switch (in.InRange<int>(0, 3)) {
        case 0:
            CheckFind(in);
            break;
        case 1:
            CheckReplace(in);
            break;
        case 2:
            CheckSplit(in);
            break;
        default:
            CheckCompare(in);
            break;
    }
    return 0;
}
