// The request routine through the platform's real internet back-end (libcurl, or WinINet
// under wine) against a loopback HTTP server: the bytes on the wire and what comes back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "http/internet_port.h"
#include "http/request.h"
#include "support/loopback_endpoint.h"
#include "support/loopback_server.h"

namespace lumeno {

// Failures show texts and byte sets as their bytes.
[[maybe_unused]] static void PrintTo(const TextValue& t, std::ostream* os) {
    *os << ::testing::PrintToString(t.Bytes());
}
[[maybe_unused]] static void PrintTo(const ByteSet& b, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(b.View()));
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

const std::string kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const std::string kFailure(255, '\0');
const std::string kBlanks(1024, ' ');

// A request as the echo route hands it back.
struct Echo {
    std::string requestLine;
    Lines headerLines;
    std::string head;  // request line and header lines, each with its CR LF
    std::string body;
};

Echo ParseEcho(std::string_view raw) {
    Echo e;
    const std::size_t end = raw.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        ADD_FAILURE() << "not a request: " << raw;
        return e;
    }
    e.head = std::string(raw.substr(0, end + 2));
    e.body = std::string(raw.substr(end + 4));
    std::string_view rest = raw.substr(0, end + 2);
    bool first = true;
    while (!rest.empty()) {
        const std::size_t crlf = rest.find("\r\n");
        const std::string line(rest.substr(0, crlf));
        rest.remove_prefix(crlf + 2);
        if (first) {
            e.requestLine = line;
            first = false;
        } else {
            e.headerLines.push_back(line);
        }
    }
    return e;
}

Echo EchoOf(const TextValue& text) {
    return ParseEcho(text.View());
}

// The lines of a CR LF block, without their line ends.
Lines LinesOf(const std::string& block) {
    Lines lines;
    std::size_t at = 0;
    while (at < block.size()) {
        const std::size_t crlf = block.find("\r\n", at);
        lines.push_back(block.substr(at, crlf - at));
        at = crlf + 2;
    }
    return lines;
}

// When no server spoke, the header block holds no status line: libcurl's query fails and
// leaves the blanks (so must it), wine's WinINet answers with an empty block, "\r\n".
void ExpectNoServerHeaders(const TextValue& response) {
    EXPECT_EQ(response.View().find("HTTP/"), std::string_view::npos) << response.View();
#ifndef _WIN32
    EXPECT_EQ(response, TextValue(kBlanks));
#endif
}

std::string HostLine(std::uint16_t port) {
    return "Host: 127.0.0.1:" + std::to_string(port);
}

TEST(WireRequest, MainRoadSendsTheCallersBlockUnchangedWithHostAndAgent) {
    const std::string url = LoopbackUrl("/misc/get2014nianstock");
    TextValue headers;

    const Echo e = EchoOf(HttpRequestText(url, {}, {}, &headers));

    EXPECT_EQ(e.requestLine, "GET /misc/get2014nianstock HTTP/1.1");
    // The block goes in one piece, byte for byte.
    EXPECT_NE(e.head.find(headers.Bytes()), std::string::npos) << e.head;
    Lines expected = {HostLine(Loopback().port), "User-Agent: " + kAgent};
    for (const auto& line : LinesOf(headers.Bytes())) expected.push_back(line);
    // Neither back-end adds a line of its own beyond Host and User-Agent.
    EXPECT_THAT(e.headerLines, ::testing::UnorderedElementsAreArray(expected));
    EXPECT_EQ(e.body, "");
}

TEST(WireRequest, PostCarriesItsBodyWithOneLengthLine) {
    TextValue headers;

    const Echo e = EchoOf(HttpRequestText(LoopbackUrl("/echo"), "POST", {}, &headers, "a=1&b=2"));

    EXPECT_EQ(e.requestLine, "POST /echo HTTP/1.1");
    EXPECT_NE(e.head.find(headers.Bytes()), std::string::npos) << e.head;
    EXPECT_EQ(e.body, "a=1&b=2");
    Lines lengthLines;
    for (const auto& line : e.headerLines) {
        if (line.rfind("Content-", 0) == 0 || line.rfind("Expect", 0) == 0) {
            lengthLines.push_back(line);
        }
    }
    EXPECT_THAT(lengthLines, ElementsAre("Content-Type: application/x-www-form-urlencoded",
                                         "Content-Length: 7"));
}

