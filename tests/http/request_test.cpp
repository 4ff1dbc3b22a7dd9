// HttpRequest / HttpRequestText over the recording internet port: the calls of each path,
// byte for byte, their close orders, the caller's variables, the cookie hand-over and the
// body bound.
#include "http/request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/recording_internet_port.h"

namespace lumeno {

// Failures show texts as their bytes.
[[maybe_unused]] static void PrintTo(const TextValue& t, std::ostream* os) {
    *os << ::testing::PrintToString(t.Bytes());
}

namespace {

using Lines = std::vector<std::string>;

const std::string kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const std::string kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
const std::string kAcceptLanguage = "Accept-Language: zh-cn\r\n";
const std::string kFormType = "Content-Type: application/x-www-form-urlencoded\r\n";
const std::string kFailure(255, '\0');
const std::string kBlanks(1024, ' ');
const std::string kStockUrl = "http://order.qorvi.example/misc/get2014nianstock";
const std::string kUrl = "http://box7/p";

std::string Referer(const std::string& url) {
    return "Referer: " + url + "\r\n";
}
std::string DefaultLines(const std::string& url) {
    return kAccept + Referer(url) + kAcceptLanguage;
}
std::string Q(const std::optional<std::string>& text) {
    return RecordingInternetPort::Quote(text);
}

FakeReply Ok(std::string body, std::string block = "HTTP/1.1 200 OK\r\n\r\n") {
    FakeReply reply;
    reply.body = std::move(body);
    reply.headerBlock = std::move(block);
    return reply;
}

// A reply whose exchange fails at one step.
FakeReply Failing(bool FakeReply::*step) {
    FakeReply reply;
    reply.*step = true;
    return reply;
}

class HttpRequestTest : public ::testing::Test {
  protected:
    HttpRequestTest() { port.RecordPumps(); }

    // The cookie calls as transcript lines.
    Lines CookieCalls() const {
        Lines out;
        for (const auto& line : port.Transcript()) {
            if (line.rfind("InternetSetCookieA", 0) == 0) out.push_back(line);
        }
        return out;
    }

