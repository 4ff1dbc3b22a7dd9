// The GTK window against the window contract, with real widgets on a real (virtual) X
// display: layout, the edit boxes' content-changed rule, 编辑框1's typed-input filter and
// normalisation, the Timer's period rules, the pump, the notice box and closing.
// Run through tests/e2e/gtk_xvfb.sh, which provides the display and a window manager.
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "text/encoding.h"
#include "ui/gtk/controls.h"
#include "ui/gtk/interval_input.h"
#include "ui/gtk/main_window.h"
#include "ui/gtk/periodic_timer.h"

namespace lumeno::gtk {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Runs the default main context until `done` holds; false when `bound` passes first.
bool RunUntil(const std::function<bool()>& done, milliseconds bound = milliseconds(5000)) {
    const auto deadline = Clock::now() + bound;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
    }
    return true;
}

// Runs the default main context for a while: only for checks that something does NOT happen.
void RunFor(milliseconds span) {
    const auto end = Clock::now() + span;
    RunUntil([&] { return Clock::now() >= end; }, span + milliseconds(1000));
}

void Drain() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

std::string EntryUtf8(GtkWidget* entry) {
    return gtk_entry_get_text(GTK_ENTRY(entry));
}

class GtkWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(gtk_init_check(nullptr, nullptr))
            << "needs an X display: run it through tests/e2e/gtk_xvfb.sh";
    }

    void SetUp() override {
        WindowEvents events;
        events.clicked = [this](ControlId id) {
            clicks.push_back(id);
            if (onClick) onClick(id);
        };
        events.contentChanged = [this](ControlId id) {
            changes.push_back(id);
            changedTexts.push_back(EntryUtf8(window->Widget(id)));
        };
        events.timer = [this] {
            ++ticks;
            if (onTick) onTick();
        };
        events.closing = [this] { order.push_back("closing"); };
        events.destroyed = [this] { order.push_back("destroyed"); };
        events.loadBrowserPage = [this] { ++browserLoads; };
        window = std::make_unique<MainWindow>(std::move(events));
    }

    void TearDown() override {
        window.reset();
        Drain();
    }

    // Shows the window and waits until the window manager has made it the active window,
    // so that simulated keystrokes reach it.
    void ShowActive() {
        window->Show();
        GtkWindow* top = GTK_WINDOW(window->Toplevel());
        gtk_window_present(top);
        ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(top) == TRUE; }))
            << "the window never became active";
    }

    // A real keystroke through the X server (XTest), to whichever window has the focus.
    static void Key(const char* keysym) {
        const char* argv[] = {"xdotool", "key", keysym, nullptr};
        gint status = 0;
        GError* error = nullptr;
        const bool ran =
            g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                         nullptr, nullptr, nullptr, &status, &error);
        ASSERT_TRUE(ran && status == 0)
            << "xdotool key " << keysym << ": " << (error ? error->message : "failed");
    }

    // Types into the focused widget, then waits until `expected` shows in 编辑框1. A key
    // that is refused leaves no trace, so every check ends with a key that is let in.
    void TypeAndWait(std::initializer_list<const char*> keys, const std::string& expected) {
        for (const char* k : keys) Key(k);
        GtkWidget* box = window->Widget(ControlId::EditBox1);
        EXPECT_TRUE(RunUntil([&] { return EntryUtf8(box) == expected; }))
            << "the interval box shows \"" << EntryUtf8(box) << "\", expected \"" << expected
            << "\"";
    }

    std::unique_ptr<MainWindow> window;
    std::vector<ControlId> clicks;
    std::vector<ControlId> changes;
    std::vector<std::string> changedTexts;
    std::vector<std::string> order;
    std::function<void()> onTick;
    std::function<void(ControlId)> onClick;
    int ticks = 0;
    int browserLoads = 0;
};

// ---- layout ----

