// The WinINet binding: a library file or function that cannot be found ends the program
// through the fatal stop, naming both.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/fatal.h"

namespace lumeno::inet::wininet {
void* BindExport(const char* libraryFile, const char* function);
}

namespace lumeno {
namespace {

std::string Hex(std::string_view bytes) {
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

void CaptureBox(const TextValue& caption, const TextValue& text) {
    std::fprintf(stderr, "box:%s:%s.", Hex(caption.View()).c_str(), Hex(text.View()).c_str());
    std::fflush(stderr);
}

std::string ExpectedBox(const std::string& message) {
    return "box:" + Hex("错误") + ":" + Hex(FatalErrorBoxText(0, TextValue(message)).View()) +
           "\\.";
}

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
            SetFatalBoxShower(CaptureBox);
            inet::wininet::BindExport("wininet.dll", "NoSuchExportA");
        },
        ::testing::ExitedWithCode(static_cast<unsigned>(-1)),
        ExpectedBox("无法找到指定DLL库文件“wininet.dll”中的输出命令“NoSuchExportA”"));
}

TEST(WinInetBindingDeathTest, AMissingLibraryFileIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureBox);
            inet::wininet::BindExport("no-such-library.dll", "InternetOpenA");
        },
        ::testing::ExitedWithCode(static_cast<unsigned>(-1)),
        ExpectedBox("无法找到指定DLL库文件“no-such-library.dll”中的输出命令“InternetOpenA”"));
}
#endif

}  // namespace
}  // namespace lumeno
