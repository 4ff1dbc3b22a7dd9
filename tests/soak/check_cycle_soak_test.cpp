// Soak: many checks in a row through the real check cycle (scripted window on a virtual
// clock, one Timer event per second of it), each a real HTTP GET of the demo-store program
// on loopback through the curl back-end.
//
// The store plays steps of 100 replies; from one step to the next exactly one product opens
// or closes (the steps walk a Gray code over the five products), so every step change must
// give exactly one log line, and a sound when it is an opening. Over the run the program's
// live heap must stay flat: after a warm-up, whatever a check allocates it releases again.
//
// LUMENO_SOAK_CHECKS sets the number of checks (default 20,000; a multiple of 100).
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "hostile/demo_store_process.h"
#include "hostile/process_memory.h"
#include "monitor/alert_sink.h"
#include "monitor/check_cycle.h"
#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_globals.h"
#include "support/scripted_window.h"
#include "ui/pump.h"

#if defined(__SANITIZE_ADDRESS__)
#define LUMENO_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMENO_SOAK_ASAN 1
#endif
#endif
#ifdef LUMENO_SOAK_ASAN
// The sanitizer runtime's count of live heap bytes (declared here: GCC ships no
// <sanitizer/allocator_interface.h>).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace lumeno {
namespace {

constexpr int kChecksPerStep = 100;

// Bytes the program holds on the heap now. (Resident memory is reported too, but under
// ASan it also holds the quarantine of freed blocks, which fills up over the run.)
std::uint64_t LiveHeapBytes() {
#ifdef LUMENO_SOAK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

int Checks() {
    const char* given = std::getenv("LUMENO_SOAK_CHECKS");
    const int checks = given ? std::atoi(given) : 20000;
    return checks > 0 ? checks : 20000;
}

// Step i of the store: bit r of the Gray code of i says whether row r + 1 is open.
int Openings(int step) {
    return (step ^ (step >> 1)) & 31;
}

std::string Scenario(int steps) {
    std::string scenario;
    for (int step = 0; step <= steps; ++step) {
        scenario += "step " + std::to_string(kChecksPerStep) + "\nproducts ";
        for (int row = 1; row <= 5; ++row)
            scenario += (Openings(step) >> (row - 1)) & 1 ? '1' : '0';
        scenario += "\n";
    }
    return scenario;
}

// The alerts, checked as they come against the list expected, so that keeping them does not
// itself grow the heap being watched.
struct Alerts {
    std::vector<std::string> expected;
    std::size_t next = 0;
    std::size_t mismatches = 0;
    int sounds = 0;
};
Alerts g_alerts;
void CheckLog(const TextValue& message) {
    if (g_alerts.next >= g_alerts.expected.size() ||
        message.View() != g_alerts.expected[g_alerts.next]) {
        ++g_alerts.mismatches;
    }
    ++g_alerts.next;
    PumpMessages();
}
void RecordSound() {
    ++g_alerts.sounds;
}

TEST(CheckCycleSoak, EveryStepChangeAlertsOnceAndTheHeapStaysFlat) {
    const int checks = Checks();
    ASSERT_EQ(checks % kChecksPerStep, 0);
    const int steps = checks / kChecksPerStep;
    harness::DemoStoreProcess store(Scenario(steps));

    ReleaseStockGlobals();
    StockUrl = store.StockUrl();
    g_alerts = {};
    const ScopedAlertSink sink(AlertSink{CheckLog, RecordSound});
    ScriptedWindow window;
    window.SetRecording(false);
    window.handlers.timer = OnTimerTick;
    ResetStatuses();
    window.SetTimerPeriod(1000);  // monitoring started with an interval of 1 s

    // The alerts every step change must give: one line per product that changed.
    std::vector<std::string>& expectedLogs = g_alerts.expected;
    int expectedSounds = 0;
    for (int step = 1; step < steps; ++step) {
        const int changed = Openings(step) ^ Openings(step - 1);
        for (const ProductRow& row : ProductTable) {
            if (!((changed >> (row.row - 1)) & 1)) continue;
            const bool opened = (Openings(step) >> (row.row - 1)) & 1;
            expectedLogs.emplace_back(opened ? row.openMessage : row.closeMessage);
            expectedSounds += opened ? 1 : 0;
        }
    }

    const int warmUp = checks / 10;
    std::uint64_t heapAfterWarmUp = 0, rssAfterWarmUp = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int check = 1; check <= checks; ++check) {
        window.RunFor(1000);  // one Timer event: one check
        if (check == warmUp) {
            heapAfterWarmUp = LiveHeapBytes();
            rssAfterWarmUp = harness::ResidentBytes();
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::uint64_t heapAtEnd = LiveHeapBytes(), rssAtEnd = harness::ResidentBytes();
    std::printf(
        "soak: %d checks in %.1f s (%.2f ms each); resident %llu KiB after %d checks, %llu KiB "
        "at the end (peak %llu KiB); live heap %llu -> %llu bytes\n",
        checks, seconds, seconds * 1000 / checks,
        static_cast<unsigned long long>(rssAfterWarmUp >> 10), warmUp,
        static_cast<unsigned long long>(rssAtEnd >> 10),
        static_cast<unsigned long long>(harness::PeakResidentBytes() >> 10),
        static_cast<unsigned long long>(heapAfterWarmUp),
        static_cast<unsigned long long>(heapAtEnd));
    RecordProperty("rss_kib_after_warm_up", std::to_string(rssAfterWarmUp >> 10));
    RecordProperty("rss_kib_at_end", std::to_string(rssAtEnd >> 10));

    // One request per check, no more (no retry, no redirect), and none lost.
    const std::optional<std::string> state = store.Control("GET", "/control/state");
    ASSERT_TRUE(state.has_value());
    EXPECT_NE(state->find("stock_requests=" + std::to_string(checks) + "\n"), std::string::npos)
        << *state;
    EXPECT_EQ(g_alerts.next, expectedLogs.size()) << "log lines";
    EXPECT_EQ(g_alerts.mismatches, 0u) << "log lines other than the ones expected, in order";
    EXPECT_EQ(g_alerts.sounds, expectedSounds);
    for (const ProductRow& row : ProductTable) {
        const bool open = (Openings(steps - 1) >> (row.row - 1)) & 1;
        EXPECT_EQ(window.Text(row.statusBox), TextValue(open ? kStatusOpen : kStatusClosed))
            << row.replyKey;
    }
    // Flat: what a check allocates it releases (64 KiB of slack for allocator rounding).
    EXPECT_LE(heapAtEnd, heapAfterWarmUp + (64u << 10))
        << "the live heap grew by " << (heapAtEnd - heapAfterWarmUp) << " bytes over "
        << checks - warmUp << " checks";
    ReleaseStockGlobals();
}

}  // namespace
}  // namespace lumeno
