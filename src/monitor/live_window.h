// The window as the monitor may touch it: only while it is alive.
#pragma once

#include "ui/window.h"

namespace lumeno {

// The current window, or null when there is none or it is being destroyed. Every pump can
// close the window, so callers ask again after each pump instead of keeping the pointer.
[[nodiscard]] inline Window* LiveWindow() {
    Window* window = CurrentWindow();
    return window != nullptr && window->IsAlive() ? window : nullptr;
}

}  // namespace lumeno
