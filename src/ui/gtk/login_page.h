// 超文本浏览框1 on Linux: the store's login page, fetched once and never shown.
#pragma once

namespace lumeno::gtk {

// Fetches the login page through the system's own request routine and drops the page.
// What matters is its side effect: the cookies the page sets land in the process-wide
// cookie store, where every later stock request finds them, as they would in the
// embedded browser's store on Windows. Pumps while it waits, like every request.
void LoadLoginPage();

}  // namespace lumeno::gtk
