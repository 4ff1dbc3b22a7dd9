// Binds each control's event to its handler: the buttons, the five check boxes with their
// product-table rows, 编辑框1's content change and the Timer.
#include "ui/win32/handler_events.h"

#include "monitor/check_cycle.h"
#include "ui/handlers.h"

namespace lumeno::win32 {

void HandlerEvents::Created() {
    OnWindowCreated();
}

void HandlerEvents::Closing() {
    OnWindowClosing();
}

void HandlerEvents::Clicked(ControlId control) { OnControlClicked(control); }

void HandlerEvents::ContentChanged(ControlId box) { OnContentChanged(box); }

void HandlerEvents::TimerTick() {
    OnTimerTick();
}

}  // namespace lumeno::win32
