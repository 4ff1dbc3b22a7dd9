// HostileServer: a loopback HTTP server of the tests' own for the misbehaviours a scenario
// file cannot express: a connection reset in the middle of a body, a server that accepts
// and never answers, a body dripping one byte at a time, a body of a gigabyte streamed
// without holding it.
//
// It listens on 127.0.0.1 on a port the system picks and serves one connection at a time:
// it reads the request's head, then hands the connection to the behaviour set last.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace lumeno::harness {

class HostileServer {
  public:
    // The accepted connection, as a behaviour sees it. Every wait ends when the server stops.
    class Connection {
      public:
        Connection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}
        // False once the client has gone (or the server stops).
        bool Send(std::string_view bytes);
        // Waits; false when the client went away or the server stops meanwhile.
        bool Pause(std::chrono::milliseconds duration);
        // Holds the connection open, sending nothing, until the client goes.
        void HoldUntilClientGoes();
        // Ends the connection with a TCP reset instead of an orderly close.
        void Reset();

      private:
        [[nodiscard]] bool ClientGone() const;
        int fd_;
        const std::atomic<bool>& stopping_;
        bool reset_ = false;
        friend class HostileServer;
    };
    using Behaviour = std::function<void(Connection&)>;

    HostileServer();
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    // What every connection accepted from now on gets.
    void Serve(Behaviour behaviour);
    [[nodiscard]] std::uint16_t Port() const { return port_; }
    [[nodiscard]] std::string StockUrl() const;

  private:
    void AcceptLoop();

    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    Behaviour behaviour_;
    std::thread thread_;
};

// A complete reply: status line, Content-Length, Connection: close, the body.
[[nodiscard]] std::string HttpReply(std::string_view status, std::string_view body);

// Behaviours.
HostileServer::Behaviour Answer(std::string rawReply);
// Announces a long body, sends `sent` bytes of it, then resets the connection.
HostileServer::Behaviour ResetInsideBody(std::string sent);
// Reads the request and never answers.
HostileServer::Behaviour NeverAnswer();
// A reply whose body arrives one byte per `every`.
HostileServer::Behaviour DripBody(std::string body, std::chrono::milliseconds every);
// A reply whose header block never ends: a status line, then one more header line per
// `every`, `lines` of them, then the connection closes.
HostileServer::Behaviour TrickleHeaderLines(int lines, std::chrono::milliseconds every);
// A reply announcing `bytes` of body and streaming them ('x') as fast as the client reads,
// generated on the fly. Stops early once this process's resident memory has grown by
// `rssGuardBytes` since the reply began, so that a client which keeps everything fails
// its test instead of exhausting the machine.
HostileServer::Behaviour StreamHugeBody(std::uint64_t bytes, std::uint64_t rssGuardBytes);

}  // namespace lumeno::harness