TEST(WireRequest, TheVerbGoesAsWritten) {
    const Echo e = EchoOf(HttpRequestText(LoopbackUrl("/echo"), "get"));
    EXPECT_EQ(e.requestLine, "get /echo HTTP/1.1");
}

TEST(WireRequest, ACookieSetByOneResponseGoesWithTheNextRequest) {
    EXPECT_EQ(HttpRequestText(LoopbackUrl("/cookie/set")), TextValue("set"));

    const Echo inside = EchoOf(HttpRequestText(LoopbackUrl("/cookie/echo")));
    const Echo outside = EchoOf(HttpRequestText(LoopbackUrl("/echo")));

    // Stored twice (by the library and by the hand-over), sent once.
    EXPECT_THAT(inside.headerLines, ::testing::Contains("Cookie: sid=42"));
    EXPECT_EQ(std::count_if(inside.headerLines.begin(), inside.headerLines.end(),
                            [](const std::string& l) { return l.rfind("Cookie:", 0) == 0; }),
              1);
    // Its path is /cookie.
    EXPECT_THAT(outside.headerLines, ::testing::Not(::testing::Contains("Cookie: sid=42")));
}

TEST(WireRequest, ACookieHandedToTheStoreGoesWithTheNextRequest) {
    const inet::InternetPort& port = inet::CurrentInternetPort();
    EXPECT_TRUE(port.InternetSetCookieA("http://127.0.0.1", "handed", "yes; path=/handed"));

    const Echo e = EchoOf(HttpRequestText(LoopbackUrl("/handed/echo")));

    EXPECT_THAT(e.headerLines, ::testing::Contains("Cookie: handed=yes"));
}

TEST(WireRequest, TheCookieStoreKeepsPathsAndForgetsExpiredCookies) {
    struct CookieCase {
        const char* name;
        std::vector<std::string> data;  // handed over in order, each as InternetSetCookieA data
        const char* path;               // the request's path
        bool sent;
    };
    const CookieCase cases[] = {
        {"c1", {"1; path=/c1"}, "/c1/echo", true},
        {"c2", {"1; path=/c2"}, "/elsewhere/echo", false},
#ifndef _WIN32
        // libcurl honours Max-Age; wine's WinINet, like the WinINet of old, ignores it.
        {"c3", {"1; path=/c3", "1; path=/c3; max-age=0"}, "/c3/echo", false},
#endif
        {"c4",
         {"1; path=/c4", "1; path=/c4; expires=Thu, 01 Jan 1970 00:00:01 GMT"},
         "/c4/echo",
         false},
        {"c5", {"1; path=/c5; domain=other.example"}, "/c5/echo", false},
    };
    const inet::InternetPort& port = inet::CurrentInternetPort();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& data : c.data)
            port.InternetSetCookieA("http://127.0.0.1", c.name, data.c_str());

        const Echo e = EchoOf(HttpRequestText(LoopbackUrl(c.path)));

        const std::string line = "Cookie: " + std::string(c.name) + "=1";
        EXPECT_EQ(std::count(e.headerLines.begin(), e.headerLines.end(), line), c.sent ? 1 : 0)
            << ::testing::PrintToString(e.headerLines);
    }
}

TEST(WireRequest, AProxyReceivesTheAbsoluteUrl) {
    // Nothing listens at the URL's own port: only the proxy can answer.
    const std::string origin = "127.0.0.1:" + std::to_string(Loopback().refusedPort);
    const std::string proxy = "127.0.0.1:" + std::to_string(Loopback().port);

    std::vector<std::string> proxies = {proxy};
#ifndef _WIN32
    // The proxy text goes to the library unchanged, blank included. WinINet reads the list
    // "http= host:port" as an empty proxy for HTTP and fails; libcurl's back-end skips the
    // empty entry and takes the one for every scheme.
    proxies.push_back(" " + proxy);
#endif
    for (const std::string& given : proxies) {
        SCOPED_TRACE("proxy \"" + given + "\"");
        const Echo e = EchoOf(HttpRequestText("http://" + origin + "/echo", {}, given));

        EXPECT_EQ(e.requestLine, "GET http://" + origin + "/echo HTTP/1.1");
        EXPECT_THAT(e.headerLines, ::testing::Contains("Host: " + origin));
        EXPECT_THAT(e.headerLines, ::testing::Contains("User-Agent: " + kAgent));
    }
}

