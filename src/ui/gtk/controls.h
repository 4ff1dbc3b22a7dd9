// The window's controls as data: kind, place, size, initial text and visibility, in
// creation order; and the style that lets GTK widgets keep those sizes.
#pragma once

#include <array>

#include "ui/window.h"

namespace lumeno::gtk {

enum class ControlKind {
    StatusBar,
    IntervalBox,  // 编辑框1: integer input, centred
    Label,
    Button,
    Timer,       // no widget: PeriodicTimer
    CheckBox,    // ticked at start
    StatusBox,   // a disabled, centred edit box only the system writes
    HtmlViewer,  // no widget: the login page is fetched without being shown
};

struct ControlDef {
    ControlId id;
    ControlKind kind;
    int x, y, width, height;  // in the client area
    const char* text;         // GBK, as every text of the system
    bool visible;
};

// Every control, in the order it is created.
[[nodiscard]] const std::array<ControlDef, kControlCount>& ControlTable();

// The widget name of the main window; the style applies below it only.
inline constexpr const char* kMainWindowName = "lumeno-main";

// Installs, once per process, the style that lets entries, buttons, check boxes and the
// status bar shrink to the sizes of the table instead of the theme's roomier minimums.
void InstallWindowStyle();

}  // namespace lumeno::gtk
