// The fatal stop: the box text, the exit code, and the array index and allocation stops.
#include "text/fatal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/primitives.h"

namespace lumeno {
namespace {

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;  // -1 as a POSIX exit status
#endif

std::string Hex(std::string_view bytes) {
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

// Writes caption and text to stderr in hex, so a death test can match the exact bytes.
void CaptureBox(const TextValue& caption, const TextValue& text) {
    std::fprintf(stderr, "box:%s:%s.", Hex(caption.View()).c_str(), Hex(text.View()).c_str());
    std::fflush(stderr);
}

std::string Expected(std::int32_t code, const TextValue& message) {
    return "box:" + Hex("错误") + ":" + Hex(FatalErrorBoxText(code, message).View()) + "\\.";
}

TEST(FatalErrorBoxText, AssemblesCodeAndMessageLines) {
    EXPECT_EQ(FatalErrorBoxText(0, "载入启动窗口失败"),
              TextValue("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"));
    EXPECT_EQ(FatalErrorBoxText(4, "m"), TextValue("运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：m\r\n"));
    EXPECT_EQ(FatalErrorBoxText(-7, TextValue()), TextValue("运行时出错!\r\n\r\n错误代码：-7\r\n\r\n"));
    EXPECT_EQ(FatalErrorBoxText(0, ""), TextValue("运行时出错!\r\n\r\n"));
}

#if GTEST_HAS_DEATH_TEST
class FatalStop : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(FatalStop, ShowsTheBoxAndExitsWithMinusOne) {
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureBox);
            FatalRuntimeError(0, "x");
        },
        ::testing::ExitedWithCode(kFatalExitCode), Expected(0, "x"));
}

TEST_F(FatalStop, ArrayIndexOutOfRangeIsFatal) {
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureBox);
            (void)SplitText("a,b").Member(0);
        },
        ::testing::ExitedWithCode(kFatalExitCode), Expected(4, "数组成员引用下标必须大于等于1"));
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureBox);
            (void)TextArray().Member(1);
        },
        ::testing::ExitedWithCode(kFatalExitCode), Expected(1, "数组成员引用下标超出定义范围"));
}

TEST_F(FatalStop, AllocationFailureNamesTheByteCount) {
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureBox);
            FatalOutOfMemory(123456);
        },
        ::testing::ExitedWithCode(kFatalExitCode), Expected(0, "分配 123456 字节内存失败!"));
}
#endif

}  // namespace
}  // namespace lumeno