TEST(WireResponse, BodiesComeBackWhole) {
    struct BodyCase {
        const char* path;
        std::string body;
    };
    const BodyCase cases[] = {
        {"/big", BigBody()},  // many reads of 2048 bytes
        {"/stock", StockDocument()},
        {"/zero", std::string("ab\0cd", 5)},
        {"/chunked", "hello, chunked world"},
        {"/empty", ""},
        {"/status-500", "oops"},  // no status is examined
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(HttpRequest(LoopbackUrl(c.path)).View(), c.body);
    }
    EXPECT_EQ(HttpRequestText(LoopbackUrl("/zero")), TextValue("ab"));
}

TEST(WireResponse, ARedirectIsFollowed) {
    const Echo e = EchoOf(HttpRequestText(LoopbackUrl("/redirect")));
    EXPECT_EQ(e.requestLine, "GET /echo HTTP/1.1");
}

TEST(WireResponse, TheRawHeaderBlockHasOneCrLfLinePerHeaderAndAnEmptyLast) {
    TextValue response;

    EXPECT_EQ(HttpRequest(LoopbackUrl("/spacing"), {}, {}, nullptr, {}, &response).View(), "ok");

    EXPECT_EQ(response, TextValue("HTTP/1.1 200 OK\r\n"
                                  "X-Spacing: a  b\r\n"
                                  "Set-Cookie: k=v; path=/spacing\r\n"
                                  "Content-Length: 2\r\n"
                                  "Connection: close\r\n"
                                  "\r\n"));
}

TEST(WireResponse, AHeaderBlockBeyond1023BytesLeavesTheBlanks) {
    TextValue response;
    EXPECT_EQ(HttpRequest(LoopbackUrl("/long-headers"), {}, {}, nullptr, {}, &response).View(),
              "ok");
    EXPECT_EQ(response, TextValue(kBlanks));
}

TEST(WireResponse, ABodyCutShortKeepsWhatArrived) {
    EXPECT_EQ(HttpRequest(LoopbackUrl("/cut")).View(), std::string(100, 'c'));
}

TEST(WireResponse, ARefusedConnectionGivesAnEmptyBodyAndNoHeaders) {
    TextValue response;
    const std::string url = "http://127.0.0.1:" + std::to_string(Loopback().refusedPort) + "/x";

    EXPECT_EQ(HttpRequest(url, {}, {}, nullptr, {}, &response).View(), "");
    ExpectNoServerHeaders(response);
}

TEST(WireResponse, ABodyPastTheBoundFailsTheExchange) {
    EXPECT_EQ(HttpRequest(LoopbackUrl("/overlong")).View(), kFailure);
}

