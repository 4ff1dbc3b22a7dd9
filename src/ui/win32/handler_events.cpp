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

void HandlerEvents::Clicked(ControlId control) {
    switch (control) {
        case ControlId::Button1:
            OnStartStopClicked();
            break;
        case ControlId::Button2:
            OnLogTestClicked();
            break;
        case ControlId::Button3:
            OnOpenPageClicked();
            break;
        case ControlId::q3:
            OnProductCheckClicked(1);
            break;
        case ControlId::q2s:
            OnProductCheckClicked(2);
            break;
        case ControlId::ks:
            OnProductCheckClicked(3);
            break;
        case ControlId::dy:
            OnProductCheckClicked(4);
            break;
        case ControlId::hz:
            OnProductCheckClicked(5);
            break;
        default:
            break;
    }
}

void HandlerEvents::ContentChanged(ControlId box) {
    // The status boxes have no handler: only the program writes them.
    if (box == ControlId::EditBox1) OnIntervalChanged();
}

void HandlerEvents::TimerTick() {
    OnTimerTick();
}

}  // namespace lumeno::win32
