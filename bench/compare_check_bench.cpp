// Lumeno's cost of one whole check against the demo store on loopback, for the side-by-side
// comparison with a curl | grep loop and urlwatch (bench/compare_tools.sh): the real check
// cycle (a Timer event on a window, the HTTP GET through the curl back-end, the four
// removals, the split and key walk, five status updates), measured as the CPU time of
// this whole process (every thread) per check. The store runs in a process of its own and
// is not counted, as it is not for the other tools.
//
// The store: $LUMENO_BENCH_STOCK_URL when set (the comparison script points every tool at
// one store), otherwise a demo-store started here serving kessa open.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "hostile/demo_store_process.h"
#include "hostile/process_memory.h"
#include "monitor/alert_sink.h"
#include "monitor/check_cycle.h"
#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_globals.h"
#include "support/scripted_window.h"

namespace lumeno {
namespace {

// A steady state has no alerts; one here means the store is not serving what it should.
void UnexpectedLog(const TextValue&) {
    std::fputs("compare_check: a log line in a steady-state check\n", stderr);
    std::abort();
}
void UnexpectedSound() {
    UnexpectedLog({});
}

void BM_CheckAgainstDemoStore(benchmark::State& state) {
    std::unique_ptr<harness::DemoStoreProcess> store;
    if (const char* url = std::getenv("LUMENO_BENCH_STOCK_URL"); url && *url) {
        StockUrl = url;
    } else {
        store = std::make_unique<harness::DemoStoreProcess>("step\nproducts 00100\n");
        StockUrl = store->StockUrl();
    }
    ScriptedWindow window;
    window.SetRecording(false);
    window.handlers.timer = OnTimerTick;
    ResetStatuses();
    window.Dispatch(ScriptedWindow::Event::TimerTick());  // the baseline: no alert after it
    const ScopedAlertSink alerts(AlertSink{UnexpectedLog, UnexpectedSound});

    for (auto _ : state) {
        window.Dispatch(ScriptedWindow::Event::TimerTick());
    }
    if (window.Text(ControlId::bks) != TextValue(kStatusOpen)) {
        state.SkipWithError("the checks did not read the store's document");
    }
    state.counters["rss_kib"] = static_cast<double>(harness::ResidentBytes() >> 10);
    ReleaseStockGlobals();
}
BENCHMARK(BM_CheckAgainstDemoStore)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace lumeno

BENCHMARK_MAIN();
