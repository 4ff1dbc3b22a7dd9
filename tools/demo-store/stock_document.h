// The store's stock document: the five products, their open/closed states and the JSON the
// stock endpoint answers, plus the demo cycle that opens them one after another.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumeno::demo_store {

inline constexpr std::size_t kProductCount = 5;

// The product keys in the order the real store writes them; the document keeps this order.
inline constexpr std::array<std::string_view, kProductCount> kProductKeys = {
    "qorvi3td", "qorvi2s", "kessa", "dianyuan", "hezi"};

// true = open for purchase, indexed like kProductKeys.
using ProductStates = std::array<bool, kProductCount>;

[[nodiscard]] std::optional<std::size_t> ProductIndex(std::string_view key);

// {"code":0,"data":{"qorvi3td":true,...,"hezi":false}} with no spaces and no newline.
[[nodiscard]] std::string RenderStockDocument(const ProductStates& states);

// The demo cycle at a moment: cycle k lasts `period`; its first half has every product
// closed, its second half has product k mod 5 open. So a fresh store shows all closed,
// opens qorvi3td after period/2, closes it at period, opens qorvi2s at 1.5 periods, ...
[[nodiscard]] ProductStates DemoCycleStates(std::chrono::milliseconds elapsed,
                                            std::chrono::milliseconds period);

}  // namespace lumeno::demo_store
