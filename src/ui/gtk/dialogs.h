// The GTK message boxes: the notice box of the window contract and the fatal-stop box.
#pragma once

#include "text/values.h"

namespace lumeno::gtk {

// A modal box with the text, the caption as its title, one OK button and no icon, owned by
// no window; input to the program's other windows waits until it is dismissed. Its own
// main loop keeps dispatching every other event, Timer events included. Returns when the
// user presses OK or closes the box.
void ShowNoticeDialog(const TextValue& text, const TextValue& caption);

// Makes the fatal stop show a GTK error box (a display is open). A fatal stop raised on
// another thread than this one writes to stderr instead: GTK belongs to the GUI thread.
void InstallFatalDialog();

}  // namespace lumeno::gtk
