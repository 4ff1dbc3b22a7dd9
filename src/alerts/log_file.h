// The platform's half of AppendLog: adding bytes at the true end of log.txt.
#pragma once

#include <string_view>

namespace lumeno {

// Opens log.txt in the program's folder (creating it empty when nothing of that name
// exists), shared for reading and writing with other programs, writes line at the end of
// the file with a single write, and closes it before returning. Every failure is silent.
//
// The end is the file's real end at the moment of the write, found by the file system
// rather than by reading the file: the cost does not grow with the log, and two programs
// appending at once each land whole lines, one after the other.
void AppendLineToLogFile(std::string_view line);

}  // namespace lumeno
