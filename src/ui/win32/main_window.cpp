// The main window: creation from the layout table, the window procedure with its command
// routing, the interval box's input rules, and the window contract on Win32.
#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <imm.h>
#include <shellapi.h>

#include <string>
#include <utility>

#include "text/encoding.h"
#include "ui/integer_text.h"
#include "ui/win32/controls.h"
#include "ui/win32/integer_input.h"
#include "ui/win32/spaced_label.h"

namespace lumeno::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"LumenoMainWindow";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT_PTR kIntervalBoxSubclass = 1;

std::wstring Wide(const TextValue& text) {
    return GbkToWide(text.View());
}

TextValue WindowText(HWND hwnd) {
    if (hwnd == nullptr) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return TextValue::OrAbsent(WideToGbk(text));
}

// The layout is in pixels at 96 dpi; the program is DPI aware (see its manifest), so on
// a larger system DPI everything grows together, fonts included, and stays sharp.
int Scaled(int pixels) {
    static const int dpi = [] {
        const HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return MulDiv(pixels, dpi, 96);
}

// The system's dialog text font (the message-box font), so the window looks like the
// desktop's other dialogs, at 9 points or more: the layout was drawn for Chinese
// characters 12 pixels wide, which older systems' 8-point default would squeeze.
FontHandle CreateDialogFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return {};
    LOGFONTW font = metrics.lfMessageFont;
    const LONG ninePoints = -Scaled(12);  // 9 pt at 96 dpi is a 12-pixel character height
    if (font.lfHeight < 0 && font.lfHeight > ninePoints) font.lfHeight = ninePoints;
    return FontHandle(CreateFontIndirectW(&font));
}

const wchar_t* WindowClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::StatusBar:
            return STATUSCLASSNAMEW;
        case ControlKind::EditBox:
            return WC_EDITW;
        case ControlKind::Label:
            return WC_STATICW;
        case ControlKind::Button:
        case ControlKind::CheckBox:
            return WC_BUTTONW;
        default:
            return nullptr;
    }
}

DWORD KindStyle(ControlKind kind) {
    switch (kind) {
        case ControlKind::EditBox:
            return WS_BORDER | ES_CENTER | ES_AUTOHSCROLL;
        case ControlKind::Label:
            return SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
        case ControlKind::Button:
            return BS_PUSHBUTTON;
        case ControlKind::CheckBox:
            return BS_AUTOCHECKBOX;
        default:
            return 0;
    }
}

const ControlSpec* SpecOfCommand(int commandId) {
    for (const ControlSpec& spec : kControls) {
        if (CommandIdOf(spec.id) == commandId) return &spec;
    }
    return nullptr;
}

bool RegisterWindowClass(WNDPROC windowProc) {
    static const bool registered = [windowProc] {
        // The status bar is a common control: its class exists once this has run.
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES;
        InitCommonControlsEx(&controls);

        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));      // IDI_APPLICATION
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    return registered;
}

}  // namespace

MainWindow::MainWindow(WindowEvents& events, WindowOptions options)
    : events_(events), options_(std::move(options)) {}

MainWindow::~MainWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    if (CurrentWindow() == this) SetCurrentWindow(nullptr);
}

bool MainWindow::Load() {
    if (!Create()) return false;
    SetCurrentWindow(this);
    events_.Created();
    // The created event may have ended the window (closed from the notice's modal loop).
    if (alive_) ShowCentred();
    return true;
}

bool MainWindow::Create() {
    if (hwnd_ != nullptr || !RegisterWindowClass(StaticWndProc)) return false;
    creating_ = true;
    const std::wstring caption = Wide(kWindowCaption);
    // Created hidden: the window shows only once the created event has run.
    const HWND hwnd =
        CreateWindowExW(kWindowExStyle, kWindowClass, caption.c_str(), kWindowStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, Scaled(kWindowWidth), Scaled(kWindowHeight), nullptr,
                        nullptr, GetModuleHandleW(nullptr), this);
    const bool created = hwnd != nullptr && CreateControls();
    creating_ = false;
    if (!created) {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
        return false;
    }
    alive_ = true;
    return true;
}

bool MainWindow::CreateControls() {
    font_ = CreateDialogFont();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const ControlSpec& spec : kControls) {
        const auto index = static_cast<std::size_t>(spec.id);
        const RECT rect{Scaled(spec.x), Scaled(spec.y), Scaled(spec.x + spec.width),
                        Scaled(spec.y + spec.height)};
        if (spec.kind == ControlKind::Timer) continue;  // SetTimer on the window itself
        if (spec.kind == ControlKind::HtmlViewer) {
            // Without a browser engine the program runs on without it.
            browser_.Open(hwnd_, rect, Wide(options_.browserAddress));
            continue;
        }
        const std::wstring text = Wide(spec.text);
        const HWND control = CreateWindowExW(
            0, WindowClassOf(spec.kind), text.c_str(),
            WS_CHILD | WS_CLIPSIBLINGS | KindStyle(spec.kind) | spec.style, rect.left, rect.top,
            rect.right - rect.left, rect.bottom - rect.top, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(CommandIdOf(spec.id))), instance, nullptr);
        if (control == nullptr) return false;
        controls_[index] = control;
        if (font_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (spec.kind == ControlKind::CheckBox) SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
        if (spec.kind == ControlKind::StatusBar) {
            // One pane; the bar places itself along the bottom edge.
            SendMessageW(control, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        if (spec.id == ControlId::EditBox1) {
            SetWindowSubclass(control, IntervalBoxProc, kIntervalBoxSubclass,
                              reinterpret_cast<DWORD_PTR>(this));
            // An input method would hand its composed text to the box directly, past the
            // keystroke filter; a number needs none, so the box has no input context.
            ImmAssociateContext(control, nullptr);
        }
        if (spec.id == ControlId::Label1) KeepLayoutBlanks(control);
    }
    return true;
}

void MainWindow::ShowCentred() {
    if (hwnd_ == nullptr) return;
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd_, options_.showCommand);
    UpdateWindow(hwnd_);
}

