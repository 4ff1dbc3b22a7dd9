// URL decomposition over the text primitives.
#include "http/url.h"

#include "text/primitives.h"

namespace lumeno {

TextValue UrlHost(const TextValue& url, bool keepPort) {
    const std::int32_t s = FindText(url, "http://", 1, false);
    const std::int32_t h = s == -1 ? 1 : s + 7;
    const std::int32_t p = FindText(url, "/", h, false);
    const std::int32_t n = p == -1 ? TextLength(url) : p - h;
    TextValue host = TextMid(url, h, n);
    if (!keepPort) {
        const std::int32_t k = FindText(host, ":", 1, false);
        if (k != -1) host = TextLeft(host, k - 1);
    }
    return ToLowerCase(host);
}

std::int32_t UrlPort(const TextValue& url) {
    const TextValue hp = UrlHost(url, true);
    const std::int32_t k = FindText(hp, ":", 1, false);
    if (k == -1) return 80;
    return LowBits32(TruncateToInteger(ToNumber(TextRight(hp, TextLength(hp) - k))));
}

TextValue UrlObjectPath(const TextValue& url) {
    const TextValue host = UrlHost(url, false);
    std::int32_t h = FindText(url, host, 1, true);
    if (h == -1) h = 1;
    const std::int32_t p = FindText(url, "/", h, true);
    if (p <= 0) return TextValue("/");
    return TextRight(url, TextLength(url) - p + 1);
}

}  // namespace lumeno
