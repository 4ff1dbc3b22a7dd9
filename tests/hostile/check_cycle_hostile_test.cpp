// The check cycle against hostile and broken stores, through the real curl back-end on
// loopback: the demo-store program playing scenario steps, and a misbehaving server of the
// tests' own for what a scenario cannot express.
//
// Every case runs three Timer ticks on the scripted window: a good reply (kessa open) sets
// the baseline; the hostile exchange must then end within the back-end's timeouts, keep the
// program's memory bounded, and leave the flags, the status boxes and the log exactly as
// they were (a broken store is not a closed product); a good reply after it (hezi opens)
// must be read as usual, proving that nothing of the broken exchange is left behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "demo_store_process.h"
#include "hostile_server.h"
#include "monitor/check_cycle.h"
#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_globals.h"
#include "process_memory.h"
#include "support/loopback_server.h"
#include "support/recording_alerts.h"
#include "support/scripted_window.h"

namespace lumeno {
namespace {

using harness::DemoStoreProcess;
using harness::HostileServer;
using namespace std::chrono_literals;

// The curl back-end gives a transfer up after 10 s without a byte (and a connection after
// 5 s). A hostile exchange may hold the check that long, and not much longer, also when it
// keeps a trickle of bytes coming: every Timer event meanwhile is dropped, so a held check
// is a store that is no longer watched.
constexpr auto kStallTimeout = 10s;
constexpr auto kSlack = 5s;
// "Well below" the gigabyte a hostile store may offer: the request routine keeps 1 MiB at
// most, and the sanitizers' bookkeeping needs room on top of it.
constexpr std::uint64_t kMemoryBound = 256ull << 20;

const std::string kBaselineDocument =
    R"({"code":0,"data":{"qorvi3td":false,"qorvi2s":false,"kessa":true,"dianyuan":false,"hezi":false}})";
const std::string kRecoveredDocument =
    R"({"code":0,"data":{"qorvi3td":false,"qorvi2s":false,"kessa":true,"dianyuan":false,"hezi":true}})";

// --- the cases -----------------------------------------------------------------------------

enum class Store { DemoStep, OwnServer, Refused };

struct HostileCase {
    std::string name;
    Store store;
    std::string step;                                 // DemoStep: the hostile scenario step
    std::function<HostileServer::Behaviour()> serve;  // OwnServer: the misbehaviour
    std::chrono::milliseconds bound = kStallTimeout + kSlack;
    int minPumps = 0;  // the window's turns the hostile tick must give at least
};

// gtest names a failing case by this, instead of dumping the struct's bytes.
void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

std::string Base64(const std::string& bytes) {
    static const char* const kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

// 4 KiB of random bytes (zero bytes, commas, colons and GBK lead bytes among them) in which
// no product key happens to stand.
std::string RandomBody() {
    std::mt19937 random(2014);
    std::string body(4096, '\0');
    for (char& c : body) c = static_cast<char>(random() & 0xFF);
    for (const std::string key : {"qorvi3td", "qorvi2s", "kessa", "dianyuan", "hezi"}) {
        for (auto at = body.find(key); at != std::string::npos; at = body.find(key)) body[at] = '#';
    }
    return body;
}

std::string HundredKilobyteHeaders() {
    std::string step = "header Set-Cookie: SESSIONID=hostile; path=/\n";
    for (int i = 0; i < 1000; ++i) {
        step += "header X-Padding-" + std::to_string(i) + ": " + std::string(90, 'p') + "\n";
    }
    return step + "products 00100\n";  // the baseline's document behind it
}

std::vector<HostileCase> Cases() {
    return {
        {"ConnectionRefused", Store::Refused, "", {}, 2s},
        {"ResetInsideTheBody", Store::OwnServer, "",
         [] { return harness::ResetInsideBody("<html>" + std::string(3000, 'r')); }, 5s},
        {"AcceptsAndNeverAnswers", Store::OwnServer, "", [] { return harness::NeverAnswer(); }},
        {"BodyDripsOneBytePerSecond", Store::OwnServer, "",
         [] { return harness::DripBody("<<<", 1s); }, kStallTimeout + kSlack, 4},
        // A store that keeps sending, slowly, never stalls long enough for the stall timeout:
        // the body, or header lines (while the window gets no turn at all).
        {"BodyTricklesForTwentySeconds", Store::OwnServer, "",
         [] { return harness::DripBody(std::string(20, '<'), 1s); }},
        {"HeaderLinesTrickleForTwentySeconds", Store::OwnServer, "",
         [] { return harness::TrickleHeaderLines(20, 1s); }},
        {"OneGigabyteBody", Store::OwnServer, "",
         [] { return harness::StreamHugeBody(1ull << 30, 384ull << 20); }, 30s},
        // Within the body bound, but every comma is a member of the document to keep.
        {"EightMegabytesOfCommas", Store::OwnServer, "",
         [] { return harness::Answer(harness::HttpReply("200 OK", std::string(8 << 20, ','))); },
         kStallTimeout + kSlack},
        {"HundredKilobyteHeaderBlock", Store::DemoStep, HundredKilobyteHeaders(), {}, 5s},
        {"RedirectLoop",
         Store::DemoStep,
         "status 302\nheader Location: /misc/get2014nianstock\nbody <html>moved</html>\n",
         {},
         5s},
        {"ServerErrorPage",
         Store::DemoStep,
         "status 500\nheader Content-Type: text/html\n"
         "body <html><head><title>500 Internal Server Error</title></head><body>\\r\\n"
         "<h1>Internal Server Error</h1><p>code:0, data: none, true</p></body></html>\\r\\n\n",
         {},
         5s},
        {"RandomBytes", Store::DemoStep, "body64 " + Base64(RandomBody()) + "\n", {}, 5s},
        {"NotHttpAtAll", Store::DemoStep, "raw SSH-2.0-OpenSSH_9.2\\r\\n\n", {}, 5s},
    };
}

// The store of one case: what its next stock request gets is chosen phase by phase.
class CaseStore {
  public:
    explicit CaseStore(const HostileCase& c) : case_(c) {
        if (c.store == Store::DemoStep) {
            // Each step answers up to 1000 requests: only the test moves from one to the next.
            demo_.emplace("step 1000\nproducts 00100\nstep 1000\n" + c.step +
                          "step 1000\nproducts 00101\n");
        } else {
            own_.emplace();
        }
    }

    // Points StockUrl at the store and makes it answer the next request with the baseline
    // (0), the hostile exchange (1) or the recovered document (2). False when the demo
    // store refused to change its step.
    [[nodiscard]] bool Phase(int phase) {
        if (demo_) {
            StockUrl = demo_->StockUrl();
            return demo_->SelectStep(phase);
        }
        if (phase == 1 && case_.store == Store::Refused) {
            StockUrl = "http://127.0.0.1:" + std::to_string(RefusedLoopbackPort()) +
                       "/misc/get2014nianstock";
            return true;
        }
        own_->Serve(phase == 0 ? harness::Answer(harness::HttpReply("200 OK", kBaselineDocument))
                    : phase == 1
                        ? case_.serve()
                        : harness::Answer(harness::HttpReply("200 OK", kRecoveredDocument)));
        StockUrl = own_->StockUrl();
        return true;
    }

  private:
    const HostileCase& case_;
    std::optional<DemoStoreProcess> demo_;
    std::optional<HostileServer> own_;
};

// --- the test ------------------------------------------------------------------------------

std::vector<std::string> Statuses(const ScriptedWindow& window) {
    std::vector<std::string> out;
    for (const ProductRow& row : ProductTable) out.emplace_back(window.Text(row.statusBox).View());
    return out;
}

std::vector<std::string> Flags() {
    std::vector<std::string> out;
    for (const TextValue& flag : StockFlag) out.emplace_back(flag.View());
    return out;
}

class CheckCycleAgainstHostileStore : public ::testing::TestWithParam<HostileCase> {
  protected:
    void SetUp() override {
        ReleaseStockGlobals();
        window.SetRecording(false);
        window.handlers.timer = OnTimerTick;
        ResetStatuses();
    }
    void TearDown() override { ReleaseStockGlobals(); }

    void Tick() { window.Dispatch(ScriptedWindow::Event::TimerTick()); }

    const std::string open = kStatusOpen, closed = kStatusClosed;
    ScriptedWindow window;
    RecordingAlerts alerts;
};

TEST_P(CheckCycleAgainstHostileStore, KeepsTheLastKnownStatesThenReadsTheNextReply) {
    const HostileCase& c = GetParam();
    CaseStore store(c);

    ASSERT_TRUE(store.Phase(0));
    Tick();
    const std::vector<std::string> baseline = {closed, closed, open, closed, closed};
    ASSERT_EQ(Statuses(window), baseline) << "the good reply before the hostile one";
    const std::vector<std::string> flags = Flags();

    ASSERT_TRUE(store.Phase(1));
    harness::ResetPeakResident();
    const std::uint64_t peakBefore = harness::PeakResidentBytes();
    const int pumpsBefore = window.PumpCount();
    const auto start = std::chrono::steady_clock::now();
    Tick();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const std::uint64_t grown = harness::PeakResidentBytes() - peakBefore;
    std::printf("hostile: %s took %lld ms, peak resident +%llu KiB, %d pumps\n", c.name.c_str(),
                static_cast<long long>(took.count()), static_cast<unsigned long long>(grown >> 10),
                window.PumpCount() - pumpsBefore);

    EXPECT_LE(took, c.bound) << "the hostile exchange held the check";
    EXPECT_LT(grown, kMemoryBound) << "peak resident memory grew by " << (grown >> 20) << " MiB";
    EXPECT_GE(window.PumpCount() - pumpsBefore, c.minPumps) << "the window lost its turns";
    EXPECT_EQ(Flags(), flags);
    EXPECT_EQ(Statuses(window), baseline);
    EXPECT_TRUE(alerts.Logs().empty());
    EXPECT_EQ(alerts.Sounds(), 0);
    EXPECT_FALSE(CheckInProgress());

    ASSERT_TRUE(store.Phase(2));
    Tick();
    EXPECT_EQ(Statuses(window), (std::vector<std::string>{closed, closed, open, closed, open}));
    EXPECT_EQ(alerts.Logs(), std::vector<TextValue>{ProductTable[4].openMessage});
    EXPECT_EQ(alerts.Sounds(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckCycleAgainstHostileStore, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace lumeno
