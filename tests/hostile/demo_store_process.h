// DemoStoreProcess: the real demo-store program as a child process, for tests and benchmarks
// that want the store the demo and the end-to-end runs use. It serves a scenario written
// by the caller (or the demo cycle), on a port it picks on 127.0.0.1, and is stopped with
// SIGTERM (by its process id) when the object goes.
//
// Header-only and POSIX-only, so the soak test and the comparison benchmarks can use it
// without a library of their own.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lumeno::harness {

// The demo-store program: $LUMENO_DEMO_STORE, else beside the running program's build tree
// (build/<dir>/tools/demo-store/demo-store, seen from build/<dir>/bench or tests/<suite>).
inline std::filesystem::path DemoStoreBinary() {
    if (const char* given = std::getenv("LUMENO_DEMO_STORE"); given && *given) return given;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    for (auto dir = self.parent_path(); !dir.empty() && dir != dir.root_path();
         dir = dir.parent_path()) {
        const auto candidate = dir / "tools" / "demo-store" / "demo-store";
        if (std::filesystem::exists(candidate, error)) return candidate;
    }
    throw std::runtime_error("demo-store not found: build it or set LUMENO_DEMO_STORE");
}

// One HTTP/1.1 exchange with a server on 127.0.0.1 over a plain socket, bounded by
// `timeout` in all; the raw reply, or "" when there was none. For control requests.
inline std::string LoopbackExchange(std::uint16_t port, const std::string& request,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    std::string reply;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char buffer[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return reply;
}

class DemoStoreProcess {
  public:
    // Plays `scenario` (the store's scenario file format); an empty one plays the demo
    // cycle. `extraArgs` go on the command line as well (--demo-period 2, for instance).
    explicit DemoStoreProcess(const std::string& scenario,
                              std::vector<std::string> extraArgs = {}) {
        char pattern[] = "/tmp/lumeno-demo-store.XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        std::vector<std::string> args = {DemoStoreBinary().string(), "--quiet"};
        if (!scenario.empty()) {
            std::ofstream(folder_ / "scenario.txt", std::ios::binary) << scenario;
            args.push_back("--scenario");
            args.push_back((folder_ / "scenario.txt").string());
        }
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        try {
            Start(args);
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~DemoStoreProcess() { Stop(); }
    DemoStoreProcess(const DemoStoreProcess&) = delete;
    DemoStoreProcess& operator=(const DemoStoreProcess&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return port_; }
    [[nodiscard]] pid_t Pid() const { return pid_; }
    [[nodiscard]] std::string Url(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
    }
    [[nodiscard]] std::string StockUrl() const { return Url("/misc/get2014nianstock"); }

    // A control request (POST or GET of a /control/... target): the reply's body on a 200
    // reply, nullopt otherwise.
    std::optional<std::string> Control(std::string_view method, std::string_view target) const {
        const std::string request = std::string(method) + " " + std::string(target) +
                                    " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n"
                                    "Connection: close\r\n\r\n";
        const std::string reply = LoopbackExchange(port_, request);
        const std::size_t body = reply.find("\r\n\r\n");
        if (reply.rfind("HTTP/1.1 200", 0) != 0 || body == std::string::npos) return std::nullopt;
        return reply.substr(body + 4);
    }
    bool SelectStep(int index) const {
        return Control("POST", "/control/step?index=" + std::to_string(index)).has_value();
    }
    bool SwitchProduct(std::string_view key, std::string_view state) const {
        return Control("POST",
                       "/control/product?name=" + std::string(key) + "&state=" + std::string(state))
            .has_value();
    }

  private:
    // SIGTERM, a bounded wait for the store to end (SIGKILL after 5 s), the folder removed.
    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (::waitpid(pid_, &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > deadline) {
                    ::kill(pid_, SIGKILL);
                    ::waitpid(pid_, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            pid_ = -1;
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    void Start(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (spawned != 0) {
            ::close(out[0]);
            pid_ = -1;
            throw std::runtime_error("cannot start " + args[0]);
        }
        // The first line is the address: 127.0.0.1:PORT.
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char c[64];
            const ssize_t n = ::read(out[0], c, sizeof c);
            if (n <= 0) break;
            line.append(c, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        const std::size_t colon = line.find(':');
        if (line.rfind("127.0.0.1:", 0) != 0 || colon == std::string::npos) {
            throw std::runtime_error("demo-store gave no address (" + line + ")");
        }
        port_ = static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1)));
    }

    std::filesystem::path folder_;
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace lumeno::harness
