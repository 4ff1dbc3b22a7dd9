// The main window on GTK 3: a fixed-size top-level window whose controls sit in a GtkFixed
// at the places of the control table, and the window contract over them.
#include "ui/gtk/main_window.h"

#include <gio/gio.h>

#include <cstring>
#include <string>

#include "ui/gtk/controls.h"
#include "ui/gtk/dialogs.h"
#include "ui/gtk/interval_input.h"
#include "ui/gtk/utf8_text.h"
#include "ui/integer_text.h"

namespace lumeno::gtk {

namespace {

std::size_t Index(ControlId id) {
    return static_cast<std::size_t>(id);
}

// The system writes a box with its own signal handler blocked, so GTK's delete-then-insert
// cannot raise content-changed twice (or, for the same text, not at all).
class BlockedHandler {
  public:
    BlockedHandler(GtkWidget* widget, gpointer handler, gpointer data)
        : widget_(widget), handler_(handler), data_(data) {
        g_signal_handlers_block_by_func(widget_, handler_, data_);
    }
    ~BlockedHandler() { g_signal_handlers_unblock_by_func(widget_, handler_, data_); }
    BlockedHandler(const BlockedHandler&) = delete;
    BlockedHandler& operator=(const BlockedHandler&) = delete;

  private:
    GtkWidget* widget_;
    gpointer handler_;
    gpointer data_;
};

class Counted {
  public:
    explicit Counted(int& counter) : counter_(counter) { ++counter_; }
    ~Counted() { --counter_; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

  private:
    int& counter_;
};

GtkWidget* NewEntry(const char* gbkText, bool enabled) {
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), Utf8Of(gbkText).c_str());
    gtk_entry_set_alignment(GTK_ENTRY(entry), 0.5f);
    gtk_entry_set_has_frame(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);  // the table gives the width
    if (!enabled) {
        // Greyed, not focusable, not editable: only the system writes a status box.
        gtk_editable_set_editable(GTK_EDITABLE(entry), FALSE);
        gtk_widget_set_can_focus(entry, FALSE);
        gtk_widget_set_sensitive(entry, FALSE);
    }
    return entry;
}

GtkWidget* NewControl(const ControlDef& def) {
    const std::string text = Utf8Of(def.text);
    switch (def.kind) {
        case ControlKind::StatusBar: {
            GtkWidget* bar = gtk_statusbar_new();
            // GTK's status bar keeps a margin around itself and its pane; the Windows one
            // fills the bottom edge.
            gtk_widget_set_margin_start(bar, 0);
            gtk_widget_set_margin_end(bar, 0);
            gtk_widget_set_margin_top(bar, 0);
            gtk_widget_set_margin_bottom(bar, 0);
            GtkWidget* pane = gtk_statusbar_get_message_area(GTK_STATUSBAR(bar));
            gtk_widget_set_margin_top(pane, 2);
            gtk_widget_set_margin_bottom(pane, 2);
            const guint context = gtk_statusbar_get_context_id(GTK_STATUSBAR(bar), "notice");
            gtk_statusbar_push(GTK_STATUSBAR(bar), context, text.c_str());
            return bar;
        }
        case ControlKind::IntervalBox:
            return NewEntry(def.text, true);
        case ControlKind::StatusBox:
            return NewEntry(def.text, false);
        case ControlKind::Label: {
            GtkWidget* label = gtk_label_new(text.c_str());
            gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
            gtk_label_set_yalign(GTK_LABEL(label), 0.5f);
            return label;
        }
        case ControlKind::Button:
            return gtk_button_new_with_label(text.c_str());
        case ControlKind::CheckBox: {
            GtkWidget* box = gtk_check_button_new_with_label(text.c_str());
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), TRUE);
            return box;
        }
        case ControlKind::Timer:
        case ControlKind::HtmlViewer:
            return nullptr;
    }
    return nullptr;
}

}  // namespace

