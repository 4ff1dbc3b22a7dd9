// Where the status rule sends its alerts: the log line and the sound. The program uses
// AppendLog and PlayAlertSound; tests install a recording pair.
#pragma once

#include "text/values.h"

namespace lumeno {

struct AlertSink {
    // Appends one line to the event log; pumps the window's messages before returning.
    void (*appendLog)(const TextValue& message);
    // Starts the opening alert and returns at once.
    void (*playSound)();
};

// AppendLog and PlayAlertSound.
[[nodiscard]] AlertSink DefaultAlertSink();

// The sink the status rule uses now: the default one unless a scope installed another.
[[nodiscard]] AlertSink CurrentAlertSink();

// Installs a sink for the current scope; the previous one comes back at scope end.
class ScopedAlertSink {
  public:
    explicit ScopedAlertSink(AlertSink sink);
    ~ScopedAlertSink();
    ScopedAlertSink(const ScopedAlertSink&) = delete;
    ScopedAlertSink& operator=(const ScopedAlertSink&) = delete;

  private:
    AlertSink previous_;
};

}  // namespace lumeno
