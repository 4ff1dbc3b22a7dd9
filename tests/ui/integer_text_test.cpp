// The interval box's text once it loses the focus: a decimal integer, clamped.
#include <gtest/gtest.h>

#include "ui/integer_text.h"

namespace lumeno {
namespace {

TEST(IntegerTextTest, NormalisationReadsADecimalIntegerAndClamps) {
    struct Case {
        const char* shown;
        const char* normal;
    };
    const Case cases[] = {
        {"1", "1"},
        {"007", "7"},
        {"  12abc", "12"},
        {"\t\r\n 5", "5"},
        {"+5", "5"},
        {"-4", "-4"},
        {"-3x", "-3"},
        {"-0", ""},
        {"0", ""},
        {"", ""},
        {"abc", ""},
        {"-", ""},
        {"+-5", ""},
        {"--5", ""},
        {"1 2", "1"},
        {"2147483647", "2147483647"},
        {"2147483648", "2147483647"},
        {"99999999999999999999999", "2147483647"},
        {"-2147483648", "-2147483648"},
        {"-2147483649", "-2147483648"},
        {"-99999999999999999999999", "-2147483648"},
        {"000000000000000000000000042", "42"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormalizeIntegerText(c.shown), c.normal) << "shown '" << c.shown << "'";
    }
}

}  // namespace
}  // namespace lumeno
