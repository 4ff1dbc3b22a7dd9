// The check cycle run by the Timer: refresh, status rule for each ticked row, pump.
#include "monitor/check_cycle.h"

#include "monitor/live_window.h"
#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_document.h"
#include "ui/pump.h"

namespace lumeno {

namespace {

bool g_checkRunning = false;  // GUI thread only

// Marks a check as running for its whole extent, its final pump included: a Timer event
// dispatched there would otherwise start a check one stack frame deeper, and a store that
// answers slower than the period would stack checks without limit.
class RunningCheck {
  public:
    RunningCheck() { g_checkRunning = true; }
    ~RunningCheck() { g_checkRunning = false; }
    RunningCheck(const RunningCheck&) = delete;
    RunningCheck& operator=(const RunningCheck&) = delete;
};

}  // namespace

bool CheckInProgress() {
    return g_checkRunning;
}

void OnTimerTick() {
    if (g_checkRunning || LiveWindow() == nullptr) return;
    const RunningCheck running;

    RefreshStockFlags();
    for (const ProductRow& row : ProductTable) {
        // Read afresh per row: a box ticked during the fetch or an earlier row's log line
        // takes part in this check, one unticked before its turn is skipped.
        Window* window = LiveWindow();
        if (window == nullptr) return;
        if (window->ReadChecked(row.checkBox) == 1) UpdateProductStatus(row);
    }
    if (LiveWindow() == nullptr) return;
    PumpMessages();
}

}  // namespace lumeno
