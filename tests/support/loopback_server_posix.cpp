// The loopback HTTP server of the wire tests: POSIX sockets, one thread per connection.
#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace lumeno {

namespace {

constexpr int kPollMs = 100;

int BoundLoopbackSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        throw std::runtime_error("bind to 127.0.0.1 failed");
    }
    return fd;
}

std::uint16_t PortOf(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// False when the client has gone or the server stops; a client that stops reading does
// not hold the server's shutdown.
bool SendAll(int fd, std::string_view bytes, const std::atomic<bool>& stopping) {
    while (!bytes.empty()) {
        if (stopping) return false;
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        if (ready < 0) return false;
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

// The body length a request announces (the first Content-Length line), 0 without one.
std::size_t AnnouncedLength(std::string_view head) {
    std::size_t at = 0;
    while (at < head.size()) {
        const std::size_t end = head.find("\r\n", at);
        const std::string_view line =
            head.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        if (StartsWithIgnoringCase(line, "content-length:")) {
            return std::strtoul(std::string(line.substr(15)).c_str(), nullptr, 10);
        }
        if (end == std::string_view::npos) break;
        at = end + 2;
    }
    return 0;
}

// The path of the request line's target: an absolute URI loses its scheme and authority,
// the query goes.
std::string PathOf(std::string_view request) {
    const std::size_t a = request.find(' ');
    if (a == std::string_view::npos) return {};
    const std::size_t b = request.find(' ', a + 1);
    std::string_view target = request.substr(a + 1, b == std::string_view::npos ? 0 : b - a - 1);
    if (StartsWithIgnoringCase(target, "http://")) {
        target.remove_prefix(7);
        const std::size_t slash = target.find('/');
        target = slash == std::string_view::npos ? "/" : target.substr(slash);
    }
    return std::string(target.substr(0, target.find('?')));
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

}  // namespace

std::string RawReply(std::string_view status, std::string_view headerLines, std::string_view body) {
    std::string reply = "HTTP/1.1 ";
    reply += status;
    reply += "\r\n";
    reply += headerLines;
    reply += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    reply += "Connection: close\r\n\r\n";
    reply += body;
    return reply;
}

LoopbackServer::LoopbackServer() {
    listenFd_ = BoundLoopbackSocket();
    if (::listen(listenFd_, 64) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("listen failed");
    }
    port_ = PortOf(listenFd_);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    acceptThread_.join();
    for (auto& c : connections_) c->thread.join();
    ::close(listenFd_);
}

std::vector<std::string> LoopbackServer::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackServer::SetRoute(std::string path, std::string rawReply) {
    const std::lock_guard lock(mutex_);
    routes_[std::move(path)] = std::move(rawReply);
}

void LoopbackServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        // Finished connections are joined as new ones come, so a long run (a benchmark)
        // does not pile up threads.
        std::erase_if(connections_, [](const std::unique_ptr<Connection>& c) {
            if (!c->finished) return false;
            c->thread.join();
            return true;
        });
        auto connection = std::make_unique<Connection>();
        Connection* raw = connection.get();
        raw->thread = std::thread([this, fd, raw] {
            Serve(fd);
            ::close(fd);
            raw->finished = true;
        });
        connections_.push_back(std::move(connection));
    }
}

void LoopbackServer::HoldUntilClientGoes(int fd) const {
    char scratch[4096];
    while (!stopping_) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready < 0 && errno != EINTR) return;
        if (ready > 0 && ::recv(fd, scratch, sizeof scratch, 0) <= 0) return;
    }
}

void LoopbackServer::Serve(int fd) {
    const auto reply = [&](std::string_view bytes) { return SendAll(fd, bytes, stopping_); };
    // Read one request: the head up to its empty line, then the announced body.
    std::string request;
    std::size_t headEnd = std::string::npos;
    char buffer[4096];
    while (!stopping_) {
        if (headEnd != std::string::npos &&
            request.size() >=
                headEnd + 4 + AnnouncedLength(std::string_view(request).substr(0, headEnd))) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        const ssize_t n = ready < 0 ? -1 : ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos) headEnd = request.find("\r\n\r\n");
    }
    if (stopping_) return;

    std::string route;
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
        const auto it = routes_.find(PathOf(request));
        if (it != routes_.end()) route = it->second;
    }
    if (!route.empty()) {
        reply(route);
        return;
    }

    const std::string path = PathOf(request);
    if (EndsWith(path, "/echo") || path == "/misc/get2014nianstock") {
        reply(RawReply("200 OK", "Content-Type: text/plain\r\n", request));
    } else if (path == "/stock") {
        reply(RawReply("200 OK", "Content-Type: text/plain\r\n", StockDocument()));
    } else if (path == "/cookie/set") {
        reply(RawReply("200 OK", "Set-Cookie: sid=42; path=/cookie\r\n", "set"));
    } else if (path == "/big") {
        reply(RawReply("200 OK", "", BigBody()));
    } else if (path == "/zero") {
        reply(RawReply("200 OK", "", std::string_view("ab\0cd", 5)));
    } else if (path == "/empty") {
        reply(RawReply("200 OK", "", ""));
    } else if (path == "/chunked") {
        reply(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
            "7\r\nhello, \r\n8\r\nchunked \r\n5\r\nworld\r\n0\r\n\r\n");
    } else if (path == "/status-500") {
        reply(RawReply("500 Internal Server Error", "", "oops"));
    } else if (path == "/redirect") {
        reply(RawReply("302 Found", "Location: /echo\r\n", ""));
    } else if (path == "/long-headers") {
        std::string lines = "Set-Cookie: long=1; path=/long\r\n";
        for (int i = 0; i < 12; ++i)
            lines += "X-Padding-" + std::to_string(i) + ": " + std::string(80, 'p') + "\r\n";
        reply(RawReply("200 OK", lines, "ok"));
    } else if (path == "/spacing") {
        reply(
            RawReply("200 OK", "X-Spacing:   a  b   \r\nSet-Cookie:k=v; path=/spacing\r\n", "ok"));
    } else if (path == "/cut") {
        reply("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
              std::string(100, 'c'));
    } else if (path == "/partial") {
        reply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nfirst");
        HoldUntilClientGoes(fd);
    } else if (path == "/silent") {
        HoldUntilClientGoes(fd);
    } else if (path == "/overlong") {
        // Eight times the request routine's bound, then silence. Not endless: WinINet (wine's
        // at least) drains what is left of an abandoned body when its handle closes, for as
        // long as bytes keep arriving, so an endless body would make the close endless too.
        if (!reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")) return;
        const std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
        for (int sent = 0; sent < 128 && !stopping_; ++sent) {
            if (!reply(chunk)) return;
        }
        HoldUntilClientGoes(fd);
    } else {
        reply(RawReply("404 Not Found", "", "not found"));
    }
}

std::uint16_t RefusedLoopbackPort() {
    const int fd = BoundLoopbackSocket();
    const std::uint16_t port = PortOf(fd);
    ::close(fd);
    return port;
}

}  // namespace lumeno
