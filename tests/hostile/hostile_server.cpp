// The hostile loopback server: POSIX sockets, one connection at a time on its own thread.
#include "hostile_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

#include "process_memory.h"

namespace lumeno::harness {

namespace {

constexpr int kPollMs = 50;
constexpr std::size_t kMaxRequestHead = 64 * 1024;
constexpr auto kRequestTimeout = std::chrono::seconds(5);

}  // namespace

// --- the connection ----------------------------------------------------------------------

bool HostileServer::Connection::ClientGone() const {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    if (p.revents & (POLLHUP | POLLERR)) return true;
    char byte;
    return ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

bool HostileServer::Connection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        if (stopping_) return false;
        pollfd p{fd_, POLLOUT, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        if (ready < 0 || (p.revents & (POLLERR | POLLHUP))) return false;
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool HostileServer::Connection::Pause(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        if (stopping_ || ClientGone()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !stopping_;
}

void HostileServer::Connection::HoldUntilClientGoes() {
    while (!stopping_ && !ClientGone())
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
}

void HostileServer::Connection::Reset() {
    const linger abort{1, 0};  // close at once, with RST, dropping what is unsent
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(fd_);
    reset_ = true;
}

// --- the server --------------------------------------------------------------------------

HostileServer::HostileServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { AcceptLoop(); });
}

HostileServer::~HostileServer() {
    stopping_ = true;
    thread_.join();
    ::close(listenFd_);
}

void HostileServer::Serve(Behaviour behaviour) {
    const std::lock_guard lock(mutex_);
    behaviour_ = std::move(behaviour);
}

std::string HostileServer::StockUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/misc/get2014nianstock";
}

void HostileServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;

        // The request's head, up to its empty line (a GET has no body).
        std::string head;
        const auto deadline = std::chrono::steady_clock::now() + kRequestTimeout;
        while (!stopping_ && head.find("\r\n\r\n") == std::string::npos &&
               head.size() < kMaxRequestHead && std::chrono::steady_clock::now() < deadline) {
            pollfd r{fd, POLLIN, 0};
            if (::poll(&r, 1, kPollMs) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        Behaviour behaviour;
        {
            const std::lock_guard lock(mutex_);
            behaviour = behaviour_;
        }
        Connection connection(fd, stopping_);
        if (behaviour && head.find("\r\n\r\n") != std::string::npos) behaviour(connection);
        if (!connection.reset_) ::close(fd);
    }
}

// --- behaviours --------------------------------------------------------------------------

std::string HttpReply(std::string_view status, std::string_view body) {
    return "HTTP/1.1 " + std::string(status) + "\r\nContent-Type: application/json\r\n" +
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           std::string(body);
}

HostileServer::Behaviour Answer(std::string rawReply) {
    return [rawReply = std::move(rawReply)](HostileServer::Connection& c) {
        if (c.Send(rawReply)) c.HoldUntilClientGoes();
    };
}

HostileServer::Behaviour ResetInsideBody(std::string sent) {
    return [sent = std::move(sent)](HostileServer::Connection& c) {
        if (!c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n" +
                    sent)) {
            return;
        }
        c.Pause(std::chrono::milliseconds(100));  // the bytes reach the client first
        c.Reset();
    };
}

HostileServer::Behaviour NeverAnswer() {
    return [](HostileServer::Connection& c) { c.HoldUntilClientGoes(); };
}

HostileServer::Behaviour DripBody(std::string body, std::chrono::milliseconds every) {
    return [body = std::move(body), every](HostileServer::Connection& c) {
        if (!c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\nConnection: close\r\n\r\n")) {
            return;
        }
        for (const char byte : body) {
            if (!c.Pause(every) || !c.Send(std::string_view(&byte, 1))) return;
        }
        c.HoldUntilClientGoes();
    };
}

HostileServer::Behaviour TrickleHeaderLines(int lines, std::chrono::milliseconds every) {
    return [lines, every](HostileServer::Connection& c) {
        if (!c.Send("HTTP/1.1 200 OK\r\n")) return;
        for (int i = 0; i < lines; ++i) {
            if (!c.Pause(every) || !c.Send("X-Slow-" + std::to_string(i) + ": 1\r\n")) return;
        }
    };
}

HostileServer::Behaviour StreamHugeBody(std::uint64_t bytes, std::uint64_t rssGuardBytes) {
    return [bytes, rssGuardBytes](HostileServer::Connection& c) {
        if (!c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bytes) +
                    "\r\nConnection: close\r\n\r\n")) {
            return;
        }
        const std::string block(64 * 1024, 'x');
        const std::uint64_t startRss = ResidentBytes();
        for (std::uint64_t sent = 0; sent < bytes;) {
            const std::uint64_t n = std::min<std::uint64_t>(block.size(), bytes - sent);
            if (!c.Send(std::string_view(block).substr(0, n))) return;
            sent += n;
            // Every 4 MiB: has the client been keeping all of it?
            if (sent % (4 << 20) == 0 && ResidentBytes() > startRss + rssGuardBytes) return;
        }
        c.HoldUntilClientGoes();
    };
}

}  // namespace lumeno::harness
