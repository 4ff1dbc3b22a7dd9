// The check cycle on the scripted window: what one tick does, what events arriving at its
// pump points do to it, and the three ways a tick could go wrong when they do.
#include "monitor/check_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_document.h"
#include "monitor/stock_globals.h"
#include "monitor_test_support.h"
#include "reply_port.h"
#include "support/recording_alerts.h"
#include "support/scripted_window.h"
#include "text/primitives.h"

namespace lumeno {
namespace {

using Event = ScriptedWindow::Event;

// The status box of a check box's row.
ControlId StatusBoxOf(ControlId checkBox) {
    for (const ProductRow& row : ProductTable) {
        if (row.checkBox == checkBox) return row.statusBox;
    }
    return checkBox;
}

// Wires a scripted window the way the program does: the Timer runs the check, a check box
// that is unticked shows "未开启检测" at once, and closing stops the Timer.
void WireLikeTheProgram(ScriptedWindow& window) {
    window.handlers.timer = OnTimerTick;
    window.handlers.clicked = [&window](ControlId control) {
        const ControlId box = StatusBoxOf(control);
        if (box != control && window.ReadChecked(control) != 1) {
            window.SetEditText(box, "未开启检测");
        }
    };
    window.handlers.closing = [&window] { window.SetTimerPeriod(0); };
}

std::vector<std::string> StatusTexts(const ScriptedWindow& window) {
    std::vector<std::string> out;
    for (const ProductRow& row : ProductTable) out.emplace_back(window.Text(row.statusBox).View());
    return out;
}

const std::string kNotWatched = "未开启检测", kClosed = "未开放购买", kOpen = "已开放购买";

class CheckCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ReleaseStockGlobals();
        StockUrl = kTestStockUrl;
        WireLikeTheProgram(window_);
        ResetStatuses();
        window_.ClearOps();
    }
    void TearDown() override { ReleaseStockGlobals(); }

    // One tick on an all-closed reply, so that every ticked row shows "未开放购买".
    void Baseline() {
        port_.Serve(StockReply(false, false, false, false, false));
        OnTimerTick();
        window_.ClearOps();
    }

    int Count(ScriptedWindow::OpKind kind) const {
        return static_cast<int>(window_.OpsOf(kind).size());
    }

    ScriptedWindow window_;
    ReplyPort port_;
    RecordingAlerts alerts_{&window_};
};

TEST_F(CheckCycleTest, WithNoRowTickedTheDocumentIsStillReadAndNoBoxChanges) {
    for (const ProductRow& row : ProductTable) window_.Dispatch(Event::Click(row.checkBox));
    window_.ClearOps();
    port_.Serve(StockReply(true, true, true, true, true));
    OnTimerTick();
    EXPECT_EQ(port_.Requests(), 1);
    EXPECT_EQ(CurrentFlags(), (Flags{"true", "true", "true", "true", "true"}));
    EXPECT_EQ(Count(ScriptedWindow::OpKind::SetEdit), 0);
    EXPECT_EQ(Count(ScriptedWindow::OpKind::ReadChecked), 5);
    EXPECT_EQ(StatusTexts(window_), std::vector<std::string>(5, kNotWatched));
}

TEST_F(CheckCycleTest, AFailedFetchRewritesTheKnownStatesWithoutALogLine) {
    // No reply carries row 4's key; row 1 opens on the second one.
    port_.Serve("{\"qorvi3td\":false,\"qorvi2s\":false,\"kessa\":true,\"hezi\":false}");
    port_.Serve("{\"qorvi3td\":true,\"qorvi2s\":false,\"kessa\":true,\"hezi\":false}");
    OnTimerTick();
    OnTimerTick();
    ASSERT_EQ(alerts_.Logs(), std::vector<TextValue>{"Qorvi3 TD版 开放购买!"});
    window_.ClearOps();

    port_.Fail();
    OnTimerTick();
    EXPECT_EQ(alerts_.Logs().size(), 1u);
    EXPECT_EQ(alerts_.Sounds(), 1);
    EXPECT_EQ(TextArrayCount(StockItems), 0);
    EXPECT_EQ(Count(ScriptedWindow::OpKind::SetEdit), 5);
    EXPECT_EQ(StatusTexts(window_),
              (std::vector<std::string>{kOpen, kClosed, kOpen, kClosed, kClosed}));
}

