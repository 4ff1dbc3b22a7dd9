// The product status rule and the reset of every status box.
#pragma once

#include "monitor/product_table.h"

namespace lumeno {

// Sets the row's status box from its flag: "已开放购买" when the flag is exactly "true",
// "未开放购买" otherwise. The box is read once, before any alert, and written once, after
// them. A change from "未开放购买" to open logs the open message and then plays the sound;
// a change from "已开放购买" to closed logs the close message. Any other earlier text only
// sets the baseline. When the window is closed during the log line, the box is left alone.
void UpdateProductStatus(const ProductRow& row);

// Every status box shows "待检测", in the order bq2, bq3, bks, bdy, bhz, ticked or not.
void ResetStatuses();

}  // namespace lumeno