MainWindow::MainWindow(WindowEvents events)
    : events_(std::move(events)), timer_([this] {
          if (events_.timer) events_.timer();
      }) {
    InstallWindowStyle();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_name(window_, kMainWindowName);
    gtk_window_set_title(GTK_WINDOW(window_), "Lumeno v1.0");
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    CreateControls();
    WidenLabelGap();
    // A fixed dialog-style frame: move, minimise and close, no maximise, no resizing.
    gtk_widget_realize(window_);
    if (GdkWindow* gdkWindow = gtk_widget_get_window(window_)) {
        gdk_window_set_functions(
            gdkWindow,
            static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE | GDK_FUNC_CLOSE));
        gdk_window_set_decorations(
            gdkWindow, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE |
                                                    GDK_DECOR_MENU | GDK_DECOR_MINIMIZE));
    }
    ConnectEvents();
}

MainWindow::~MainWindow() {
    if (browserIdle_ != 0) g_source_remove(browserIdle_);
    closing_ = true;
    if (alive_) gtk_widget_destroy(window_);
}

void MainWindow::CreateControls() {
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, kClientWidth, kClientHeight);
    gtk_container_add(GTK_CONTAINER(window_), fixed);
    // GtkFixed paints its children in the order they were put, so labels go in first: 编辑框1
    // sits over the gap in 标签1's text and must not be painted over.
    for (const bool labels : {true, false}) {
        for (const ControlDef& def : ControlTable()) {
            if ((def.kind == ControlKind::Label) != labels) continue;
            GtkWidget* widget = NewControl(def);
            if (!widget) continue;
            gtk_widget_set_size_request(widget, def.width, def.height);
            gtk_fixed_put(GTK_FIXED(fixed), widget, def.x, def.y);
            widgets_[Index(def.id)] = widget;
        }
    }
    gtk_widget_show(fixed);
}

void MainWindow::WidenLabelGap() {
    // "监控间隔       秒": 编辑框1 fills the seven spaces. Windows' fonts give a space half
    // the width of a Chinese character; many CJK fonts give less, which would put "秒"
    // under the box. The spaces alone are widened until the box fits between the words.
    GtkWidget* label = widgets_[Index(ControlId::Label1)];
    const ControlDef& box = ControlTable()[Index(ControlId::EditBox1)];
    const ControlDef& def = ControlTable()[Index(ControlId::Label1)];
    const int wanted = (box.x + box.width + 2 - def.x) * PANGO_SCALE;  // where "秒" starts
    const std::string text = gtk_label_get_text(GTK_LABEL(label));
    const std::size_t gapStart = text.find(' ');
    const std::size_t gapEnd = text.find_first_not_of(' ', gapStart);
    if (gapStart == std::string::npos || gapEnd == std::string::npos) return;
    int extra = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        PangoRectangle pos;
        pango_layout_index_to_pos(gtk_label_get_layout(GTK_LABEL(label)), static_cast<int>(gapEnd),
                                  &pos);
        if (pos.x >= wanted) return;
        extra += (wanted - pos.x) / static_cast<int>(gapEnd - gapStart) + PANGO_SCALE / 4;
        PangoAttrList* attrs = pango_attr_list_new();
        PangoAttribute* spacing = pango_attr_letter_spacing_new(extra);
        spacing->start_index = static_cast<guint>(gapStart);
        spacing->end_index = static_cast<guint>(gapEnd);
        pango_attr_list_insert(attrs, spacing);  // the list owns it now
        gtk_label_set_attributes(GTK_LABEL(label), attrs);
        pango_attr_list_unref(attrs);
    }
}

