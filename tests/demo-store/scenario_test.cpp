// Scenario files: tables of good files with the steps they make, and of bad files with the
// line and message the store reports.
#include "scenario.h"

#include <ostream>
#include <variant>

#include <gtest/gtest.h>

namespace lumeno::demo_store {
namespace {

using Kind = Step::Kind;

// A step flattened to comparable fields: `bytes` is the body, the raw bytes, or the
// products as 0/1 digits, by kind.
struct StepView {
    Kind kind = Kind::kBody;
    std::size_t count = 1;
    int status = 200;
    std::string reason{};
    std::vector<Header> headers{};
    std::string bytes{};
    long long delay_ms = 0;
    bool operator==(const StepView&) const = default;
};

std::string Visible(std::string_view bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

std::ostream& operator<<(std::ostream& os, const StepView& s) {
    os << "{kind " << static_cast<int>(s.kind) << ", count " << s.count << ", status " << s.status
       << " '" << s.reason << "', headers [";
    for (const auto& [n, v] : s.headers) os << n << ": " << Visible(v) << "; ";
    return os << "], bytes '" << Visible(s.bytes) << "', delay " << s.delay_ms << " ms}";
}

StepView View(const Step& step) {
    StepView v{step.kind,          step.count, step.reply.status,       step.reply.reason,
               step.reply.headers, {},         step.reply.delay.count()};
    switch (step.kind) {
        case Kind::kBody:
            v.bytes = step.reply.body;
            break;
        case Kind::kRaw:
            v.bytes = step.reply.raw.value_or("<no raw bytes>");
            break;
        case Kind::kProducts:
            for (const bool open : step.products) v.bytes += open ? '1' : '0';
            break;
    }
    return v;
}

struct GoodCase {
    const char* name;
    std::string_view text;
    std::vector<StepView> steps;
};

class GoodScenario : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodScenario, MakesTheseSteps) {
    const auto parsed = ParseScenario(GetParam().text);
    if (const auto* error = std::get_if<ScenarioError>(&parsed)) {
        FAIL() << "line " << error->line << ": " << error->message;
    }
    std::vector<StepView> views;
    for (const auto& step : std::get<Scenario>(parsed).steps) views.push_back(View(step));
    EXPECT_EQ(views, GetParam().steps);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Files, GoodScenario,
    ::testing::Values(
        GoodCase{"BareStepIsAnEmptyOk", "step\n", {StepView{}}},
        GoodCase{"CommentsBlankLinesIndentAndCrlf",
                 "# first line\r\n\r\n   # indented comment\r\n  step 3\r\n\tbody {\"code\":0}\r\n",
                 {StepView{.count = 3, .bytes = "{\"code\":0}"}}},
        GoodCase{"BodyTextKeepsLeadingSpacesAndLaterHashes",
                 "step\nbody   x # not a comment\n",
                 {StepView{.bytes = "  x # not a comment"}}},
        GoodCase{"EscapesAndJoinedBodyLines",
                 R"(step
body line\r\n
body \x41\xfF\0\t\\
body64 SGk=
body64 IQ
)",
                 {StepView{.bytes = "line\r\nA\xff\0\t\\Hi!"s}}},
        GoodCase{"StatusReasonHeadersAndDelays",
                 "step\nstatus 503 Try Later\nheader Set-Cookie: SESSIONID=abc; path=/\n"
                 "header X-Split: a\\r\\nb\nheader X-Empty:\ndelay 250ms\n"
                 "step\nstatus 299\ndelay 2s\n",
                 {StepView{.status = 503,
                           .reason = "Try Later",
                           .headers = {{"Set-Cookie", "SESSIONID=abc; path=/"},
                                       {"X-Split", "a\r\nb"},
                                       {"X-Empty", ""}},
                           .delay_ms = 250},
                  StepView{.status = 299, .delay_ms = 2000}}},
        GoodCase{"ProductsNamedCompactAndNone",
                 "step\nproducts kessa=open hezi=open qorvi3td=closed\n"
                 "step 2\nproducts 10010\nstep\nproducts\n",
                 {StepView{.kind = Kind::kProducts, .bytes = "00101"},
                  StepView{.kind = Kind::kProducts, .count = 2, .bytes = "10010"},
                  StepView{.kind = Kind::kProducts, .bytes = "00000"}}},
        GoodCase{"ProductsWithStatusAndDelay",
                 "step\nstatus 500\ndelay 0ms\nproducts 00001\n",
                 {StepView{.kind = Kind::kProducts, .status = 500, .bytes = "00001"}}},
        GoodCase{
            "RawJoinsTextAndBase64",
            "step\ndelay 1ms\nraw HTTP/1.1 200 OK\\r\\n\nraw64 AAE=\n",
            {StepView{.kind = Kind::kRaw, .bytes = "HTTP/1.1 200 OK\r\n\0\x01"s, .delay_ms = 1}}},
        GoodCase{"EmptyRawClosesWithoutAnswer",
                 "step\nraw\n",
                 {StepView{.kind = Kind::kRaw, .bytes = ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScenarioFormatHelp, ItsExampleIsAGoodScenario) {
    const auto help = ScenarioFormatHelp();
    const auto example = help.find("Example:\n");
    ASSERT_NE(example, std::string_view::npos);
    const auto parsed = ParseScenario(help.substr(example + 9));
    if (const auto* error = std::get_if<ScenarioError>(&parsed)) {
        FAIL() << "example line " << error->line << ": " << error->message;
    }
    EXPECT_EQ(std::get<Scenario>(parsed).steps.size(), 3u);
}

struct BadCase {
    const char* name;
    std::string_view text;
    int line;
    std::string_view message;  // a part of the message
};

class BadScenario : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadScenario, ReportsLineAndReason) {
    const auto parsed = ParseScenario(GetParam().text);
    const auto* error = std::get_if<ScenarioError>(&parsed);
    ASSERT_NE(error, nullptr) << "accepted";
    EXPECT_EQ(error->line, GetParam().line) << error->message;
    EXPECT_NE(error->message.find(GetParam().message), std::string::npos) << error->message;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadScenario,
    ::testing::Values(
        BadCase{"Empty", "", 1, "no steps"}, BadCase{"OnlyComments", "# a\n\n# b\n", 3, "no steps"},
        BadCase{"DirectiveBeforeStep", "# c\nbody x\n", 2, "expected 'step' before 'body'"},
        BadCase{"UnknownDirective", "step\nbogus 1\n", 2, "unknown directive 'bogus'"},
        BadCase{"KeywordIsCaseSensitive", "Step\n", 1, "expected 'step' before 'Step'"},
        BadCase{"ZeroCount", "step 0\n", 1, "1 or more, not '0'"},
        BadCase{"WordCount", "step many\n", 1, "not 'many'"},
        BadCase{"TwoCounts", "step 1 2\n", 1, "one count at most"},
        BadCase{"StatusTooSmall", "step\nstatus 42\n", 2, "from 100 to 999, not '42'"},
        BadCase{"StatusNotNumber", "step\nstatus OK\n", 2, "not 'OK'"},
        BadCase{"StatusTwice", "step\nstatus 200\nstatus 201\n", 3, "status given twice"},
        BadCase{"HeaderWithoutColon", "step\nheader NoColon\n", 2, "NAME: VALUE"},
        BadCase{"HeaderNameWithSpace", "step\nheader Bad Name: x\n", 2, "'Bad Name'"},
        BadCase{"HeaderBadEscape", "step\nheader X: \\q\n", 2, "unknown escape '\\q'"},
        BadCase{"DelayWithoutUnit", "step\ndelay 5\n", 2, "not '5'"},
        BadCase{"DelayNegative", "step\ndelay -1ms\n", 2, "not '-1ms'"},
        BadCase{"DelayTooLong", "step\ndelay 601s\n", 2, "longer than 10 minutes"},
        BadCase{"DelayTwice", "step\ndelay 1s\ndelay 2s\n", 3, "delay given twice"},
        BadCase{"UnknownEscape", "step\nbody \\q\n", 2, "unknown escape '\\q'"},
        BadCase{"ShortHexEscape", "step\nbody \\x4\n", 2, "two hex digits"},
        BadCase{"NonHexEscape", "step\nbody \\xg0\n", 2, "two hex digits"},
        BadCase{"LoneBackslash", "step\nbody abc\\\n", 2, "lone backslash"},
        BadCase{"BadBase64Character", "step\nbody64 ab$d\n", 2, "bad base64"},
        BadCase{"DanglingBase64", "step\nbody64 QUJDR\n", 2, "bad base64"},
        BadCase{"UnknownProduct", "step\nproducts tea=open\n", 2, "unknown product 'tea'"},
        BadCase{"BadProductState", "step\nproducts hezi=maybe\n", 2, "open or closed, not 'maybe'"},
        BadCase{"ProductTwice", "step\nproducts hezi=open hezi=closed\n", 2, "'hezi' given twice"},
        BadCase{"CompactTooShort", "step\nproducts 0101\n", 2, "not '0101'"},
        BadCase{"CompactNotBits", "step\nproducts 0102x\n", 2, "not '0102x'"},
        BadCase{"ProductWithoutState", "step\nproducts hezi kessa=open\n", 2, "not 'hezi'"},
        BadCase{"ProductsTwice", "step\nproducts 00000\nproducts 00001\n", 3,
                "products given twice"},
        BadCase{"BodyThenProducts", "step\nbody x\nproducts 00000\n", 3, "has a body"},
        BadCase{"ProductsThenBody", "step\nproducts 00000\nbody x\n", 3, "products step"},
        BadCase{"RawThenStatus", "step\nraw x\nstatus 200\n", 3, "'status' cannot be used"},
        BadCase{"HeaderThenRaw", "step\nheader A: b\nraw x\n", 3, "replaces the whole response"},
        BadCase{"ErrorInLaterStepCountsCrlfLines",
                "# c\r\nstep\r\nbody ok\r\n\r\nstep 2\r\n  status 9999\r\n", 6, "not '9999'"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumeno::demo_store
