// The server on loopback, in process on a free port: the exact bytes it answers, what it
// records, the control endpoint, delays, and stopping.
#include "server.h"

#include <future>
#include <regex>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "test_support.h"

namespace lumeno::demo_store {
namespace {

using std::chrono::milliseconds;
using testing::MustParse;
using testing::RawClient;
using testing::RawExchange;
using testing::RecordedRequests;
using testing::TempDir;

constexpr std::string_view kStockGet =
    "GET /misc/get2014nianstock HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
// A demo cycle this long stays in its all-closed first half for the whole test.
constexpr milliseconds kSlowCycle = std::chrono::hours(2);

// A stock state and the server that serves it, for one test.
struct RunningStore {
    explicit RunningStore(std::string_view scenario, ServerConfig config = {})
        : stock(MustParse(scenario)), server(stock, std::move(config)) {}
    explicit RunningStore(milliseconds period, ServerConfig config = {})
        : stock(period), server(stock, std::move(config)) {}

    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", server.port());
        client.set_read_timeout(5, 0);
        return client;
    }
    std::string State() const {
        auto client = Client();
        const auto res = client.Get("/control/state");
        return res ? res->body : "<no answer>";
    }

    StockState stock;
    DemoStoreServer server;
};

TEST(Server, StockReplyBytesAreExact) {
    RunningStore store(kSlowCycle);
    EXPECT_EQ(RawExchange(store.server.port(), kStockGet),
              "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 96\r\n"
              "Connection: close\r\n\r\n"
              R"({"code":0,"data":{"qorvi3td":false,"qorvi2s":false,"kessa":false,)"
              R"("dianyuan":false,"hezi":false}})");
}

struct ReplyCase {
    const char* name;
    std::string_view scenario;
    std::string bytes;  // everything the client receives for one stock request
};

class ScenarioReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ScenarioReply, ServesExactBytes) {
    RunningStore store(GetParam().scenario);
    EXPECT_EQ(RawExchange(store.server.port(), kStockGet), GetParam().bytes);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Steps, ScenarioReply,
    ::testing::Values(
        ReplyCase{"BinaryBody", "step\nbody {\"code\":0\\0\\xff\\r\\n",
                  "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 13\r\n"
                  "Connection: close\r\n\r\n{\"code\":0\0\xff\r\n"s},
        ReplyCase{"StatusCookieAndLyingLength",
                  "step\nstatus 503\nheader Set-Cookie: SESSIONID=x1; path=/\n"
                  "header Content-Length: 99\nbody short",
                  "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\n"
                  "Set-Cookie: SESSIONID=x1; path=/\r\nContent-Length: 99\r\n"
                  "Connection: close\r\n\r\nshort"},
        ReplyCase{"ProductsStep", "step\nstatus 200 Fine\nproducts hezi=open",
                  "HTTP/1.1 200 Fine\r\nContent-Type: application/json\r\nContent-Length: 95\r\n"
                  "Connection: close\r\n\r\n"
                  R"({"code":0,"data":{"qorvi3td":false,"qorvi2s":false,"kessa":false,)"
                  R"("dianyuan":false,"hezi":true}})"},
        ReplyCase{"TruncatedRawReply",
                  "step\nraw HTTP/1.1 200 OK\\r\\nContent-Length: 50\\r\\n\\r\\n{\"co",
                  "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n{\"co"},
        ReplyCase{"EmptyRawClosesWithoutAnswer", "step\nraw", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Server, StepsAdvanceWithStockRequestsOnly) {
    RunningStore store("step 2\nproducts 00000\nstep\nproducts hezi=open\n");
    auto client = store.Client();
    std::vector<std::string> bodies;
    for (int i = 0; i < 3; ++i) {
        const auto res = client.Get("/misc/get2014nianstock?_=1");
        ASSERT_TRUE(res);
        bodies.push_back(res->body);
        // Pages and control requests in between do not count.
        ASSERT_TRUE(client.Get("/site/login?ac=1"));
        ASSERT_TRUE(client.Get("/control/state"));
    }
    EXPECT_EQ(bodies[0], bodies[1]);
    EXPECT_NE(bodies[2].find(R"("hezi":true)"), std::string::npos) << bodies[2];
    EXPECT_NE(store.State().find("step=1\n"), std::string::npos);
    EXPECT_NE(store.State().find("stock_requests=3\n"), std::string::npos);
}

TEST(Server, PagesAndUnknownPaths) {
    RunningStore store(kSlowCycle);
    auto client = store.Client();

    const auto login = client.Get("/site/login?ac=1");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->status, 200);
    const std::string cookie = login->get_header_value("Set-Cookie");
    EXPECT_TRUE(std::regex_match(cookie, std::regex("SESSIONID=[0-9a-f]{32}; path=/"))) << cookie;
    const auto again = client.Get("/site/login?ac=1");
    ASSERT_TRUE(again);
    EXPECT_NE(again->get_header_value("Set-Cookie"), cookie) << "session ids must differ";

    const auto sale = client.Get("/c/chunjie/");
    ASSERT_TRUE(sale);
    EXPECT_EQ(sale->status, 200);
    EXPECT_EQ(sale->get_header_value("Content-Type"), "text/html; charset=utf-8");

    for (const char* path : {"/", "/c/chunjie", "/misc/get2014nianstock/", "/control"}) {
        const auto res = client.Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
    }
    const auto post = client.Post("/misc/get2014nianstock", "x", "text/plain");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->status, 405);
    EXPECT_EQ(post->get_header_value("Allow"), "GET");
}

