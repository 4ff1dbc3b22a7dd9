// The store's two hosts and the three addresses built on them.
//
// The stock endpoint and the login page live on the order host, the sale page on the main
// site. LUMENO_ORDER_HOST and LUMENO_SITE_HOST (a host, or host:port) replace the defaults;
// they are read once, at the first call, so the demo and the tests can point the program
// at a loopback store and a user at a live one. Paths never change.
#pragma once

#include "text/values.h"

namespace lumeno {

[[nodiscard]] const TextValue& OrderHost();
[[nodiscard]] const TextValue& SiteHost();

// "http://" + order host + "/misc/get2014nianstock"
[[nodiscard]] TextValue StockEndpointUrl();
// "http://" + order host + "/site/login?ac=1"
[[nodiscard]] TextValue LoginPageUrl();
// "http://" + main site + "/c/chunjie/#Main"
[[nodiscard]] TextValue SalePageUrl();

}  // namespace lumeno
