// The window's event handlers. The monitoring state lives only in 按钮1's caption and the
// interval only in 编辑框1; the handlers read them afresh every time.
#include "ui/handlers.h"

#include <algorithm>
#include <limits>

#include "alerts/log.h"
#include "monitor/status_rule.h"
#include "monitor/stock_globals.h"
#include "text/primitives.h"
#include "ui/pump.h"
#include "ui/store_hosts.h"
#include "ui/window.h"

namespace lumeno {

namespace {

constexpr const char* kStartCaption = "抢购检测";
constexpr const char* kStopCaption = "停止检测";
constexpr const char* kNoticeCaption = "温情提示";

// The status box of each product-table row.
constexpr ControlId kStatusBoxOfRow[] = {ControlId::bq3, ControlId::bq2, ControlId::bks,
                                          ControlId::bdy, ControlId::bhz};
constexpr ControlId kCheckBoxOfRow[] = {ControlId::q3, ControlId::q2s, ControlId::ks, ControlId::dy,
                                         ControlId::hz};

std::int32_t ReadInterval(Window& w) { return ToInt(w.ReadEditText(ControlId::EditBox1)); }

}  // namespace

std::int32_t TimerPeriodFor(std::int32_t intervalSeconds) {
    const std::int64_t period = TruncateToInteger(intervalSeconds * 1000.0);
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(period, 0, std::numeric_limits<std::int32_t>::max()));
}

void OnWindowCreated() {
    Window* w = CurrentWindow();
    if (!w) return;
    StockUrl = StockEndpointUrl();
    // The window is still hidden: the notice stands alone, and the window shows only
    // after it has been dismissed and this handler has returned.
    w->ShowNotice("本软件仅个人爱好编写,请勿用于商业运作!", kNoticeCaption);
    if (!w->IsAlive()) return;
    ResetStatuses();
}

void OnWindowClosing() {
    if (Window* w = CurrentWindow()) w->SetTimerPeriod(0);
}

void OnStartStopClicked() {
    Window* w = CurrentWindow();
    if (!w) return;
    if (ReadInterval(*w) < 1) return;
    if (TextCompare(w->ReadCaption(ControlId::Button1), kStartCaption) == 0) {
        w->SetCaption(ControlId::Button1, kStopCaption);
        w->SetTimerPeriod(TimerPeriodFor(ReadInterval(*w)));
    } else {
        w->SetCaption(ControlId::Button1, kStartCaption);
        ResetStatuses();
        w->SetTimerPeriod(0);
    }
    PumpMessages();
}

void OnIntervalChanged() {
    Window* w = CurrentWindow();
    if (!w) return;
    if (ReadInterval(*w) > 0) return;
    // Raises this handler again before returning; that run finds 1 and returns.
    w->SetEditText(ControlId::EditBox1, "1");
    w->ShowNotice("时间最小为1秒不能再小了..~! 感谢支持~", kNoticeCaption);
}

void OnProductCheckClicked(int row) {
    Window* w = CurrentWindow();
    if (!w || row < 1 || row > 5) return;
    if (w->ReadChecked(kCheckBoxOfRow[row - 1]) != 1) {
        w->SetEditText(kStatusBoxOfRow[row - 1], "未开启检测");
    }
}

void OnOpenPageClicked() {
    if (Window* w = CurrentWindow()) w->OpenInBrowser(SalePageUrl());
}

void OnControlClicked(ControlId control) {
    switch (control) {
        case ControlId::Button1: OnStartStopClicked(); return;
        case ControlId::Button2: OnLogTestClicked(); return;
        case ControlId::Button3: OnOpenPageClicked(); return;
        default: break;
    }
    for (int row = 1; row <= 5; ++row) {
        if (kCheckBoxOfRow[row - 1] == control) OnProductCheckClicked(row);
    }
}

void OnContentChanged(ControlId control) {
    if (control == ControlId::EditBox1) OnIntervalChanged();
}

void OnLogTestClicked() {
    AppendLog("aaa");
    PumpMessages();
}

}  // namespace lumeno
