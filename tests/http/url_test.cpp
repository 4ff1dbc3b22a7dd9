// URL decomposition: host, host with port, port and object path for every kind of URL.
#include "http/url.h"

#include <gtest/gtest.h>

namespace lumeno {
namespace {

struct UrlCase {
    TextValue url;
    const char* host;
    const char* hostWithPort;
    std::int32_t port;
    const char* path;
};

TEST(UrlDecomposition, EveryPieceOfEveryKindOfUrl) {
    const UrlCase cases[] = {
        {"http://Box7:81/a/b?x=1", "box7", "box7:81", 81, "/a/b?x=1"},
        {"http://box7", "box7", "box7", 80, "/"},
        {"http://box7:/x", "box7", "box7:", 0, "/x"},
        {"http://box7:12.9/x", "box7", "box7:12.9", 12, "/x"},
        {"box7/x/y", "box7", "box7", 80, "/x/y"},
        {"http://box7?q=1", "box7?q=1", "box7?q=1", 80, "/"},
        {"HTTP://Box7/x", "http", "http:", 0, "//Box7/x"},
        {"https://box7/x", "https", "https:", 0, "//box7/x"},
        {TextValue(), "", "", 80, "/"},
        {"http://127.0.0.1:8080/misc/get2014nianstock", "127.0.0.1", "127.0.0.1:8080", 8080,
         "/misc/get2014nianstock"},
        {"http://box7:abc/x", "box7", "box7:abc", 0, "/x"},
        {"http://box7:70000/", "box7", "box7:70000", 70000, "/"},
        // The scheme is found anywhere, not only at the start.
        {"x http://box7/p", "box7", "box7", 80, "/p"},
        // The host is looked for from the URL's first byte, scheme included: a host that
        // also occurs in "http:" is found there, and the path then starts at "//".
        {"http://h:8/x", "h", "h:8", 8, "//h:8/x"},
        // The path search starts at the host's first case-blind occurrence in the whole URL.
        {"http://HOST/HOST/x", "host", "host", 80, "/HOST/x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.url.View()));
        EXPECT_EQ(UrlHost(c.url), TextValue(c.host));
        EXPECT_EQ(UrlHost(c.url, true), TextValue(c.hostWithPort));
        EXPECT_EQ(UrlPort(c.url), c.port);
        EXPECT_EQ(UrlObjectPath(c.url), TextValue(c.path));
    }
}

TEST(UrlDecomposition, EmptyHostIsAbsent) {
    EXPECT_FALSE(UrlHost(TextValue()).IsPresent());
    EXPECT_FALSE(UrlHost("http:///x").IsPresent());
    EXPECT_TRUE(UrlObjectPath(TextValue()).IsPresent());
}

}  // namespace
}  // namespace lumeno