TEST(WireResponse, ASilentServerCannotHoldTheRequestForever) {
    const auto start = std::chrono::steady_clock::now();
    TextValue response;

    const ByteSet body = HttpRequest(LoopbackUrl("/silent"), {}, {}, nullptr, {}, &response);

    EXPECT_EQ(body.View(), "");
    ExpectNoServerHeaders(response);
    // Both back-ends give up after 10 s without a byte; a generous margin for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

// The port itself, on a live exchange: the request routine relies on these contracts.
class WirePort : public ::testing::Test {
  protected:
    void Open(const std::string& path, const char* verb = nullptr, const std::string& headers = "",
              const std::string& optional = "") {
        internet_ = port_.InternetOpenA(kAgent.c_str(), inet::kOpenTypeDirect, nullptr, nullptr, 0);
        ASSERT_NE(internet_, nullptr);
        connection_ = port_.InternetConnectA(internet_, "127.0.0.1", Loopback().port, "", "",
                                             inet::kServiceHttp, 0, 0);
        ASSERT_NE(connection_, nullptr);
        request_ = port_.HttpOpenRequestA(connection_, verb, path.c_str(), "HTTP/1.1", nullptr,
                                          nullptr, inet::kFlagReload, 0);
        ASSERT_NE(request_, nullptr);
        std::string body = optional;  // the library's parameter is not const
        port_.HttpSendRequestA(request_, headers.c_str(), static_cast<inet::Dword>(headers.size()),
                               body.empty() ? nullptr : body.data(),
                               static_cast<inet::Dword>(body.size()));
    }
    std::string ReadAll() {
        std::string all;
        char buffer[2048];
        inet::Dword count = 0;
        while (port_.InternetReadFile(request_, buffer, sizeof buffer, &count) && count > 0) {
            all.append(buffer, count);
        }
        return all;
    }
    void TearDown() override {
        for (inet::Handle h : {request_, connection_, internet_}) {
            if (h) port_.InternetCloseHandle(h);
        }
    }

    const inet::InternetPort& port_ = inet::CurrentInternetPort();
    inet::Handle internet_ = nullptr;
    inet::Handle connection_ = nullptr;
    inet::Handle request_ = nullptr;
};

TEST_F(WirePort, TheHeaderQueryFailsUnlessBlockAndNulFit) {
    Open("/stock");
    std::string buffer(4096, '#');
    inet::Dword length = 4096;
    ASSERT_TRUE(port_.HttpQueryInfoA(request_, inet::kQueryRawHeadersCrlf, buffer.data(), &length,
                                     nullptr));
    const std::string block(buffer.c_str());
    ASSERT_EQ(length, block.size());
    ASSERT_EQ(block.substr(block.size() - 4), "\r\n\r\n");

    std::string tight(block.size() + 1, '#');
    length = static_cast<inet::Dword>(block.size());  // no room for the NUL
    EXPECT_FALSE(
        port_.HttpQueryInfoA(request_, inet::kQueryRawHeadersCrlf, tight.data(), &length, nullptr));
    EXPECT_EQ(tight, std::string(block.size() + 1, '#'));

    length = static_cast<inet::Dword>(block.size() + 1);
    EXPECT_TRUE(
        port_.HttpQueryInfoA(request_, inet::kQueryRawHeadersCrlf, tight.data(), &length, nullptr));
    EXPECT_EQ(tight, block + '\0');
    EXPECT_EQ(length, block.size());
}

TEST_F(WirePort, NothingJoinsTheCallersBlockButHostAgentAndTheBodysLength) {
    // No Accept, no Content-Type, and a body large enough for libcurl to want
    // "Expect: 100-continue": the back-end must add none of them.
    const std::string body(1100 * 1024, 'q');
    Open("/echo", "POST", "X-Only: 1\r\n", body);

    const Echo e = ParseEcho(ReadAll());

    EXPECT_EQ(e.requestLine, "POST /echo HTTP/1.1");
    EXPECT_THAT(e.headerLines, ::testing::UnorderedElementsAre(
                                   HostLine(Loopback().port), "User-Agent: " + kAgent, "X-Only: 1",
                                   "Content-Length: " + std::to_string(body.size())));
    EXPECT_EQ(e.body.size(), body.size());
    EXPECT_EQ(e.body, body);
}

#ifndef _WIN32
// libcurl's back-end hands over what has arrived, so its memory stays bounded by what the
// caller keeps. (WinINet's synchronous read waits to fill the buffer or for the end; the
// routine reads until 0 either way.)
TEST_F(WirePort, AReadDeliversWhatHasArrivedWithoutWaitingForTheRest) {
    Open("/partial");  // "first" of 100 announced bytes, then silence
    const auto start = std::chrono::steady_clock::now();
    char buffer[2048];
    inet::Dword count = 0;

    port_.InternetReadFile(request_, buffer, sizeof buffer, &count);

    EXPECT_EQ(std::string(buffer, count), "first");
    // Well under the stall timeout: the read did not wait for the missing 95 bytes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
#endif

TEST(WirePortHandles, ClosingInTheUnsupportedMethodOrderIsAccepted) {
    const inet::InternetPort& port = inet::CurrentInternetPort();
    inet::Handle internet =
        port.InternetOpenA(kAgent.c_str(), inet::kOpenTypeDirect, nullptr, nullptr, 0);
    inet::Handle connection = port.InternetConnectA(internet, "127.0.0.1", Loopback().port, "", "",
                                                    inet::kServiceHttp, 0, 0);
    inet::Handle request = port.HttpOpenRequestA(connection, "PUT", "/echo", "HTTP/1.1", nullptr,
                                                 nullptr, inet::kFlagReload, 0);
    ASSERT_NE(request, nullptr);
    EXPECT_TRUE(port.InternetCloseHandle(connection));
    EXPECT_TRUE(port.InternetCloseHandle(internet));
    port.InternetCloseHandle(request);  // after its parents: must not crash
    // And the port still works.
    EXPECT_EQ(HttpRequest(LoopbackUrl("/stock")).View(), StockDocument());
}

}  // namespace
}  // namespace lumeno
