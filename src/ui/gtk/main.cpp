// lumeno on Linux: the GTK front-end handed to the shared start-up sequence.
#include "ui/gtk/frontend.h"
#include "ui/program.h"

int main() {
    lumeno::gtk::GtkFrontend frontend;
    return lumeno::ProgramMain(frontend);
}
