// RecordingAlerts: an alert sink that keeps every log message and counts the sounds,
// noting both in the scripted window's operation log so their order against the status
// box reads and writes can be checked.
#pragma once

#include <functional>
#include <vector>

#include "monitor/alert_sink.h"
#include "support/scripted_window.h"
#include "text/values.h"

namespace lumeno {

class RecordingAlerts {
  public:
    // Installs itself as the alert sink for its lifetime; notes go to `window` if given.
    explicit RecordingAlerts(ScriptedWindow* window = nullptr);
    ~RecordingAlerts();
    RecordingAlerts(const RecordingAlerts&) = delete;
    RecordingAlerts& operator=(const RecordingAlerts&) = delete;

    [[nodiscard]] const std::vector<TextValue>& Logs() const { return logs_; }
    [[nodiscard]] int Sounds() const { return sounds_; }

    // Runs at each log line after it is recorded and before its pump, so a test can post
    // the events that are to arrive during that line.
    std::function<void(const TextValue& message)> onLog;

  private:
    // Like the real log line, each recorded one ends with a pump of the window's messages.
    static void Log(const TextValue& message);
    static void Sound();
    static RecordingAlerts* active_;

    RecordingAlerts* previous_;
    ScriptedWindow* window_;
    std::vector<TextValue> logs_;
    int sounds_ = 0;
    ScopedAlertSink scope_;
};

}  // namespace lumeno
