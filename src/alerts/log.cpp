// AppendLog: builds the line; log_file_<platform>.cpp puts it at the end of log.txt.
#include "alerts/log.h"

#include "alerts/log_file.h"
#include "ui/pump.h"

namespace lumeno {

namespace {
LogClock& Clock() {
    static LogClock clock;  // GUI thread only
    return clock;
}
}  // namespace

void SetLogClock(LogClock clock) {
    Clock() = std::move(clock);
}

void AppendLog(const TextValue& message) {
    const DateTime now = Clock() ? Clock()() : LocalDateTime();
    const TextValue line = ConcatText({"Time:", ToText(now), "  Log:", message, "\r\n"});
    AppendLineToLogFile(line.View());
    // Only now, with the file closed again: a handler run from here may log in turn.
    PumpMessages();
}

}  // namespace lumeno