TEST_F(GtkWindowTest, ControlsSitAtTheirPlacesWithTheirSizes) {
    ShowActive();
    GtkWidget* top = window->Toplevel();
    // Mapped first, sized at the next frame.
    ASSERT_TRUE(RunUntil([&] {
        GtkWidget* button = window->Widget(ControlId::Button1);
        return gtk_widget_get_mapped(button) && gtk_widget_get_allocated_width(button) > 1;
    }));
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(top)), "Lumeno v1.0");
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(top)));
    EXPECT_EQ(gtk_widget_get_allocated_width(top), kClientWidth);
    EXPECT_EQ(gtk_widget_get_allocated_height(top), kClientHeight);

    for (const ControlDef& def : ControlTable()) {
        SCOPED_TRACE(GbkToUtf8(def.text) + " #" + std::to_string(static_cast<int>(def.id)));
        GtkWidget* widget = window->Widget(def.id);
        if (def.kind == ControlKind::Timer || def.kind == ControlKind::HtmlViewer) {
            EXPECT_EQ(widget, nullptr);
            continue;
        }
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(gtk_widget_get_visible(widget), def.visible);
        if (!def.visible) continue;
        GtkAllocation a;
        gtk_widget_get_allocation(widget, &a);
        EXPECT_EQ(a.x, def.x);
        EXPECT_EQ(a.y, def.y);
        EXPECT_EQ(a.width, def.width) << "the theme's minimum width won";
        EXPECT_EQ(a.height, def.height) << "the theme's minimum height won";
    }
}

TEST_F(GtkWindowTest, TheIntervalBoxSitsInTheGapOfItsLabel) {
    ShowActive();
    GtkWidget* label = window->Widget(ControlId::Label1);
    GtkWidget* box = window->Widget(ControlId::EditBox1);
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_allocated_width(label) > 1; }));
    const std::string text = gtk_label_get_text(GTK_LABEL(label));
    ASSERT_EQ(text, reinterpret_cast<const char*>(u8"监控间隔       秒"));
    int layoutX = 0;
    gtk_label_get_layout_offsets(GTK_LABEL(label), &layoutX, nullptr);
    const auto xOf = [&](std::size_t byteIndex) {
        PangoRectangle pos;
        pango_layout_index_to_pos(gtk_label_get_layout(GTK_LABEL(label)),
                                  static_cast<int>(byteIndex), &pos);
        GtkAllocation a;
        gtk_widget_get_allocation(label, &a);
        // Layout offsets are in the window's coordinates, as allocations are.
        return layoutX + PANGO_PIXELS(pos.x);
    };
    GtkAllocation b;
    gtk_widget_get_allocation(box, &b);
    EXPECT_LE(xOf(text.find(' ')), b.x) << "\"监控间隔\" runs under the box";
    EXPECT_GE(xOf(text.find_last_of(' ') + 1), b.x + b.width) << "\"秒\" lies under the box";
}

TEST_F(GtkWindowTest, TheWindowManagerOffersNeitherMaximiseNorResize) {
    ShowActive();
    GdkWindow* gdkWindow = gtk_widget_get_window(window->Toplevel());
    GdkAtom type;
    gint format = 0;
    gint length = 0;
    guchar* data = nullptr;
    ASSERT_TRUE(gdk_property_get(
        gdkWindow, gdk_atom_intern_static_string("_NET_WM_ALLOWED_ACTIONS"),
        gdk_atom_intern_static_string("ATOM"), 0, 1024, FALSE, &type, &format, &length, &data));
    std::vector<std::string> actions;
    const auto* atoms = reinterpret_cast<const GdkAtom*>(data);
    for (std::size_t i = 0; i < static_cast<std::size_t>(length) / sizeof(GdkAtom); ++i) {
        gchar* name = gdk_atom_name(atoms[i]);
        actions.emplace_back(name);
        g_free(name);
    }
    g_free(data);
    EXPECT_THAT(actions, ::testing::Contains("_NET_WM_ACTION_CLOSE"));
    EXPECT_THAT(actions, ::testing::Contains("_NET_WM_ACTION_MINIMIZE"));
    EXPECT_THAT(actions, ::testing::Contains("_NET_WM_ACTION_MOVE"));
    EXPECT_THAT(
        actions,
        ::testing::Not(::testing::Contains(::testing::StartsWith("_NET_WM_ACTION_MAXIMIZE"))));
    EXPECT_THAT(actions, ::testing::Not(::testing::Contains("_NET_WM_ACTION_RESIZE")));
}