TEST(Server, KeepAliveClientGetsEveryReply) {
    // A client that hopes to reuse its connection must notice "Connection: close" and
    // reconnect rather than fail on the second request.
    RunningStore store(kSlowCycle);
    auto client = store.Client();
    client.set_keep_alive(true);
    for (int i = 0; i < 3; ++i) {
        const auto res = client.Get("/misc/get2014nianstock");
        ASSERT_TRUE(res) << "request " << i << ": " << httplib::to_string(res.error());
        EXPECT_EQ(res->status, 200);
    }
}

TEST(Server, ControlSwitchesProductsOfTheDemoCycle) {
    RunningStore store(kSlowCycle);
    auto client = store.Client();
    const auto stock = [&] { return client.Get("/misc/get2014nianstock")->body; };

    auto res = client.Post("/control/product?name=hezi&state=open");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->body.find("hezi=open\nswitched=hezi\n"), std::string::npos) << res->body;
    EXPECT_NE(stock().find(R"("hezi":true)"), std::string::npos);

    ASSERT_TRUE(client.Post("/control/product?name=hezi&state=closed"));
    EXPECT_NE(stock().find(R"("hezi":false)"), std::string::npos);

    ASSERT_TRUE(client.Post("/control/product?name=kessa&state=open"));
    ASSERT_TRUE(client.Post("/control/product?name=kessa&state=auto"));
    EXPECT_EQ(stock(), RenderStockDocument({}));
    EXPECT_EQ(store.State(),
              "mode=demo\nstock_requests=3\nqorvi3td=closed\nqorvi2s=closed\nkessa=closed\n"
              "dianyuan=closed\nhezi=closed\nswitched=hezi\n");
}

struct ControlCase {
    const char* name;
    bool post;
    const char* path;
    int status;
};

