// The GTK share of start-up: toolkit initialisation, the window with the core's handlers
// bound to its events, and the main loop.
#pragma once

#include <glib.h>

#include <memory>

#include "ui/gtk/main_window.h"
#include "ui/program.h"

namespace lumeno::gtk {

class GtkFrontend final : public Frontend {
  public:
    GtkFrontend();
    ~GtkFrontend() override;
    GtkFrontend(const GtkFrontend&) = delete;
    GtkFrontend& operator=(const GtkFrontend&) = delete;

    // Opens the display. Without one there is no window to load, and the load fails.
    void InitProcessSupport() override;
    [[nodiscard]] bool LoadWindow() override;
    // Runs until the window has gone.
    void RunMessageLoop() override;

  private:
    struct LoopUnref {
        void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
    };

    bool displayOpen_ = false;
    std::unique_ptr<GMainLoop, LoopUnref> loop_;
    std::unique_ptr<MainWindow> window_;
};

// The window's events bound to the core's handlers; `destroyed` ends the given loop.
[[nodiscard]] WindowEvents ProgramWindowEvents(GMainLoop* loop);

}  // namespace lumeno::gtk