void MainWindow::ConnectEvents() {
    g_signal_connect(window_, "delete-event", G_CALLBACK(&MainWindow::OnDeleteEvent), this);
    g_signal_connect(window_, "destroy", G_CALLBACK(&MainWindow::OnDestroy), this);
    g_signal_connect(window_, "map-event", G_CALLBACK(&MainWindow::OnMapEvent), this);
    for (const ControlDef& def : ControlTable()) {
        GtkWidget* widget = widgets_[Index(def.id)];
        switch (def.kind) {
            case ControlKind::Button:
            case ControlKind::CheckBox:
                // A check box toggles in the class handler, which runs first: the handler
                // reads the new tick.
                g_signal_connect(widget, "clicked", G_CALLBACK(&MainWindow::OnButtonClicked), this);
                break;
            case ControlKind::IntervalBox:
                g_signal_connect(widget, "insert-text",
                                 G_CALLBACK(&MainWindow::OnIntervalInsertText), this);
                g_signal_connect(widget, "paste-clipboard",
                                 G_CALLBACK(&MainWindow::OnIntervalPasteBegin), this);
                g_signal_connect_after(widget, "paste-clipboard",
                                       G_CALLBACK(&MainWindow::OnIntervalPasteEnd), this);
                g_signal_connect(widget, "focus-out-event",
                                 G_CALLBACK(&MainWindow::OnIntervalFocusOut), this);
                [[fallthrough]];
            case ControlKind::StatusBox:
                g_signal_connect(widget, "changed", G_CALLBACK(&MainWindow::OnEntryChanged), this);
                break;
            default:
                break;
        }
    }
}

void MainWindow::Show() {
    if (!alive_) return;
    for (const ControlDef& def : ControlTable()) {
        if (GtkWidget* widget = widgets_[Index(def.id)])
            gtk_widget_set_visible(widget, def.visible);
    }
    gtk_widget_show(window_);
}

GtkWidget* MainWindow::Widget(ControlId id) const {
    return alive_ ? widgets_[Index(id)] : nullptr;
}

GtkWidget* MainWindow::Toplevel() const {
    return alive_ ? window_ : nullptr;
}

void MainWindow::Raise(const std::function<void(ControlId)>& event, ControlId id) {
    if (event && !closing_) event(id);
}

// ---- the window contract ----

TextValue MainWindow::ReadEditText(ControlId box) {
    GtkWidget* widget = Widget(box);
    if (!widget || !GTK_IS_ENTRY(widget)) return {};
    return TextOfUtf8(gtk_entry_get_text(GTK_ENTRY(widget)));
}

void MainWindow::SetEditText(ControlId box, const TextValue& text) {
    GtkWidget* widget = Widget(box);
    if (!widget || !GTK_IS_ENTRY(widget)) return;
    const std::string utf8 = Utf8Of(text);
    {
        const Counted setting(settingText_);
        const BlockedHandler blocked(widget,
                                     reinterpret_cast<gpointer>(&MainWindow::OnEntryChanged), this);
        gtk_entry_set_text(GTK_ENTRY(widget), utf8.c_str());
    }
    Raise(events_.contentChanged, box);
}

std::int32_t MainWindow::ReadChecked(ControlId box) {
    GtkWidget* widget = Widget(box);
    if (!widget || !GTK_IS_TOGGLE_BUTTON(widget)) return 0;
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)) ? 1 : 0;
}

TextValue MainWindow::ReadCaption(ControlId button) {
    GtkWidget* widget = Widget(button);
    if (!widget || !GTK_IS_BUTTON(widget)) return {};
    return TextOfUtf8(gtk_button_get_label(GTK_BUTTON(widget)));
}

void MainWindow::SetCaption(ControlId button, const TextValue& caption) {
    GtkWidget* widget = Widget(button);
    if (!widget || !GTK_IS_BUTTON(widget)) return;
    gtk_button_set_label(GTK_BUTTON(widget), Utf8Of(caption).c_str());
}

void MainWindow::SetTimerPeriod(std::int32_t milliseconds) {
    if (alive_) timer_.SetPeriod(milliseconds);
}