HWND MainWindow::ControlHandle(ControlId id) const {
    const auto index = static_cast<std::size_t>(id);
    return index < controls_.size() ? controls_[index] : nullptr;
}

LRESULT CALLBACK MainWindow::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // The window's object comes with the create call; from here on every message of
        // this window reaches it.
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->WndProc(message, wParam, lParam);
}

LRESULT MainWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            // A Timer event already queued when the Timer was stopped is not delivered.
            if (wParam == kTimerId && timerPeriod_ > 0 && alive_) events_.TimerTick();
            return 0;
        case WM_HELP:
            return TRUE;  // F1 opens nothing
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_NCDESTROY: {
            const HWND hwnd = hwnd_;
            hwnd_ = nullptr;
            controls_.fill(nullptr);
            font_.reset();  // the controls that used it are gone
            if (CurrentWindow() == this) SetCurrentWindow(nullptr);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void MainWindow::OnCommand(int commandId, int notification) {
    // Controls raise no events while the window is being built; Enter and Esc from the
    // dialog keyboard (IDOK, IDCANCEL) belong to no control and do nothing.
    if (creating_ || !alive_) return;
    const ControlSpec* spec = SpecOfCommand(commandId);
    if (spec == nullptr) return;
    switch (spec->kind) {
        case ControlKind::Button:
        case ControlKind::CheckBox:
            // An automatic check box has toggled before it notifies, so the handler reads
            // the new tick.
            if (notification == BN_CLICKED) events_.Clicked(spec->id);
            break;
        case ControlKind::EditBox:
            if (notification == EN_CHANGE && settingBox_ != static_cast<int>(spec->id)) {
                events_.ContentChanged(spec->id);
            } else if (notification == EN_KILLFOCUS && spec->id == ControlId::EditBox1) {
                NormalizeIntervalBox();
            }
            break;
        default:
            break;
    }
}

void MainWindow::OnDestroy() {
    const bool wasAlive = alive_;
    alive_ = false;
    if (wasAlive) events_.Closing();
    SetTimerPeriod(0);
    browser_.Close();
    // The program's only window is gone: the main loop may end.
    if (wasAlive) PostQuitMessage(0);
}

LRESULT CALLBACK MainWindow::IntervalBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR subclassId, DWORD_PTR) {
    if ((message == WM_CHAR || message == WM_IME_CHAR) &&
        !IsAcceptedIntegerChar(static_cast<wchar_t>(wParam)))
        return 0;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, IntervalBoxProc, subclassId);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void MainWindow::NormalizeIntervalBox() {
    const TextValue shown = ReadEditText(ControlId::EditBox1);
    const std::string normal = NormalizeIntegerText(shown.View());
    if (normal != shown.View()) SetEditText(ControlId::EditBox1, TextValue(normal));
}

TextValue MainWindow::ReadEditText(ControlId box) {
    return WindowText(ControlHandle(box));
}

void MainWindow::SetEditText(ControlId box, const TextValue& text) {
    const HWND control = ControlHandle(box);
    if (control == nullptr || !alive_) return;
    // The edit control itself notifies only when the text differs (or not at all, on
    // some systems); the content-changed event is raised here instead, once, either way.
    const int previous = std::exchange(settingBox_, static_cast<int>(box));
    SetWindowTextW(control, Wide(text).c_str());
    settingBox_ = previous;
    events_.ContentChanged(box);
}

std::int32_t MainWindow::ReadChecked(ControlId box) {
    const HWND control = ControlHandle(box);
    return control != nullptr && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

TextValue MainWindow::ReadCaption(ControlId button) {
    return WindowText(ControlHandle(button));
}

void MainWindow::SetCaption(ControlId button, const TextValue& caption) {
    if (const HWND control = ControlHandle(button)) SetWindowTextW(control, Wide(caption).c_str());
}

void MainWindow::SetTimerPeriod(std::int32_t milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    if (milliseconds == timerPeriod_) return;  // the running countdown goes on untouched
    timerPeriod_ = milliseconds;
    if (hwnd_ == nullptr) return;
    KillTimer(hwnd_, kTimerId);
    // A Timer event that came due under the old period must not arrive early under the
    // new one (or at all, once stopped).
    MSG stale;
    while (PeekMessageW(&stale, hwnd_, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    if (milliseconds > 0) SetTimer(hwnd_, kTimerId, static_cast<UINT>(milliseconds), nullptr);
}

void MainWindow::PumpMessages() {
    MSG msg;
    // A quit request stays in the queue for the main loop; nothing here waits.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) return;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            // Posted by a message handled while peeking: put it back for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchQueuedMessage(msg);
    }
}

void MainWindow::ShowNotice(const TextValue& text, const TextValue& caption) {
    // No owner, task-modal: every window of the program is disabled while it shows, and
    // its modal loop keeps dispatching the Timer's events.
    MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_TASKMODAL);
}

void MainWindow::OpenInBrowser(const TextValue& url) {
    ShellExecuteW(nullptr, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void DispatchQueuedMessage(MSG& msg) {
    if (msg.hwnd != nullptr) {
        const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root != nullptr && IsDialogMessageW(root, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace lumeno::win32
