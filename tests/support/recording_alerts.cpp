// RecordingAlerts: the log line and the sound, recorded instead of written and played.
#include "support/recording_alerts.h"

#include "text/primitives.h"
#include "ui/pump.h"

namespace lumeno {

RecordingAlerts* RecordingAlerts::active_ = nullptr;

RecordingAlerts::RecordingAlerts(ScriptedWindow* window)
    : previous_(active_), window_(window), scope_(AlertSink{Log, Sound}) {
    active_ = this;
}

RecordingAlerts::~RecordingAlerts() {
    active_ = previous_;
}

void RecordingAlerts::Log(const TextValue& message) {
    RecordingAlerts& self = *active_;
    self.logs_.push_back(message);
    if (self.window_) self.window_->Note(ConcatText({"log ", message}));
    if (self.onLog) self.onLog(message);
    PumpMessages();
}

void RecordingAlerts::Sound() {
    RecordingAlerts& self = *active_;
    ++self.sounds_;
    if (self.window_) self.window_->Note("sound");
}

}  // namespace lumeno
