// Reading the stock document: the token removals, the split and the key walk that fill the
// five flags, and where the parsing lets other events run.
#include "monitor/stock_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "http/request.h"
#include "monitor/stock_globals.h"
#include "monitor_test_support.h"
#include "reply_port.h"
#include "support/scripted_window.h"
#include "text/primitives.h"

namespace lumeno {
namespace {

class StockDocumentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ReleaseStockGlobals();
        StockUrl = kTestStockUrl;
    }
    void TearDown() override { ReleaseStockGlobals(); }

    ReplyPort port_;
};

std::vector<std::string> Members() {
    std::vector<std::string> out;
    for (std::int32_t i = 1; i <= TextArrayCount(StockItems); ++i) {
        out.emplace_back(StockItems.Member(i).View());
    }
    return out;
}

TEST_F(StockDocumentTest, TheStoreReplyGivesOneValuePerProduct) {
    const std::string reply =
        "{\"code\":0,\"data\":{\"qorvi3td\":true,\"qorvi2s\":false,\"kessa\":true,"
        "\"dianyuan\":false,\"hezi\": true}}";
    EXPECT_EQ(RemoveStockTokens(reply),
              TextValue("code:0,qorvi3td:true,qorvi2s:false,kessa:true,dianyuan:false,hezi: true"));

    port_.Serve(reply);
    RefreshStockFlags();

    EXPECT_EQ(port_.Requests(), 1);
    EXPECT_TRUE(port_.LastVerbAbsent());  // a plain GET
    EXPECT_EQ(port_.LastObject(), "/misc/get2014nianstock");
    EXPECT_EQ(Members(), (std::vector<std::string>{"code:0", "qorvi3td:true", "qorvi2s:false",
                                                   "kessa:true", "dianyuan:false", "hezi: true"}));
    EXPECT_EQ(CurrentFlags(), (Flags{"true", "false", "true", "false", "true"}));
}

struct ParseCase {
    const char* name;
    std::string reply;
    Flags want;  // after a first reply that set the flags to a, b, c, d, e
    int members;
};

TEST_F(StockDocumentTest, RepliesOfEveryShape) {
    const std::string kEarlier = "qorvi3td:a,qorvi2s:b,kessa:c,dianyuan:d,hezi:e";
    const std::optional<std::string> a = "a", b = "b", c = "c", d = "d", e = "e", none;
    const ParseCase cases[] = {
        {"an empty reply keeps every flag", "", {a, b, c, d, e}, 0},
        {"a missing key keeps its flag", "{\"hezi\":true}", {a, b, c, d, "true"}, 1},
        {"the later of two members decides", "hezi:true,hezi:false", {a, b, c, d, "false"}, 2},
        {"spaces in the value are dropped", "{\"hezi\":\"tr ue\"}", {a, b, c, d, "true"}, 1},
        {"a space before the colon keeps the key",
         "{\"hezi\" :true}",
         {a, b, c, d, "hezi:true"},
         1},
        {"a line break stays in the last value",
         "{\"hezi\":true}\r\n",
         {a, b, c, d, "true\r\n"},
         1},
        {"a tab is not a space", "hezi:\ttrue", {a, b, c, d, "\ttrue"}, 1},
        {"keys match case-sensitively", "{\"HEZI\":true}", {a, b, c, d, e}, 1},
        {"values are kept as written", "hezi:TRUE", {a, b, c, d, "TRUE"}, 1},
        {"a key inside a longer name matches", "xhezi:true", {a, b, c, d, "xtrue"}, 1},
        {"data: goes wherever it stands", "{\"hezi\":\"trdata:ue\"}", {a, b, c, d, "true"}, 1},
        {"data: is removed after the quotes", "hezi:tr\"da\"ta:ue", {a, b, c, d, "true"}, 1},
        {"what a removal joins is not scanned again",
         "hezi:datdata:a:true",
         {a, b, c, d, "data:true"},
         1},
        {"the key is removed every time it occurs", "hezi:hezi:true", {a, b, c, d, "true"}, 1},
        {"empty members match nothing", ",hezi:true,,kessa:false,", {a, b, "false", d, "true"}, 4},
        {"a reply cut inside a value",
         "{\"qorvi3td\":false,\"hezi\":tr",
         {"false", b, c, d, "tr"},
         2},
        {"one member carrying two keys sets both",
         "kessa:1hezi:2",
         {a, b, "1hezi:2", d, "kessa:12"},
         1},
        {"an empty value leaves the flag absent", "hezi: ,kessa:", {a, b, none, d, none}, 2},
        {"a key without its colon", "hezi=true", {a, b, c, d, "hezi=true"}, 1},
        {"the reply ends at its first zero byte",
         std::string("hezi:true\0,kessa:x", 18),
         {a, b, c, d, "true"},
         1},
        {"a double-byte character keeps a brace as its second byte",
         "hezi:\x81\x7B",
         {a, b, c, d, "\x81\x7B"},
         1},
    };
    for (const ParseCase& t : cases) {
        SCOPED_TRACE(t.name);
        ReleaseStockGlobals();
        StockUrl = kTestStockUrl;
        port_.Serve(kEarlier);
        port_.Serve(t.reply);
        RefreshStockFlags();
        RefreshStockFlags();
        EXPECT_EQ(CurrentFlags(), t.want);
        EXPECT_EQ(TextArrayCount(StockItems), t.members);
    }
}

TEST_F(StockDocumentTest, FlagsStayAbsentUntilAReplyCarriesTheirKey) {
    port_.Serve("{\"hezi\":false}");
    port_.Fail();
    RefreshStockFlags();
    EXPECT_EQ(CurrentFlags(),
              (Flags{std::nullopt, std::nullopt, std::nullopt, std::nullopt, "false"}));
    // A failed exchange reads as an empty document: no members, every flag kept.
    RefreshStockFlags();
    EXPECT_EQ(TextArrayCount(StockItems), 0);
    EXPECT_EQ(CurrentFlags(),
              (Flags{std::nullopt, std::nullopt, std::nullopt, std::nullopt, "false"}));
}

TEST_F(StockDocumentTest, PumpsAfterTheRemovalsAfterEveryMemberAndAfterTheWalk) {
    ScriptedWindow window;
    port_.Serve("x");
    (void)HttpRequestText(StockUrl);
    const int exchangePumps = window.PumpCount();
    port_.Serve("{\"hezi\":1}");
    const int before = window.PumpCount();
    EXPECT_EQ(FetchStockDocument(), TextValue("hezi:1"));
    EXPECT_EQ(window.PumpCount() - before, exchangePumps + 1);

    // At the pump after member i, members 1 to i have set their flags and no later one has.
    std::vector<Flags> seen;
    auto look = ScriptedWindow::Event::Run([&] { seen.push_back(CurrentFlags()); });
    for (int n = 1; n <= 4; ++n) window.PostAtPump(n, look);
    ApplyStockDocument("hezi:1,hezi:2,kessa:3");
    const std::optional<std::string> none;
    EXPECT_EQ(seen, (std::vector<Flags>{{none, none, none, none, "1"},
                                        {none, none, none, none, "2"},
                                        {none, none, "3", none, "2"},
                                        {none, none, "3", none, "2"}}));
    EXPECT_EQ(window.PumpCount() - before - exchangePumps - 1, 4);
}

}  // namespace
}  // namespace lumeno
