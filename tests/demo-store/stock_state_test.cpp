// The stock endpoint's state without sockets: the demo cycle's timing, scenario steps and
// their counts, and products switched by hand.
#include "stock_state.h"

#include <gtest/gtest.h>

#include "stock_document.h"
#include "test_support.h"

namespace lumeno::demo_store {
namespace {

using std::chrono::milliseconds;
using testing::MustParse;

std::string Bits(const ProductStates& states) {
    std::string out;
    for (const bool open : states) out += open ? '1' : '0';
    return out;
}

ProductStates FromBits(std::string_view bits) {
    ProductStates states{};
    for (std::size_t i = 0; i < kProductCount; ++i) states[i] = bits[i] == '1';
    return states;
}

TEST(StockDocument, HasTheStoreShapeAndKeyOrder) {
    EXPECT_EQ(RenderStockDocument(FromBits("10100")),
              R"({"code":0,"data":{"qorvi3td":true,"qorvi2s":false,"kessa":true,)"
              R"("dianyuan":false,"hezi":false}})");
}

struct CycleCase {
    long long elapsed_ms;
    long long period_ms;
    const char* bits;
};

class DemoCycle : public ::testing::TestWithParam<CycleCase> {};

TEST_P(DemoCycle, OpensOneProductInTheSecondHalf) {
    const auto& c = GetParam();
    EXPECT_EQ(Bits(DemoCycleStates(milliseconds(c.elapsed_ms), milliseconds(c.period_ms))), c.bits)
        << "at " << c.elapsed_ms << " ms of a " << c.period_ms << " ms cycle";
}

INSTANTIATE_TEST_SUITE_P(
    Moments, DemoCycle,
    ::testing::Values(CycleCase{0, 6000, "00000"}, CycleCase{2999, 6000, "00000"},
                      CycleCase{3000, 6000, "10000"}, CycleCase{5999, 6000, "10000"},
                      CycleCase{6000, 6000, "00000"}, CycleCase{9000, 6000, "01000"},
                      CycleCase{27000, 6000, "00001"},
                      CycleCase{33000, 6000, "10000"},  // round again
                      CycleCase{2, 5, "00000"},         // odd: 3 ms closed
                      CycleCase{3, 5, "10000"}, CycleCase{100, 0, "00000"}));

// A clock the test moves by hand.
struct FakeClock {
    std::chrono::steady_clock::time_point now{};
    StockState::Clock Function() {
        return [this] { return now; };
    }
};

TEST(StockStateDemo, SwitchedProductHoldsAcrossCyclesUntilHandedBack) {
    FakeClock clock;
    StockState stock(milliseconds(6000), clock.Function());
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("00000")));

    ASSERT_EQ(stock.SetProduct(4, true), StockState::Outcome::kOk);
    ASSERT_EQ(stock.SetProduct(0, false), StockState::Outcome::kOk);
    clock.now += milliseconds(3000);  // qorvi3td's open half, but it is switched closed
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("00001")));
    clock.now += milliseconds(24000);  // hezi's own open half, then its closed half
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("00001")));
    clock.now += milliseconds(3000);
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("00001")));

    ASSERT_EQ(stock.SetProduct(4, std::nullopt), StockState::Outcome::kOk);
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("00000")));
    EXPECT_NE(stock.Describe().find("stock_requests=5\n"), std::string::npos) << stock.Describe();
}

TEST(StockStateDemo, HasNoStepsToMove) {
    StockState stock(milliseconds(6000));
    EXPECT_EQ(stock.NextStep(), StockState::Outcome::kNoScenario);
    EXPECT_EQ(stock.JumpToStep(0), StockState::Outcome::kNoScenario);
}

TEST(StockStateScenario, StepsAnswerTheirCountAndTheLastRepeats) {
    StockState stock(MustParse("step 2\nbody a\nstep\nbody b\nstep\nbody c\n"));
    std::string bodies;
    for (int i = 0; i < 6; ++i) bodies += stock.TakeReply().body;
    EXPECT_EQ(bodies, "aabccc");
    const auto state = stock.Describe();
    EXPECT_NE(state.find("step=2\nsteps=3\nstep_served=3\nreply=body\nstock_requests=6\n"),
              std::string::npos)
        << state;
}

TEST(StockStateScenario, JsonContentTypeUnlessTheStepGivesOne) {
    StockState stock(
        MustParse("step\nheader X-A: 1\nstep\nheader content-type: text/x\nstep\nraw x"));
    const std::vector<Header> json_first = {{"Content-Type", "application/json"}, {"X-A", "1"}};
    EXPECT_EQ(stock.TakeReply().headers, json_first);
    const std::vector<Header> own = {{"content-type", "text/x"}};
    EXPECT_EQ(stock.TakeReply().headers, own);
    const auto raw = stock.TakeReply();
    EXPECT_TRUE(raw.headers.empty());
    EXPECT_EQ(raw.raw, "x");
}

TEST(StockStateScenario, SwitchesApplyToProductsStepsAndEndWithTheStep) {
    StockState stock(MustParse("step 2\nproducts 10000\nstep\nproducts 00000\nstep\nbody fixed\n"));
    ASSERT_EQ(stock.SetProduct(2, true), StockState::Outcome::kOk);
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("10100")));
    EXPECT_NE(stock.Describe().find("kessa=open\ndianyuan=closed\nhezi=closed\nswitched=kessa\n"),
              std::string::npos)
        << stock.Describe();
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("10100")));
    // Step 1 took over after two requests: its own states, the switch gone.
    EXPECT_EQ(stock.TakeReply().body, RenderStockDocument(FromBits("00000")));
    EXPECT_EQ(stock.SetProduct(0, true), StockState::Outcome::kFixedReply);
    EXPECT_NE(stock.Describe().find("hezi=n/a\nswitched=none\n"), std::string::npos);
}

TEST(StockStateScenario, JumpsAndNextStartTheStepAfresh) {
    StockState stock(MustParse("step 2\nbody a\nstep 2\nbody b\nstep\nbody c\n"));
    EXPECT_EQ(stock.TakeReply().body, "a");
    ASSERT_EQ(stock.NextStep(), StockState::Outcome::kOk);
    EXPECT_EQ(stock.TakeReply().body, "b");
    ASSERT_EQ(stock.JumpToStep(1), StockState::Outcome::kOk);  // count starts again
    EXPECT_EQ(stock.TakeReply().body, "b");
    EXPECT_EQ(stock.TakeReply().body, "b");
    EXPECT_EQ(stock.TakeReply().body, "c");
    EXPECT_EQ(stock.NextStep(), StockState::Outcome::kLastStep);
    EXPECT_EQ(stock.JumpToStep(3), StockState::Outcome::kNoSuchStep);
    ASSERT_EQ(stock.JumpToStep(0), StockState::Outcome::kOk);
    EXPECT_EQ(stock.TakeReply().body, "a");
}

}  // namespace
}  // namespace lumeno::demo_store
