// Start-up steps only Win32 can do, and the main message loop.
#include "ui/win32/frontend.h"

#include <ole2.h>

#include "ui/store_hosts.h"

namespace lumeno::win32 {

OleSession::OleSession() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}

OleSession::~OleSession() {
    if (initialised_) OleUninitialize();
}

void Win32Frontend::InitProcessSupport() {
    // A failed OLE start only costs the embedded browser, which the program can do without.
    // The common controls are the window's own business (MainWindow::Create).
    ole_.emplace();
}

bool Win32Frontend::LoadWindow() {
    window_.emplace(events_, WindowOptions{LoginPageUrl(), showCommand_});
    return window_->Load();
}

void Win32Frontend::RunMessageLoop() {
    MSG msg;
    // GetMessage gives 0 for the quit request and -1 on failure; both end the loop.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchQueuedMessage(msg);
}

}  // namespace lumeno::win32
