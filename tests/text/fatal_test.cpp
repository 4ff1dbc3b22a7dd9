// The fatal stop: the box text, the exit code, and the array index and allocation stops.
#include "text/fatal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/fatal_capture.h"
#include "text/primitives.h"

namespace lumeno {
namespace {

TEST(FatalErrorBoxText, AssemblesCodeAndMessageLines) {
    EXPECT_EQ(FatalErrorBoxText(0, "载入启动窗口失败"),
              TextValue("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"));
    EXPECT_EQ(FatalErrorBoxText(4, "m"),
              TextValue("运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：m\r\n"));
    EXPECT_EQ(FatalErrorBoxText(-7, TextValue()),
              TextValue("运行时出错!\r\n\r\n错误代码：-7\r\n\r\n"));
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
            SetFatalBoxShower(CaptureFatalBox);
            FatalRuntimeError(0, "x");
        },
        ::testing::ExitedWithCode(kFatalExitCode), ExpectedFatalBox(0, "x"));
}

TEST_F(FatalStop, ArrayIndexOutOfRangeIsFatal) {
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureFatalBox);
            (void)SplitText("a,b").Member(0);
        },
        ::testing::ExitedWithCode(kFatalExitCode),
        ExpectedFatalBox(4, "数组成员引用下标必须大于等于1"));
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureFatalBox);
            (void)TextArray().Member(1);
        },
        ::testing::ExitedWithCode(kFatalExitCode),
        ExpectedFatalBox(1, "数组成员引用下标超出定义范围"));
}

TEST_F(FatalStop, AllocationFailureNamesTheByteCount) {
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureFatalBox);
            FatalOutOfMemory(123456);
        },
        ::testing::ExitedWithCode(kFatalExitCode),
        ExpectedFatalBox(0, "分配 123456 字节内存失败!"));
}
#endif

}  // namespace
}  // namespace lumeno
