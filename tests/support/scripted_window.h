// ScriptedWindow: the main window as an in-memory test double, with events injected at pump
// points, a virtual clock for the Timer and a log of every operation performed on it.
//
// It starts as the program's window looks after loading: 编辑框1 "1", the five product
// boxes ticked, the buttons' captions, the status boxes empty, the Timer stopped. While it
// exists it is the current window, so PumpMessages() and the core reach it.
//
// Events reach the handlers in `handlers` the way the message queue delivers them:
//   - Post(e) queues e; it is dispatched at the next pump point, or by DispatchPosted()
//     and RunFor() acting as the main message loop, whichever comes first.
//   - PostAtPump(n, e) dispatches e at the n-th PumpMessages() call from now (1 = the next).
//   - Dispatch(e) dispatches e at once, as the main loop would.
// A pump dispatches everything waiting (events that handlers post meanwhile included), each
// to its end, the Timer event last, as a window timer's message has the lowest priority.
//
// The Timer follows the window's rules: a negative period counts as 0; setting the current
// period does nothing at all; any other period cancels the countdown (and a Timer event
// not yet dispatched) and, above 0, starts a new one a full period from the call. When a
// period elapses while a Timer event is pending, no second one is queued.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/values.h"
#include "ui/window.h"

namespace lumeno {

class ScriptedWindow final : public Window {
  public:
    // The handlers the window's events go to; an empty one ignores its event.
    struct Handlers {
        std::function<void()> timer;                    // 时钟1's periodic event
        std::function<void(ControlId)> clicked;         // a button or check box
        std::function<void(ControlId)> contentChanged;  // an edit box, after every set
        std::function<void()> closing;                  // the window will be destroyed
    };

    // Something that happens to the window.
    class Event {
      public:
        // A click. On a check box the tick toggles first, then the clicked event is raised.
        static Event Click(ControlId control);
        // The Timer's periodic event, whatever the Timer's period.
        static Event TimerTick();
        // The user closes the window: the closing event runs, then the window is being
        // destroyed. From then on no control may be touched (see TouchesAfterClose) and
        // clicks and Timer events are dropped.
        static Event Close();
        // Virtual time passes (a slow server, for instance); the Timer may come due.
        static Event Elapse(std::int64_t milliseconds);
        // Any code of the test, run as if it were a handler.
        static Event Run(std::function<void()> code);

      private:
        enum class Kind { Click, TimerTick, Close, Elapse, Run };
        Event(Kind kind, ControlId control, std::int64_t milliseconds, std::function<void()> code)
            : kind_(kind), control_(control), milliseconds_(milliseconds), code_(std::move(code)) {}
        Kind kind_;
        ControlId control_;
        std::int64_t milliseconds_;
        std::function<void()> code_;
        friend class ScriptedWindow;
    };

    enum class OpKind {
        ReadEdit,     // control; text = what was read
        SetEdit,      // control, text
        ReadChecked,  // control, number = 1 or 0
        ReadCaption,  // control; text = what was read
        SetCaption,   // control, text
        SetTimer,     // number = the period asked for, as given
        Notice,       // text, caption
        Browser,      // text = the address
        Note,         // text; a test's own entry (see Note)
    };

    struct Op {
        OpKind kind;
        ControlId control = ControlId::StatusBar1;
        TextValue text;
        TextValue caption;
        std::int32_t number = 0;
        bool afterClose = false;  // performed on a window that was being destroyed
    };

    ScriptedWindow();
    ~ScriptedWindow() override;
    ScriptedWindow(const ScriptedWindow&) = delete;
    ScriptedWindow& operator=(const ScriptedWindow&) = delete;

    Handlers handlers;