    RecordingInternetPort port;
};

TEST_F(HttpRequestTest, MainRoadIsOneGetWithTheThreeDefaultLines) {
    port.Script(Ok("{\"data\":1}", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"));

    EXPECT_EQ(HttpRequestText(kStockUrl), TextValue("{\"data\":1}"));

    const std::string block =
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
        "application/x-shockwave-flash, application/vnd.ms-excel, "
        "application/vnd.ms-powerpoint, application/msword, */*\r\n"
        "Referer: http://order.qorvi.example/misc/get2014nianstock\r\n"
        "Accept-Language: zh-cn\r\n";
    const Lines expected = {
        "InternetOpenA(" + Q(kAgent) + ", 1, null, null, 0) -> internet",
        R"(InternetConnectA(internet, "order.qorvi.example", 80, "", "", 3, 0, 0) -> connection)",
        "HttpOpenRequestA(connection, null, \"/misc/get2014nianstock\", \"HTTP/1.1\", null, null, "
        "0x80000000, 0) -> request",
        "HttpSendRequestA(request, " + Q(block) + ", " + std::to_string(block.size()) +
            ", null, 0)",
        "PumpMessages",
        "InternetReadFile(request, 2048) -> 10",
        "PumpMessages",
        "InternetReadFile(request, 2048) -> 0",
        "HttpQueryInfoA(request, 22, 1024, null)",
        "InternetCloseHandle(request)",
        "InternetCloseHandle(connection)",
        "InternetCloseHandle(internet)",
    };
    EXPECT_EQ(port.Transcript(), expected);
}

TEST_F(HttpRequestTest, CallersVariablesReceiveTheSentBlockAndTheRawResponseHeaders) {
    const std::string block = "HTTP/1.1 200 OK\r\nServer: t\r\n\r\n";
    port.Script(Ok("x", block));
    TextValue headers;
    TextValue response = "old";

    EXPECT_EQ(HttpRequest(kUrl, {}, {}, &headers, {}, &response).View(), "x");

    EXPECT_EQ(headers, TextValue(DefaultLines(kUrl)));
    EXPECT_EQ(response, TextValue(block));
    // The library wrote into 1024 blanks that were already the caller's variable.
    ASSERT_EQ(port.CallsOf("HttpQueryInfoA").size(), 1u);
    EXPECT_EQ(port.CallsOf("HttpQueryInfoA")[0].texts[0], kBlanks);
}

struct ShapeCase {
    const char* name;
    std::string method;
    std::string headers;  // the caller's block before the call
    std::string body;
    std::optional<std::string> verb;  // what HttpOpenRequestA receives
    std::string block;                // what HttpSendRequestA receives, and headers holds after
    std::optional<std::string> optional;
};

TEST_F(HttpRequestTest, DefaultLinesAndTheMethodShapeTheRequest) {
    const std::string d = DefaultLines(kUrl);
    const ShapeCase cases[] = {
        {"caller's accept line, any case", "", "accept: text/html\r\n", "", std::nullopt,
         "accept: text/html\r\n" + Referer(kUrl) + kAcceptLanguage, std::nullopt},
        {"other keys present", "", "REFERER: a\r\nAccept-Language: en\r\n", "", std::nullopt,
         "REFERER: a\r\nAccept-Language: en\r\n" + kAccept, std::nullopt},
        {"a key needs its blank", "", "Accept:text/html\r\n", "", std::nullopt,
         "Accept:text/html\r\n" + d, std::nullopt},
        {"a key counts anywhere in the block", "", "X-Note: Accept: none\r\n", "", std::nullopt,
         "X-Note: Accept: none\r\n" + Referer(kUrl) + kAcceptLanguage, std::nullopt},
        {"post form", "POST", "", "a=1&b=2", "POST", d + kFormType + "Content-Length: 7\r\n",
         "a=1&b=2"},
        {"post with its own length", "POST", "Content-Length: 7\r\n", "a=1&b=2", "POST",
         "Content-Length: 7\r\n" + d + kFormType + "Content-Length: 7\r\n", "a=1&b=2"},
        {"post with its own type", "post", "content-type: text/plain\r\n", "x=1", "post",
         "content-type: text/plain\r\n" + d + "Content-Length: 3\r\n", "x=1"},
        {"post without a body", "POST", "", "", "POST", d, std::nullopt},
        {"get in lower case", "get", "", "", "get", d, std::nullopt},
        {"a get sends no body", "", "", "zzz", std::nullopt, d, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        port.Reset();
        port.Script(Ok("r"));
        TextValue headers = c.headers.empty() ? TextValue() : TextValue(c.headers);

        EXPECT_EQ(HttpRequest(kUrl, c.method, {}, &headers, c.body).View(), "r");

        EXPECT_EQ(headers, TextValue(c.block));
        const auto open = port.CallsOf("HttpOpenRequestA");
        const auto send = port.CallsOf("HttpSendRequestA");
        ASSERT_EQ(open.size(), 1u);
        ASSERT_EQ(send.size(), 1u);
        EXPECT_EQ(open[0].texts[0], c.verb);
        EXPECT_EQ(send[0].texts[0], c.block);
        EXPECT_EQ(send[0].numbers[0], c.block.size());
        EXPECT_EQ(send[0].texts[1], c.optional);
        EXPECT_EQ(send[0].numbers[1], c.optional ? c.optional->size() : 0u);
    }
}

TEST_F(HttpRequestTest, UnsupportedMethodSendsNothingAndClosesTheRequestLast) {
    port.Script(Ok("never"));
    TextValue headers = "X: 1\r\n";
    TextValue response = "untouched";

    EXPECT_EQ(HttpRequest(kUrl, "PUT", {}, &headers, "b", &response).View(), kFailure);
    EXPECT_EQ(HttpRequestText(kUrl, "PUT"), TextValue());

    EXPECT_EQ(port.CallsOf("HttpOpenRequestA")[0].texts[0], "PUT");
    EXPECT_THAT(port.CallsOf("HttpSendRequestA"), ::testing::IsEmpty());
    EXPECT_THAT(port.CallsOf("InternetReadFile"), ::testing::IsEmpty());
    EXPECT_THAT(port.Closed(), ::testing::ElementsAre("connection", "internet", "request",
                                                      "connection#2", "internet#2", "request#2"));
    EXPECT_EQ(headers, TextValue("X: 1\r\n" + DefaultLines(kUrl)));
    EXPECT_EQ(response, TextValue("untouched"));
}

struct FailureCase {
    const char* name;
    FakeReply reply;
    std::string result;
    Lines closed;
    bool sent;                            // the default lines reached the headers variable
    std::optional<std::string> response;  // nullopt: responseHeaders untouched
};

TEST_F(HttpRequestTest, EachFailureClosesWhatWasOpenedAndKeepsWhatArrived) {
    const Lines all = {"request", "connection", "internet"};
    std::string body5000(5000, 'b');
    for (std::size_t i = 0; i < body5000.size(); ++i) body5000[i] = static_cast<char>('a' + i % 7);
    const std::string okBlock = "HTTP/1.1 200 OK\r\n\r\n";
    const std::string errorBlock = "HTTP/1.1 500 Internal Server Error\r\n\r\n";
    // Status line, one cookie, padding: exactly 1023 bytes fit with their NUL, 1024 do not.
    const auto blockOf = [](std::size_t size) {
        std::string b = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX: ";
        b += std::string(size - b.size() - 4, 'p');
        return b + "\r\n\r\n";
    };

    FakeReply readFails = Ok(body5000, okBlock);
    readFails.failReadAt = 3000;
    FakeReply queryFails = Ok("body", okBlock);
    queryFails.failQuery = true;

    const FailureCase cases[] = {
        {"no internet handle", Failing(&FakeReply::failOpen), kFailure, {}, false, std::nullopt},
        {"no connection",
         Failing(&FakeReply::failConnect),
         kFailure,
         {"internet"},
         false,
         std::nullopt},
        {"no request",
         Failing(&FakeReply::failOpenRequest),
         kFailure,
         {"connection", "internet"},
         false,
         std::nullopt},
        {"the send fails", Failing(&FakeReply::failSend), "", all, true, kBlanks},
        {"a read fails midway", readFails, body5000.substr(0, 3000), all, true, okBlock},
        {"an error status", Ok("oops", errorBlock), "oops", all, true, errorBlock},
        {"the query fails", queryFails, "body", all, true, kBlanks},
        {"a block of 1023 bytes fits", Ok("b", blockOf(1023)), "b", all, true, blockOf(1023)},
        {"a block of 1024 bytes does not", Ok("b", blockOf(1024)), "b", all, true, kBlanks},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        port.Reset();
        port.Script(c.reply);
        TextValue headers = "Pre: 1\r\n";
        TextValue response = "untouched";

        const ByteSet result = HttpRequest(kUrl, {}, {}, &headers, {}, &response);

        EXPECT_EQ(result.View(), c.result);
        EXPECT_EQ(port.Closed(), c.closed);
        EXPECT_EQ(headers, TextValue("Pre: 1\r\n" + (c.sent ? DefaultLines(kUrl) : "")));
        EXPECT_EQ(response, TextValue(c.response.value_or("untouched")));
        // Only the block that fits hands its cookie over.
        EXPECT_EQ(CookieCalls().size(), c.response == blockOf(1023) ? 1u : 0u);
    }
}

TEST_F(HttpRequestTest, BlanksAloneMeanADirectConnectionAndAProxyGoesUnchanged) {
    struct ProxyCase {
        std::string proxy;
        std::uint64_t accessType;
        std::optional<std::string> list;
    };
    const ProxyCase cases[] = {
        {"", 1, std::nullopt},
        {"   ", 1, std::nullopt},
        {"\xA1\xA1 ", 1, std::nullopt},  // a full-width blank (GBK) and a blank
        {" px:3128", 3, "http= px:3128"},
        {"px:3128", 3, "http=px:3128"},
        {"\t", 3, "http=\t"},  // a tab is no blank
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Q(c.proxy));
        port.Reset();
        port.Script(Ok("r"));

        EXPECT_EQ(HttpRequestText(kUrl, {}, c.proxy), TextValue("r"));

        const auto open = port.CallsOf("InternetOpenA");
        ASSERT_EQ(open.size(), 1u);
        EXPECT_EQ(open[0].texts[0], kAgent);
        EXPECT_EQ(open[0].numbers[0], c.accessType);
        EXPECT_EQ(open[0].texts[1], c.list);
        EXPECT_EQ(open[0].texts[2], std::nullopt);
        EXPECT_EQ(open[0].numbers[1], 0u);
    }
}

TEST_F(HttpRequestTest, TheUrlGivesHostPortObjectAndReferer) {
    struct UrlCase {
        std::string url;
        std::optional<std::string> host;
        std::uint64_t port;
        std::string object;
    };
    const UrlCase cases[] = {
        {"http://Box7:81/a/b?x=1", "box7", 81, "/a/b?x=1"},
        {"http://box7:70000/", "box7", 70000 % 65536, "/"},  // the port's low 16 bits
        {"http://box7:/x", "box7", 0, "/x"},
        {"HTTP://Box7/x", "http", 0, "//Box7/x"},
        {"", std::nullopt, 80, "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        port.Reset();
        port.Script(Ok("r"));
        TextValue headers;

        (void)HttpRequest(c.url, {}, {}, &headers);

        const auto connect = port.CallsOf("InternetConnectA");
        ASSERT_EQ(connect.size(), 1u);
        EXPECT_EQ(connect[0].texts[0], c.host);
        EXPECT_EQ(connect[0].numbers[0], c.port);
        EXPECT_EQ(connect[0].texts[1], "");  // user name and password: present and empty
        EXPECT_EQ(connect[0].texts[2], "");
        EXPECT_EQ(port.CallsOf("HttpOpenRequestA")[0].texts[1], c.object);
        EXPECT_EQ(headers, TextValue(DefaultLines(c.url)));
    }
}

TEST_F(HttpRequestTest, EveryResponseCookieGoesToTheStoreWithAPumpAfterEachLine) {
    const std::string block =
        "HTTP/1.1 200 OK\r\nSet-Cookie: sid=42; path=/\r\nset-cookie: flag\r\n\r\n";
    port.Script(Ok("", block));
    TextValue response;

    (void)HttpRequest("http://box7/x", {}, {}, nullptr, {}, &response);

    const Lines transcript = port.Transcript();
    const Lines afterCloses(transcript.end() - 6, transcript.end());
    EXPECT_EQ(afterCloses, (Lines{
                               "PumpMessages",
                               R"(InternetSetCookieA("http://box7", "sid", "42; path=/"))",
                               "PumpMessages",
                               R"(InternetSetCookieA("http://box7", null, "flag"))",
                               "PumpMessages",
                               "PumpMessages",
                           }));
    EXPECT_EQ(transcript.end()[-7], "InternetCloseHandle(internet)");
    EXPECT_EQ(response, TextValue(block));  // the walk leaves the caller's block whole
}

TEST_F(HttpRequestTest, CookieLinesAreCutAtTheFirstEqualsSign) {
    struct CookieCase {
        std::string url;
        std::string block;
        Lines calls;
    };
    const CookieCase cases[] = {
        {"http://box7/",
         "HTTP/1.1 200 OK\r\nSet-Cookie: =x\r\n\r\n",
         {R"(InternetSetCookieA("http://box7", null, "x"))"}},
        {"http://box7/",
         "HTTP/1.1 200 OK\r\nSet-Cookie: a=b=c; path=/\r\n\r\n",
         {R"(InternetSetCookieA("http://box7", "a", "b=c; path=/"))"}},
        {"http://box7/",
         "HTTP/1.1 200 OK\r\nSet-Cookie: k=\r\n\r\n",
         {R"(InternetSetCookieA("http://box7", "k", null))"}},
        // Matched anywhere in a line, the first 12 bytes go all the same.
        {"http://box7/",
         "HTTP/1.1 200 OK\r\nX-Set-Cookie: k=v\r\n\r\n",
         {R"(InternetSetCookieA("http://box7", ": k", "v"))"}},
        // Text after the last line end is a line; bare LF ends lines too.
        {"http://box7/",
         "HTTP/1.1 200 OK\r\nSet-Cookie: t=1",
         {R"(InternetSetCookieA("http://box7", "t", "1"))"}},
        {"http://box7/",
         "HTTP/1.1 200 OK\nSet-Cookie: u=2\n\n",
         {R"(InternetSetCookieA("http://box7", "u", "2"))"}},
        // The cookie URL is the lower-cased host alone.
        {"http://Box7:81/a/b",
         "HTTP/1.1 200 OK\r\nSet-Cookie: p=1\r\n\r\n",
         {R"(InternetSetCookieA("http://box7", "p", "1"))"}},
        // The marker needs its blank: no walk at all.
        {"http://box7/", "HTTP/1.1 200 OK\r\nSet-Cookie:x=1\r\n\r\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Q(c.block));
        port.Reset();
        port.Script(Ok("", c.block));

        (void)HttpRequest(c.url);

        EXPECT_EQ(CookieCalls(), c.calls);
        if (c.calls.empty()) {
            EXPECT_EQ(port.Transcript().back(), "InternetCloseHandle(internet)");
        }
    }
}

TEST_F(HttpRequestTest, TheBodyIsReadInChunksWithAPumpBeforeEveryRead) {
    struct BodyCase {
        std::string body;
        std::size_t readChunk;
        std::size_t reads;
    };
    std::string big(5000, 'x');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
    const BodyCase cases[] = {
        {big, 0, 4},                       // 2048, 2048, 904, end
        {big.substr(0, 4096), 0, 3},       // two full buffers, end
        {"abc", 1, 4},                     // a library that delivers less than asked
        {std::string("ab\0cd", 5), 0, 2},  // zero bytes are body bytes
        {"", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.size());
        port.Reset();
        FakeReply reply = Ok(c.body);
        reply.readChunk = c.readChunk;
        port.Script(reply);

        const ByteSet result = HttpRequest(kUrl);

        EXPECT_EQ(result.View(), c.body);
        const auto reads = port.CallsOf("InternetReadFile");
        EXPECT_EQ(reads.size(), c.reads);
        const Lines functions = port.Functions();
        for (std::size_t i = 0; i < functions.size(); ++i) {
            if (functions[i] != "InternetReadFile") continue;
            ASSERT_GT(i, 0u);
            EXPECT_EQ(functions[i - 1], "PumpMessages") << "before read at call " << i;
        }
        for (const auto& r : reads) EXPECT_EQ(r.numbers[0], 2048u);
    }
}

TEST_F(HttpRequestTest, TextIsTheBodyUpToItsFirstZeroByte) {
    struct TextCase {
        FakeReply reply;
        TextValue text;
    };
    const TextCase cases[] = {
        {Ok(std::string("ab\0cd", 5)), "ab"},
        {Ok(std::string("\0ab", 3)), TextValue()},
        {Ok(""), TextValue()},
        {Failing(&FakeReply::failOpen), TextValue()},  // 255 zero bytes
    };
    for (const auto& c : cases) {
        port.Reset();
        port.Script(c.reply);
        const TextValue text = HttpRequestText(kUrl);
        EXPECT_EQ(text, c.text);
        EXPECT_FALSE(text.IsPresent() && c.text.IsEmpty());
    }
}

TEST_F(HttpRequestTest, ABodyBeyondTheBoundFailsTheExchange) {
    struct BoundCase {
        std::uint64_t size;
        bool kept;
    };
    const std::uint64_t bound = kMaxBodyBytes;
    const BoundCase cases[] = {
        {bound, true},
        {bound + 1, false},
        {FakeReply::kEndless, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        port.Reset();
        FakeReply reply = Ok("");
        reply.generatedBody = c.size;
        port.Script(reply);
        TextValue response = "untouched";

        const ByteSet result = HttpRequest(kUrl, {}, {}, nullptr, {}, &response);

        if (c.kept) {
            EXPECT_EQ(result.Length(), kMaxBodyBytes);
            EXPECT_EQ(result.View().find_first_not_of('x'), std::string_view::npos);
            EXPECT_EQ(response, TextValue("HTTP/1.1 200 OK\r\n\r\n"));
        } else {
            EXPECT_EQ(result.View(), kFailure);
            // Reading stopped at the first chunk past the bound, long before the end.
            EXPECT_EQ(port.CallsOf("InternetReadFile").size(), bound / 2048 + 1);
            EXPECT_THAT(port.CallsOf("HttpQueryInfoA"), ::testing::IsEmpty());
            EXPECT_EQ(response, TextValue("untouched"));
        }
        EXPECT_EQ(port.Closed(), (Lines{"request", "connection", "internet"}));
    }
}

TEST_F(HttpRequestTest, ARequestStartedAtAPumpLeavesTheOneItInterruptsIntact) {
    port.Script(Ok("outer", "HTTP/1.1 200 OK\r\nSet-Cookie: o=1\r\n\r\n"));
    port.Script(Ok("inner", "HTTP/1.1 200 OK\r\nSet-Cookie: i=2\r\n\r\n"));
    TextValue inner;
    bool started = false;
    port.RecordPumps([&] {
        if (started) return;
        started = true;
        inner = HttpRequestText("http://inner/x");
    });

    EXPECT_EQ(HttpRequestText("http://outer/x"), TextValue("outer"));

    EXPECT_EQ(inner, TextValue("inner"));
    EXPECT_EQ(port.Closed(), (Lines{"request#2", "connection#2", "internet#2", "request",
                                    "connection", "internet"}));
    EXPECT_EQ(CookieCalls(), (Lines{R"(InternetSetCookieA("http://inner", "i", "2"))",
                                    R"(InternetSetCookieA("http://outer", "o", "1"))"}));
}

}  // namespace
}  // namespace lumeno
