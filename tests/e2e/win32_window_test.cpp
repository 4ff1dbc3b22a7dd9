// The real Win32 main window under wine64: its events, the interval box's input rules,
// SetEditText's one content-changed event, the Timer's period rules, PumpMessages and
// closing. Events go to a recording sink instead of the core's handlers.
#include <windows.h>

#include <commctrl.h>
#include <imm.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "text/encoding.h"
#include "ui/win32/controls.h"
#include "ui/win32/integer_input.h"
#include "ui/win32/main_window.h"

namespace lumeno::win32 {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string NameOf(ControlId id) {
    static const char* const names[] = {"StatusBar1",  "EditBox1", "Label1", "Button3", "Timer1",
                                        "dy",          "hz",       "ks",     "q2s",     "q3",
                                        "bhz",         "bdy",      "bq2",    "bq3",     "bks",
                                        "HtmlViewer1", "Button2",  "Button1"};
    return names[static_cast<int>(id)];
}

// Records each event as a short line, with what the handler would read at that moment.
class RecordingEvents final : public WindowEvents {
  public:
    void Created() override {
        Record({"created visible=", Flag(IsWindowVisible(window->Handle())),
                " current=", Flag(CurrentWindow() == window)});
    }
    void Closing() override { Record({"closing alive=", Flag(window->IsAlive())}); }
    void Clicked(ControlId control) override {
        if (IsCheckBox(control)) {
            Record({"clicked ", NameOf(control),
                    " ticked=", std::to_string(window->ReadChecked(control))});
        } else {
            Record({"clicked ", NameOf(control)});
        }
    }
    void ContentChanged(ControlId box) override {
        Record({"changed ", NameOf(box), " '", window->ReadEditText(box).Bytes(), "'"});
    }
    void TimerTick() override { ++ticks; }

    MainWindow* window = nullptr;
    std::vector<std::string> lines;
    int ticks = 0;

  private:
    static std::string Flag(bool value) { return value ? "1" : "0"; }
    static bool IsCheckBox(ControlId id) {
        return id == ControlId::q3 || id == ControlId::q2s || id == ControlId::ks ||
               id == ControlId::dy || id == ControlId::hz;
    }
    void Record(std::initializer_list<std::string> parts) {
        std::string line;
        for (const std::string& part : parts) line.append(part);
        lines.push_back(std::move(line));
    }
};

int Scaled(int pixels) {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(pixels, dpi, 96);
}

// Drops everything the queue holds, a quit request included, so tests start clean.
void DrainQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
}

