// LoopbackServer: a real HTTP server on 127.0.0.1 (a free port picked by the system) for the
// wire tests, with a fixed set of scripted raw replies chosen by the request's path, and a
// record of every raw request it received.
//
// It uses POSIX sockets and the standard library only, so the Windows test build can compile
// it with the host's compiler into the native program the wine tests talk to
// (tests/http/loopback_server_main.cpp).
//
// Paths (the query is ignored; an absolute-URI request target, as a proxy receives it, is
// served by its path, so the same server stands in as an HTTP proxy):
//   .../echo, /misc/get2014nianstock   200, the raw request bytes as the body
//   /stock            200, StockDocument(): 200 bytes
//   /cookie/set       200, Set-Cookie: sid=42; path=/cookie
//   /big              200, BigBody(): kBigBodySize bytes "abc...zab..."
//   /zero             200, the five bytes "ab", 0, "cd"
//   /empty            200, no body
//   /chunked          200, "hello, chunked world" in three chunks
//   /status-500       500, body "oops"
//   /redirect         302 to /echo
//   /long-headers     200, a header block of more than 1100 bytes with a cookie, body "ok"
//   /spacing          200, header lines with odd spacing ("Set-Cookie:k=v; path=/spacing")
//   /cut              200 announcing 1000 bytes, 100 sent ('c'), then the connection closes
//   /partial          200 announcing 100 bytes, "first" sent, then nothing until the client goes
//   /silent           the request is read, then nothing is sent until the client goes
//   /overlong         200, chunked, 8 MiB of 'x' (eight times the routine's bound), then
//                     nothing until the client goes
//   anything else     404
// SetRoute() adds or replaces a path's raw reply.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lumeno {

// The bodies of /big and /stock, also known to test programs that do not host the server.
inline constexpr std::size_t kBigBodySize = 100000;
[[nodiscard]] inline std::string BigBody() {
    std::string body(kBigBodySize, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
    return body;
}
// Exactly 200 bytes, shaped like the store's reply.
[[nodiscard]] inline std::string StockDocument() {
    std::string doc =
        "{\"data\":{\"q3\":\"false\",\"q2s\":\"false\",\"ks\":\"true\",\"dy\":\"false\","
        "\"hz\":\"false\"},\"padding\":\"";
    doc.append(200 - doc.size() - 2, '.');
    return doc + "\"}";
}

// A raw reply: status line, the header lines given (each ended by CR LF), Content-Length,
// Connection: close, an empty line, the body.
[[nodiscard]] std::string RawReply(std::string_view status, std::string_view headerLines,
                                   std::string_view body);

class LoopbackServer {
  public:
    // Binds 127.0.0.1 on a port the system picks and starts serving.
    LoopbackServer();
    // Stops: every connection is closed and every thread joined.
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return port_; }
    // The raw bytes of every complete request received so far, in arrival order.
    [[nodiscard]] std::vector<std::string> Requests() const;
    void SetRoute(std::string path, std::string rawReply);

  private:
    struct Connection {
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void AcceptLoop();
    void Serve(int fd);
    // Waits until the client closes its end, or the server stops.
    void HoldUntilClientGoes(int fd) const;

    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::map<std::string, std::string> routes_;
    std::vector<std::unique_ptr<Connection>> connections_;  // accept thread only
    std::thread acceptThread_;
};

// A port on 127.0.0.1 where nothing listens: bound to port 0, read back and freed.
[[nodiscard]] std::uint16_t RefusedLoopbackPort();

}  // namespace lumeno
