// The window's event handlers on the scripted window: greeting, start and stop, the
// interval guard, unticking, the sale page, the hidden log button and closing.
#include "ui/handlers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "alerts/program_folder.h"
#include "monitor/stock_globals.h"
#include "support/scripted_window.h"
#include "text/primitives.h"
#include "ui/store_hosts.h"

namespace lumeno {
namespace {

using Op = ScriptedWindow::OpKind;
using Event = ScriptedWindow::Event;

constexpr ControlId kStatusBoxes[] = {ControlId::bq3, ControlId::bq2, ControlId::bks, ControlId::bdy,
                                      ControlId::bhz};

// The scripted window wired to the real handlers, as a front-end wires its toolkit.
class HandlersTest : public ::testing::Test {
protected:
    HandlersTest() {
        window.handlers.clicked = OnControlClicked;
        window.handlers.contentChanged = OnContentChanged;
        window.handlers.closing = OnWindowClosing;
        // Counting ticks instead of checking the store keeps these tests about the handlers.
        window.handlers.timer = [this] { ++ticks; };
    }

    void ExpectAllStatuses(const TextValue& text) {
        for (ControlId box : kStatusBoxes) EXPECT_EQ(window.Text(box), text) << ControlName(box);
    }

    ScriptedWindow window;
    int ticks = 0;
};

TEST_F(HandlersTest, CreationSetsTheEndpointThenGreetsThenResets) {
    StockUrl = TextValue();
    OnWindowCreated();
    EXPECT_EQ(StockUrl, ConcatText({"http://", OrderHost(), "/misc/get2014nianstock"}));

    const auto notices = window.OpsOf(Op::Notice);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, TextValue("本软件仅个人爱好编写,请勿用于商业运作!"));
    EXPECT_EQ(notices[0].caption, TextValue("温情提示"));
    ExpectAllStatuses("待检测");

    // The notice comes before any status box is written.
    const auto& ops = window.Ops();
    std::size_t noticeAt = 0, firstSet = ops.size();
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].kind == Op::Notice) noticeAt = i;
        if (ops[i].kind == Op::SetEdit && firstSet == ops.size()) firstSet = i;
    }
    EXPECT_LT(noticeAt, firstSet);
}

TEST_F(HandlersTest, StartArmsTheTimerAndStopResetsAndDisarms) {
    window.Arrange(ControlId::EditBox1, "5");
    window.Dispatch(Event::Click(ControlId::Button1));
    EXPECT_EQ(window.Text(ControlId::Button1), TextValue("停止检测"));
    EXPECT_EQ(window.TimerPeriod(), 5000);

    // The first check comes a full interval after the start, then every interval.
    window.RunFor(4999);
    EXPECT_EQ(ticks, 0);
    window.RunFor(1);
    EXPECT_EQ(ticks, 1);
    window.RunFor(10000);
    EXPECT_EQ(ticks, 3);

    window.Arrange(ControlId::bq3, "已开放购买");
    window.Dispatch(Event::Click(ControlId::Button1));
    EXPECT_EQ(window.Text(ControlId::Button1), TextValue("抢购检测"));
    EXPECT_EQ(window.TimerPeriod(), 0);
    ExpectAllStatuses("待检测");
    window.RunFor(60000);
    EXPECT_EQ(ticks, 3);
}

TEST_F(HandlersTest, ClickWithIntervalBelowOneDoesNothing) {
    for (const char* interval : {"0", "-4", "", "abc"}) {
        SCOPED_TRACE(interval);
        window.Arrange(ControlId::EditBox1, interval);
        window.ClearOps();
        const int pumps = window.PumpCount();
        OnStartStopClicked();
        EXPECT_TRUE(window.OpsOf(Op::SetCaption).empty());
        EXPECT_TRUE(window.OpsOf(Op::SetTimer).empty());
        EXPECT_TRUE(window.OpsOf(Op::SetEdit).empty());
        EXPECT_EQ(window.PumpCount(), pumps);  // not even the closing pump
    }
    EXPECT_EQ(window.Text(ControlId::Button1), TextValue("抢购检测"));
}

TEST_F(HandlersTest, StartStopEndsWithAPump) {
    const int pumps = window.PumpCount();
    OnStartStopClicked();
    EXPECT_EQ(window.PumpCount(), pumps + 1);
    OnStartStopClicked();
    EXPECT_EQ(window.PumpCount(), pumps + 2);
}

TEST_F(HandlersTest, AnyCaptionOtherThanStartMeansStop) {
    window.Arrange(ControlId::Button1, "something else");
    OnStartStopClicked();
    EXPECT_EQ(window.Text(ControlId::Button1), TextValue("抢购检测"));
    ExpectAllStatuses("待检测");
}