TEST_F(CheckCycleTest, TheFirstTickAfterAStartOnlySetsTheBaseline) {
    // Row 5 was unticked and ticked again: it shows "未开启检测", the others "待检测".
    window_.Dispatch(Event::Click(ControlId::hz));
    window_.Dispatch(Event::Click(ControlId::hz));
    ASSERT_EQ(window_.Text(ControlId::bhz), TextValue(kNotWatched));

    port_.Serve(StockReply(true, true, true, true, true));
    OnTimerTick();
    EXPECT_TRUE(alerts_.Logs().empty());
    EXPECT_EQ(alerts_.Sounds(), 0);
    EXPECT_EQ(StatusTexts(window_), std::vector<std::string>(5, kOpen));

    // The baseline was set: the next change is reported.
    port_.Serve(StockReply(true, true, true, true, false));
    OnTimerTick();
    EXPECT_EQ(alerts_.Logs(), std::vector<TextValue>{"Qorvi盒子 关闭购买!"});
}

TEST_F(CheckCycleTest, ARowTickedDuringTheFetchIsCheckedInTheSameTick) {
    window_.Dispatch(Event::Click(ControlId::hz));
    window_.PostAtPump(1, Event::Click(ControlId::hz));  // the exchange's first pump
    port_.Serve(StockReply(false, false, false, false, true));
    OnTimerTick();
    EXPECT_TRUE(window_.Ticked(ControlId::hz));
    EXPECT_EQ(window_.Text(ControlId::bhz), TextValue(kOpen));
}

TEST_F(CheckCycleTest, ARowUntickedBeforeItsTurnKeepsNotWatched) {
    Baseline();
    // Row 1 opens; while its log line is written the user unticks row 3.
    alerts_.onLog = [this](const TextValue&) { window_.Post(Event::Click(ControlId::ks)); };
    port_.Serve(StockReply(true, false, true, false, false));
    OnTimerTick();
    EXPECT_EQ(alerts_.Logs(), std::vector<TextValue>{"Qorvi3 TD版 开放购买!"});
    EXPECT_EQ(StatusTexts(window_),
              (std::vector<std::string>{kOpen, kClosed, kNotWatched, kClosed, kClosed}));
}

TEST_F(CheckCycleTest, AStopDuringATickStillWritesTheRowsItReachesAfterTheReset) {
    Baseline();
    alerts_.onLog = [this](const TextValue&) {
        window_.Post(Event::Run([this] {
            ResetStatuses();
            window_.SetTimerPeriod(0);
        }));
    };
    port_.Serve(StockReply(true, false, false, false, true));
    OnTimerTick();
    // Row 1 opens and its log line runs the stop; the reset comes first, then row 1 and the
    // rows after it are written from this tick's document. Row 5's opening is not reported:
    // after the reset its box showed "待检测".
    EXPECT_EQ(alerts_.Logs(), std::vector<TextValue>{"Qorvi3 TD版 开放购买!"});
    EXPECT_EQ(StatusTexts(window_),
              (std::vector<std::string>{kOpen, kClosed, kClosed, kClosed, kOpen}));
}

// --- hazards: events arriving inside a running check ---------------------------------------

TEST_F(CheckCycleTest, TimerEventsArrivingDuringACheckAreDropped) {
    Baseline();
    // One at the first pump (inside the exchange), one at the fifth (later in reading the
    // document), one inside the log line of an opening;
    // each would otherwise run a whole check inside this one and log the opening twice.
    window_.PostAtPump(1, Event::TimerTick());
    window_.PostAtPump(5, Event::TimerTick());
    alerts_.onLog = [this](const TextValue&) { window_.Post(Event::TimerTick()); };
    port_.Serve(StockReply(true, false, false, false, false));
    port_.Serve(StockReply(false, false, false, false, false));
    OnTimerTick();
    EXPECT_EQ(port_.Requests(), 2);  // the baseline and this one
    EXPECT_EQ(alerts_.Logs(), std::vector<TextValue>{"Qorvi3 TD版 开放购买!"});
    EXPECT_EQ(alerts_.Sounds(), 1);
    EXPECT_EQ(window_.Text(ControlId::bq3), TextValue(kOpen));
    EXPECT_FALSE(CheckInProgress());

    alerts_.onLog = nullptr;
    window_.Dispatch(Event::TimerTick());  // the next Timer event checks again
    EXPECT_EQ(port_.Requests(), 3);
    EXPECT_EQ(window_.Text(ControlId::bq3), TextValue(kClosed));
}

