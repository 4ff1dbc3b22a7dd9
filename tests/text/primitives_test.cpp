// The text primitives' edge behaviour: clamping, -1, absent results, double-byte stepping.
#include "text/primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>

namespace lumeno {
namespace {

// A GBK double-byte character whose second byte is "A" (0x41): 丟 is 0x81 0x41 in GBK.
const std::string kLeadA = "\x81\x41";

TEST(Literals, NarrowLiteralsAreGbkBytes) {
    const char* literal = "待检测";
    ASSERT_EQ(std::strlen(literal), 6u);
    EXPECT_EQ(std::string(literal), "\xB4\xFD\xBC\xEC\xB2\xE2");
}

TEST(TextCompare, OrdersBytesUnsignedWithoutFolding) {
    struct Case {
        TextValue a, b;
        int want;
    } cases[] = {
        {TextValue(), TextValue(""), 0},
        {"a", TextValue(), 1},
        {"B", "a", -1},
        {"ab", "abc", -1},
        {"abc", "ab", 1},
        {"\x80", "z", 1},
        {"same", "same", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TextCompare(c.a, c.b), c.want) << c.a.View() << " vs " << c.b.View();
}

TEST(Slicing, ClampsAndGivesAbsentForEmptyResults) {
    EXPECT_FALSE(TextLeft("abc", 0).IsPresent());
    EXPECT_FALSE(TextLeft("abc", -2).IsPresent());
    EXPECT_EQ(TextLeft("abc", 5), TextValue("abc"));
    EXPECT_EQ(TextRight("abc", 4), TextValue("abc"));
    EXPECT_EQ(TextRight("abc", 2), TextValue("bc"));
    EXPECT_FALSE(TextRight("abc", 0).IsPresent());
    EXPECT_FALSE(TextMid("abc", 0, 2).IsPresent());
    EXPECT_FALSE(TextMid("abc", 4, 1).IsPresent());
    EXPECT_FALSE(TextMid("abc", 2, 0).IsPresent());
    EXPECT_EQ(TextMid("abc", 2, 10), TextValue("bc"));
    // Slicing counts plain bytes and may cut a double-byte character.
    EXPECT_EQ(TextLeft("待检", 1), TextValue("\xB4"));
    EXPECT_EQ(TextLength(TextValue()), 0);
    EXPECT_EQ(TextLength("待检测"), 6);
}

TEST(FindText, FollowsItsRules) {
    struct Case {
        const char* name;
        TextValue t, sub;
        std::optional<std::int32_t> start;
        bool ignoreCase;
        std::int32_t want;
    } cases[] = {
        {"empty sub", "abc", TextValue(), std::nullopt, false, 1},
        {"empty sub past end", "abc", TextValue(), 4, false, -1},
        {"empty sub, start 3 gives 1 not 3", "abc", "", 3, false, 1},
        {"start past end", "abc", "c", 9, false, -1},
        {"from a start", "a/b/c", "/", 3, false, 4},
        {"start below 1", "a/b/c", "/", -5, false, 2},
        {"ignore case", "Set-Cookie: x", "set-cookie: ", 1, true, 1},
        {"exact case", "Set-Cookie: x", "set-cookie: ", 1, false, -1},
        {"empty text", TextValue(), "a", std::nullopt, false, -1},
        {"sub longer than text", "ab", "abc", std::nullopt, false, -1},
        {"after a double-byte char", "待a", "a", std::nullopt, false, 3},
        {"second byte never a match", kLeadA, "A", std::nullopt, false, -1},
        {"second byte, ignoring case", kLeadA, "a", std::nullopt, true, -1},
        {"walk from a second byte", kLeadA + "xA", "A", 2, false, 2},
        {"final lead byte ends the walk", "ab\x81", "b\x81", std::nullopt, false, 2},
        {"match at a final lead byte", "ab\x81", "\x81", std::nullopt, false, 3},
        {"non-letters exact under ignoreCase", "a[b", "{", std::nullopt, true, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindText(c.t, c.sub, c.start, c.ignoreCase), c.want) << c.name;
    }
}

TEST(ReplaceSubtext, RemovesEveryOccurrenceInOnePass) {
    EXPECT_EQ(ReplaceSubtext("a b c", " "), TextValue("abc"));
    EXPECT_FALSE(ReplaceSubtext("xxx", "x").IsPresent());
    EXPECT_FALSE(ReplaceSubtext(TextValue(), "x").IsPresent());
    EXPECT_EQ(ReplaceSubtext("abc", ""), TextValue("abc"));
    // What a removal joins is not scanned again.
    EXPECT_EQ(ReplaceSubtext("dadata:ta:", "data:"), TextValue("data:"));
    EXPECT_EQ(ReplaceSubtext("hezi:hezi:true", "hezi:"), TextValue("true"));
    // No match inside a double-byte character.
    EXPECT_EQ(ReplaceSubtext(kLeadA + "A", "A"), TextValue(kLeadA));
    // A final lead byte reached by the walk is left out.
    EXPECT_EQ(ReplaceSubtext("a b\x81", " "), TextValue("ab"));
    // ... but bytes left after the walk (fewer than |sub|) are kept as they are.
    EXPECT_EQ(ReplaceSubtext("xy\x81", "yz"), TextValue("xy\x81"));
}

TEST(ReplaceSubtext, HonoursReplacementStartCountAndCase) {
    EXPECT_EQ(ReplaceSubtext("a-b-c", "-", "+"), TextValue("a+b+c"));
    EXPECT_EQ(ReplaceSubtext("a-b-c", "-", "+", 3), TextValue("a-b+c"));
    EXPECT_EQ(ReplaceSubtext("a-b-c", "-", "+", std::nullopt, 1), TextValue("a+b-c"));
    EXPECT_EQ(ReplaceSubtext("a-b-c", "-", "+", std::nullopt, 0), TextValue("a-b-c"));
    EXPECT_EQ(ReplaceSubtext("a-b-c", "-", "+", std::nullopt, -1), TextValue("a+b+c"));
    EXPECT_EQ(ReplaceSubtext("a-b-c", "-", "+", 99), TextValue("a-b-c"));
    EXPECT_EQ(ReplaceSubtext("xAx", "a", "b", std::nullopt, std::nullopt, false), TextValue("xbx"));
    EXPECT_EQ(ReplaceSubtext("xAx", "a", "b", std::nullopt, std::nullopt, true), TextValue("xAx"));
    // Inserted text is never searched again.
    EXPECT_EQ(ReplaceSubtext("aa", "a", "aa"), TextValue("aaaa"));
}

TEST(ReplaceTextAt, CutsPlainBytes) {
    EXPECT_EQ(ReplaceTextAt("Set-Cookie: k=v", 1, 12), TextValue("k=v"));
    EXPECT_EQ(ReplaceTextAt("abcdef", 3, 100), TextValue("ab"));
    EXPECT_EQ(ReplaceTextAt("abc", 9, 2), TextValue("abc"));
    EXPECT_EQ(ReplaceTextAt("abc", 9, 2, "X"), TextValue("abcX"));
    EXPECT_EQ(ReplaceTextAt("abc", -3, 1, "X"), TextValue("Xbc"));
    EXPECT_EQ(ReplaceTextAt("abc", 2, -1, "X"), TextValue("aXbc"));
    EXPECT_FALSE(ReplaceTextAt("abc", 1, 3).IsPresent());
}

std::string Joined(const TextArray& a) {
    std::string out;
    for (std::int32_t i = 1; i <= a.Count(); ++i) {
        out.push_back('[');
        out.append(a.Member(i).View());
        out.push_back(']');
    }
    return out;
}

TEST(SplitText, MembersAndEmptyMembers) {
    struct Case {
        TextValue t;
        const char* want;
    } cases[] = {
        {"a,,b", "[a][][b]"}, {",a", "[][a]"},   {"a,", "[a]"},   {"a,b,,", "[a][b][]"},
        {",", "[]"},          {"abc", "[abc]"},  {TextValue(), ""}, {"待,测", "[待][测]"},
        // The comma after a lead byte belongs to its character and is no delimiter.
        {"\x81,x", "[\x81,x]"},
        // A final lead byte ends the walk and stays in the last member.
        {"a,\x81", "[a][\x81]"},
    };
    for (const auto& c : cases) EXPECT_EQ(Joined(SplitText(c.t, ",")), c.want) << c.t.View();
    // Members that would be empty are absent.
    EXPECT_FALSE(SplitText("a,,b").Member(2).IsPresent());
}

TEST(SplitText, DelimiterAndMaxDefaults) {
    EXPECT_EQ(Joined(SplitText("a,b")), "[a][b]");
    EXPECT_EQ(Joined(SplitText("a,b", "")), "[a,b]");
    EXPECT_EQ(Joined(SplitText("a,b,c", ",", 2)), "[a][b]");
    EXPECT_EQ(Joined(SplitText("a,b", ",", 0)), "");
    EXPECT_EQ(Joined(SplitText("a,b", ",", -1)), "");
    EXPECT_EQ(Joined(SplitText("a::b", "::")), "[a][b]");
}

TEST(CaseMapping, TouchesOnlyAsciiLettersOutsideDoubleByteCharacters) {
    EXPECT_EQ(ToUpperCase("aZ09z"), TextValue("AZ09Z"));
    EXPECT_EQ(ToLowerCase("HTTP://Box7"), TextValue("http://box7"));
    // 0x81 0x61: second byte in the a-z range, left alone.
    EXPECT_EQ(ToUpperCase("\x81\x61" "a"), TextValue("\x81\x61" "A"));
    EXPECT_EQ(ToUpperCase("a\x81"), TextValue("A\x81"));
    EXPECT_FALSE(ToLowerCase(TextValue()).IsPresent());
}

TEST(RemoveAllSpaces, HalfAndFullWidthBlanksOnly) {
    EXPECT_EQ(RemoveAllSpaces(" a\xA1\xA1" "b "), TextValue("ab"));
    EXPECT_FALSE(RemoveAllSpaces("   ").IsPresent());
    EXPECT_EQ(RemoveAllSpaces("a\tb"), TextValue("a\tb"));
    EXPECT_EQ(RemoveAllSpaces("a \x81"), TextValue("a"));
    // 0xA1 0xA2 is another character, kept whole.
    EXPECT_EQ(RemoveAllSpaces("\xA1\xA2 "), TextValue("\xA1\xA2"));
}

TEST(ToInt, ReadsLeadingIntegerModulo2To32) {
    struct Case {
        TextValue t;
        std::int32_t want;
    } cases[] = {
        {TextValue(), 0},       {"12abc", 12},         {" 7", 7},
        {"-3", -3},             {"abc", 0},            {"2147483648", -2147483647 - 1},
        {" +15s", 15},          {"4294967297", 1},     {"\xA3\xB1\xA3\xB2", 12},  // full-width 1 2
        {"\t\r\n 9", 9},        {"-", 0},              {"\xA3\xAD" "5", -5},      // full-width minus
        {"\xA1\xA1" "8", 8},    {"3.9", 3},            {"--1", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ToInt(c.t), c.want) << c.t.View();
}

TEST(ToNumber, ReadsDecimalWithExponents) {
    struct Case {
        TextValue t;
        double want;
    } cases[] = {
        {"81", 81},     {TextValue(), 0}, {"1e3", 1000}, {"1E3", 1000}, {"2d2", 200}, {"2D-1", 0.2},
        {"12.9", 12.9}, {"-1.5x", -1.5},  {" +4", 4},    {"1e", 1},     {"abc", 0},   {".5", 0.5},
        {"7.", 7},      {"\xA3\xB8\xA3\xB1", 81},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(ToNumber(c.t), c.want) << c.t.View();
    EXPECT_TRUE(std::isinf(ToNumber("1e999")));
    EXPECT_EQ(ToNumber("1e-999"), 0.0);
}

TEST(ToText, OfByteSetsIntegersAndTexts) {
    EXPECT_EQ(ToText(ByteSet(std::string("ab\0cd", 5))), TextValue("ab"));
    EXPECT_FALSE(ToText(ByteSet()).IsPresent());
    EXPECT_FALSE(ToText(BlankBytes(255)).IsPresent());
    EXPECT_EQ(ToText(std::int32_t{-15}), TextValue("-15"));
    EXPECT_EQ(ToText(std::int32_t{0}), TextValue("0"));
    EXPECT_EQ(ToText(TextValue("x")), TextValue("x"));
    EXPECT_FALSE(ToText(TextValue("")).IsPresent());
}

TEST(ToText, DateTimeHasFourTimeForms) {
    struct Case {
        DateTime when;
        const char* want;
    } cases[] = {
        {{2014, 1, 30, 3, 1, 39}, "2014年1月30日3时1分39秒"},
        {{2014, 1, 30, 9, 0, 5}, "2014年1月30日9时0分5秒"},
        {{2014, 1, 30, 0, 0, 5}, "2014年1月30日0时0分5秒"},
        {{2014, 1, 30, 9, 5, 0}, "2014年1月30日9时5分"},
        {{2014, 1, 30, 0, 5, 0}, "2014年1月30日0时5分"},
        {{2014, 1, 30, 9, 0, 0}, "2014年1月30日9时"},
        {{2014, 1, 30, 0, 0, 0}, "2014年1月30日"},
        {{2026, 12, 31, 23, 59, 59}, "2026年12月31日23时59分59秒"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToText(c.when), TextValue(c.want)) << c.want;
}

TEST(SmallBuilders, AbsentAndPresentResults) {
    EXPECT_FALSE(CharFromCode(0).IsPresent());
    EXPECT_EQ(CharFromCode(65), TextValue("A"));
    EXPECT_FALSE(BlankText(0).IsPresent());
    EXPECT_EQ(BlankText(3), TextValue("   "));
    EXPECT_EQ(BlankText(1024).Length(), 1024);
    const TextValue joined = ConcatText({TextValue(), TextValue()});
    EXPECT_TRUE(joined.IsPresent());
    EXPECT_TRUE(joined.IsEmpty());
    EXPECT_EQ(ConcatText({"a", TextValue(), "b"}), TextValue("ab"));
    EXPECT_EQ(BytesLength(BlankBytes(255)), 255);
    EXPECT_EQ(BytesLength(BlankBytes(-1)), 0);
    EXPECT_EQ(BytesLeft(ByteSet("abcd"), 2), ByteSet("ab"));
    EXPECT_EQ(BytesLength(BytesLeft(ByteSet("abcd"), -2)), 0);
    EXPECT_EQ(BytesLeft(ByteSet("ab"), 9), ByteSet("ab"));
}

TEST(Numbers, TruncateTowardZero) {
    EXPECT_EQ(TruncateToInteger(2.9), 2);
    EXPECT_EQ(TruncateToInteger(-2.9), -2);
    EXPECT_EQ(TruncateToInteger(1e300), INT64_MIN);
    EXPECT_EQ(TruncateToInteger(std::nan("")), INT64_MIN);
    // A period of 2147484 s times 1000 no longer fits 32 bits: the low bits wrap negative.
    EXPECT_EQ(LowBits32(TruncateToInteger(2147484 * 1000.0)), -2147483296);
    EXPECT_EQ(LowBits32(TruncateToInteger(5 * 1000.0)), 5000);
}

}  // namespace
}  // namespace lumeno
