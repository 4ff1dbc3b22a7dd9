// One stock fetch as the check cycle makes it (HttpRequestText, a GET of the 200-byte stock
// document from a loopback server) beside a bare libcurl easy GET of the same URL with a
// fresh handle: what the routine and its back-end cost over the library itself.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

#include "http/request.h"
#include "support/loopback_server.h"

namespace {

lumeno::LoopbackServer& Server() {
    static lumeno::LoopbackServer server;
    return server;
}

std::string StockUrl() {
    return "http://127.0.0.1:" + std::to_string(Server().Port()) + "/stock";
}

void BM_HttpRequestText(benchmark::State& state) {
    const lumeno::TextValue url = StockUrl();
    const lumeno::TextValue expected = lumeno::StockDocument();
    for (auto _ : state) {
        const lumeno::TextValue text = lumeno::HttpRequestText(url);
        if (!(text == expected)) {
            state.SkipWithError("wrong document");
            break;
        }
    }
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

void BM_BareCurlEasyGet(benchmark::State& state) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::string url = StockUrl();
    const std::string expected = lumeno::StockDocument();
    for (auto _ : state) {
        std::string body;
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        const CURLcode result = curl_easy_perform(easy);
        curl_easy_cleanup(easy);
        if (result != CURLE_OK || body != expected) {
            state.SkipWithError("wrong document");
            break;
        }
    }
    curl_global_cleanup();
}

// Side by side in one run, medians over repetitions.
BENCHMARK(BM_HttpRequestText)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareCurlEasyGet)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