TEST_F(GtkWindowTest, StartsAsLoadedWithNothingRaised) {
    for (ControlId box :
         {ControlId::q3, ControlId::q2s, ControlId::ks, ControlId::dy, ControlId::hz}) {
        EXPECT_EQ(window->ReadChecked(box), 1);
    }
    EXPECT_EQ(window->ReadEditText(ControlId::EditBox1), TextValue("1"));
    EXPECT_EQ(window->ReadCaption(ControlId::Button1), TextValue("抢购检测"));
    EXPECT_EQ(window->ReadCaption(ControlId::Button3), TextValue("打开春节特供页面"));
    EXPECT_EQ(window->ReadCaption(ControlId::Button2), TextValue("按钮"));
    GtkWidget* bar = window->Widget(ControlId::StatusBar1);
    GtkWidget* area = gtk_statusbar_get_message_area(GTK_STATUSBAR(bar));
    GList* children = gtk_container_get_children(GTK_CONTAINER(area));
    ASSERT_NE(children, nullptr);
    EXPECT_THAT(std::string(gtk_label_get_text(GTK_LABEL(children->data))),
                ::testing::EndsWith(reinterpret_cast<const char*>(u8"本软件获取数据仅供参考")));
    g_list_free(children);

    for (ControlId box :
         {ControlId::bq3, ControlId::bq2, ControlId::bks, ControlId::bdy, ControlId::bhz}) {
        GtkWidget* entry = window->Widget(box);
        EXPECT_FALSE(gtk_widget_get_sensitive(entry));
        EXPECT_FALSE(gtk_widget_get_can_focus(entry));
        EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(entry)));
        EXPECT_FLOAT_EQ(gtk_entry_get_alignment(GTK_ENTRY(entry)), 0.5f);
        EXPECT_TRUE(window->ReadEditText(box).IsEmpty());
        EXPECT_FALSE(window->ReadEditText(box).IsPresent()) << "an empty box reads as absent";
    }
    EXPECT_FLOAT_EQ(gtk_entry_get_alignment(GTK_ENTRY(window->Widget(ControlId::EditBox1))), 0.5f);

    window->Show();
    ASSERT_TRUE(RunUntil([&] { return browserLoads > 0; })) << "the login page was never loaded";
    RunFor(milliseconds(100));
    EXPECT_EQ(browserLoads, 1);
    EXPECT_TRUE(changes.empty()) << "creating the controls raised content-changed";
    EXPECT_TRUE(clicks.empty());
}

// ---- edit boxes ----

TEST_F(GtkWindowTest, SettingATextRaisesContentChangedExactlyOnceEvenWhenUnchanged) {
    const struct {
        ControlId box;
        const char* text;  // GBK
    } cases[] = {
        {ControlId::EditBox1, "1"},  // the text it already shows
        {ControlId::EditBox1, "25"},    {ControlId::EditBox1, ""},
        {ControlId::bq3, "待检测"},     {ControlId::bq3, "待检测"},
        {ControlId::bhz, "未开放购买"}, {ControlId::bks, "已开放购买"},
        {ControlId::bdy, "未开启检测"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(GbkToUtf8(c.text));
        changes.clear();
        changedTexts.clear();
        window->SetEditText(c.box, c.text);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0], c.box);
        EXPECT_EQ(changedTexts[0], GbkToUtf8(c.text)) << "raised before the text was shown";
        // The status rule compares what it reads byte for byte with its GBK texts.
        EXPECT_EQ(window->ReadEditText(c.box).Bytes(), std::string(c.text));
        Drain();
        EXPECT_EQ(changes.size(), 1u) << "a late second event";
    }
}

