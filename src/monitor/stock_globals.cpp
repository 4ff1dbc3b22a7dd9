// The stock monitor's globals and their release at exit.
#include "monitor/stock_globals.h"

#include "text/fatal.h"

namespace lumeno {

TextValue StockUrl;
TextArray StockItems;
std::array<TextValue, kProductCount> StockFlag;

TextValue& StockFlagOf(int row) {
    if (row < 1 || row > static_cast<int>(kProductCount)) {
        FatalRuntimeError(1, "数组成员引用下标超出定义范围");
    }
    return StockFlag[static_cast<std::size_t>(row - 1)];
}

void ReleaseStockGlobals() {
    for (TextValue& flag : StockFlag) flag = TextValue();
    StockItems = TextArray();
    StockUrl = TextValue();
}

}  // namespace lumeno
