// The wire: where a request ends in the bytes read so far, what its head says, and the exact
// bytes of a response.
#include "http_wire.h"

#include <gtest/gtest.h>

namespace lumeno::demo_store {
namespace {

using Kind = Framing::Kind;

struct FrameCase {
    const char* name;
    std::string bytes;
    Kind kind;
    std::size_t length = 0;  // kComplete
    bool expects_continue = false;
    int bad_status = 0;  // kBad
};

class FrameRequestCase : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameRequestCase, FindsTheEnd) {
    const auto& c = GetParam();
    const auto f = FrameRequest(c.bytes);
    ASSERT_EQ(f.kind, c.kind) << f.why;
    switch (c.kind) {
        case Kind::kComplete:
            EXPECT_EQ(f.length, c.length);
            break;
        case Kind::kNeedMore:
            EXPECT_EQ(f.expects_continue, c.expects_continue);
            break;
        case Kind::kBad:
            EXPECT_EQ(f.bad_status, c.bad_status);
            break;
    }
}

const std::string kGet = "GET / HTTP/1.1\r\nHost: a\r\n\r\n";
const std::string kPostHead = "POST /p HTTP/1.1\r\ncontent-length: 5\r\n\r\n";
const std::string kChunkedHead = "POST /p HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Bytes, FrameRequestCase,
    ::testing::Values(
        FrameCase{"Nothing", "", Kind::kNeedMore},
        FrameCase{"HeadNotEnded", "GET / HTTP/1.1\r\nHost: a\r\n", Kind::kNeedMore},
        FrameCase{"GetWithoutBody", kGet, Kind::kComplete, kGet.size()},
        FrameCase{"PipelinedBytesAreNotPartOfIt", kGet + "GET /x HTTP/1.1\r\n", Kind::kComplete,
                  kGet.size()},
        FrameCase{"BareLineFeeds", "GET / HTTP/1.1\nHost: a\n\n", Kind::kComplete, 24},
        FrameCase{"BlankLinesBeforeRequestLine", "\r\n\r\nGET / HTTP/1.1\r\n\r\n", Kind::kComplete,
                  22},
        FrameCase{"BodyStillComing", kPostHead + "abc", Kind::kNeedMore},
        FrameCase{"BodyComplete", kPostHead + "abcdeEXTRA", Kind::kComplete, kPostHead.size() + 5},
        FrameCase{"ExpectContinueWhileBodyDue",
                  "POST / HTTP/1.1\r\nContent-Length: 3\r\nExpect: 100-Continue\r\n\r\n",
                  Kind::kNeedMore, 0, true},
        FrameCase{"ChunkedComplete", kChunkedHead + "5\r\nhello\r\n0\r\n\r\n", Kind::kComplete,
                  kChunkedHead.size() + 15},
        FrameCase{"ChunkedExtensionAndTrailer",
                  kChunkedHead + "3;x=y\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n",
                  Kind::kComplete, kChunkedHead.size() + 40},
        FrameCase{"ChunkedWithoutFinalBlankLine", kChunkedHead + "5\r\nhello\r\n0\r\n",
                  Kind::kNeedMore},
        FrameCase{"ChunkedDataCut", kChunkedHead + "5\r\nhel", Kind::kNeedMore},
        FrameCase{"ChunkedBadSize", kChunkedHead + "zz\r\n", Kind::kBad, 0, false, 400},
        FrameCase{"ChunkLongerThanSize", kChunkedHead + "2\r\nabc\r\n", Kind::kBad, 0, false, 400},
        FrameCase{"UnsupportedCoding", "POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n",
                  Kind::kBad, 0, false, 501},
        FrameCase{"BadContentLength", "POST / HTTP/1.1\r\nContent-Length: 5x\r\n\r\n", Kind::kBad,
                  0, false, 400},
        FrameCase{"ConflictingContentLengths",
                  "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", Kind::kBad,
                  0, false, 400},
        FrameCase{"BodyTooLarge", "POST / HTTP/1.1\r\nContent-Length: 999999999\r\n\r\n",
                  Kind::kBad, 0, false, 413},
        FrameCase{"NotARequestLine", "HELLO\r\n\r\n", Kind::kBad, 0, false, 400},
        FrameCase{"HeaderWithoutColon", "GET / HTTP/1.1\r\nNoColon\r\n\r\n", Kind::kBad, 0, false,
                  400},
        FrameCase{"FoldedHeaderLine", "GET / HTTP/1.1\r\nA: b\r\n c\r\n\r\n", Kind::kBad, 0, false,
                  400},
        FrameCase{"HeadTooLarge", std::string(kMaxRequestHead + 1, 'a'), Kind::kBad, 0, false,
                  431}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseRequestHead, KeepsHeaderOrderAndCaseAndSplitsTheTarget) {
    const auto r = ParseRequestHead(
        "GET /misc/get2014nianstock?t=1&x=%20 HTTP/1.0\r\nzeta: 1\r\nHOST:  h \r\nzeta: 2\r\n\r\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->method, "GET");
    EXPECT_EQ(r->path, "/misc/get2014nianstock");
    EXPECT_EQ(r->query, "t=1&x=%20");
    EXPECT_EQ(r->version, "HTTP/1.0");
    const std::vector<Header> expected = {{"zeta", "1"}, {"HOST", "h"}, {"zeta", "2"}};
    EXPECT_EQ(r->headers, expected);
    EXPECT_EQ(r->header("Zeta"), "1");
    EXPECT_EQ(r->header("Missing"), std::nullopt);
}

TEST(QueryParam, DecodesAndFindsByName) {
    const std::string_view query = "name=he%7Azi&state=open+now&flag&bad=%zz&last=";
    EXPECT_EQ(QueryParam(query, "name"), "hezzi");
    EXPECT_EQ(QueryParam(query, "state"), "open now");
    EXPECT_EQ(QueryParam(query, "flag"), "");
    EXPECT_EQ(QueryParam(query, "bad"), "%zz");
    EXPECT_EQ(QueryParam(query, "last"), "");
    EXPECT_EQ(QueryParam(query, "nam"), std::nullopt);
    EXPECT_EQ(QueryParam("", "name"), std::nullopt);
}

struct SerializeCase {
    const char* name;
    Response response;
    std::string bytes;
};

class SerializeResponseCase : public ::testing::TestWithParam<SerializeCase> {};

TEST_P(SerializeResponseCase, WritesExactly) {
    EXPECT_EQ(SerializeResponse(GetParam().response), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Responses, SerializeResponseCase,
    ::testing::Values(
        SerializeCase{
            "AddsFraming", Response{.headers = {{"A", "1"}}, .body = "hi"},
            "HTTP/1.1 200 OK\r\nA: 1\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi"},
        SerializeCase{"OwnReasonAndUnusualCode", Response{.status = 299, .reason = "Fine"},
                      "HTTP/1.1 299 Fine\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"},
        SerializeCase{"UnknownCodeHasEmptyReason", Response{.status = 599},
                      "HTTP/1.1 599 \r\nContent-Length: 0\r\nConnection: close\r\n\r\n"},
        SerializeCase{"OwnLengthAndConnectionAreNotRepeated",
                      Response{.headers = {{"content-length", "9"}, {"CONNECTION", "keep-alive"}},
                               .body = "abc"},
                      "HTTP/1.1 200 OK\r\ncontent-length: 9\r\nCONNECTION: keep-alive\r\n\r\nabc"},
        SerializeCase{"RawIsSentAsItIs", Response{.body = "ignored", .raw = "HTTP/1.0 2"},
                      "HTTP/1.0 2"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumeno::demo_store
