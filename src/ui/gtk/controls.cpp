// The control table of the main window and the compact style for its widgets.
#include "ui/gtk/controls.h"

#include <gtk/gtk.h>

namespace lumeno::gtk {

namespace {

using K = ControlKind;
using C = ControlId;

// The status bar keeps to the bottom edge of the client area, full width, as the Windows
// status bar control places itself whatever position it was given.
constexpr int kStatusBarHeight = 20;

constexpr std::array<ControlDef, kControlCount> kControls = {{
    {C::StatusBar1, K::StatusBar, 0, 238 - kStatusBarHeight, 442, kStatusBarHeight,
     "Lumeno v1.0 | 本软件获取数据仅供参考", true},
    {C::EditBox1, K::IntervalBox, 291, 26, 30, 20, "1", true},
    {C::Label1, K::Label, 236, 24, 112, 24, "监控间隔       秒", true},
    {C::Button3, K::Button, 136, 64, 160, 32, "打开春节特供页面", true},
    {C::Timer1, K::Timer, 0, 0, 0, 0, "", false},
    {C::dy, K::CheckBox, 239, 155, 80, 24, "电源", true},
    {C::hz, K::CheckBox, 12, 196, 80, 24, "盒子", true},
    {C::ks, K::CheckBox, 12, 155, 80, 24, "Kessa", true},
    {C::q2s, K::CheckBox, 238, 114, 80, 24, "Qorvi2S", true},
    {C::q3, K::CheckBox, 12, 114, 80, 24, "Qorvi3 TD版", true},
    {C::bhz, K::StatusBox, 103, 195, 100, 23, "", true},
    {C::bdy, K::StatusBox, 326, 156, 100, 23, "", true},
    {C::bq2, K::StatusBox, 326, 115, 100, 23, "", true},
    {C::bq3, K::StatusBox, 103, 115, 100, 23, "", true},
    {C::bks, K::StatusBox, 103, 156, 100, 23, "", true},
    {C::HtmlViewer1, K::HtmlViewer, 0, 352, 528, 120, "", true},
    {C::Button2, K::Button, 472, 40, 80, 32, "按钮", false},
    {C::Button1, K::Button, 108, 16, 80, 32, "抢购检测", true},
}};

// The window finds a control's widget by its id: the table is in the ids' own order.
constexpr bool InIdOrder() {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (static_cast<std::size_t>(kControls[i].id) != i) return false;
    }
    return true;
}
static_assert(InIdOrder());

// Theme minimums (34-pixel entries and buttons) would push the controls out of their
// places; these rules bring them down to the table's sizes.
constexpr const char* kStyle = R"(
#lumeno-main { font-family: "WenQuanYi Micro Hei", sans-serif; font-size: 8pt; }
#lumeno-main entry { min-height: 0; padding: 0 2px; }
#lumeno-main button { min-height: 0; min-width: 0; padding: 0 4px; }
#lumeno-main checkbutton { min-height: 0; padding: 0; }
#lumeno-main checkbutton check { margin: 0 2px 0 0; min-width: 13px; min-height: 13px; }
#lumeno-main statusbar { min-height: 0; padding: 0 4px; margin: 0; }
#lumeno-main statusbar frame, #lumeno-main statusbar box, #lumeno-main statusbar label {
  min-height: 0; padding: 0; margin: 0; border: none;
}
)";

}  // namespace

const std::array<ControlDef, kControlCount>& ControlTable() {
    return kControls;
}

void InstallWindowStyle() {
    static bool installed = false;
    if (installed) return;
    GdkScreen* screen = gdk_screen_get_default();
    if (!screen) return;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kStyle, -1, nullptr);
    // The screen keeps its own reference for the rest of the run.
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
    installed = true;
}

}  // namespace lumeno::gtk
