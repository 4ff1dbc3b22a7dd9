// The main window's fixed layout: its caption, outer size and frame, and the 18 controls in
// creation order with their positions, sizes, texts and settings.
#pragma once

#include <windows.h>

#include <array>

#include "ui/window.h"

namespace lumeno::win32 {

enum class ControlKind { StatusBar, EditBox, Label, Button, CheckBox, Timer, HtmlViewer };

struct ControlSpec {
    ControlId id;
    ControlKind kind;
    int x, y, width, height;  // client coordinates at 96 dpi
    const char* text;         // GBK
    DWORD style;              // beyond WS_CHILD | WS_CLIPSIBLINGS and the kind's own style
};

inline constexpr const char* kWindowCaption = "Lumeno v1.0";
inline constexpr int kWindowWidth = 448;  // outer size, frame and caption bar included
inline constexpr int kWindowHeight = 267;
// Fixed dialog frame: system menu, minimize and close boxes; no maximize box, no sizing.
inline constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
inline constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The status bar's one pane; only the notice at its end is fixed.
inline constexpr const char* kStatusBarText = "Lumeno v1.0 | 本软件获取数据仅供参考";

// 时钟1 has no window; 超文本浏览框1 is the embedded browser, placed below the client area.
// 按钮2 is hidden and lies beyond the right edge; the status boxes are disabled.
inline constexpr std::array<ControlSpec, kControlCount> kControls = {{
    {ControlId::StatusBar1, ControlKind::StatusBar, 0, 229, 470, 20, kStatusBarText, WS_VISIBLE},
    {ControlId::EditBox1, ControlKind::EditBox, 291, 26, 30, 20, "1", WS_VISIBLE | WS_TABSTOP},
    {ControlId::Label1, ControlKind::Label, 236, 24, 112, 24, "监控间隔       秒", WS_VISIBLE},
    {ControlId::Button3, ControlKind::Button, 136, 64, 160, 32, "打开春节特供页面",
     WS_VISIBLE | WS_TABSTOP},
    {ControlId::Timer1, ControlKind::Timer, 0, 0, 0, 0, "", 0},
    {ControlId::dy, ControlKind::CheckBox, 239, 155, 80, 24, "电源", WS_VISIBLE | WS_TABSTOP},
    {ControlId::hz, ControlKind::CheckBox, 12, 196, 80, 24, "盒子", WS_VISIBLE | WS_TABSTOP},
    {ControlId::ks, ControlKind::CheckBox, 12, 155, 80, 24, "Kessa", WS_VISIBLE | WS_TABSTOP},
    {ControlId::q2s, ControlKind::CheckBox, 238, 114, 80, 24, "Qorvi2S", WS_VISIBLE | WS_TABSTOP},
    {ControlId::q3, ControlKind::CheckBox, 12, 114, 80, 24, "Qorvi3 TD版", WS_VISIBLE | WS_TABSTOP},
    {ControlId::bhz, ControlKind::EditBox, 103, 195, 100, 23, "", WS_VISIBLE | WS_DISABLED},
    {ControlId::bdy, ControlKind::EditBox, 326, 156, 100, 23, "", WS_VISIBLE | WS_DISABLED},
    {ControlId::bq2, ControlKind::EditBox, 326, 115, 100, 23, "", WS_VISIBLE | WS_DISABLED},
    {ControlId::bq3, ControlKind::EditBox, 103, 115, 100, 23, "", WS_VISIBLE | WS_DISABLED},
    {ControlId::bks, ControlKind::EditBox, 103, 156, 100, 23, "", WS_VISIBLE | WS_DISABLED},
    {ControlId::HtmlViewer1, ControlKind::HtmlViewer, 0, 352, 528, 120, "", WS_VISIBLE},
    {ControlId::Button2, ControlKind::Button, 472, 40, 80, 32, "按钮", WS_TABSTOP},
    {ControlId::Button1, ControlKind::Button, 108, 16, 80, 32, "抢购检测", WS_VISIBLE | WS_TABSTOP},
}};

// The dialog-item id of a control's window; never IDOK or IDCANCEL, which the dialog
// keyboard sends for Enter and Esc.
[[nodiscard]] constexpr int CommandIdOf(ControlId id) {
    return 1000 + static_cast<int>(id);
}

}  // namespace lumeno::win32
