// The program's one window, as the core reaches it, and PumpMessages through it.
#include "ui/window.h"

#include "ui/pump.h"

namespace lumeno {

namespace {
Window* g_window = nullptr;  // GUI thread only
}

Window* CurrentWindow() { return g_window; }
void SetCurrentWindow(Window* window) { g_window = window; }

void PumpMessages() {
    if (Window* w = g_window) w->PumpMessages();
}

}  // namespace lumeno
