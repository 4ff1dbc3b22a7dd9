// The window's event handlers (the Timer's periodic event goes to OnTimerTick instead).
// Front-ends call them from their toolkit's events; each runs on the GUI thread.
#pragma once

#include <cstdint>

#include "ui/window.h"

namespace lumeno {

void OnWindowCreated();
void OnWindowClosing();
void OnStartStopClicked();
void OnIntervalChanged();
// row: the product-table row (1 to 5) of the check box that was clicked.
void OnProductCheckClicked(int row);
void OnOpenPageClicked();
void OnLogTestClicked();

// Routes a control's event to its handler, as the window's control table binds them:
// 按钮1/按钮2/按钮3 and the five check boxes (clicked), 编辑框1 (content changed).
// Controls without a handler for the event are ignored.
void OnControlClicked(ControlId control);
void OnContentChanged(ControlId control);

// The Timer period for an interval in seconds. interval x 1000 is clamped to the largest
// period a 32-bit Timer takes (2147483647 ms, about 24.8 days), so an interval above
// 2147483 s still starts a Timer instead of wrapping to a negative or unrelated period.
[[nodiscard]] std::int32_t TimerPeriodFor(std::int32_t intervalSeconds);

}  // namespace lumeno
