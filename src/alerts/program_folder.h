// ProgramFolder: the folder of the running program, fixed once at start-up.
#pragma once

#include <string_view>

#include "text/values.h"

namespace lumeno {

// The folder holding the running program, without a trailing separator ("C:" for a
// program at a drive's root, the empty text for one at the root of a POSIX file system).
// On Windows a GBK text; on POSIX the file system's own bytes, used unchanged in paths.
// Empty before InitProgramFolder has run.
[[nodiscard]] const TextValue& ProgramFolder();

// Reads the running program's location once; start-up calls it before anything logs
// or plays.
void InitProgramFolder();

// Puts another folder in place of the program's (tests, benchmarks, helper programs).
void SetProgramFolderForTesting(const TextValue& folder);

// The part of path before its last separator; empty when path has none.
[[nodiscard]] std::string_view FolderOfPath(std::string_view path, char separator);

}  // namespace lumeno
