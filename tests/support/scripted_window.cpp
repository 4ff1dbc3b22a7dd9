// ScriptedWindow: controls in memory, events at pump points, a virtual clock for the Timer.
#include "support/scripted_window.h"

#include <gtest/gtest.h>

#include <utility>

#include "text/storage.h"

namespace lumeno {

namespace {

enum class ControlKind { StatusBar, EditBox, Label, Button, Timer, CheckBox, HtmlViewer };

struct ControlInfo {
    std::string_view name;
    ControlKind kind;
    const char* initial;  // the text or caption at load; check boxes start ticked
};

// In creation order, as ControlId numbers them.
constexpr ControlInfo kControls[kControlCount] = {
    {"StatusBar1", ControlKind::StatusBar, "本软件获取数据仅供参考"},
    {"EditBox1", ControlKind::EditBox, "1"},
    {"Label1", ControlKind::Label, "监控间隔       秒"},
    {"Button3", ControlKind::Button, "打开春节特供页面"},
    {"Timer1", ControlKind::Timer, ""},
    {"dy", ControlKind::CheckBox, "电源"},
    {"hz", ControlKind::CheckBox, "盒子"},
    {"ks", ControlKind::CheckBox, "Kessa"},
    {"q2s", ControlKind::CheckBox, "Qorvi2S"},
    {"q3", ControlKind::CheckBox, "Qorvi3 TD版"},
    {"bhz", ControlKind::EditBox, ""},
    {"bdy", ControlKind::EditBox, ""},
    {"bq2", ControlKind::EditBox, ""},
    {"bq3", ControlKind::EditBox, ""},
    {"bks", ControlKind::EditBox, ""},
    {"HtmlViewer1", ControlKind::HtmlViewer, ""},
    {"Button2", ControlKind::Button, "按钮"},
    {"Button1", ControlKind::Button, "抢购检测"},
};

const ControlInfo& Info(ControlId id) {
    return kControls[static_cast<int>(id)];
}

// A property operation on the wrong kind of control is a fault of the code under test.
void ExpectKind(ControlId id, ControlKind kind, const char* operation) {
    if (Info(id).kind != kind) {
        ADD_FAILURE() << operation << " on " << Info(id).name << ", a control of another kind";
    }
}

}  // namespace

std::string_view ControlName(ControlId control) {
    return Info(control).name;
}

// --- events ------------------------------------------------------------------------------

ScriptedWindow::Event ScriptedWindow::Event::Click(ControlId control) {
    return Event(Kind::Click, control, 0, {});
}
ScriptedWindow::Event ScriptedWindow::Event::TimerTick() {
    return Event(Kind::TimerTick, ControlId::Timer1, 0, {});
}
ScriptedWindow::Event ScriptedWindow::Event::Close() {
    return Event(Kind::Close, ControlId::StatusBar1, 0, {});
}
ScriptedWindow::Event ScriptedWindow::Event::Elapse(std::int64_t milliseconds) {
    return Event(Kind::Elapse, ControlId::Timer1, milliseconds, {});
}
ScriptedWindow::Event ScriptedWindow::Event::Run(std::function<void()> code) {
    return Event(Kind::Run, ControlId::StatusBar1, 0, std::move(code));
}

// --- life --------------------------------------------------------------------------------

ScriptedWindow::ScriptedWindow() : controls_(kControlCount), previous_(CurrentWindow()) {
    for (int i = 0; i < kControlCount; ++i) {
        controls_[static_cast<std::size_t>(i)].text = MakeText(kControls[i].initial);
        controls_[static_cast<std::size_t>(i)].ticked = kControls[i].kind == ControlKind::CheckBox;
    }
    SetCurrentWindow(this);
}

ScriptedWindow::~ScriptedWindow() {
    if (CurrentWindow() == this) SetCurrentWindow(previous_);
}

ScriptedWindow::Control& ScriptedWindow::At(ControlId id) {
    return controls_[static_cast<std::size_t>(id)];
}
const ScriptedWindow::Control& ScriptedWindow::At(ControlId id) const {
    return controls_[static_cast<std::size_t>(id)];
}

bool ScriptedWindow::Record(OpKind kind, ControlId control, const TextValue& text,
                            const TextValue& caption, std::int32_t number) {
    const bool afterClose = !alive_;
    if (afterClose && kind != OpKind::Note) ++touchesAfterClose_;
    if (recording_) ops_.push_back(Op{kind, control, text, caption, number, afterClose});
    return alive_;
}

// --- the window contract -----------------------------------------------------------------

TextValue ScriptedWindow::ReadEditText(ControlId box) {
    ExpectKind(box, ControlKind::EditBox, "ReadEditText");
    TextValue text = alive_ ? MakeText(At(box).text.View()) : TextValue();
    Record(OpKind::ReadEdit, box, text);
    return text;
}

void ScriptedWindow::SetEditText(ControlId box, const TextValue& text) {
    ExpectKind(box, ControlKind::EditBox, "SetEditText");
    if (!Record(OpKind::SetEdit, box, text)) return;
    At(box).text = MakeText(text.View());
    if (handlers.contentChanged) handlers.contentChanged(box);
}

std::int32_t ScriptedWindow::ReadChecked(ControlId box) {
    ExpectKind(box, ControlKind::CheckBox, "ReadChecked");
    const std::int32_t ticked = alive_ && At(box).ticked ? 1 : 0;
    Record(OpKind::ReadChecked, box, {}, {}, ticked);
    return ticked;
}

TextValue ScriptedWindow::ReadCaption(ControlId button) {
    ExpectKind(button, ControlKind::Button, "ReadCaption");
    TextValue caption = alive_ ? MakeText(At(button).text.View()) : TextValue();
    Record(OpKind::ReadCaption, button, caption);
    return caption;
}

void ScriptedWindow::SetCaption(ControlId button, const TextValue& caption) {
    ExpectKind(button, ControlKind::Button, "SetCaption");
    if (!Record(OpKind::SetCaption, button, caption)) return;
    At(button).text = MakeText(caption.View());
}

void ScriptedWindow::SetTimerPeriod(std::int32_t milliseconds) {
    if (!Record(OpKind::SetTimer, ControlId::Timer1, {}, {}, milliseconds)) return;
    const std::int32_t period = milliseconds < 0 ? 0 : milliseconds;
    if (period == period_) return;
    period_ = period;
    timerPending_ = false;
    nextDue_ = now_ + period_;
}

void ScriptedWindow::PumpMessages() {
    ++pumpCount_;
    if (auto due = atPump_.find(pumpCount_); due != atPump_.end()) {
        for (Event& event : due->second) posted_.push_back(std::move(event));
        atPump_.erase(due);
    }
    DrainQueue();
}

void ScriptedWindow::ShowNotice(const TextValue& text, const TextValue& caption) {
    if (!Record(OpKind::Notice, ControlId::StatusBar1, text, caption)) return;
    DrainQueue();
}

void ScriptedWindow::OpenInBrowser(const TextValue& url) {
    Record(OpKind::Browser, ControlId::StatusBar1, url);
}

// --- events and time ---------------------------------------------------------------------

void ScriptedWindow::Post(Event event) {
    posted_.push_back(std::move(event));
}

void ScriptedWindow::PostAtPump(int n, Event event) {
    if (n < 1) {
        ADD_FAILURE() << "PostAtPump needs n >= 1, got " << n;
        return;
    }
    atPump_[pumpCount_ + n].push_back(std::move(event));
}

void ScriptedWindow::Dispatch(Event event) {
    DispatchOne(event);
}

void ScriptedWindow::DispatchPosted() {
    DrainQueue();
}

void ScriptedWindow::DrainQueue() {
    for (;;) {
        if (!posted_.empty()) {
            Event event = std::move(posted_.front());
            posted_.pop_front();
            DispatchOne(event);
        } else if (timerPending_) {
            timerPending_ = false;
            if (alive_ && handlers.timer) handlers.timer();
        } else {
            return;
        }
    }
}

void ScriptedWindow::DispatchOne(Event& event) {
    using Kind = Event::Kind;
    if (!alive_ && event.kind_ != Kind::Run && event.kind_ != Kind::Elapse) return;
    switch (event.kind_) {
        case Kind::Click:
            if (Info(event.control_).kind == ControlKind::CheckBox) {
                At(event.control_).ticked = !At(event.control_).ticked;
            }
            if (handlers.clicked) handlers.clicked(event.control_);
            break;
        case Kind::TimerTick:
            if (handlers.timer) handlers.timer();
            break;
        case Kind::Close:
            if (handlers.closing) handlers.closing();
            alive_ = false;
            period_ = 0;
            timerPending_ = false;
            break;
        case Kind::Elapse:
            AdvanceTime(event.milliseconds_);
            break;
        case Kind::Run:
            if (event.code_) event.code_();
            break;
    }
}

void ScriptedWindow::AdvanceTime(std::int64_t milliseconds) {
    const std::int64_t until = now_ + (milliseconds > 0 ? milliseconds : 0);
    if (period_ > 0 && nextDue_ <= until) {
        // However many periods went by, one Timer event waits; the countdown keeps its phase.
        timerPending_ = true;
        nextDue_ += ((until - nextDue_) / period_ + 1) * period_;
    }
    now_ = until;
}

void ScriptedWindow::RunFor(std::int64_t milliseconds) {
    const std::int64_t until = now_ + (milliseconds > 0 ? milliseconds : 0);
    DrainQueue();
    while (alive_ && period_ > 0 && nextDue_ <= until) {
        AdvanceTime(nextDue_ - now_);
        DrainQueue();
    }
    if (now_ < until) AdvanceTime(until - now_);
}

std::optional<std::int64_t> ScriptedWindow::NextTimerDue() const {
    if (period_ <= 0) return std::nullopt;
    return nextDue_;
}

// --- looking and arranging ---------------------------------------------------------------

const TextValue& ScriptedWindow::Text(ControlId control) const {
    return At(control).text;
}

bool ScriptedWindow::Ticked(ControlId box) const {
    return At(box).ticked;
}

void ScriptedWindow::Arrange(ControlId control, const TextValue& text) {
    At(control).text = MakeText(text.View());
}

void ScriptedWindow::ArrangeTicked(ControlId box, bool ticked) {
    ExpectKind(box, ControlKind::CheckBox, "ArrangeTicked");
    At(box).ticked = ticked;
}

// --- the operation log -------------------------------------------------------------------

std::vector<ScriptedWindow::Op> ScriptedWindow::OpsOf(OpKind kind) const {
    std::vector<Op> out;
    for (const Op& op : ops_) {
        if (op.kind == kind) out.push_back(op);
    }
    return out;
}

void ScriptedWindow::Note(const TextValue& text) {
    Record(OpKind::Note, ControlId::StatusBar1, text);
}

std::vector<std::string> ScriptedWindow::Describe() const {
    std::vector<std::string> out;
    for (const Op& op : ops_) {
        std::string line = op.afterClose ? "closed! " : "";
        const std::string name(ControlName(op.control));
        switch (op.kind) {
            case OpKind::ReadEdit:
                line += "read " + name + " ";
                line += op.text.View();
                break;
            case OpKind::SetEdit:
                line += "set " + name + " ";
                line += op.text.View();
                break;
            case OpKind::ReadChecked:
                line += "checked " + name + " " + std::to_string(op.number);
                break;
            case OpKind::ReadCaption:
                line += "read-caption " + name + " ";
                line += op.text.View();
                break;
            case OpKind::SetCaption:
                line += "set-caption " + name + " ";
                line += op.text.View();
                break;
            case OpKind::SetTimer:
                line += "timer " + std::to_string(op.number);
                break;
            case OpKind::Notice:
                line += "notice ";
                line += op.text.View();
                line += " | ";
                line += op.caption.View();
                break;
            case OpKind::Browser:
                line += "browser ";
                line += op.text.View();
                break;
            case OpKind::Note:
                line += "note ";
                line += op.text.View();
                break;
        }
        out.push_back(std::move(line));
    }
    return out;
}

}  // namespace lumeno
