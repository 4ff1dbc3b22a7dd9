// The five watched products: their controls, reply keys and alert messages, and the four
// texts a status box can show.
#pragma once

#include <array>

#include "monitor/stock_globals.h"
#include "text/values.h"
#include "ui/window.h"

namespace lumeno {

struct ProductRow {
    int row;                // 1 to 5, also the index of the row's StockFlag
    ControlId checkBox;     // ticked: the product is watched
    const char* checkText;  // the check box's caption
    ControlId statusBox;    // the product's only state: the text it shows
    const char* replyKey;   // the member name in the stock document
    const char* openMessage;
    const char* closeMessage;
};

// The rows in check order.
extern const std::array<ProductRow, kProductCount> ProductTable;

// What a status box shows.
inline constexpr const char* kStatusWaiting = "待检测";         // before the first check
inline constexpr const char* kStatusNotWatched = "未开启检测";  // check box just unticked
inline constexpr const char* kStatusClosed = "未开放购买";
inline constexpr const char* kStatusOpen = "已开放购买";

}  // namespace lumeno
