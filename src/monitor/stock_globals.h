// The stock monitor's globals: the endpoint URL, the last document's members and one flag
// per product.
#pragma once

#include <array>
#include <cstddef>

#include "text/values.h"

namespace lumeno {

// The products watched, one per row of the product table.
inline constexpr std::size_t kProductCount = 5;

// The stock endpoint; set once when the window is created, read by every fetch.
extern TextValue StockUrl;
// The members of the most recent stock document; written and read only by the parsing.
extern TextArray StockItems;
// The value the store last gave for each product: StockFlag[0] belongs to row 1, and so on.
// Only the parsing writes a flag and only the status rule reads one; a flag is never
// cleared, it keeps its value until a later document carries its key again.
extern std::array<TextValue, kProductCount> StockFlag;

// The flag of a product-table row (1 to 5).
[[nodiscard]] TextValue& StockFlagOf(int row);

// Releases the five flags (row 1 first), then the members, then the URL, leaving every
// global as it was at program start. The exit clean-up's work.
void ReleaseStockGlobals();

}  // namespace lumeno