void MainWindow::PumpMessages() {
    // Iterations of the default context never take the main loop's quit request: that
    // stays for the loop. A window destroyed meanwhile changes nothing here.
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

void MainWindow::ShowNotice(const TextValue& text, const TextValue& caption) {
    ShowNoticeDialog(text, caption);
}

void MainWindow::OpenInBrowser(const TextValue& url) {
    // Asynchronous: the desktop starts the browser while the window carries on. Whether a
    // handler exists at all is not our concern, so the result is never collected.
    const std::string uri = Utf8Of(url);
    g_app_info_launch_default_for_uri_async(uri.c_str(), nullptr, nullptr, nullptr, nullptr);
}

// ---- GTK signals ----

gboolean MainWindow::OnDeleteEvent(GtkWidget*, GdkEvent*, MainWindow* self) {
    self->closing_ = true;
    return FALSE;  // closing is always allowed: GTK destroys the window
}

void MainWindow::OnDestroy(GtkWidget*, MainWindow* self) {
    if (!self->alive_) return;
    self->closing_ = true;
    // The controls still exist while the closing handler runs; afterwards nothing may
    // touch them.
    if (self->events_.closing) self->events_.closing();
    self->timer_.SetPeriod(0);
    self->alive_ = false;
    if (self->events_.destroyed) self->events_.destroyed();
}

gboolean MainWindow::OnMapEvent(GtkWidget*, GdkEvent*, MainWindow* self) {
    if (!self->browserPageStarted_) {
        self->browserPageStarted_ = true;
        // After the first frame: the load pumps while it waits, but the window should have
        // been painted once before it starts.
        self->browserIdle_ = g_idle_add(&MainWindow::OnLoadBrowserPage, self);
    }
    return FALSE;
}

gboolean MainWindow::OnLoadBrowserPage(gpointer data) {
    auto* self = static_cast<MainWindow*>(data);
    self->browserIdle_ = 0;
    const std::function<void()> load = self->events_.loadBrowserPage;
    if (load) load();
    return G_SOURCE_REMOVE;
}

void MainWindow::OnEntryChanged(GtkEditable* editable, MainWindow* self) {
    for (const ControlDef& def : ControlTable()) {
        if (self->widgets_[Index(def.id)] == GTK_WIDGET(editable)) {
            self->Raise(self->events_.contentChanged, def.id);
            return;
        }
    }
}

void MainWindow::OnButtonClicked(GtkButton* button, MainWindow* self) {
    for (const ControlDef& def : ControlTable()) {
        if (self->widgets_[Index(def.id)] == GTK_WIDGET(button)) {
            self->Raise(self->events_.clicked, def.id);
            return;
        }
    }
}

bool MainWindow::TypingIntoIntervalBox() const {
    // Text typed on the keyboard is inserted while its key press is being handled. A paste
    // can be too (Ctrl+V with the clipboard held by this program is served at once), but
    // it runs inside the entry's paste-clipboard signal; other pastes (primary selection,
    // drag and drop, a clipboard held elsewhere) arrive outside any key press.
    if (settingText_ > 0 || pasting_ > 0) return false;
    GdkEvent* event = gtk_get_current_event();
    if (!event) return false;
    const bool keyPress = gdk_event_get_event_type(event) == GDK_KEY_PRESS;
    gdk_event_free(event);
    return keyPress;
}

void MainWindow::OnIntervalInsertText(GtkEditable* editable, gchar* text, gint length, gint*,
                                      MainWindow* self) {
    if (!self->TypingIntoIntervalBox()) return;
    const std::size_t bytes = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    if (TypedIntervalTextAllowed({text, bytes})) return;
    g_signal_stop_emission_by_name(editable, "insert-text");
    gtk_widget_error_bell(GTK_WIDGET(editable));
}

void MainWindow::OnIntervalPasteBegin(GtkEntry*, MainWindow* self) {
    ++self->pasting_;
}

void MainWindow::OnIntervalPasteEnd(GtkEntry*, MainWindow* self) {
    --self->pasting_;
}

gboolean MainWindow::OnIntervalFocusOut(GtkWidget* widget, GdkEvent*, MainWindow* self) {
    if (self->closing_) return FALSE;
    const char* shown = gtk_entry_get_text(GTK_ENTRY(widget));
    const std::string normalised = NormalizeIntegerText(shown);
    if (normalised != shown) self->SetEditText(ControlId::EditBox1, TextValue(normalised));
    return FALSE;  // GTK's own focus-out handling goes on
}

}  // namespace lumeno::gtk