TEST_F(CheckCycleTest, AStoreSlowerThanThePeriodNeverStacksChecks) {
    int depth = 0, deepest = 0, checks = 0;
    window_.handlers.timer = [&] {
        deepest = std::max(deepest, ++depth);
        OnTimerTick();
        --depth;
    };
    // Every exchange takes 2.5 periods of the 1 s Timer.
    port_.onRequest = [&] {
        ++checks;
        window_.Post(Event::Elapse(2500));
    };
    window_.SetTimerPeriod(1000);
    window_.RunFor(10000);
    // Checks start at 1 s, 4 s, 7 s and 10 s: the Timer event that came due during each
    // was dropped, and the next check began at the Timer's next beat.
    EXPECT_EQ(checks, 4);
    EXPECT_EQ(deepest, 2);
    EXPECT_FALSE(CheckInProgress());
}

TEST_F(CheckCycleTest, AWalkStopsWhenARefreshInsideItReplacesTheMembers) {
    // A refresh run at the pump after member 2 brings a newer, shorter document. The outer
    // walk must neither index past its single member nor overwrite the newer values.
    window_.PostAtPump(2, Event::Run(RefreshStockFlags));
    port_.Serve("{\"kessa\":\"new\"}");
    ApplyStockDocument("qorvi3td:a,qorvi2s:b,kessa:c,dianyuan:d,hezi:e");
    EXPECT_EQ(TextArrayCount(StockItems), 1);
    EXPECT_EQ(StockItems.Member(1), TextValue("kessa:new"));
    EXPECT_EQ(CurrentFlags(), (Flags{"a", "b", "new", std::nullopt, std::nullopt}));
}

TEST_F(CheckCycleTest, AWindowClosedAtAnyPumpPointEndsTheTickUntouched) {
    // A tick in which every row opens, so every log line adds a pump point.
    auto arrange = [](ScriptedWindow& window) {
        WireLikeTheProgram(window);
        for (const ProductRow& row : ProductTable) window.Arrange(row.statusBox, kClosed);
        ReleaseStockGlobals();
        StockUrl = kTestStockUrl;
    };
    int pumpsInATick = 0;
    {
        ScriptedWindow window;
        RecordingAlerts alerts(&window);
        arrange(window);
        port_.Serve(StockReply(true, true, true, true, true));
        OnTimerTick();
        pumpsInATick = window.PumpCount();
        ASSERT_EQ(alerts.Logs().size(), 5u);
    }
    ASSERT_GT(pumpsInATick, 5 + 6 + 2);  // log lines, members, removals and walk end

    for (int n = 1; n <= pumpsInATick; ++n) {
        SCOPED_TRACE("closed at pump point " + std::to_string(n));
        ScriptedWindow window;
        RecordingAlerts alerts(&window);
        arrange(window);
        window.PostAtPump(n, Event::Close());
        port_.Serve(StockReply(true, true, true, true, true));
        OnTimerTick();
        EXPECT_FALSE(window.IsAlive());
        EXPECT_EQ(window.TouchesAfterClose(), 0);
        EXPECT_LE(alerts.Logs().size(), 5u);
        EXPECT_FALSE(CheckInProgress());
    }

    // A Timer event that still arrives after the window has gone checks nothing.
    const int requests = port_.Requests();
    window_.Dispatch(Event::Close());
    OnTimerTick();
    EXPECT_EQ(port_.Requests(), requests);
    EXPECT_EQ(window_.TouchesAfterClose(), 0);
}

}  // namespace
}  // namespace lumeno
