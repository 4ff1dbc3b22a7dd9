// Start-up and shutdown: the phases in order, the current folder, the globals, and the
// fatal stop when the window cannot be loaded.
#include "ui/program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "alerts/program_folder.h"
#include "monitor/stock_globals.h"
#include "support/fatal_capture.h"
#include "text/fatal.h"
#include "text/primitives.h"

namespace lumeno {
namespace {

class RecordingFrontend : public Frontend {
  public:
    void InitProcessSupport() override { phases.push_back("init"); }
    bool LoadWindow() override {
        phases.push_back("load");
        // By the time the window loads, the folder and the globals are ready.
        folderAtLoad = std::filesystem::current_path();
        itemsAtLoad = TextArrayCount(StockItems);
        return loads;
    }
    void RunMessageLoop() override { phases.push_back("loop"); }

    bool loads = true;
    std::vector<std::string> phases;
    std::filesystem::path folderAtLoad;
    std::int32_t itemsAtLoad = -1;
};

TEST(ProgramMain, RunsThePhasesInOrderFromTheProgramFolder) {
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    RecordingFrontend frontend;
    EXPECT_EQ(ProgramMain(frontend), 0);
    EXPECT_EQ(frontend.phases, (std::vector<std::string>{"init", "load", "loop"}));
    EXPECT_EQ(frontend.itemsAtLoad, 0);
    // The current folder is the test program's own folder, wherever it was started from.
    ASSERT_FALSE(ProgramFolder().IsEmpty());
    EXPECT_TRUE(std::filesystem::equivalent(
        frontend.folderAtLoad, std::filesystem::path(std::string(ProgramFolder().View()))));
    std::filesystem::current_path(before);
}

TEST(ExitCleanup, ReleasesTheGlobals) {
    StockUrl = "http://127.0.0.1/misc/get2014nianstock";
    StockItems = SplitText("a,b");
    StockFlagOf(5) = "true";
    ExitCleanup();
    EXPECT_FALSE(StockUrl.IsPresent());
    EXPECT_EQ(TextArrayCount(StockItems), 0);
    EXPECT_FALSE(StockFlagOf(5).IsPresent());
}

#if GTEST_HAS_DEATH_TEST
TEST(ProgramMainDeathTest, WindowThatCannotLoadIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetFatalBoxShower(CaptureFatalBox);
            RecordingFrontend frontend;
            frontend.loads = false;
            (void)ProgramMain(frontend);
        },
        ::testing::ExitedWithCode(kFatalExitCode), ExpectedFatalBox(0, "载入启动窗口失败"));
}
#endif

}  // namespace
}  // namespace lumeno
