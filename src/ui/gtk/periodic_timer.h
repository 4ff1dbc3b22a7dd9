// 时钟1 on GLib: a periodic event with the window timer's rules, as a GLib source.
#pragma once

#include <glib.h>

#include <cstdint>
#include <functional>

namespace lumeno::gtk {

// When the event after `deadline` is due: one period later, or, when the handler ran past
// one or more whole periods, the first period boundary still ahead of `now`. Missed
// periods are skipped, never made up, so events cannot pile up. Microseconds.
[[nodiscard]] std::int64_t NextTimerDeadline(std::int64_t deadline, std::int64_t period,
                                             std::int64_t now);

class PeriodicTimer {
  public:
    explicit PeriodicTimer(std::function<void()> onTick);
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Milliseconds. A negative period counts as 0; the current period does nothing at all;
    // any other period cancels the countdown and, above 0, starts a new one so that the
    // first event comes one full period after the call and the next ones every period.
    //
    // The event is dispatched like a window timer's message: by the main loop, by a pump
    // and by a modal dialog's loop, also while its own handler is still running (at that
    // handler's pump points), but never more than once per elapsed period.
    void SetPeriod(std::int32_t milliseconds);
    [[nodiscard]] std::int32_t Period() const { return periodMs_; }
    // Monotonic µs (g_get_monotonic_time) of the next event; 0 while stopped.
    [[nodiscard]] std::int64_t NextDeadline() const;

  private:
    struct Source;
    static gboolean Dispatch(GSource* source, GSourceFunc, gpointer);
    void Stop();

    std::function<void()> onTick_;
    std::int32_t periodMs_ = 0;
    Source* source_ = nullptr;  // owned: one reference, dropped by Stop()
};

}  // namespace lumeno::gtk
