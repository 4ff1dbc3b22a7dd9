// The stock monitor's CPU cost: one check after its fetch, and how reading the document
// grows with the reply's size.
//
// The fetch is left out by calling the post-fetch steps directly: RemoveStockTokens (the
// four removals), ApplyStockDocument (split, key walk) and UpdateProductStatus per row.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "monitor/alert_sink.h"
#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_document.h"
#include "monitor/stock_globals.h"
#include "support/scripted_window.h"
#include "text/primitives.h"

namespace lumeno {
namespace {

const std::string kExampleReply =
    "{\"code\":0,\"data\":{\"qorvi3td\":true,\"qorvi2s\":false,\"kessa\":true,"
    "\"dianyuan\":false,\"hezi\": true}}";

// A steady state has no alerts; one here means the measurement is not what it says.
void UnexpectedLog(const TextValue&) {
    std::fputs("monitor_bench: a log line in a steady-state check\n", stderr);
    std::abort();
}
void UnexpectedSound() {
    UnexpectedLog({});
}

// One check of the example reply against a window whose boxes already show its states:
// removals, split, key walk, five reads and five writes of status boxes, no log line.
void BM_CheckAfterFetch(benchmark::State& state) {
    ReleaseStockGlobals();
    ScriptedWindow window;
    window.SetRecording(false);
    const ScopedAlertSink alerts(AlertSink{UnexpectedLog, UnexpectedSound});
    const TextValue reply(kExampleReply);
    ApplyStockDocument(RemoveStockTokens(reply));
    for (const ProductRow& row : ProductTable) UpdateProductStatus(row);  // the baseline

    for (auto _ : state) {
        ApplyStockDocument(RemoveStockTokens(reply));
        for (const ProductRow& row : ProductTable) {
            if (window.ReadChecked(row.checkBox) == 1) UpdateProductStatus(row);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kExampleReply.size()));
    ReleaseStockGlobals();
}
BENCHMARK(BM_CheckAfterFetch)->Repetitions(9)->ReportAggregatesOnly(true);

// A store reply of about `bytes` bytes: the five products among many other members.
std::string LargeReply(std::size_t bytes) {
    std::string reply = "{\"code\":0,\"data\":{\"qorvi3td\":true,\"qorvi2s\":false,";
    for (int i = 0; reply.size() + 80 < bytes; ++i) {
        reply += "\"item" + std::to_string(i) + "\":" + (i % 3 == 0 ? "true" : "false") + ",";
    }
    reply += "\"kessa\":true,\"dianyuan\":false,\"hezi\": true}}";
    return reply;
}

// Reading a document of the given size, without a window (every pump does nothing): the
// four removals, the split into members and the five-key walk. Compare bytes_per_second.
void BM_ReadDocument(benchmark::State& state) {
    ReleaseStockGlobals();
    const TextValue reply(LargeReply(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        ApplyStockDocument(RemoveStockTokens(reply));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reply.Length()));
    state.counters["members"] = static_cast<double>(TextArrayCount(StockItems));
    ReleaseStockGlobals();
}
BENCHMARK(BM_ReadDocument)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace lumeno

BENCHMARK_MAIN();
