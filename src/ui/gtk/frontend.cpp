// Start-up on GTK: gtk_init, the window bound to the handlers, and the main loop.
#include "ui/gtk/frontend.h"

#include <gtk/gtk.h>

#include "monitor/check_cycle.h"
#include "ui/gtk/dialogs.h"
#include "ui/gtk/login_page.h"
#include "ui/handlers.h"
#include "ui/window.h"

namespace lumeno::gtk {

WindowEvents ProgramWindowEvents(GMainLoop* loop) {
    WindowEvents events;
    events.clicked = &OnControlClicked;
    events.contentChanged = &OnContentChanged;
    events.timer = &OnTimerTick;
    events.closing = &OnWindowClosing;
    // The window has gone, so no window of the program remains: the quit request.
    events.destroyed = [loop] { g_main_loop_quit(loop); };
    events.loadBrowserPage = &LoadLoginPage;
    return events;
}

GtkFrontend::GtkFrontend() : loop_(g_main_loop_new(nullptr, FALSE)) {}

GtkFrontend::~GtkFrontend() {
    if (CurrentWindow() == window_.get()) SetCurrentWindow(nullptr);
}

void GtkFrontend::InitProcessSupport() {
    displayOpen_ = gtk_init_check(nullptr, nullptr);
    if (displayOpen_) InstallFatalDialog();
}

bool GtkFrontend::LoadWindow() {
    if (!displayOpen_) return false;
    window_ = std::make_unique<MainWindow>(ProgramWindowEvents(loop_.get()));
    SetCurrentWindow(window_.get());
    OnWindowCreated();
    window_->Show();
    return true;
}

void GtkFrontend::RunMessageLoop() {
    // A window that went before the loop started has already asked to quit.
    if (!window_ || !window_->IsAlive()) return;
    g_main_loop_run(loop_.get());
}

}  // namespace lumeno::gtk
