// The window contract: the one window's controls and the operations the core performs on
// them. Each front-end (Win32, GTK) implements it with real controls; the tests implement
// it with a scripted window.
#pragma once

#include <cstdint>

#include "text/values.h"

namespace lumeno {

// The 18 controls, in creation order, with their form names.
enum class ControlId : int {
    StatusBar1,    // 状态条1
    EditBox1,      // 编辑框1, the interval in seconds
    Label1,        // 标签1
    Button3,       // 按钮3, opens the sale page
    Timer1,        // 时钟1
    dy,            // check box, row 4
    hz,            // check box, row 5
    ks,            // check box, row 3
    q2s,           // check box, row 2
    q3,            // check box, row 1
    bhz,           // status box, row 5
    bdy,           // status box, row 4
    bq2,           // status box, row 2
    bq3,           // status box, row 1
    bks,           // status box, row 3
    HtmlViewer1,   // 超文本浏览框1
    Button2,       // 按钮2, hidden log test
    Button1,       // 按钮1, start / stop
};
inline constexpr int kControlCount = 18;

class Window {
public:
    virtual ~Window() = default;

    // A fresh copy of the edit box's text; absent when the box is empty.
    [[nodiscard]] virtual TextValue ReadEditText(ControlId box) = 0;
    // Shows the text, then raises the box's content-changed event once before returning,
    // even when the text is unchanged.
    virtual void SetEditText(ControlId box, const TextValue& text) = 0;
    // 1 when the check box is ticked, otherwise 0.
    [[nodiscard]] virtual std::int32_t ReadChecked(ControlId box) = 0;
    [[nodiscard]] virtual TextValue ReadCaption(ControlId button) = 0;
    virtual void SetCaption(ControlId button, const TextValue& caption) = 0;
    // Milliseconds. Negative counts as 0; the current period does nothing at all; any other
    // value cancels the running countdown (and drops a Timer event not yet dispatched) and,
    // above 0, starts one a full period from now.
    virtual void SetTimerPeriod(std::int32_t milliseconds) = 0;
    // See PumpMessages (ui/pump.h).
    virtual void PumpMessages() = 0;
    // False once the window is being destroyed: nothing may touch its controls then.
    [[nodiscard]] virtual bool IsAlive() = 0;
    // A modal box with one OK button and no icon, owned by no window; Timer events keep
    // being dispatched while it is open.
    virtual void ShowNotice(const TextValue& text, const TextValue& caption) = 0;
    // Asks the desktop to open the address in the default browser; returns at once.
    virtual void OpenInBrowser(const TextValue& url) = 0;
};

// The program's one window, or null before it exists and after it has gone.
[[nodiscard]] Window* CurrentWindow();
void SetCurrentWindow(Window* window);

}  // namespace lumeno
