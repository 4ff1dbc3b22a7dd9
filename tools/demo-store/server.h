// DemoStoreServer: a small HTTP/1.1 server on POSIX sockets, bound to 127.0.0.1 only.
// It reads each request's bytes itself (a library server would parse and reorder the
// headers before we could record them), records them, answers through Site and closes
// the connection. One thread accepts; each connection gets a thread of its own, so a
// delayed reply never holds up the control endpoint.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "recorder.h"
#include "site.h"
#include "stock_state.h"
#include "unique_fd.h"

namespace lumeno::demo_store {

struct ServerConfig {
    std::uint16_t port = 0;  // 0: any free port, read back with port()
    std::optional<std::filesystem::path> record_file{};
    std::function<void(const std::string&)> log{};  // one line per request; may be empty
    // A request must be complete within this; after it, what arrived is recorded and refused.
    std::chrono::milliseconds read_timeout{10'000};
};

class DemoStoreServer {
  public:
    // Binds, listens and starts serving. Throws std::runtime_error when it cannot.
    DemoStoreServer(StockState& stock, ServerConfig config);
    DemoStoreServer(const DemoStoreServer&) = delete;
    DemoStoreServer& operator=(const DemoStoreServer&) = delete;
    ~DemoStoreServer();  // stops, waking delayed replies and slow reads, and joins every thread

    [[nodiscard]] std::uint16_t port() const { return port_; }

    // Stops accepting and ends every connection; safe from any thread, more than once.
    void Stop();

  private:
    void AcceptLoop();
    void Serve(UniqueFd connection);
    void Log(const std::string& line) const;
    // Waits until `fd` has `events` or the deadline passes; false if stopping or timed out.
    [[nodiscard]] bool WaitFor(int fd, short events,
                               std::chrono::steady_clock::time_point deadline) const;
    [[nodiscard]] bool SendAll(int fd, std::string_view bytes) const;

    Site site_;
    ServerConfig config_;
    std::optional<Recorder> recorder_;
    UniqueFd listener_;
    std::uint16_t port_ = 0;
    // Stop() writes a byte here; nobody reads it, so it stays readable and every poll that
    // includes it wakes at once.
    UniqueFd wake_read_;
    UniqueFd wake_write_;
    std::atomic<bool> stopping_{false};
    std::jthread accept_thread_;  // last: starts once everything above exists
};

}  // namespace lumeno::demo_store
