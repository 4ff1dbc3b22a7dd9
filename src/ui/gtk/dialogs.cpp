// Message boxes on GTK: GtkMessageDialog run modally without a parent.
#include "ui/gtk/dialogs.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <thread>

#include "text/fatal.h"
#include "ui/gtk/utf8_text.h"

namespace lumeno::gtk {

namespace {

struct WidgetDestroyer {
    void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
using DialogPtr = std::unique_ptr<GtkWidget, WidgetDestroyer>;

// GTK labels end a line at LF; the system's texts end theirs with CR LF.
std::string DisplayText(const TextValue& text) {
    std::string utf8 = Utf8Of(text);
    std::erase(utf8, '\r');
    return utf8;
}

void RunMessageDialog(GtkMessageType type, const TextValue& text, const TextValue& caption) {
    const std::string body = DisplayText(text);
    const std::string title = Utf8Of(caption);
    const DialogPtr dialog(gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK,
                                                  "%s", body.c_str()));
    gtk_window_set_title(GTK_WINDOW(dialog.get()), title.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog.get()), GTK_WIN_POS_CENTER);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_OK);
    (void)gtk_dialog_run(GTK_DIALOG(dialog.get()));
}

std::thread::id g_guiThread;

void ShowFatalDialog(const TextValue& caption, const TextValue& text) {
    if (std::this_thread::get_id() != g_guiThread) {
        platform::ShowFatalBox(caption, text);
        return;
    }
    RunMessageDialog(GTK_MESSAGE_ERROR, text, caption);
}

}  // namespace

void ShowNoticeDialog(const TextValue& text, const TextValue& caption) {
    RunMessageDialog(GTK_MESSAGE_OTHER, text, caption);
}

void InstallFatalDialog() {
    g_guiThread = std::this_thread::get_id();
    SetFatalBoxShower(&ShowFatalDialog);
}

}  // namespace lumeno::gtk
