// The product status rule: the status box is the product's only state.
#include "monitor/status_rule.h"

#include "monitor/alert_sink.h"
#include "monitor/live_window.h"
#include "monitor/stock_globals.h"
#include "text/primitives.h"

namespace lumeno {

void UpdateProductStatus(const ProductRow& row) {
    static const TextValue kTrue("true"), kOpen(kStatusOpen), kClosed(kStatusClosed);
    Window* window = LiveWindow();
    if (window == nullptr) return;
    const bool open = TextCompare(StockFlagOf(row.row), kTrue) == 0;
    const AlertSink alerts = CurrentAlertSink();
    {
        const TextValue shown = window->ReadEditText(row.statusBox);
        if (open) {
            if (TextCompare(shown, kClosed) == 0) {
                alerts.appendLog(row.openMessage);
                alerts.playSound();
            }
        } else if (TextCompare(shown, kOpen) == 0) {
            alerts.appendLog(row.closeMessage);
        }
    }
    // The log line pumps messages: the window may have been closed meanwhile.
    window = LiveWindow();
    if (window == nullptr) return;
    window->SetEditText(row.statusBox, open ? kOpen : kClosed);
}

void ResetStatuses() {
    static constexpr ControlId kResetOrder[] = {ControlId::bq2, ControlId::bq3, ControlId::bks,
                                                ControlId::bdy, ControlId::bhz};
    for (ControlId box : kResetOrder) {
        Window* window = LiveWindow();
        if (window == nullptr) return;
        window->SetEditText(box, kStatusWaiting);
    }
}

}  // namespace lumeno