class Win32WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DrainQueue();
        window_ =
            std::make_unique<MainWindow>(events_, WindowOptions{TextValue(), SW_SHOWNOACTIVATE});
        events_.window = window_.get();
        ASSERT_TRUE(window_->Create());
    }
    void TearDown() override {
        window_.reset();
        DrainQueue();
    }

    HWND Control(ControlId id) const { return window_->ControlHandle(id); }

    std::wstring TextOf(ControlId id) const {
        wchar_t buffer[256] = {};
        GetWindowTextW(Control(id), buffer, 256);
        return buffer;
    }

    // Sets the box's text as the user's editing would, then forgets the event it raised.
    void ShowInIntervalBox(const std::wstring& text) {
        SetWindowTextW(Control(ControlId::EditBox1), text.c_str());
        events_.lines.clear();
    }

    // Dispatches messages through the window's PumpMessages until done() holds or the
    // bound passes; returns how long it took.
    milliseconds PumpUntil(const std::function<bool()>& done, milliseconds bound) {
        const auto start = steady_clock::now();
        while (!done() && steady_clock::now() - start < bound) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            window_->PumpMessages();
        }
        return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    }
    void PumpFor(milliseconds span) {
        PumpUntil([] { return false; }, span);
    }

    RecordingEvents events_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(Win32WindowTest, FixedFrameAndTheDocumentedStartState) {
    const HWND hwnd = window_->Handle();
    RECT outer{};
    GetWindowRect(hwnd, &outer);
    EXPECT_EQ(outer.right - outer.left, Scaled(448));
    EXPECT_EQ(outer.bottom - outer.top, Scaled(267));
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << "cannot be maximised or resized";
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_SYSMENU | WS_CAPTION),
              WS_MINIMIZEBOX | WS_SYSMENU | WS_CAPTION);
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "created hidden";
    wchar_t caption[64] = {};
    GetWindowTextW(hwnd, caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Lumeno v1.0");

    EXPECT_EQ(TextOf(ControlId::EditBox1), L"1");
    EXPECT_EQ(TextOf(ControlId::Button1), L"抢购检测");
    for (ControlId box :
         {ControlId::q3, ControlId::q2s, ControlId::ks, ControlId::dy, ControlId::hz})
        EXPECT_EQ(window_->ReadChecked(box), 1) << NameOf(box);
    for (ControlId box :
         {ControlId::bq3, ControlId::bq2, ControlId::bks, ControlId::bdy, ControlId::bhz}) {
        EXPECT_FALSE(IsWindowEnabled(Control(box))) << NameOf(box) << " is disabled";
        EXPECT_NE(GetWindowLongW(Control(box), GWL_STYLE) & ES_CENTER, 0) << NameOf(box);
    }

    RECT client{};
    GetClientRect(hwnd, &client);
    // 按钮2 is hidden and lies beyond the right edge; the status bar sits on the bottom edge.
    const HWND hiddenButton = Control(ControlId::Button2);
    EXPECT_EQ(GetWindowLongW(hiddenButton, GWL_STYLE) & WS_VISIBLE, 0);
    RECT button{};
    GetWindowRect(hiddenButton, &button);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_GE(button.left, client.right);
    RECT bar{};
    GetWindowRect(Control(ControlId::StatusBar1), &bar);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.bottom, client.bottom);
    wchar_t barText[128] = {};
    SendMessageW(Control(ControlId::StatusBar1), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(barText));
    EXPECT_TRUE(std::wstring(barText).ends_with(L"本软件获取数据仅供参考")) << "status bar notice";

    EXPECT_THAT(events_.lines, IsEmpty()) << "creating the controls raises no event";
}

TEST_F(Win32WindowTest, ControlsSitWhereTheLayoutPutsThem) {
    for (const ControlSpec& spec : kControls) {
        const HWND control = Control(spec.id);
        if (spec.kind == ControlKind::Timer || spec.kind == ControlKind::HtmlViewer ||
            spec.kind == ControlKind::StatusBar)
            continue;  // no window of ours, or placed by the bar itself
        ASSERT_NE(control, nullptr) << NameOf(spec.id);
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, Scaled(spec.x)) << NameOf(spec.id);
        EXPECT_EQ(rect.top, Scaled(spec.y)) << NameOf(spec.id);
        EXPECT_EQ(rect.right - rect.left, Scaled(spec.width)) << NameOf(spec.id);
        EXPECT_EQ(rect.bottom - rect.top, Scaled(spec.height)) << NameOf(spec.id);
        EXPECT_EQ(GetDlgCtrlID(control), CommandIdOf(spec.id));
        EXPECT_NE(GetDlgCtrlID(control), IDOK);
        EXPECT_NE(GetDlgCtrlID(control), IDCANCEL);
    }
}