TEST_F(HandlersTest, IntervalBelowOneIsPutBackToOneWithOneNotice) {
    // Deleting the "1": the box reads empty.
    window.SetEditText(ControlId::EditBox1, TextValue());
    EXPECT_EQ(window.Text(ControlId::EditBox1), TextValue("1"));
    const auto notices = window.OpsOf(Op::Notice);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, TextValue("时间最小为1秒不能再小了..~! 感谢支持~"));
    EXPECT_EQ(notices[0].caption, TextValue("温情提示"));

    // A valid interval is left alone and shows nothing.
    window.ClearOps();
    window.SetEditText(ControlId::EditBox1, "7");
    EXPECT_TRUE(window.OpsOf(Op::Notice).empty());
    EXPECT_EQ(window.Text(ControlId::EditBox1), TextValue("7"));

    for (const char* bad : {"-", "0", "-3", "x"}) {
        window.ClearOps();
        window.SetEditText(ControlId::EditBox1, bad);
        EXPECT_EQ(window.Text(ControlId::EditBox1), TextValue("1")) << bad;
        EXPECT_EQ(window.OpsOf(Op::Notice).size(), 1u) << bad;
    }
}

TEST_F(HandlersTest, ChangingTheIntervalWhileRunningKeepsThePeriod) {
    window.Arrange(ControlId::EditBox1, "2");
    OnStartStopClicked();
    window.SetEditText(ControlId::EditBox1, "9");
    EXPECT_EQ(window.TimerPeriod(), 2000);
    window.RunFor(4000);
    EXPECT_EQ(ticks, 2);
}

TEST_F(HandlersTest, UntickingMarksTheRowNotMonitoredAndTickingAgainKeepsIt) {
    const struct {
        ControlId check, status;
    } rows[] = {{ControlId::q3, ControlId::bq3},
                {ControlId::q2s, ControlId::bq2},
                {ControlId::ks, ControlId::bks},
                {ControlId::dy, ControlId::bdy},
                {ControlId::hz, ControlId::bhz}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(ControlName(row.check)));
        window.Arrange(row.status, "未开放购买");
        window.Dispatch(Event::Click(row.check));
        EXPECT_FALSE(window.Ticked(row.check));
        EXPECT_EQ(window.Text(row.status), TextValue("未开启检测"));
        window.Dispatch(Event::Click(row.check));
        EXPECT_TRUE(window.Ticked(row.check));
        EXPECT_EQ(window.Text(row.status), TextValue("未开启检测"));
    }
    // Only the unticked row's own box was written.
    window.ClearOps();
    window.Dispatch(Event::Click(ControlId::ks));
    const auto sets = window.OpsOf(Op::SetEdit);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].control, ControlId::bks);
}

TEST_F(HandlersTest, SalePageOpensInTheBrowser) {
    window.Dispatch(Event::Click(ControlId::Button3));
    const auto opens = window.OpsOf(Op::Browser);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].text, ConcatText({"http://", SiteHost(), "/c/chunjie/#Main"}));
}

TEST_F(HandlersTest, HiddenButtonAppendsOneAaaLine) {
    const auto folder = std::filesystem::temp_directory_path() / "lumeno-handlers-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    SetProgramFolderForTesting(TextValue(folder.string()));

    const int pumps = window.PumpCount();
    window.Dispatch(Event::Click(ControlId::Button2));
    EXPECT_GE(window.PumpCount(), pumps + 1);

    std::ifstream in(folder / "log.txt", std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(log.rfind("Time:", 0), 0u) << log;
    EXPECT_NE(log.find("  Log:aaa\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("\r\n"), log.size() - 2);  // exactly one line
    in.close();
    std::filesystem::remove_all(folder);
}

TEST_F(HandlersTest, ClosingWhileRunningStopsTheTimer) {
    OnStartStopClicked();
    ASSERT_EQ(window.TimerPeriod(), 1000);
    window.Dispatch(Event::Close());
    EXPECT_EQ(window.TimerPeriod(), 0);
    window.RunFor(10000);
    EXPECT_EQ(ticks, 0);
}

TEST(TimerPeriodFor, ScalesAndClampsToThe32BitTimer) {
    const struct {
        std::int32_t seconds, period;
    } cases[] = {
        {1, 1000},
        {5, 5000},
        {2147483, 2147483000},
        {2147484, std::numeric_limits<std::int32_t>::max()},
        {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()},
        {0, 0},
        {-5, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TimerPeriodFor(c.seconds), c.period) << c.seconds;
}

}  // namespace
}  // namespace lumeno
