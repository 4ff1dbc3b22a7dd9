// The WinINet binding: a library file or function that cannot be found ends the program
// through the fatal stop, naming both.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/fatal_capture.h"
#include "text/fatal.h"

namespace lumeno::inet::wininet {
void* BindExport(const char* libraryFile, const char* function);
}

namespace lumeno {
namespace {

TEST(WinInetBinding, TheEightFunctionsAreFoundInEitherSpelling) {
    for (const char* name : {"InternetOpenA", "InternetConnectA", "HttpSendRequestA",
                             "HttpQueryInfoA", "InternetCloseHandle", "InternetSetCookieA"}) {
        EXPECT_NE(inet::wininet::BindExport("wininet.dll", name), nullptr) << name;
    }
    for (const char* name : {"HttpOpenRequestA", "InternetReadFile"}) {
        EXPECT_NE(inet::wininet::BindExport("WinINet.dll", name), nullptr) << name;
    }
}

#if GTEST_HAS_DEATH_TEST
TEST(WinInetBindingDeathTest, AMissingFunctionIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureFatalBox);
            inet::wininet::BindExport("wininet.dll", "NoSuchExportA");
        },
        ::testing::ExitedWithCode(static_cast<unsigned>(-1)),
        ExpectedFatalBox(
            0, TextValue("无法找到指定DLL库文件“wininet.dll”中的输出命令“NoSuchExportA”")));
}

TEST(WinInetBindingDeathTest, AMissingLibraryFileIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureFatalBox);
            inet::wininet::BindExport("no-such-library.dll", "InternetOpenA");
        },
        ::testing::ExitedWithCode(static_cast<unsigned>(-1)),
        ExpectedFatalBox(
            0, TextValue("无法找到指定DLL库文件“no-such-library.dll”中的输出命令“InternetOpenA”")));
}
#endif

}  // namespace
}  // namespace lumeno
