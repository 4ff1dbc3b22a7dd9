// The check cycle: one check of the store per Timer event.
#pragma once

namespace lumeno {

// The Timer's periodic event: refreshes the stock flags from a fresh document (also when
// no product is ticked), then applies the status rule to each ticked row in table order,
// reading each tick just before its row, and pumps the window's messages.
//
// A check is not atomic: other events run at its pump points. A Timer event that arrives
// while a check is running is dropped, so checks never nest or pile up; a check that finds
// the window closed at one of its pump points ends without touching a control.
void OnTimerTick();

// True while a check is running (also inside the events dispatched at its pump points).
[[nodiscard]] bool CheckInProgress();

}  // namespace lumeno
