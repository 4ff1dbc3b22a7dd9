// The hidden login page load: one GET of the order host's login address.
#include "ui/gtk/login_page.h"

#include "http/request.h"
#include "ui/store_hosts.h"

namespace lumeno::gtk {

void LoadLoginPage() {
    (void)HttpRequest(LoginPageUrl());
}

}  // namespace lumeno::gtk
