// The Win32 share of start-up: COM for the embedded browser, the common controls, the main
// window, and the message loop.
#pragma once

#include <optional>

#include "ui/program.h"
#include "ui/win32/handler_events.h"
#include "ui/win32/main_window.h"

namespace lumeno::win32 {

// OLE initialised on the GUI thread for as long as the object lives.
class OleSession {
  public:
    OleSession();
    ~OleSession();
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

  private:
    bool initialised_;
};

class Win32Frontend final : public Frontend {
  public:
    // showCommand: WinMain's, for the window's first showing.
    explicit Win32Frontend(int showCommand) : showCommand_(showCommand) {}

    void InitProcessSupport() override;
    [[nodiscard]] bool LoadWindow() override;
    void RunMessageLoop() override;

  private:
    int showCommand_;
    HandlerEvents events_;
    // Declared before the window so that the window (and its browser) goes first.
    std::optional<OleSession> ole_;
    std::optional<MainWindow> window_;
};

}  // namespace lumeno::win32
