// The check cycle against a real HTTP server on loopback serving the stock document: the
// whole road from the Timer event to the status boxes and the alerts.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "monitor/check_cycle.h"
#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_globals.h"
#include "monitor_test_support.h"
#include "support/recording_alerts.h"
#include "support/scripted_window.h"
#include "text/primitives.h"

namespace lumeno {
namespace {

// A stock endpoint on 127.0.0.1, on a port the system picks, answering with whatever
// document the test set last.
class LoopbackStore {
  public:
    LoopbackStore() {
        server_.Get("/misc/get2014nianstock",
                    [this](const httplib::Request& request, httplib::Response& response) {
                        std::lock_guard lock(mutex_);
                        acceptLanguages_.push_back(request.get_header_value("Accept-Language"));
                        response.set_content(document_, "text/html");
                    });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~LoopbackStore() {
        server_.stop();
        thread_.join();
    }
    LoopbackStore(const LoopbackStore&) = delete;
    LoopbackStore& operator=(const LoopbackStore&) = delete;

    [[nodiscard]] int Port() const { return port_; }
    [[nodiscard]] bool Running() const { return port_ > 0 && server_.is_running(); }
    void SetDocument(std::string document) {
        std::lock_guard lock(mutex_);
        document_ = std::move(document);
    }
    [[nodiscard]] std::vector<std::string> AcceptLanguages() {
        std::lock_guard lock(mutex_);
        return acceptLanguages_;
    }

  private:
    httplib::Server server_;
    std::mutex mutex_;
    std::string document_;
    std::vector<std::string> acceptLanguages_;
    int port_ = -1;
    std::thread thread_;
};

std::vector<std::string> StatusTexts(const ScriptedWindow& window) {
    std::vector<std::string> out;
    for (const ProductRow& row : ProductTable) out.emplace_back(window.Text(row.statusBox).View());
    return out;
}

TEST(CheckCycleLoopback, OpeningsAndClosingsReadFromARealServer) {
    LoopbackStore store;
    ASSERT_TRUE(store.Running());
    ReleaseStockGlobals();
    StockUrl = ConcatText({"http://127.0.0.1:", ToText(static_cast<std::int32_t>(store.Port())),
                           "/misc/get2014nianstock"});

    ScriptedWindow window;
    window.handlers.timer = OnTimerTick;
    RecordingAlerts alerts(&window);
    ResetStatuses();

    const std::string closed = "未开放购买", open = "已开放购买";
    store.SetDocument(StockReply(false, false, true, false, false));
    window.Dispatch(ScriptedWindow::Event::TimerTick());
    EXPECT_EQ(StatusTexts(window),
              (std::vector<std::string>{closed, closed, open, closed, closed}));
    EXPECT_TRUE(alerts.Logs().empty());

    store.SetDocument(StockReply(false, false, true, false, true));
    window.Dispatch(ScriptedWindow::Event::TimerTick());
    EXPECT_EQ(window.Text(ControlId::bhz), TextValue(open));
    EXPECT_EQ(alerts.Logs(), std::vector<TextValue>{"Qorvi盒子 开放购买!"});
    EXPECT_EQ(alerts.Sounds(), 1);

    store.SetDocument(StockReply(false, false, false, false, true));
    window.Dispatch(ScriptedWindow::Event::TimerTick());
    EXPECT_EQ(StatusTexts(window),
              (std::vector<std::string>{closed, closed, closed, closed, open}));
    EXPECT_EQ(alerts.Logs(), (std::vector<TextValue>{"Qorvi盒子 开放购买!", "Kessa 关闭购买!"}));
    EXPECT_EQ(alerts.Sounds(), 1);

    EXPECT_EQ(store.AcceptLanguages(), std::vector<std::string>(3, "zh-cn"));
    ReleaseStockGlobals();
}

}  // namespace
}  // namespace lumeno
