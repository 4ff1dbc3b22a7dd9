// WindowEvents: where the main window delivers its events. The program hands them to the
// core's handlers (handler_events.h); the window's own tests record them instead.
#pragma once

#include "ui/window.h"

namespace lumeno::win32 {

class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    // The window and its controls exist and it is the current window; it is not shown yet.
    virtual void Created() = 0;
    // The window is being destroyed (it is no longer alive).
    virtual void Closing() = 0;
    // A button or check box was clicked; a check box has already toggled its tick.
    virtual void Clicked(ControlId control) = 0;
    // An edit box's text changed, by the user or by the program (once per SetEditText).
    virtual void ContentChanged(ControlId box) = 0;
    // 时钟1's periodic event.
    virtual void TimerTick() = 0;
};

}  // namespace lumeno::win32