TEST_F(Win32WindowTest, LoadRaisesCreatedWhileHiddenThenShowsCentred) {
    window_.reset();
    DrainQueue();
    events_.lines.clear();
    window_ = std::make_unique<MainWindow>(events_, WindowOptions{TextValue(), SW_SHOWNOACTIVATE});
    events_.window = window_.get();
    ASSERT_TRUE(window_->Load());
    EXPECT_THAT(events_.lines, ElementsAre("created visible=0 current=1"));
    EXPECT_TRUE(IsWindowVisible(window_->Handle()));
    RECT rect{};
    GetWindowRect(window_->Handle(), &rect);
    EXPECT_NEAR((rect.left + rect.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((rect.top + rect.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    window_.reset();
    EXPECT_EQ(CurrentWindow(), nullptr) << "a window that has gone is no longer current";
}

TEST(IntegerInputTest, AcceptsDigitsMinusAndControlKeysOnly) {
    struct Case {
        wchar_t c;
        bool accepted;
    };
    const Case cases[] = {
        {L'0', true},  {L'9', true},   {L'-', true},   {L'\b', true}, {0x16, true},  // Ctrl+V
        {0x7F, true},  {L'a', false},  {L'+', false},  {L'.', false}, {L' ', false},
        {L'e', false}, {L'５', false}, {L'中', false}, {L'/', false}, {L':', false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsAcceptedIntegerChar(c.c), c.accepted) << "char " << static_cast<int>(c.c);
    }
}

TEST_F(Win32WindowTest, IntervalBoxFiltersTypedCharacters) {
    struct Case {
        wchar_t typed;
        const wchar_t* after;  // with "1" shown and the caret at its end
    };
    const Case cases[] = {
        {L'7', L"17"}, {L'-', L"1-"}, {L'a', L"1"},  {L'.', L"1"},
        {L' ', L"1"},  {L'+', L"1"},  {L'５', L"1"}, {L'\b', L""},
    };
    const HWND box = Control(ControlId::EditBox1);
    for (const Case& c : cases) {
        ShowInIntervalBox(L"1");
        SendMessageW(box, EM_SETSEL, 1, 1);
        SendMessageW(box, WM_CHAR, c.typed, 0);
        EXPECT_EQ(TextOf(ControlId::EditBox1), c.after) << "typed " << static_cast<int>(c.typed);
        const bool changed = std::wstring(c.after) != L"1";
        EXPECT_EQ(events_.lines.size(), changed ? 1u : 0u) << "typed " << static_cast<int>(c.typed);
    }
}

TEST_F(Win32WindowTest, KeystrokesFromTheQueueAreFilteredToo) {
    // Real keys travel through the pump: dialog keyboard, then TranslateMessage makes WM_CHAR
    // (and an input method, if any, would be off for this box).
    ShowWindow(window_->Handle(), SW_SHOWNORMAL);
    const HWND box = Control(ControlId::EditBox1);
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 1, 1);
    for (const WPARAM key :
         {WPARAM{'A'}, WPARAM{'5'}, WPARAM{VK_OEM_PERIOD}, WPARAM{VK_OEM_MINUS}}) {
        PostMessageW(box, WM_KEYDOWN, key, 1);
        PostMessageW(box, WM_KEYUP, key, 0xC0000001);
        window_->PumpMessages();
    }
    EXPECT_EQ(TextOf(ControlId::EditBox1), L"15-");
    EXPECT_EQ(ImmGetContext(box), nullptr) << "no input method for the interval box";
}

TEST_F(Win32WindowTest, PastedTextIsNotFiltered) {
    if (!OpenClipboard(window_->Handle())) GTEST_SKIP() << "no clipboard here";
    EmptyClipboard();
    const std::wstring pasted = L" 5x";
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(memory, nullptr);
    memcpy(GlobalLock(memory), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    const bool stored = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;  // owned by it now
    CloseClipboard();
    if (!stored) GTEST_SKIP() << "clipboard refused the text";

    ShowInIntervalBox(L"");
    SendMessageW(Control(ControlId::EditBox1), WM_PASTE, 0, 0);
    EXPECT_EQ(TextOf(ControlId::EditBox1), L" 5x");
    EXPECT_THAT(events_.lines, ElementsAre("changed EditBox1 ' 5x'"));
}

TEST_F(Win32WindowTest, LosingTheFocusNormalisesTheIntervalBox) {
    struct Case {
        const wchar_t* shown;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {L"  12abc", {"changed EditBox1 '12'"}},
        {L"99999999999", {"changed EditBox1 '2147483647'"}},
        {L"-0", {"changed EditBox1 ''"}},
        {L"12", {}},  // already normal: nothing is set, nothing is raised
        {L"", {}},
    };
    ShowWindow(window_->Handle(), SW_SHOWNORMAL);
    for (const Case& c : cases) {
        SetFocus(Control(ControlId::EditBox1));
        ASSERT_EQ(GetFocus(), Control(ControlId::EditBox1));
        ShowInIntervalBox(c.shown);
        SetFocus(Control(ControlId::Button1));
        EXPECT_EQ(events_.lines, c.events) << "shown '" << WideToGbk(c.shown) << "'";
    }
}

TEST_F(Win32WindowTest, SetEditTextRaisesExactlyOneChangeEvenWhenUnchanged) {
    struct Case {
        ControlId box;
        const char* before;
        const char* set;
    };
    const Case cases[] = {
        {ControlId::EditBox1, "1", "1"},      {ControlId::EditBox1, "1", "5"},
        {ControlId::EditBox1, "", ""},        {ControlId::bq3, "", "待检测"},
        {ControlId::bq3, "待检测", "待检测"},
    };
    for (const Case& c : cases) {
        SetWindowTextW(Control(c.box), GbkToWide(c.before).c_str());
        events_.lines.clear();
        window_->SetEditText(c.box, c.set);
        EXPECT_THAT(events_.lines,
                    ElementsAre("changed " + NameOf(c.box) + " '" + std::string(c.set) + "'"))
            << NameOf(c.box) << " '" << c.before << "' -> '" << c.set << "'";
        EXPECT_EQ(window_->ReadEditText(c.box), TextValue(c.set));
    }
}

TEST_F(Win32WindowTest, TextsRoundTripAsGbkThroughTheWideApi) {
    window_->SetCaption(ControlId::Button1, "停止检测");
    EXPECT_EQ(TextOf(ControlId::Button1), L"停止检测");
    EXPECT_EQ(window_->ReadCaption(ControlId::Button1), TextValue("停止检测"));
    window_->SetEditText(ControlId::bhz, "已开放购买");
    EXPECT_EQ(TextOf(ControlId::bhz), L"已开放购买");
    window_->SetEditText(ControlId::bhz, "");
    EXPECT_FALSE(window_->ReadEditText(ControlId::bhz).IsPresent()) << "an empty box reads absent";
}

TEST_F(Win32WindowTest, ClicksReachTheSendingControlsHandler) {
    struct Case {
        ControlId control;
        const char* event;
    };
    const Case cases[] = {
        {ControlId::Button1, "clicked Button1"}, {ControlId::Button3, "clicked Button3"},
        {ControlId::q3, "clicked q3 ticked=0"},  {ControlId::q3, "clicked q3 ticked=1"},
        {ControlId::hz, "clicked hz ticked=0"},  {ControlId::dy, "clicked dy ticked=0"},
        {ControlId::ks, "clicked ks ticked=0"},  {ControlId::q2s, "clicked q2s ticked=0"},
    };
    ShowWindow(window_->Handle(), SW_SHOWNORMAL);
    for (const Case& c : cases) {
        events_.lines.clear();
        SendMessageW(Control(c.control), BM_CLICK, 0, 0);
        EXPECT_THAT(events_.lines, ElementsAre(c.event));
    }
    // 按钮2 cannot be clicked by the user; a click by other means still reaches its handler.
    events_.lines.clear();
    SendMessageW(window_->Handle(), WM_COMMAND,
                 MAKEWPARAM(CommandIdOf(ControlId::Button2), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(ControlId::Button2)));
    EXPECT_THAT(events_.lines, ElementsAre("clicked Button2"));
}

TEST_F(Win32WindowTest, EnterEscAndF1LeaveTheWindowAsItIs) {
    ShowWindow(window_->Handle(), SW_SHOWNORMAL);
    const HWND box = Control(ControlId::EditBox1);
    SetFocus(box);
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE, VK_F1}) {
        PostMessageW(box, WM_KEYDOWN, key, 0);
        PostMessageW(box, WM_KEYUP, key, 0xC0000001);
        window_->PumpMessages();
        EXPECT_TRUE(window_->IsAlive()) << "key " << key;
        EXPECT_EQ(GetFocus(), box) << "key " << key;
    }
    EXPECT_EQ(TextOf(ControlId::EditBox1), L"1");
    EXPECT_THAT(events_.lines, IsEmpty());
}

TEST_F(Win32WindowTest, TimerTicksEveryPeriodUntilStopped) {
    window_->SetTimerPeriod(50);
    PumpUntil([&] { return events_.ticks >= 3; }, milliseconds(5000));
    EXPECT_GE(events_.ticks, 3);
    window_->SetTimerPeriod(0);
    const int ticks = events_.ticks;
    PumpFor(milliseconds(300));
    EXPECT_EQ(events_.ticks, ticks);
}

TEST_F(Win32WindowTest, StoppingDropsATimerEventAlreadyDue) {
    for (const int stop : {0, -5}) {  // a negative period counts as 0
        window_->SetTimerPeriod(20);
        Sleep(120);  // due, not yet dispatched
        window_->SetTimerPeriod(stop);
        PumpFor(milliseconds(200));
        EXPECT_EQ(events_.ticks, 0) << "stopped with " << stop;
    }
}

TEST_F(Win32WindowTest, SettingTheSamePeriodKeepsTheCountdown) {
    const auto start = steady_clock::now();
    window_->SetTimerPeriod(1000);
    Sleep(700);
    window_->SetTimerPeriod(1000);  // a restart would put the first event at 1700 ms
    PumpUntil([&] { return events_.ticks > 0; }, milliseconds(5000));
    const auto first = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    ASSERT_EQ(events_.ticks, 1);
    EXPECT_LT(first.count(), 1500);
}

TEST_F(Win32WindowTest, ANewPeriodRestartsTheCountdownInFull) {
    const auto start = steady_clock::now();
    window_->SetTimerPeriod(1000);
    Sleep(700);
    window_->SetTimerPeriod(900);
    PumpUntil([&] { return events_.ticks > 0; }, milliseconds(5000));
    const auto first = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    ASSERT_EQ(events_.ticks, 1);
    EXPECT_GE(first.count(), 1590) << "the first event comes a full new period after the call";
}

TEST_F(Win32WindowTest, PumpDispatchesWhatWaitsAndLeavesTheQuitRequest) {
    const HWND button = Control(ControlId::Button1);
    PostMessageW(window_->Handle(), WM_COMMAND,
                 MAKEWPARAM(CommandIdOf(ControlId::Button1), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    PostQuitMessage(7);
    window_->PumpMessages();
    EXPECT_THAT(events_.lines, ElementsAre("clicked Button1"));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(Win32WindowTest, ClosingRaisesClosingStopsTheTimerAndPostsQuit) {
    SetCurrentWindow(window_.get());
    window_->SetTimerPeriod(20);
    DestroyWindow(window_->Handle());
    EXPECT_THAT(events_.lines, ElementsAre("closing alive=0"));
    EXPECT_FALSE(window_->IsAlive());
    EXPECT_EQ(CurrentWindow(), nullptr);

    // Nothing reaches the handlers any more, and the controls are left alone.
    window_->SetEditText(ControlId::EditBox1, "5");
    EXPECT_EQ(window_->ReadEditText(ControlId::EditBox1), TextValue());
    Sleep(60);
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            quit = true;
        else
            DispatchMessageW(&msg);
    }
    EXPECT_TRUE(quit) << "the last window gone ends the main loop";
    EXPECT_EQ(events_.ticks, 0);
    EXPECT_THAT(events_.lines, ElementsAre("closing alive=0"));
}

}  // namespace
}  // namespace lumeno::win32
