// AppendLog: the line's bytes, the stamp, the file's creation, silent loss, concurrent
// appenders and the pump after the file is closed.
#include "alerts/log.h"
#include "support/pump_only_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "alerts/program_folder.h"
#include "temp_folder.h"
#include "test_platform.h"
#include "ui/window.h"

namespace lumeno {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

// Every test logs into a folder of its own, at a fixed moment unless it says otherwise.
class AppendLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramFolderForTesting(folder_.AsText());
        SetLogClock([] { return DateTime{2014, 1, 30, 3, 1, 39}; });
    }
    void TearDown() override {
        SetCurrentWindow(nullptr);  // a failed test may have left its window there
        SetLogClock({});
        SetProgramFolderForTesting(TextValue());
    }
    [[nodiscard]] std::filesystem::path LogPath() const { return folder_.Path() / "log.txt"; }
    [[nodiscard]] std::string LogBytes() const { return ReadFileBytes(LogPath()); }

    TempFolder folder_;
};

TEST_F(AppendLogTest, CreatesAMissingLogWithExactlyTheOneLine) {
    ASSERT_FALSE(std::filesystem::exists(LogPath()));
    AppendLog("Qorvi3 TD版 开放购买!");
    // The GBK bytes, two spaces before "Log:", CR LF at the end, nothing else.
    EXPECT_EQ(LogBytes(), "Time:2014年1月30日3时1分39秒  Log:Qorvi3 TD版 开放购买!\r\n");
}

TEST_F(AppendLogTest, StampFollowsWhichFieldsAreZero) {
    struct Case {
        DateTime when;
        const char* stamp;
    };
    const Case cases[] = {
        {{2014, 1, 30, 9, 0, 5}, "2014年1月30日9时0分5秒"},
        {{2014, 1, 30, 0, 0, 7}, "2014年1月30日0时0分7秒"},
        {{2014, 1, 30, 9, 5, 0}, "2014年1月30日9时5分"},
        {{2014, 1, 30, 0, 5, 0}, "2014年1月30日0时5分"},
        {{2014, 1, 30, 9, 0, 0}, "2014年1月30日9时"},
        {{2014, 1, 30, 0, 0, 0}, "2014年1月30日"},  // midnight: the date alone
        {{2014, 12, 31, 23, 59, 59}, "2014年12月31日23时59分59秒"},
    };
    std::string expected;
    for (const Case& c : cases) {
        SetLogClock([when = c.when] { return when; });
        AppendLog("x");
        expected += std::string("Time:") + c.stamp + "  Log:x\r\n";
    }
    EXPECT_EQ(LogBytes(), expected);
}

TEST_F(AppendLogTest, MessagesAreWrittenByteForByte) {
    // An empty message, one with its own line break (one event over two lines of the
    // file), and bytes a text editor would take for an end of text.
    const std::string empty;
    const std::string twoLines = "first\r\nsecond";
    const std::string oddBytes =
        "a\x1A"
        "b\xFF";
    AppendLog(TextValue(empty));
    AppendLog(TextValue());  // the absent text is the empty text
    AppendLog(TextValue(twoLines));
    AppendLog(TextValue(oddBytes));
    const std::string stamp = "Time:2014年1月30日3时1分39秒  Log:";
    EXPECT_EQ(LogBytes(), stamp + "\r\n" + stamp + "\r\n" + stamp + "first\r\nsecond\r\n" + stamp +
                              oddBytes + "\r\n");
}

TEST_F(AppendLogTest, AppendsAtTheTrueEndOfWhateverTheFileHolds) {
    // An empty file, and a file ending without a line break and holding the bytes 0x00
    // and 0x1A, which must not be taken for its end: nothing already there is overwritten.
    for (const std::string& before : {std::string(), std::string("old\x1Aline") + '\0' + "tail"}) {
        WriteFileBytes(LogPath(), before);
        AppendLog("a");
        AppendLog("b");  // the same second: same stamp, call order kept
        EXPECT_EQ(LogBytes(), before + "Time:2014年1月30日3时1分39秒  Log:a\r\n" +
                                  "Time:2014年1月30日3时1分39秒  Log:b\r\n");
    }
}

TEST_F(AppendLogTest, UsesTheLocalClockByDefault) {
    SetLogClock({});
    const DateTime before = LocalDateTime();
    AppendLog("now");
    const DateTime after = LocalDateTime();
    const std::string bytes = LogBytes();
    // Either end of the call's second may have been the one stamped.
    const std::string a = "Time:" + ToText(before).Bytes() + "  Log:now\r\n";
    const std::string b = "Time:" + ToText(after).Bytes() + "  Log:now\r\n";
    EXPECT_TRUE(bytes == a || bytes == b) << bytes;
}

TEST_F(AppendLogTest, LineIsLostSilentlyWhenTheLogCannotBeOpened) {
    // A folder named log.txt stands where the file should be.
    std::filesystem::create_directory(LogPath());
    AppendLog("lost");
    EXPECT_TRUE(std::filesystem::is_directory(LogPath()));
    EXPECT_TRUE(std::filesystem::is_empty(LogPath()));

    // The program's folder has gone: nothing is created anywhere else.
    SetProgramFolderForTesting(TextValue((folder_.Path() / "missing").string()));
    AppendLog("lost");
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "missing"));
}

