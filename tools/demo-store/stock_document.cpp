// Renders the stock document and computes the demo cycle.
#include "stock_document.h"

namespace lumeno::demo_store {

std::optional<std::size_t> ProductIndex(std::string_view key) {
    for (std::size_t i = 0; i < kProductCount; ++i) {
        if (kProductKeys[i] == key) return i;
    }
    return std::nullopt;
}

std::string RenderStockDocument(const ProductStates& states) {
    std::string out = R"({"code":0,"data":{)";
    for (std::size_t i = 0; i < kProductCount; ++i) {
        if (i > 0) out += ',';
        out += '"';
        out += kProductKeys[i];
        out += "\":";
        out += states[i] ? "true" : "false";
    }
    out += "}}";
    return out;
}

ProductStates DemoCycleStates(std::chrono::milliseconds elapsed, std::chrono::milliseconds period) {
    ProductStates states{};
    if (period.count() <= 0 || elapsed.count() < 0) return states;
    const auto cycle = elapsed.count() / period.count();
    const auto phase = elapsed.count() % period.count();
    // Integer halves: an odd period in ms keeps its extra millisecond in the closed half.
    if (phase >= period.count() - period.count() / 2) {
        states[static_cast<std::size_t>(cycle) % kProductCount] = true;
    }
    return states;
}

}  // namespace lumeno::demo_store
