// The store's hosts, with their environment overrides read once.
#include "ui/store_hosts.h"

#include <cstdlib>

#include "text/primitives.h"

namespace lumeno {

namespace {

TextValue HostFromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    // Blanks around a pasted host would only make the URL unusable.
    TextValue host = RemoveAllSpaces(value ? TextValue(value) : TextValue());
    return host.IsEmpty() ? TextValue(fallback) : host;
}

}  // namespace

const TextValue& OrderHost() {
    static const TextValue host = HostFromEnvironment("LUMENO_ORDER_HOST", "order.qorvi.example");
    return host;
}

const TextValue& SiteHost() {
    static const TextValue host = HostFromEnvironment("LUMENO_SITE_HOST", "www.qorvi.example");
    return host;
}

TextValue StockEndpointUrl() { return ConcatText({"http://", OrderHost(), "/misc/get2014nianstock"}); }
TextValue LoginPageUrl() { return ConcatText({"http://", OrderHost(), "/site/login?ac=1"}); }
TextValue SalePageUrl() { return ConcatText({"http://", SiteHost(), "/c/chunjie/#Main"}); }

}  // namespace lumeno