    // --- the window contract -------------------------------------------------------------
    [[nodiscard]] TextValue ReadEditText(ControlId box) override;
    void SetEditText(ControlId box, const TextValue& text) override;
    [[nodiscard]] std::int32_t ReadChecked(ControlId box) override;
    [[nodiscard]] TextValue ReadCaption(ControlId button) override;
    void SetCaption(ControlId button, const TextValue& caption) override;
    void SetTimerPeriod(std::int32_t milliseconds) override;
    void PumpMessages() override;
    [[nodiscard]] bool IsAlive() override { return alive_; }
    // Logged; while the box is "open" the events waiting (posted ones and a pending Timer
    // event) are dispatched, as a modal loop does. It is not a pump point.
    void ShowNotice(const TextValue& text, const TextValue& caption) override;
    void OpenInBrowser(const TextValue& url) override;

    // --- events and time -----------------------------------------------------------------
    void Post(Event event);
    void PostAtPump(int n, Event event);
    void Dispatch(Event event);
    // Dispatches everything waiting, as the main loop does between two waits.
    void DispatchPosted();
    // Moves the virtual clock; each period that elapses makes a Timer event pending (at most
    // one). Nothing is dispatched.
    void AdvanceTime(std::int64_t milliseconds);
    // The main message loop for that much virtual time: each Timer event is dispatched when
    // it comes due, with the clock standing at that moment.
    void RunFor(std::int64_t milliseconds);

    // --- looking and arranging, without log entries or events --------------------------
    [[nodiscard]] const TextValue& Text(ControlId control) const;
    [[nodiscard]] bool Ticked(ControlId box) const;
    void Arrange(ControlId control, const TextValue& text);
    void ArrangeTicked(ControlId box, bool ticked);
    [[nodiscard]] std::int32_t TimerPeriod() const { return period_; }
    [[nodiscard]] bool TimerEventPending() const { return timerPending_; }
    // Virtual milliseconds since the window was made.
    [[nodiscard]] std::int64_t Now() const { return now_; }
    // The time the next Timer event comes due, if the Timer runs.
    [[nodiscard]] std::optional<std::int64_t> NextTimerDue() const;
    // PumpMessages() calls so far.
    [[nodiscard]] int PumpCount() const { return pumpCount_; }
    // Property operations performed after the window began to be destroyed.
    [[nodiscard]] int TouchesAfterClose() const { return touchesAfterClose_; }

    // --- the operation log ---------------------------------------------------------------
    [[nodiscard]] const std::vector<Op>& Ops() const { return ops_; }
    [[nodiscard]] std::vector<Op> OpsOf(OpKind kind) const;
    // The log as short lines ("set bq3 <text>", "read q3 1", "note <text>", ...), for
    // comparing whole sequences; texts are the window's own GBK bytes.
    [[nodiscard]] std::vector<std::string> Describe() const;
    void ClearOps() { ops_.clear(); }
    // Adds a test's own entry, so that calls into other doubles (a log line, a sound) can
    // be ordered against the window's operations.
    void Note(const TextValue& text);
    // Off: operations are no longer logged (benchmarks).
    void SetRecording(bool on) { recording_ = on; }

  private:
    struct Control {
        TextValue text;
        bool ticked = false;
    };

    Control& At(ControlId id);
    [[nodiscard]] const Control& At(ControlId id) const;
    // Logs the operation; false when the window is being destroyed.
    bool Record(OpKind kind, ControlId control, const TextValue& text = {},
                const TextValue& caption = {}, std::int32_t number = 0);
    void DispatchOne(Event& event);
    void DrainQueue();

    std::vector<Control> controls_;
    std::vector<Op> ops_;
    std::deque<Event> posted_;
    std::map<int, std::vector<Event>> atPump_;  // by the pump count that releases them
    std::int32_t period_ = 0;
    std::int64_t now_ = 0;
    std::int64_t nextDue_ = 0;
    bool timerPending_ = false;
    bool alive_ = true;
    bool recording_ = true;
    int pumpCount_ = 0;
    int touchesAfterClose_ = 0;
    Window* previous_;
};

// The short name of a control, as Describe() writes it ("bq3", "EditBox1", ...).
[[nodiscard]] std::string_view ControlName(ControlId control);

}  // namespace lumeno
