// Fuzz target: URL decomposition. UrlHost (both forms), UrlPort and UrlObjectPath never fail
// and keep their invariants on any bytes, and each agrees with a reference composed of the
// reference primitives the way the routines are documented.
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "http/url.h"
#include "reference_text.h"
#include "text/primitives.h"

namespace lumeno::fuzz {
namespace {

std::string RefHost(const std::string& url, bool keepPort) {
    const std::int64_t s = ref::FindText(url, "http://", 1, false);
    const std::int64_t h = s == -1 ? 1 : s + 7;
    const std::int64_t p = ref::FindText(url, "/", h, false);
    const std::int64_t n = p == -1 ? static_cast<std::int64_t>(url.size()) : p - h;
    std::string host = ref::TextMid(url, h, n);
    if (!keepPort) {
        const std::int64_t k = ref::FindText(host, ":", 1, false);
        if (k != -1) host = ref::TextLeft(host, k - 1);
    }
    return ref::ToLowerCase(host);
}

std::int32_t LowBits(double x) {
    // Truncation toward zero to 64 bits (outside the range: the smallest 64-bit integer),
    // then the low 32 bits.
    std::int64_t wide = 0;
    if (std::isnan(x) || x >= 9223372036854775808.0 || x < -9223372036854775808.0) {
        wide = INT64_MIN;
    } else {
        wide = static_cast<std::int64_t>(x);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

std::int32_t RefPort(const std::string& url) {
    const std::string hp = RefHost(url, true);
    const std::int64_t k = ref::FindText(hp, ":", 1, false);
    if (k == -1) return 80;
    return LowBits(ref::ToNumber(ref::TextRight(hp, static_cast<std::int64_t>(hp.size()) - k)));
}

std::string RefPath(const std::string& url) {
    const std::string host = RefHost(url, false);
    std::int64_t h = ref::FindText(url, host, 1, true);
    if (h == -1) h = 1;
    const std::int64_t p = ref::FindText(url, "/", h, true);
    if (p <= 0) return "/";
    return ref::TextRight(url, static_cast<std::int64_t>(url.size()) - p + 1);
}

void Invariant(bool holds, const std::string& what, const std::string& url) {
    if (!holds) Difference(what + " for the URL " + Escaped(url));
}

}  // namespace
}  // namespace lumeno::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumeno;
    using namespace lumeno::fuzz;
    Input in(data, size);
    const bool present = in.Flag();
    std::string url = in.Rest();
    const TextValue text = url.empty() && !present ? TextValue() : TextValue(url);

    const TextValue host = UrlHost(text, false);
    const TextValue hostPort = UrlHost(text, true);
    const std::int32_t port = UrlPort(text);
    const TextValue path = UrlObjectPath(text);

    ExpectText(host, RefHost(url, false), "UrlHost(" + Escaped(url) + ")");
    ExpectText(hostPort, RefHost(url, true), "UrlHost(" + Escaped(url) + ", keepPort)");
    if (port != RefPort(url)) {
        Difference("UrlPort(" + Escaped(url) + ") gave " + std::to_string(port) +
                   ", the reference " + std::to_string(RefPort(url)));
    }
    if (path.View() != RefPath(url)) {
        Difference("UrlObjectPath(" + Escaped(url) + ") gave " + Escaped(path.View()) +
                   ", the reference " + Escaped(RefPath(url)));
    }

    // What the request routine relies on, whatever the URL.
    const std::string h(host.View()), hp(hostPort.View()), p(path.View());
    Invariant(hp.compare(0, h.size(), h) == 0, "the host is not the start of host:port", url);
    Invariant(ref::FindText(h, ":", 1, false) == -1, "the host holds a colon", url);
    Invariant(ref::FindText(hp, "/", 1, false) == -1, "host:port holds a slash", url);
    Invariant(ref::ToLowerCase(hp) == hp, "host:port is not lower-case", url);
    if (ref::FindText(hp, ":", 1, false) == -1) {
        Invariant(port == 80 && h == hp, "no colon, yet the port is not 80 or the hosts differ",
                  url);
    }
    Invariant(!p.empty() && p[0] == '/', "the object path does not begin with a slash", url);
    Invariant(p == "/" ||
                  (p.size() <= url.size() && url.compare(url.size() - p.size(), p.size(), p) == 0),
              "the object path is not the end of the URL", url);
    return 0;
}
