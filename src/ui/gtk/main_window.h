// The program's one window on GTK 3: the 18 controls at their fixed places, and the window
// contract (ui/window.h) over them.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <cstdint>
#include <functional>

#include "text/values.h"
#include "ui/gtk/periodic_timer.h"
#include "ui/window.h"

namespace lumeno::gtk {

// Where the window's events go. The program binds them to the core's handlers; tests
// bind them to recorders. An empty function ignores its event.
struct WindowEvents {
    std::function<void(ControlId)> clicked;         // a button, or a check box after its toggle
    std::function<void(ControlId)> contentChanged;  // an edit box, after every change
    std::function<void()> timer;                    // 时钟1's periodic event
    std::function<void()> closing;                  // the window will be destroyed
    std::function<void()> destroyed;                // the window has gone: time to quit
    std::function<void()> loadBrowserPage;          // 超文本浏览框1's one load, once shown
};

// The client area: the Windows window's 448 x 267 outer size less a 3-pixel frame on
// each side and a 23-pixel caption bar. The window manager adds its own frame around it.
inline constexpr int kClientWidth = 442;
inline constexpr int kClientHeight = 238;

class MainWindow final : public Window {
  public:
    // Creates the window hidden, with every control and its initial settings. No event is
    // raised while it is being built.
    explicit MainWindow(WindowEvents events);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows each control according to its visibility, then the window, centred. The
    // hidden browser's page load is started once the window is on screen.
    void Show();

    // The control's widget (null for 时钟1 and 超文本浏览框1, which have none), and the
    // top-level window; null once the window has gone. For tests that drive real input.
    [[nodiscard]] GtkWidget* Widget(ControlId id) const;
    [[nodiscard]] GtkWidget* Toplevel() const;

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
    void CreateControls();
    void WidenLabelGap();
    void ConnectEvents();
    void Raise(const std::function<void(ControlId)>& event, ControlId id);
    [[nodiscard]] bool TypingIntoIntervalBox() const;

    static gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, MainWindow* self);
    static void OnDestroy(GtkWidget*, MainWindow* self);
    static gboolean OnMapEvent(GtkWidget*, GdkEvent*, MainWindow* self);
    static gboolean OnLoadBrowserPage(gpointer self);
    static void OnEntryChanged(GtkEditable* editable, MainWindow* self);
    static void OnIntervalInsertText(GtkEditable* editable, gchar* text, gint length, gint*,
                                     MainWindow* self);
    static void OnIntervalPasteBegin(GtkEntry*, MainWindow* self);
    static void OnIntervalPasteEnd(GtkEntry*, MainWindow* self);
    static gboolean OnIntervalFocusOut(GtkWidget*, GdkEvent*, MainWindow* self);
    static void OnButtonClicked(GtkButton* button, MainWindow* self);

    WindowEvents events_;
    GtkWidget* window_ = nullptr;                      // owned by GTK's list of top-level windows
    std::array<GtkWidget*, kControlCount> widgets_{};  // owned by the window
    PeriodicTimer timer_;
    bool alive_ = true;
    // Set as closing starts: GTK takes the focus away (a focus-out of 编辑框1) before the
    // destroy signal, and no control event may come out of a window that is going.
    bool closing_ = false;
    bool browserPageStarted_ = false;
    guint browserIdle_ = 0;  // the pending start of the page load, removed with the window
    int settingText_ = 0;    // inside SetEditText: the system writes, nothing is filtered
    int pasting_ = 0;        // inside a paste-clipboard emission of 编辑框1
};

}  // namespace lumeno::gtk
