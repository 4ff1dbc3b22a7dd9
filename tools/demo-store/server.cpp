// The demo store's socket loop: accept, read one request, record it, answer, close.
#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <list>
#include <stdexcept>

#include "http_wire.h"

namespace lumeno::demo_store {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Enough for every connection a test or a polling client opens at once; more are closed.
constexpr std::size_t kMaxConnections = 128;
// How long a closed reply waits for the client to close its side, so the kernel does not
// reset a connection whose reply the client is still reading.
constexpr std::chrono::seconds kLingerAfterReply{2};

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

std::string Describe(const std::optional<Request>& request) {
    if (!request) return "(malformed request)";
    return request->method + " " + request->target;
}

}  // namespace

DemoStoreServer::DemoStoreServer(StockState& stock, ServerConfig config)
    : site_(stock), config_(std::move(config)) {
    if (config_.record_file) recorder_.emplace(*config_.record_file);

    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_.valid()) throw SystemError("socket");
    const int yes = 1;
    ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(config_.port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // 127.0.0.1 and nothing else
    if (::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw SystemError("cannot bind 127.0.0.1:" + std::to_string(config_.port));
    }
    if (::listen(listener_.get(), 64) != 0) throw SystemError("listen");
    socklen_t length = sizeof address;
    if (::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw SystemError("getsockname");
    }
    port_ = ntohs(address.sin_port);

    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw SystemError("pipe");
    wake_read_.reset(pipe_fds[0]);
    wake_write_.reset(pipe_fds[1]);

    accept_thread_ = std::jthread([this] { AcceptLoop(); });
}

DemoStoreServer::~DemoStoreServer() {
    Stop();
    if (accept_thread_.joinable()) accept_thread_.join();
}

void DemoStoreServer::Stop() {
    if (stopping_.exchange(true)) return;
    const char byte = 0;
    while (::write(wake_write_.get(), &byte, 1) < 0 && errno == EINTR) {
    }
}

void DemoStoreServer::Log(const std::string& line) const {
    if (config_.log) config_.log(line);
}

bool DemoStoreServer::WaitFor(int fd, short events, SteadyClock::time_point deadline) const {
    while (true) {
        // Rounded up: poll's millisecond timeout must not end a delay early.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
        pollfd fds[2] = {{wake_read_.get(), POLLIN, 0}, {fd, events, 0}};
        const nfds_t count = fd >= 0 ? 2 : 1;
        const int ready =
            ::poll(fds, count, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || fds[0].revents != 0) return false;
        if (ready == 0) {
            if (SteadyClock::now() < deadline) continue;
            return false;
        }
        return fd >= 0 && fds[1].revents != 0;
    }
}

bool DemoStoreServer::SendAll(int fd, std::string_view bytes) const {
    const auto deadline = SteadyClock::now() + config_.read_timeout;
    while (!bytes.empty()) {
        if (!WaitFor(fd, POLLOUT, deadline)) return false;
        const auto sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void DemoStoreServer::AcceptLoop() {
    struct Worker {
        std::atomic<bool> done{false};
        std::jthread thread;
    };
    // Declared here so leaving the loop joins every connection thread (they have been woken).
    std::list<Worker> workers;
    while (true) {
        pollfd fds[2] = {{wake_read_.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, 250);
        std::erase_if(workers, [](Worker& w) { return w.done.load(); });
        if (ready < 0 && errno != EINTR) {
            Log(std::string("poll failed: ") + std::strerror(errno));
            return;
        }
        if (fds[0].revents != 0) return;
        if (ready <= 0 || (fds[1].revents & POLLIN) == 0) continue;

        UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection.valid()) continue;
        if (workers.size() >= kMaxConnections) {
            Log("too many connections; closing one unanswered");
            continue;
        }
        Worker& worker = workers.emplace_back();
        worker.thread = std::jthread([this, &worker, fd = std::move(connection)]() mutable {
            try {
                Serve(std::move(fd));
            } catch (const std::exception& e) {
                Log(std::string("connection failed: ") + e.what());
            }
            worker.done = true;
        });
    }
}

void DemoStoreServer::Serve(UniqueFd connection) {
    const int fd = connection.get();
    std::string buffer;
    Framing framing;
    bool continue_sent = false;
    bool timed_out = false;
    const auto deadline = SteadyClock::now() + config_.read_timeout;
    while ((framing = FrameRequest(buffer)).kind == Framing::Kind::kNeedMore) {
        if (framing.expects_continue && !continue_sent) {
            // Clients that send "Expect: 100-continue" hold their body back until told.
            continue_sent = SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
        }
        if (!WaitFor(fd, POLLIN, deadline)) {
            if (stopping_) return;
            timed_out = true;
            break;
        }
        char chunk[16 * 1024];
        const auto got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the client closed (or reset) before the request was whole
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
    // A connection opened and closed without a byte (a port probe) is not a request.
    if (buffer.empty()) return;

    const bool complete = framing.kind == Framing::Kind::kComplete;
    const std::string raw = complete ? buffer.substr(0, framing.length) : buffer;
    std::optional<Request> request;
    if (complete) request = ParseRequestHead(std::string_view(raw).substr(0, framing.head_length));
    const bool control = request && IsControlPath(request->path);
    if (!control && recorder_ && !recorder_->Record(raw)) Log("writing the recording failed");

    Response response;
    if (request) {
        response = site_.Handle(*request);
    } else if (framing.kind == Framing::Kind::kBad) {
        response = TextResponse(framing.bad_status, framing.why + "\n");
    } else {
        response = TextResponse(timed_out ? 408 : 400, "incomplete request\n");
    }
    Log(std::string(control ? "control " : "") + Describe(request) + " -> " +
        (response.raw ? "raw bytes" : std::to_string(response.status)) +
        (response.delay.count() > 0 ? " after " + std::to_string(response.delay.count()) + " ms"
                                    : ""));

    if (response.delay.count() > 0) {
        // Waits out the delay, unless the server stops first.
        (void)WaitFor(-1, 0, SteadyClock::now() + response.delay);
        if (stopping_) return;
    }
    if (!SendAll(fd, SerializeResponse(response))) return;

    ::shutdown(fd, SHUT_WR);
    const auto linger_end = SteadyClock::now() + kLingerAfterReply;
    char sink[4096];
    while (WaitFor(fd, POLLIN, linger_end) && ::recv(fd, sink, sizeof sink, 0) > 0) {
    }
}

}  // namespace lumeno::demo_store
