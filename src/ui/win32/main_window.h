// MainWindow: the program's one window with real Win32 controls, implementing the window
// contract the core works through.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "text/values.h"
#include "ui/win32/browser_host.h"
#include "ui/win32/window_events.h"
#include "ui/window.h"

namespace lumeno::win32 {

// A GDI font, deleted with its owner.
struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct WindowOptions {
    // What 超文本浏览框1 loads once at creation.
    TextValue browserAddress;
    // How the window is shown the first time (WinMain's show command).
    int showCommand = SW_SHOWNORMAL;
};

class MainWindow final : public Window {
  public:
    MainWindow(WindowEvents& events, WindowOptions options);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Loading: creates the window hidden with its controls, makes it the current window,
    // raises Created, then shows it centred on the screen. False when the window or one of
    // its controls cannot be created (the embedded browser excepted).
    [[nodiscard]] bool Load();

    // The first half of Load: the hidden window and its controls, no event, not current.
    [[nodiscard]] bool Create();
    void ShowCentred();

    [[nodiscard]] HWND Handle() const { return hwnd_; }
    // The control's window; null for 时钟1, 超文本浏览框1 and after the window has gone.
    [[nodiscard]] HWND ControlHandle(ControlId id) const;
    [[nodiscard]] bool HasBrowser() const { return browser_.IsOpen(); }

    // Window
    [[nodiscard]] TextValue ReadEditText(ControlId box) override;
    void SetEditText(ControlId box, const TextValue& text) override;
    [[nodiscard]] std::int32_t ReadChecked(ControlId box) override;
    [[nodiscard]] TextValue ReadCaption(ControlId button) override;
    void SetCaption(ControlId button, const TextValue& caption) override;
    void SetTimerPeriod(std::int32_t milliseconds) override;
    void PumpMessages() override;
    [[nodiscard]] bool IsAlive() override { return alive_; }
    void ShowNotice(const TextValue& text, const TextValue& caption) override;
    void OpenInBrowser(const TextValue& url) override;

  private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK IntervalBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR subclassId, DWORD_PTR data);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int commandId, int notification);
    void OnDestroy();
    [[nodiscard]] bool CreateControls();
    void NormalizeIntervalBox();

    WindowEvents& events_;
    WindowOptions options_;
    HWND hwnd_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    FontHandle font_;
    bool creating_ = false;
    bool alive_ = false;
    // The edit box whose text SetEditText is writing: its own change notice is held back,
    // and SetEditText raises the event itself, exactly once.
    int settingBox_ = -1;
    std::int32_t timerPeriod_ = 0;
    EmbeddedBrowser browser_;
};

// Dispatches one message taken from the queue, with the dialog keyboard (Tab between
// controls, Space on buttons) for the window it belongs to. The main loop and
// PumpMessages both go through it.
void DispatchQueuedMessage(MSG& msg);

}  // namespace lumeno::win32