TEST_F(GtkWindowTest, CheckBoxClickTogglesBeforeItsEvent) {
    std::vector<std::int32_t> seen;
    onClick = [&](ControlId id) { seen.push_back(window->ReadChecked(id)); };
    gtk_button_clicked(GTK_BUTTON(window->Widget(ControlId::ks)));
    gtk_button_clicked(GTK_BUTTON(window->Widget(ControlId::ks)));
    EXPECT_THAT(clicks, ::testing::ElementsAre(ControlId::ks, ControlId::ks));
    EXPECT_THAT(seen, ::testing::ElementsAre(0, 1));
}

TEST_F(GtkWindowTest, CaptionsRoundTripAndShowAsUtf8) {
    window->SetCaption(ControlId::Button1, "停止检测");
    EXPECT_EQ(window->ReadCaption(ControlId::Button1), TextValue("停止检测"));
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(window->Widget(ControlId::Button1))),
                 reinterpret_cast<const char*>(u8"停止检测"));
}

TEST_F(GtkWindowTest, TypedLettersAreRefusedDigitsAndMinusAccepted) {
    ShowActive();
    GtkWidget* box = window->Widget(ControlId::EditBox1);
    gtk_widget_grab_focus(box);
    gtk_editable_set_position(GTK_EDITABLE(box), -1);
    TypeAndWait({"a", "space", "period", "plus", "x", "2"}, "12");
    TypeAndWait({"minus"}, "12-");
    TypeAndWait({"BackSpace", "BackSpace"}, "1");
    // Every accepted change raised content-changed once; the refused keys raised nothing.
    EXPECT_THAT(changedTexts, ::testing::ElementsAre("12", "12-", "12", "1"));
}

TEST_F(GtkWindowTest, PastedTextIsNotFiltered) {
    ShowActive();
    GtkWidget* box = window->Widget(ControlId::EditBox1);
    gtk_widget_grab_focus(box);
    // The clipboard is held by this program, so Ctrl+V inserts while the key press is
    // still being handled: the filter must still see it as a paste.
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "a5 x", -1);
    gtk_editable_select_region(GTK_EDITABLE(box), 0, -1);
    Key("ctrl+v");
    EXPECT_TRUE(RunUntil([&] { return EntryUtf8(box) == "a5 x"; })) << EntryUtf8(box);
    EXPECT_EQ(changedTexts.back(), "a5 x");
    // Typing goes on being filtered after the paste.
    TypeAndWait({"b", "7"}, "a5 x7");
}

TEST(IntervalInputTest, TypedTextFilter) {
    const struct {
        const char* utf8;
        bool allowed;
    } cases[] = {
        {"0", true},  {"9", true},  {"-", true},   {"", true},    {"a", false}, {" ", false},
        {"+", false}, {".", false}, {"５", false}, {"秒", false}, {"\t", true}, {"1a", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TypedIntervalTextAllowed(c.utf8), c.allowed) << '"' << c.utf8 << '"';
    }
}

