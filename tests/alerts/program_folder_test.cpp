// ProgramFolder: the cut before the last separator, and the running program's folder.
#include "alerts/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_platform.h"

namespace lumeno {
namespace {

TEST(FolderOfPath, CutsBeforeTheLastSeparator) {
    struct Case {
        std::string_view path;
        char separator;
        std::string_view folder;
    };
    const Case cases[] = {
        {R"(C:\tools\monitor.exe)", '\\', R"(C:\tools)"},
        {R"(C:\monitor.exe)", '\\', "C:"},  // a drive's root: the drive alone
        {R"(\\server\share\monitor.exe)", '\\', R"(\\server\share)"},
        {R"(C:\工具\监视\monitor.exe)", '\\', R"(C:\工具\监视)"},
        {"/opt/lumeno/lumeno", '/', "/opt/lumeno"},
        {"/lumeno", '/', ""},  // the file system's root: "" + "/log.txt" is /log.txt
        {"lumeno", '/', ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FolderOfPath(c.path, c.separator), c.folder) << c.path;
}

TEST(ProgramFolder, IsTheFolderHoldingTheRunningProgram) {
    InitProgramFolder();
    const std::string folder = ProgramFolder().Bytes();
    SetProgramFolderForTesting(TextValue());
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(
        std::filesystem::equivalent(std::filesystem::path(folder), test::TestProgramFolder()))
        << folder;
}

}  // namespace
}  // namespace lumeno
