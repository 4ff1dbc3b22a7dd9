// EmbeddedBrowser: the system's WebBrowser control in a minimal OLE container of our own.
// It loads one address once and is never looked at again; without a browser engine it is
// simply absent.
#pragma once

#include <windows.h>

#include <exdisp.h>
#include <ole2.h>

#include <string>

#include "ui/win32/com_ptr.h"

namespace lumeno::win32 {

class EmbeddedBrowser {
  public:
    EmbeddedBrowser() = default;
    ~EmbeddedBrowser() { Close(); }
    EmbeddedBrowser(const EmbeddedBrowser&) = delete;
    EmbeddedBrowser& operator=(const EmbeddedBrowser&) = delete;

    // Creates the control as a child of parent over rect (client coordinates) and starts
    // loading address (an empty one loads about:blank). False when the control cannot be
    // created; a failed navigation still counts as open, since nobody waits for the page.
    bool Open(HWND parent, const RECT& rect, const std::wstring& address);

    // Deactivates and releases the control; it must happen before its parent window goes
    // and before COM is shut down.
    void Close();

    [[nodiscard]] bool IsOpen() const { return static_cast<bool>(object_); }

  private:
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IWebBrowser2> browser_;
};

}  // namespace lumeno::win32