TEST_F(GtkWindowTest, LosingTheFocusNormalisesTheIntervalOnlyWhenItDiffers) {
    ShowActive();
    GtkWidget* box = window->Widget(ControlId::EditBox1);
    GtkWidget* button = window->Widget(ControlId::Button3);
    const struct {
        const char* shown;
        const char* after;
        std::size_t events;  // content-changed raised by the focus loss
    } cases[] = {
        {" 0012xy", "12", 1}, {"-0", "", 1}, {"99999999999", "2147483647", 1}, {"8", "8", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        gtk_widget_grab_focus(box);
        window->SetEditText(ControlId::EditBox1, c.shown);
        ASSERT_TRUE(RunUntil([&] { return gtk_widget_has_focus(box) == TRUE; }));
        changes.clear();
        changedTexts.clear();
        gtk_widget_grab_focus(button);
        ASSERT_TRUE(RunUntil([&] { return gtk_widget_has_focus(button) == TRUE; }));
        Drain();
        EXPECT_EQ(EntryUtf8(box), c.after);
        EXPECT_EQ(changes.size(), c.events);
    }
}

TEST_F(GtkWindowTest, EscEnterAndF1DoNothing) {
    ShowActive();
    GtkWidget* box = window->Widget(ControlId::EditBox1);
    gtk_widget_grab_focus(box);
    gtk_editable_set_position(GTK_EDITABLE(box), -1);
    for (const char* key : {"Escape", "Return", "F1"}) Key(key);
    TypeAndWait({"3"}, "13");  // the keys before were handled by now
    EXPECT_TRUE(window->IsAlive());
    EXPECT_TRUE(gtk_widget_has_focus(box)) << "a key moved the focus on";
    EXPECT_TRUE(clicks.empty());
    EXPECT_THAT(changedTexts, ::testing::ElementsAre("13"));
}

// ---- the Timer ----

TEST(PeriodicTimerTest, NextDeadlineSkipsMissedPeriods) {
    const struct {
        std::int64_t deadline, period, now, next;
    } cases[] = {
        {1000, 100, 1001, 1100},  // on time
        {1000, 100, 1099, 1100},
        {1000, 100, 1100, 1200},  // exactly at the next one: it is behind us
        {1000, 100, 1350, 1400},  // two periods missed: skipped, not made up
        {1000, 100, 990, 1100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextTimerDeadline(c.deadline, c.period, c.now), c.next) << c.now;
    }
}

TEST(PeriodicTimerTest, PeriodRules) {
    int ticks = 0;
    PeriodicTimer timer([&] { ++ticks; });
    const std::int64_t before = g_get_monotonic_time();
    timer.SetPeriod(600);
    const std::int64_t first = timer.NextDeadline();
    EXPECT_GE(first, before + 600'000);
    g_usleep(20'000);
    timer.SetPeriod(600);  // the current period: the countdown goes on untouched
    EXPECT_EQ(timer.NextDeadline(), first);
    timer.SetPeriod(700);  // another one restarts it, a full period from now
    EXPECT_GE(timer.NextDeadline(), first + 20'000 + 100'000);
    timer.SetPeriod(-5);
    EXPECT_EQ(timer.Period(), 0);
    EXPECT_EQ(timer.NextDeadline(), 0);
    timer.SetPeriod(0);
    EXPECT_EQ(ticks, 0);
}

TEST(PeriodicTimerTest, FirstEventAFullPeriodAfterTheCallThenEveryPeriodUntilStopped) {
    std::vector<std::int64_t> at;
    PeriodicTimer timer([&] { at.push_back(g_get_monotonic_time()); });
    const std::int64_t start = g_get_monotonic_time();
    timer.SetPeriod(100);
    ASSERT_TRUE(RunUntil([&] { return at.size() >= 3; }));
    EXPECT_GE(at[0] - start, 100'000);
    EXPECT_GE(at[1] - start, 200'000) << "events every period on a fixed grid";
    EXPECT_GE(at[2] - start, 300'000);
    timer.SetPeriod(0);
    const std::size_t stoppedAt = at.size();
    RunFor(milliseconds(350));
    EXPECT_EQ(at.size(), stoppedAt);
}

TEST(PeriodicTimerTest, ALongHandlerNeitherBlocksItsEventsNorLetsThemPileUp) {
    int depth = 0;
    int nested = 0;
    int calls = 0;
    bool longRunDone = false;
    PeriodicTimer timer([&] {
        ++calls;
        if (depth > 0) {
            ++nested;  // dispatched at the running handler's pump, as a window timer is
            return;
        }
        if (longRunDone) return;
        ++depth;
        // 350 ms of pumping: three and a half periods.
        const auto end = Clock::now() + milliseconds(350);
        while (Clock::now() < end) {
            while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
            g_usleep(1000);
        }
        --depth;
        longRunDone = true;
    });
    timer.SetPeriod(100);
    ASSERT_TRUE(RunUntil([&] { return longRunDone; }));
    EXPECT_GE(nested, 1);
    EXPECT_LE(nested, 4) << "more than one event per elapsed period";
    // Right after the long handler no backlog waits: at most the one event of the period
    // that is running now.
    const int after = calls;
    Drain();
    EXPECT_LE(calls - after, 1);
}

TEST(PeriodicTimerTest, AHandlerThatBlocksWithoutPumpingGetsOneEventAfterwardsNotABacklog) {
    int calls = 0;
    PeriodicTimer timer([&] {
        if (++calls == 1) g_usleep(350'000);
    });
    timer.SetPeriod(100);
    ASSERT_TRUE(RunUntil([&] { return calls >= 1; }));
    Drain();
    EXPECT_EQ(calls, 2) << "the three periods missed while blocked came as " << calls - 1
                        << " events";
}

// ---- pump, notice, close ----

TEST_F(GtkWindowTest, PumpDispatchesWhatWaitsAndLeavesTheQuitRequestToTheLoop) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    int idles = 0;
    std::function<void()> inLoop = [&] {
        g_idle_add(
            +[](gpointer n) -> gboolean {
                ++*static_cast<int*>(n);
                return G_SOURCE_REMOVE;
            },
            &idles);
        g_main_loop_quit(loop);
        window->PumpMessages();  // dispatches the idle, must not eat the quit
        EXPECT_EQ(idles, 1);
    };
    g_idle_add(
        +[](gpointer f) -> gboolean {
            (*static_cast<std::function<void()>*>(f))();
            return G_SOURCE_REMOVE;
        },
        &inLoop);
    // Ends only because the quit request survived the pump.
    guint guard = g_timeout_add(
        5000,
        +[](gpointer l) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(l));
            ADD_FAILURE() << "the loop never saw its quit request";
            return G_SOURCE_REMOVE;
        },
        loop);
    g_main_loop_run(loop);
    g_source_remove(guard);
    g_main_loop_unref(loop);
}

TEST_F(GtkWindowTest, NoticeIsAModalIconlessBoxAndTimerEventsGoOnMeanwhile) {
    struct Seen {
        std::string title, text;
        GtkMessageType type = GTK_MESSAGE_ERROR;
        bool modal = false;
        bool parentless = false;
    } seen;
    int ticksWhileOpen = 0;
    bool open = false;
    onTick = [&] {
        if (!open) return;
        ++ticksWhileOpen;
        if (ticksWhileOpen < 2) return;
        // Find the box among the top-level windows, note what it shows, press OK.
        GList* tops = gtk_window_list_toplevels();
        for (GList* t = tops; t; t = t->next) {
            if (!GTK_IS_MESSAGE_DIALOG(t->data) || !gtk_widget_get_visible(GTK_WIDGET(t->data)))
                continue;
            GtkWindow* dialog = GTK_WINDOW(t->data);
            seen.title = gtk_window_get_title(dialog);
            gchar* text = nullptr;
            g_object_get(dialog, "text", &text, "message-type", &seen.type, nullptr);
            seen.text = text ? text : "";
            g_free(text);
            seen.modal = gtk_window_get_modal(dialog);
            seen.parentless = gtk_window_get_transient_for(dialog) == nullptr;
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        }
        g_list_free(tops);
    };
    window->SetTimerPeriod(50);
    open = true;
    window->ShowNotice("本软件仅个人爱好编写,请勿用于商业运作!", "温情提示");
    open = false;
    window->SetTimerPeriod(0);
    EXPECT_GE(ticksWhileOpen, 2);
    EXPECT_EQ(seen.title, GbkToUtf8("温情提示"));
    EXPECT_EQ(seen.text, GbkToUtf8("本软件仅个人爱好编写,请勿用于商业运作!"));
    EXPECT_EQ(seen.type, GTK_MESSAGE_OTHER) << "the box shows an icon";
    EXPECT_TRUE(seen.modal);
    EXPECT_TRUE(seen.parentless);
}

TEST_F(GtkWindowTest, OpenInBrowserHandsTheAddressToTheDefaultHandlerAndReturnsAtOnce) {
    // A slow "browser" that writes down what it was asked to open two seconds later, made
    // the desktop's default for http addresses in this run's private XDG folders.
    const std::string data = g_get_user_data_dir();
    const std::string config = g_get_user_config_dir();
    const std::string opened = data + "/opened-url";
    g_mkdir_with_parents((data + "/applications").c_str(), 0700);
    g_mkdir_with_parents(config.c_str(), 0700);
    const std::string desktop =
        "[Desktop Entry]\nType=Application\nName=Recorder\n"
        "Exec=sh -c 'sleep 2; printf %s \"$1\" > " +
        opened +
        "' sh %u\n"
        "MimeType=x-scheme-handler/http;\n";
    ASSERT_TRUE(g_file_set_contents((data + "/applications/lumeno-recorder.desktop").c_str(),
                                    desktop.c_str(), -1, nullptr));
    ASSERT_TRUE(g_file_set_contents(
        (config + "/mimeapps.list").c_str(),
        "[Default Applications]\nx-scheme-handler/http=lumeno-recorder.desktop\n", -1, nullptr));

    window->OpenInBrowser("http://127.0.0.1:9/c/chunjie/#Main");
    EXPECT_FALSE(g_file_test(opened.c_str(), G_FILE_TEST_EXISTS)) << "waited for the browser";
    std::string url;
    ASSERT_TRUE(RunUntil([&] {
        gchar* text = nullptr;
        if (!g_file_get_contents(opened.c_str(), &text, nullptr, nullptr)) return false;
        url = text;
        g_free(text);
        return !url.empty();
    })) << "the default handler was never started";
    EXPECT_EQ(url, "http://127.0.0.1:9/c/chunjie/#Main");
}

TEST_F(GtkWindowTest, ClosingRunsTheClosingEventThenLeavesTheControlsAlone) {
    ShowActive();
    window->SetTimerPeriod(30);
    ASSERT_TRUE(RunUntil([&] { return ticks > 0; }));
    gtk_window_close(GTK_WINDOW(window->Toplevel()));  // as the close box does
    ASSERT_TRUE(RunUntil([&] { return !window->IsAlive(); }));
    EXPECT_THAT(order, ::testing::ElementsAre("closing", "destroyed"));
    EXPECT_EQ(window->Toplevel(), nullptr);
    EXPECT_EQ(window->Widget(ControlId::Button1), nullptr);

    // What a check still running at that moment may do: nothing reaches a control.
    changes.clear();
    window->SetEditText(ControlId::bq3, "已开放购买");
    window->SetCaption(ControlId::Button1, "抢购检测");
    window->SetTimerPeriod(30);
    EXPECT_FALSE(window->ReadEditText(ControlId::bq3).IsPresent());
    EXPECT_EQ(window->ReadChecked(ControlId::q3), 0);
    window->PumpMessages();
    const int ticksAtClose = ticks;
    RunFor(milliseconds(150));
    EXPECT_EQ(ticks, ticksAtClose) << "the Timer outlived the window";
    EXPECT_TRUE(changes.empty());
}

}  // namespace
}  // namespace lumeno::gtk