class ControlErrors : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlErrors, AnswerWithStatus) {
    // At step 1 of 2, which serves a fixed body.
    RunningStore store("step\nproducts 00000\nstep\nbody fixed\n");
    ASSERT_EQ(store.stock.JumpToStep(1), StockState::Outcome::kOk);
    auto client = store.Client();
    const auto& c = GetParam();
    const auto res = c.post ? client.Post(c.path) : client.Get(c.path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status) << res->body;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ControlErrors,
    ::testing::Values(
        ControlCase{"UnknownProduct", true, "/control/product?name=tea&state=open", 400},
        ControlCase{"MissingName", true, "/control/product?state=open", 400},
        ControlCase{"BadState", true, "/control/product?name=hezi&state=maybe", 400},
        ControlCase{"SwitchOnFixedBodyStep", true, "/control/product?name=hezi&state=open", 409},
        ControlCase{"StepOutOfRange", true, "/control/step?index=2", 400},
        ControlCase{"StepNotANumber", true, "/control/step?index=-1", 400},
        ControlCase{"StepMissingIndex", true, "/control/step", 400},
        ControlCase{"NextAtLastStep", true, "/control/next", 409},
        ControlCase{"GetOfAMutation", false, "/control/next", 405},
        ControlCase{"PostOfState", true, "/control/state", 405},
        ControlCase{"UnknownControl", true, "/control/reset", 404},
        ControlCase{"StepBackIsFine", true, "/control/step?index=0", 200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Server, ControlStepAndNextInDemoModeAreConflicts) {
    RunningStore store(kSlowCycle);
    auto client = store.Client();
    EXPECT_EQ(client.Post("/control/next")->status, 409);
    EXPECT_EQ(client.Post("/control/step?index=0")->status, 409);
}

TEST(Server, RecordsRawBytesOfEveryRequestButControl) {
    TempDir dir;
    const auto record = dir.path() / "requests.txt";
    RunningStore store(kSlowCycle, ServerConfig{.record_file = record});
    const auto port = store.server.port();

    const std::vector<std::string> sent = {
        // Header case, order, repeats and spacing as a browser-like client might send them.
        "GET /misc/get2014nianstock?_=17 HTTP/1.1\r\nhost: 127.0.0.1\r\nX-Zeta:  two  spaces \r\n"
        "Cookie: a=1\r\ncookie: b=2\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 8.0)\r\n\r\n",
        // A form post with a body holding NUL, CRLF and bytes above 0x7f.
        "POST /site/login?ac=1 HTTP/1.1\r\nContent-Length: 12\r\nContent-Type: x\r\n\r\n"
        "u=\xd6\xd0\0\r\n\r\np=1"s,
        // A chunked body, kept with its framing.
        "POST /c/chunjie/ HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nwiki\r\n0\r\n\r\n",
        // Bare line feeds and an HTTP/1.0 request line.
        "GET /nowhere HTTP/1.0\nA: b\n\n",
        // Not HTTP at all: recorded and refused.
        "HELLO\r\n\r\n",
    };
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_FALSE(RawExchange(port, sent[i]).empty()) << "no answer to request " << i;
        if (i == 1) {
            // Control traffic in the middle is not recorded.
            EXPECT_FALSE(RawExchange(port, "POST /control/next HTTP/1.1\r\n\r\n").empty());
            EXPECT_FALSE(RawExchange(port, "GET /control/state HTTP/1.1\r\n\r\n").empty());
        }
    }
    EXPECT_EQ(RecordedRequests(record), sent);
    // The framing of the file itself, byte for byte, for the first record.
    const std::string head = "--- request 1 (" + std::to_string(sent[0].size()) + " bytes) ---\n";
    EXPECT_EQ(testing::ReadFile(record).substr(0, head.size() + sent[0].size() + 1),
              head + sent[0] + "\n");
}

TEST(Server, HonoursExpectContinueAndRecordsTheWholeRequest) {
    TempDir dir;
    const auto record = dir.path() / "requests.txt";
    RunningStore store(kSlowCycle, ServerConfig{.record_file = record});
    const std::string head =
        "POST /site/login?ac=1 HTTP/1.1\r\nContent-Length: 4\r\nExpect: 100-continue\r\n\r\n";
    RawClient client(store.server.port());
    client.Send(head);
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    ASSERT_EQ(client.Read(interim.size(), std::chrono::seconds(5)), interim);
    client.Send("a=bc");
    const auto reply = client.ReadToClose();
    EXPECT_TRUE(reply.starts_with("HTTP/1.1 405 ")) << reply;
    EXPECT_EQ(RecordedRequests(record), std::vector<std::string>{head + "a=bc"});
}

TEST(Server, IncompleteRequestsAreRecordedAndRefused) {
    TempDir dir;
    const auto record = dir.path() / "requests.txt";
    RunningStore store(kSlowCycle,
                       ServerConfig{.record_file = record, .read_timeout = milliseconds(300)});
    const auto port = store.server.port();

    RawClient closed_early(port);
    closed_early.Send("GET /misc/get2014nianstock HTTP/1.1\r\nHost");
    closed_early.CloseWrite();
    EXPECT_TRUE(closed_early.ReadToClose().starts_with("HTTP/1.1 400 "));

    RawClient stalled(port);
    stalled.Send("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
    EXPECT_TRUE(stalled.ReadToClose().starts_with("HTTP/1.1 408 "));

    RawClient silent(port);  // connects and leaves: not a request
    silent.CloseWrite();
    EXPECT_EQ(silent.ReadToClose(), "");

    const std::vector<std::string> expected = {"GET /misc/get2014nianstock HTTP/1.1\r\nHost",
                                               "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc"};
    EXPECT_EQ(RecordedRequests(record), expected);
    EXPECT_NE(store.State().find("stock_requests=0\n"), std::string::npos);
}

TEST(Server, DelayedReplyDoesNotHoldUpControl) {
    RunningStore store("step\ndelay 1500ms\nproducts 00001\n");
    const auto started = std::chrono::steady_clock::now();
    auto delayed = std::async(std::launch::async, [&] {
        auto client = store.Client();
        const auto res = client.Get("/misc/get2014nianstock");
        return res ? res->body : std::string("<no answer>");
    });
    // The control endpoint answers while the stock reply waits, and already counts it.
    std::string state;
    while (state.find("stock_requests=1\n") == std::string::npos &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(5)) {
        state = store.State();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(1000)) << state;
    EXPECT_NE(delayed.get().find(R"("hezi":true)"), std::string::npos);
    EXPECT_GE(std::chrono::steady_clock::now() - started, milliseconds(1500));
}

TEST(Server, StoppingEndsDelayedRepliesAtOnce) {
    std::optional<RunningStore> store(std::in_place, "step\ndelay 600s\nbody late\n");
    RawClient client(store->server.port());
    client.Send(kStockGet);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (store->State().find("stock_requests=1\n") == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "the request never arrived";
        std::this_thread::sleep_for(milliseconds(5));
    }
    const auto started = std::chrono::steady_clock::now();
    store.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(client.ReadToClose(std::chrono::seconds(2)), "");
}

}  // namespace
}  // namespace lumeno::demo_store
