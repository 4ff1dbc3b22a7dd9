// The alert sink: the real log and sound unless a test installed its own pair.
#include "monitor/alert_sink.h"

#include "alerts/log.h"
#include "alerts/sound.h"

namespace lumeno {

namespace {

void DefaultAppendLog(const TextValue& message) {
    AppendLog(message);
}
void DefaultPlaySound() {
    PlayAlertSound();
}

AlertSink g_sink{DefaultAppendLog, DefaultPlaySound};  // GUI thread only

}  // namespace

AlertSink DefaultAlertSink() {
    return {DefaultAppendLog, DefaultPlaySound};
}

AlertSink CurrentAlertSink() {
    return g_sink;
}

ScopedAlertSink::ScopedAlertSink(AlertSink sink) : previous_(g_sink) {
    g_sink = sink;
}

ScopedAlertSink::~ScopedAlertSink() {
    g_sink = previous_;
}

}  // namespace lumeno
