// Site: the demo store's pages and endpoints, from a parsed request to the response.
// The stock endpoint plays StockState; the control endpoint lets tests steer it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "http_wire.h"
#include "stock_state.h"

namespace lumeno::demo_store {

inline constexpr std::string_view kStockPath = "/misc/get2014nianstock";
inline constexpr std::string_view kLoginPath = "/site/login";
inline constexpr std::string_view kSalePath = "/c/chunjie/";
inline constexpr std::string_view kControlPrefix = "/control/";

// Control requests are the tests' own traffic: they are neither recorded nor counted.
[[nodiscard]] bool IsControlPath(std::string_view path);

class Site {
  public:
    explicit Site(StockState& stock);

    [[nodiscard]] Response Handle(const Request& request);

  private:
    [[nodiscard]] Response Control(const Request& request);
    [[nodiscard]] Response Login();

    StockState& stock_;
    // Session ids: a random part per run, so ids differ between runs, and a counter, so
    // they differ within one.
    std::uint64_t session_seed_;
    std::atomic<std::uint64_t> sessions_{0};
};

}  // namespace lumeno::demo_store