TEST_F(AppendLogTest, ReadOnlyLogIsLeftUnchanged) {
    WriteFileBytes(LogPath(), "kept\r\n");
    const bool readOnly = test::MakeReadOnly(LogPath());
    if (readOnly) AppendLog("lost");
    std::filesystem::permissions(LogPath(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    if (!readOnly) GTEST_SKIP() << "read-only files are writable here (run as root)";
    EXPECT_EQ(LogBytes(), "kept\r\n");
}

TEST_F(AppendLogTest, LogHeldExclusivelyByAnotherOpenerIsLeftUnchanged) {
    WriteFileBytes(LogPath(), "kept\r\n");
    {
        auto hold = test::HoldExclusively(LogPath());
        if (!hold) GTEST_SKIP() << "opens cannot exclude each other on this platform";
        AppendLog("lost");
    }
    EXPECT_EQ(LogBytes(), "kept\r\n");
    AppendLog("back");  // the lock gone, logging resumes
    EXPECT_EQ(LogBytes(), "kept\r\nTime:2014年1月30日3时1分39秒  Log:back\r\n");
}

// A window that only counts pumps and, at each, looks at the log file.
class PumpWatchingWindow : public PumpOnlyWindow {
  public:
    explicit PumpWatchingWindow(std::filesystem::path log) : log_(std::move(log)) {}

    void PumpMessages() override {
        seenOpen.push_back(test::IsOpenInThisProcess(log_));
        seenBytes.push_back(ReadFileBytes(log_));
        // A handler run from the pump may log in turn (a nested tick): it must find the
        // file free and its caller's line complete.
        if (onPump) {
            auto nested = std::move(onPump);
            nested();
        }
    }

    std::vector<bool> seenOpen;
    std::vector<std::string> seenBytes;
    std::function<void()> onPump;

  private:
    std::filesystem::path log_;
};

TEST_F(AppendLogTest, PumpsOnceAfterTheFileIsClosed) {
    PumpWatchingWindow window(LogPath());
    SetCurrentWindow(&window);
    window.onPump = [] { AppendLog("nested"); };
    AppendLog("outer");
    SetCurrentWindow(nullptr);

    const std::string outer = "Time:2014年1月30日3时1分39秒  Log:outer\r\n";
    const std::string nested = "Time:2014年1月30日3时1分39秒  Log:nested\r\n";
    // One pump per call: the outer call's, then the nested call's inside it.
    ASSERT_EQ(window.seenOpen.size(), 2u);
    EXPECT_EQ(window.seenOpen, (std::vector<bool>{false, false}));
    EXPECT_EQ(window.seenBytes[0], outer);
    EXPECT_EQ(window.seenBytes[1], outer + nested);
    EXPECT_EQ(LogBytes(), outer + nested);
}

TEST_F(AppendLogTest, LogLostStillPumps) {
    PumpWatchingWindow window(LogPath());
    std::filesystem::create_directory(LogPath());
    SetCurrentWindow(&window);
    AppendLog("lost");
    SetCurrentWindow(nullptr);
    EXPECT_EQ(window.seenOpen.size(), 1u);
}

TEST_F(AppendLogTest, ProgramsAppendingAtOnceLoseNoLineAndTearNone) {
    const auto helper =
        test::TestProgramFolder() / ("alerts_append_helper" + test::ExecutableSuffix());
    ASSERT_TRUE(std::filesystem::exists(helper)) << helper;
    constexpr int kLines = 3000;
    const std::vector<std::string> tags = {"first", "second"};
    std::vector<int> exitCodes(tags.size(), -1);
    {
        std::vector<std::jthread> children;
        for (std::size_t i = 0; i < tags.size(); ++i)
            children.emplace_back([&, i] {
                exitCodes[i] = test::RunProgram(
                    helper, {folder_.Path().string(), std::to_string(kLines), tags[i]});
            });
        // This process joins in as a third appender.
        for (int i = 0; i < kLines / 10; ++i) AppendLog(TextValue("third-" + std::to_string(i)));
    }
    EXPECT_EQ(exitCodes, std::vector<int>(tags.size(), 0));

    // Every line whole and well formed; each appender's lines all there, in its own order.
    std::map<std::string, int> next;
    std::istringstream lines(LogBytes());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        ASSERT_TRUE(line.size() > 2 && line.back() == '\r') << "line " << count << ": " << line;
        ASSERT_EQ(line.rfind("Time:", 0), 0u) << line;
        const std::size_t log = line.find("  Log:");
        ASSERT_NE(log, std::string::npos) << line;
        const std::string message = line.substr(log + 6, line.size() - log - 7);
        const std::size_t dash = message.rfind('-');
        ASSERT_NE(dash, std::string::npos) << line;
        const std::string tag = message.substr(0, dash);
        EXPECT_EQ(message.substr(dash + 1), std::to_string(next[tag]++)) << line;
    }
    EXPECT_EQ(next["first"], kLines);
    EXPECT_EQ(next["second"], kLines);
    EXPECT_EQ(next["third"], kLines / 10);
    EXPECT_EQ(count, 2 * kLines + kLines / 10);
}

}  // namespace
}  // namespace lumeno
