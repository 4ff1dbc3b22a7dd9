// What the alert tests need from the platform: child programs, open-file checks, locks.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lumeno::test {

// Runs program with args, waits for it, and returns its exit code (-1 if it could not run).
int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args);

// The folder holding this test program (its helpers sit beside it).
std::filesystem::path TestProgramFolder();

// ".exe" on Windows, nothing elsewhere.
std::string ExecutableSuffix();

// True while this process holds a handle or descriptor open on file.
bool IsOpenInThisProcess(const std::filesystem::path& file);

// An open of file that shares nothing with other openers, held until destroyed.
class ExclusiveHold {
  public:
    virtual ~ExclusiveHold() = default;
};
// Null on platforms where opens cannot exclude each other (POSIX).
std::unique_ptr<ExclusiveHold> HoldExclusively(const std::filesystem::path& file);

// Makes file read-only; false when that would not stop this process writing it (root).
bool MakeReadOnly(const std::filesystem::path& file);

}  // namespace lumeno::test
