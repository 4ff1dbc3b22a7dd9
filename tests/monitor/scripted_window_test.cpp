// The scripted window keeps the real window's rules, which the check cycle's tests (and
// the handlers' tests) rely on: the Timer's period rules, event order at pump points, the
// click and content-changed events, and what closing does.
#include "support/scripted_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/pump.h"

namespace lumeno {
namespace {

using Event = ScriptedWindow::Event;

struct TimerCase {
    const char* name;
    std::function<void(ScriptedWindow&)> steps;
    std::vector<std::int64_t> ticksAt;  // virtual times of the Timer events dispatched
};

TEST(ScriptedWindowTimer, FollowsTheWindowTimerRules) {
    const TimerCase cases[] = {
        {"a period gives one event per period, the first a full period after the call",
         [](ScriptedWindow& w) {
             w.AdvanceTime(250);
             w.SetTimerPeriod(1000);
             w.RunFor(3300);
         },
         {1250, 2250, 3250}},
        {"setting the current period again does not restart the countdown",
         [](ScriptedWindow& w) {
             w.SetTimerPeriod(1000);
             w.RunFor(600);
             w.SetTimerPeriod(1000);
             w.RunFor(1000);
         },
         {1000}},
        {"another period restarts the countdown from the call",
         [](ScriptedWindow& w) {
             w.SetTimerPeriod(1000);
             w.RunFor(600);
             w.SetTimerPeriod(2000);
             w.RunFor(2600);
         },
         {2600}},
        {"a negative period counts as 0 and stops the Timer",
         [](ScriptedWindow& w) {
             w.SetTimerPeriod(1000);
             w.RunFor(1500);
             w.SetTimerPeriod(-5);
             w.RunFor(5000);
         },
         {1000}},
        {"periods elapsing while an event is pending queue no second one",
         [](ScriptedWindow& w) {
             w.SetTimerPeriod(1000);
             w.AdvanceTime(3500);
             w.DispatchPosted();
             w.RunFor(600);
         },
         {3500, 4000}},
        {"stopping the Timer drops the event not yet dispatched",
         [](ScriptedWindow& w) {
             w.SetTimerPeriod(1000);
             w.AdvanceTime(1000);
             w.SetTimerPeriod(0);
             w.DispatchPosted();
         },
         {}},
        {"the Timer event comes after the other waiting events, at a pump point too",
         [](ScriptedWindow& w) {
             w.SetTimerPeriod(100);
             w.AdvanceTime(100);
             w.Post(Event::Elapse(50));
             PumpMessages();
         },
         {150}},
    };
    for (const TimerCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedWindow window;
        std::vector<std::int64_t> ticks;
        window.handlers.timer = [&] { ticks.push_back(window.Now()); };
        c.steps(window);
        EXPECT_EQ(ticks, c.ticksAt);
    }
}

TEST(ScriptedWindowEvents, ArriveAtTheirPumpPointInOrder) {
    ScriptedWindow window;
    std::vector<std::string> seen;
    window.handlers.clicked = [&](ControlId c) {
        seen.push_back(std::string(ControlName(c)) + (window.Ticked(c) ? " 1" : " 0"));
    };
    window.handlers.timer = [&] { seen.push_back("timer"); };
    window.PostAtPump(2, Event::Click(ControlId::ks));  // a tick toggles before its event
    window.PostAtPump(2, Event::TimerTick());
    window.PostAtPump(
        1, Event::Run([&] {
            seen.push_back("run");
            window.Post(Event::Click(ControlId::Button1));  // posted by a handler: same pump
        }));
    PumpMessages();
    EXPECT_EQ(seen, (std::vector<std::string>{"run", "Button1 0"}));
    PumpMessages();
    EXPECT_EQ(seen, (std::vector<std::string>{"run", "Button1 0", "ks 0", "timer"}));
    EXPECT_FALSE(window.Ticked(ControlId::ks));
    EXPECT_EQ(window.PumpCount(), 2);
}

TEST(ScriptedWindowEvents, SettingAnEditBoxRaisesContentChangedOnceBeforeReturning) {
    ScriptedWindow window;
    std::vector<std::string> seen;
    window.handlers.contentChanged = [&](ControlId box) {
        seen.push_back(std::string(ControlName(box)) + " " + std::string(window.Text(box).View()));
    };
    window.SetEditText(ControlId::EditBox1, "1");  // unchanged: raised all the same
    window.SetEditText(ControlId::bq3, "x");
    EXPECT_EQ(seen, (std::vector<std::string>{"EditBox1 1", "bq3 x"}));
    EXPECT_FALSE(window.ReadEditText(ControlId::bhz).IsPresent());  // empty reads as absent
}

TEST(ScriptedWindowEvents, StartsAsTheLoadedWindow) {
    ScriptedWindow window;
    EXPECT_EQ(window.ReadEditText(ControlId::EditBox1), TextValue("1"));
    EXPECT_EQ(window.ReadCaption(ControlId::Button1), TextValue("抢购检测"));
    for (ControlId box :
         {ControlId::q3, ControlId::q2s, ControlId::ks, ControlId::dy, ControlId::hz}) {
        EXPECT_EQ(window.ReadChecked(box), 1) << ControlName(box);
    }
    EXPECT_EQ(window.TimerPeriod(), 0);
    EXPECT_EQ(CurrentWindow(), &window);
}

TEST(ScriptedWindowEvents, AClosedWindowTakesNoEventsAndCountsEveryTouch) {
    ScriptedWindow window;
    int clicks = 0, ticks = 0;
    window.handlers.clicked = [&](ControlId) { ++clicks; };
    window.handlers.timer = [&] { ++ticks; };
    window.handlers.closing = [&] { window.SetTimerPeriod(0); };  // still allowed here
    window.SetTimerPeriod(1000);
    window.Post(Event::Close());
    window.Post(Event::Click(ControlId::Button1));
    window.RunFor(3000);
    EXPECT_FALSE(window.IsAlive());
    EXPECT_EQ(clicks + ticks, 0);
    EXPECT_EQ(window.TouchesAfterClose(), 0);
    (void)window.ReadChecked(ControlId::q3);
    window.SetEditText(ControlId::bq3, "x");
    EXPECT_EQ(window.TouchesAfterClose(), 2);
    EXPECT_TRUE(window.Text(ControlId::bq3).IsEmpty());
}

}  // namespace
}  // namespace lumeno
