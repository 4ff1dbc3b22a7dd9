// 时钟1 as a GLib source with a ready time: drift-free periods, missed ones skipped.
#include "ui/gtk/periodic_timer.h"

#include <utility>

namespace lumeno::gtk {

struct PeriodicTimer::Source {
    GSource base;  // first member: GLib allocates and frees the whole struct
    PeriodicTimer* owner;
    std::int64_t deadline;  // monotonic µs of the event being waited for
    std::int64_t period;    // µs
};

std::int64_t NextTimerDeadline(std::int64_t deadline, std::int64_t period, std::int64_t now) {
    std::int64_t next = deadline + period;
    if (next <= now) next += ((now - next) / period + 1) * period;
    return next;
}

PeriodicTimer::PeriodicTimer(std::function<void()> onTick) : onTick_(std::move(onTick)) {}

PeriodicTimer::~PeriodicTimer() {
    Stop();
}

void PeriodicTimer::SetPeriod(std::int32_t milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    if (milliseconds == periodMs_) return;
    Stop();
    periodMs_ = milliseconds;
    if (milliseconds == 0) return;

    // No prepare or check: GLib dispatches the source when its ready time has come.
    static GSourceFuncs funcs = {nullptr, nullptr, &PeriodicTimer::Dispatch,
                                 nullptr, nullptr, nullptr};
    auto* source = reinterpret_cast<Source*>(g_source_new(&funcs, sizeof(Source)));
    source->owner = this;
    source->period = std::int64_t{milliseconds} * 1000;
    source->deadline = g_get_monotonic_time() + source->period;
    g_source_set_name(&source->base, "lumeno timer");
    // A window timer's message is dispatched inside a long handler's pumps too, its own
    // handler included (which drops such a nested check); GLib would hold it back otherwise.
    g_source_set_can_recurse(&source->base, TRUE);
    g_source_set_ready_time(&source->base, source->deadline);
    g_source_attach(&source->base, nullptr);
    source_ = source;
}

std::int64_t PeriodicTimer::NextDeadline() const {
    return source_ ? source_->deadline : 0;
}

void PeriodicTimer::Stop() {
    if (!source_) return;
    // Safe inside the source's own dispatch: GLib holds a reference until it returns.
    g_source_destroy(&source_->base);
    g_source_unref(&source_->base);
    source_ = nullptr;
}

gboolean PeriodicTimer::Dispatch(GSource* base, GSourceFunc, gpointer) {
    auto* source = reinterpret_cast<Source*>(base);
    // The next deadline is set before the handler runs, so a handler that pumps past it
    // sees one event then, not a backlog afterwards.
    source->deadline = NextTimerDeadline(source->deadline, source->period, g_get_monotonic_time());
    g_source_set_ready_time(base, source->deadline);
    // The handler may stop or change the Timer, which destroys this source; nothing of it
    // is touched after the call, and the handler runs from a copy.
    const std::function<void()> onTick = source->owner->onTick_;
    onTick();
    return G_SOURCE_CONTINUE;
}

}  // namespace lumeno::gtk
