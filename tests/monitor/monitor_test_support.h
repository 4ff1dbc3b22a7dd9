// Shared pieces of the monitor's tests: stock replies and a view of the five flags.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "monitor/stock_globals.h"

namespace lumeno {

// A stock reply in the store's shape, one boolean per row (row 1 first).
inline std::string StockReply(bool q3, bool q2s, bool ks, bool dy, bool hz) {
    auto b = [](bool v) { return v ? std::string("true") : std::string("false"); };
    return "{\"code\":0,\"data\":{\"qorvi3td\":" + b(q3) + ",\"qorvi2s\":" + b(q2s) +
           ",\"kessa\":" + b(ks) + ",\"dianyuan\":" + b(dy) + ",\"hezi\":" + b(hz) + "}}";
}

// The five flags, row 1 first; nullopt for an absent flag.
using Flags = std::array<std::optional<std::string>, kProductCount>;

inline Flags CurrentFlags() {
    Flags out;
    for (std::size_t i = 0; i < kProductCount; ++i) {
        if (StockFlag[i].IsPresent()) out[i] = std::string(StockFlag[i].View());
    }
    return out;
}

// A URL the reply port answers for; the port ignores where it points.
inline constexpr const char* kTestStockUrl = "http://127.0.0.1:9/misc/get2014nianstock";

}  // namespace lumeno
