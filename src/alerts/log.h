// AppendLog: one time-stamped line at the end of log.txt beside the program.
#pragma once

#include <functional>

#include "text/primitives.h"
#include "text/values.h"

namespace lumeno {

// Appends "Time:" + the local date-time + "  Log:" + message + CR LF to log.txt in the
// program's folder, creating the file when it is missing, then pumps the window's
// messages. A log that cannot be opened loses the line silently: the log is a record,
// never a reason to stop watching.
void AppendLog(const TextValue& message);

// Where the stamp's date and time come from. The default reads the computer's local
// clock; tests put a fixed or stepping clock here. An empty function restores the default.
using LogClock = std::function<DateTime()>;
void SetLogClock(LogClock clock);

// The computer's local date and time, to the whole second.
[[nodiscard]] DateTime LocalDateTime();

}  // namespace lumeno
