// HandlerEvents: the main window's events routed to the core's handlers, as the window's
// table binds them.
#pragma once

#include "ui/win32/window_events.h"

namespace lumeno::win32 {

class HandlerEvents final : public WindowEvents {
  public:
    void Created() override;
    void Closing() override;
    void Clicked(ControlId control) override;
    void ContentChanged(ControlId box) override;
    void TimerTick() override;
};

}  // namespace lumeno::win32
