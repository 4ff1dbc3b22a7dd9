// The product status rule: every transition of a status box, with its log line and sound,
// in the order the box is read, the alerts raised and the box written; and the reset.
#include "monitor/status_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/product_table.h"
#include "monitor/stock_globals.h"
#include "support/recording_alerts.h"
#include "support/scripted_window.h"

namespace lumeno {
namespace {

std::string Read(const char* box, const std::string& text) {
    return std::string("read ") + box + " " + text;
}
std::string Set(const char* box, const std::string& text) {
    return std::string("set ") + box + " " + text;
}
std::string Log(const std::string& message) {
    return "note log " + message;
}
const std::string kSound = "note sound";

class StatusRuleTest : public ::testing::Test {
  protected:
    void SetUp() override { ReleaseStockGlobals(); }
    void TearDown() override { ReleaseStockGlobals(); }

    ScriptedWindow window_;
    RecordingAlerts alerts_{&window_};
};

struct Transition {
    const char* shown;  // the status box before the check
    TextValue flag;
    std::vector<std::string> want;  // the box read, the alerts, the box written
};

TEST_F(StatusRuleTest, EveryTransitionOfTheFirstRow) {
    const std::string waiting = "待检测", notWatched = "未开启检测", closed = "未开放购买",
                      open = "已开放购买";
    const std::string opens = "Qorvi3 TD版 开放购买!", closes = "Qorvi3 TD版 关闭购买!";
    const Transition cases[] = {
        {"待检测", "true", {Read("bq3", waiting), Set("bq3", open)}},
        {"待检测", "false", {Read("bq3", waiting), Set("bq3", closed)}},
        {"未开启检测", "true", {Read("bq3", notWatched), Set("bq3", open)}},
        {"未开启检测", "false", {Read("bq3", notWatched), Set("bq3", closed)}},
        {"未开放购买", "true", {Read("bq3", closed), Log(opens), kSound, Set("bq3", open)}},
        {"未开放购买", "false", {Read("bq3", closed), Set("bq3", closed)}},
        {"已开放购买", "true", {Read("bq3", open), Set("bq3", open)}},
        {"已开放购买", "false", {Read("bq3", open), Log(closes), Set("bq3", closed)}},
        {"其他", "true", {Read("bq3", "其他"), Set("bq3", open)}},
        {"其他", "false", {Read("bq3", "其他"), Set("bq3", closed)}},
        {"", "true", {Read("bq3", ""), Set("bq3", open)}},
        // Only exactly "true" is open; everything else closes an open product.
        {"已开放购买", TextValue(), {Read("bq3", open), Log(closes), Set("bq3", closed)}},
        {"已开放购买", "TRUE", {Read("bq3", open), Log(closes), Set("bq3", closed)}},
        {"已开放购买", "True", {Read("bq3", open), Log(closes), Set("bq3", closed)}},
        {"已开放购买", "true\r\n", {Read("bq3", open), Log(closes), Set("bq3", closed)}},
        {"未开放购买", TextValue(), {Read("bq3", closed), Set("bq3", closed)}},
        {"未开放购买", "true ", {Read("bq3", closed), Set("bq3", closed)}},
    };
    int logs = 0, sounds = 0;
    for (const Transition& t : cases) {
        SCOPED_TRACE(std::string(t.shown) + " / " + std::string(t.flag.View()));
        window_.Arrange(ControlId::bq3, t.shown);
        StockFlagOf(1) = t.flag;
        window_.ClearOps();
        UpdateProductStatus(ProductTable[0]);
        EXPECT_EQ(window_.Describe(), t.want);
        for (const std::string& op : t.want) {
            logs += op.rfind("note log ", 0) == 0;
            sounds += op == kSound;
        }
        EXPECT_EQ(static_cast<int>(alerts_.Logs().size()), logs);
        EXPECT_EQ(alerts_.Sounds(), sounds);
    }
}

struct RowCase {
    ControlId checkBox;
    const char* checkText;
    const char* box;
    const char* key;
    const char* opens;
    const char* closes;
};

TEST_F(StatusRuleTest, EachRowUsesItsOwnControlsFlagAndMessages) {
    const RowCase rows[] = {
        {ControlId::q3, "Qorvi3 TD版", "bq3", "qorvi3td", "Qorvi3 TD版 开放购买!",
         "Qorvi3 TD版 关闭购买!"},
        {ControlId::q2s, "Qorvi2S", "bq2", "qorvi2s", "Qorvi2s 开放购买!", "Qorvi2s 关闭购买!"},
        {ControlId::ks, "Kessa", "bks", "kessa", "Kessa 开放购买!", "Kessa 关闭购买!"},
        {ControlId::dy, "电源", "bdy", "dianyuan", "电源 开放购买!", "电源 关闭购买!"},
        {ControlId::hz, "盒子", "bhz", "hezi", "Qorvi盒子 开放购买!", "Qorvi盒子 关闭购买!"},
    };
    for (std::size_t i = 0; i < kProductCount; ++i) {
        const RowCase& want = rows[i];
        const ProductRow& row = ProductTable[i];
        SCOPED_TRACE(want.box);
        EXPECT_EQ(row.row, static_cast<int>(i) + 1);
        EXPECT_EQ(row.checkBox, want.checkBox);
        EXPECT_EQ(std::string(row.checkText), want.checkText);
        EXPECT_EQ(ControlName(row.statusBox), want.box);
        EXPECT_EQ(std::string(row.replyKey), want.key);

        for (const ProductRow& other : ProductTable) window_.Arrange(other.statusBox, "未开放购买");
        // The other rows' flags always say the opposite, so reading one of them shows.
        for (TextValue& flag : StockFlag) flag = "false";
        StockFlagOf(row.row) = "true";
        window_.ClearOps();
        UpdateProductStatus(row);
        for (TextValue& flag : StockFlag) flag = "true";
        StockFlagOf(row.row) = "false";
        UpdateProductStatus(row);
        EXPECT_EQ(window_.Describe(), (std::vector<std::string>{
                                          Read(want.box, "未开放购买"), Log(want.opens), kSound,
                                          Set(want.box, "已开放购买"), Read(want.box, "已开放购买"),
                                          Log(want.closes), Set(want.box, "未开放购买")}));
    }
}

TEST_F(StatusRuleTest, ResetShowsWaitingInEveryBoxInItsOrder) {
    window_.ArrangeTicked(ControlId::ks, false);
    window_.Arrange(ControlId::bks, "未开启检测");
    window_.Arrange(ControlId::bq3, "已开放购买");
    ResetStatuses();
    EXPECT_EQ(
        window_.Describe(),
        (std::vector<std::string>{Set("bq2", "待检测"), Set("bq3", "待检测"), Set("bks", "待检测"),
                                  Set("bdy", "待检测"), Set("bhz", "待检测")}));
}

TEST_F(StatusRuleTest, NothingIsTouchedWithoutALiveWindow) {
    StockFlagOf(1) = "true";
    window_.Arrange(ControlId::bq3, "未开放购买");
    window_.Dispatch(ScriptedWindow::Event::Close());
    UpdateProductStatus(ProductTable[0]);
    ResetStatuses();
    EXPECT_EQ(window_.TouchesAfterClose(), 0);
    EXPECT_TRUE(alerts_.Logs().empty());

    SetCurrentWindow(nullptr);  // and with no window at all
    UpdateProductStatus(ProductTable[0]);
    ResetStatuses();
    EXPECT_TRUE(alerts_.Logs().empty());
    EXPECT_EQ(alerts_.Sounds(), 0);
}

}  // namespace
}  // namespace lumeno
