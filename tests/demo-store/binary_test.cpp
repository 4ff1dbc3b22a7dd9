// The real demo-store program as a subprocess: its first line, serving, recording, stopping
// on a signal, and its exit statuses for bad command lines and scenario files.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <regex>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "test_support.h"
#include "unique_fd.h"

extern char** environ;

namespace lumeno::demo_store {
namespace {

using namespace std::chrono_literals;
using testing::ReadFile;
using testing::RecordedRequests;
using testing::TempDir;

// The demo-store program, running until it exits or the test ends (then it is killed).
class StoreProcess {
  public:
    // stdout comes back through a pipe; stderr goes to `stderr_file`, which nobody has to
    // drain while the program runs.
    StoreProcess(const std::vector<std::string>& args, const std::filesystem::path& stderr_file) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
        stdout_.reset(out[0]);
        UniqueFd write_end(out[1]);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, write_end.get(), STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderr_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> argv_text = {DEMO_STORE_BINARY};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argv_text) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int error =
            ::posix_spawn(&pid_, DEMO_STORE_BINARY, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) throw std::runtime_error("cannot start " DEMO_STORE_BINARY);
    }
    StoreProcess(const StoreProcess&) = delete;
    StoreProcess& operator=(const StoreProcess&) = delete;
    ~StoreProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Everything on stdout up to the first newline (without it), or what came before
    // stdout closed or the timeout passed.
    std::string FirstLine(std::chrono::milliseconds timeout = 5s) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char c = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{stdout_.get(), POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0) continue;
            if (::read(stdout_.get(), &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line;
    }

    std::string RestOfStdout(std::chrono::milliseconds timeout = 5s) {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char chunk[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{stdout_.get(), POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0) continue;
            const auto got = ::read(stdout_.get(), chunk, sizeof chunk);
            if (got <= 0) break;
            text.append(chunk, static_cast<std::size_t>(got));
        }
        return text;
    }

    void Signal(int signal_number) const { ::kill(pid_, signal_number); }

    // The exit status (128 + N for death by signal N), or nullopt if still running.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
            std::this_thread::sleep_for(10ms);
        }
    }

  private:
    pid_t pid_ = -1;
    UniqueFd stdout_;
};

std::uint16_t PortOf(const std::string& address) {
    return static_cast<std::uint16_t>(std::stoi(address.substr(address.find(':') + 1)));
}

class StopSignal : public ::testing::TestWithParam<int> {};

TEST_P(StopSignal, ServesRecordsAndExitsCleanly) {
    TempDir dir;
    const auto record = dir.path() / "requests.txt";
    StoreProcess store({"--record", record.string(), "--demo-period=0.5"}, dir.path() / "err.txt");
    const auto address = store.FirstLine();
    ASSERT_TRUE(std::regex_match(address, std::regex(R"(127\.0\.0\.1:[1-9][0-9]*)"))) << address;

    httplib::Client client("127.0.0.1", PortOf(address));
    const auto res = client.Get("/misc/get2014nianstock");
    ASSERT_TRUE(res);
    EXPECT_TRUE(res->body.starts_with(R"({"code":0,"data":{"qorvi3td":)")) << res->body;

    store.Signal(GetParam());
    EXPECT_EQ(store.WaitExit(), 0);
    EXPECT_EQ(store.RestOfStdout(), "") << "only the address goes to stdout";
    const auto requests = RecordedRequests(record);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].starts_with("GET /misc/get2014nianstock HTTP/1.1\r\n")) << requests[0];
    const auto log = ReadFile(dir.path() / "err.txt");
    EXPECT_NE(log.find("GET /misc/get2014nianstock -> 200"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return std::string(strsignal(info.param)); });

TEST(Binary, ListensOnTheGivenPort) {
    std::uint16_t port = 0;
    {
        // Ask the system for a free port, then give it back for the store to take.
        UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
        port = ntohs(address.sin_port);
    }
    TempDir dir;
    StoreProcess store({"--port", std::to_string(port), "--quiet"}, dir.path() / "err.txt");
    EXPECT_EQ(store.FirstLine(), "127.0.0.1:" + std::to_string(port));
    httplib::Client client("127.0.0.1", port);
    const auto res = client.Get("/c/chunjie/");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    store.Signal(SIGTERM);
    EXPECT_EQ(store.WaitExit(), 0);
    EXPECT_EQ(ReadFile(dir.path() / "err.txt"), "") << "--quiet logs nothing";
}

struct ExitCase {
    const char* name;
    std::vector<std::string> args;  // {busy} {bad} {good} {missing} are put in at run time
    int status;
    const char* stderr_part;  // "" when stderr should be empty
    const char* stdout_part;
};

class ExitStatus : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitStatus, ForTheCommandLine) {
    TempDir dir;
    // A listening socket holds a port so the store cannot bind it.
    UniqueFd busy(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(busy.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(busy.get(), 1), 0);
    ASSERT_EQ(::getsockname(busy.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);

    const std::map<std::string, std::string> values = {
        {"{busy}", std::to_string(ntohs(address.sin_port))},
        {"{bad}", dir.Write("bad.scn", "# broken\nstep\nstatus 42\n").string()},
        {"{good}", dir.Write("good.scn", "step\nproducts 00001\n").string()},
        {"{missing}", (dir.path() / "missing.scn").string()},
        {"{dir}", dir.path().string()},
    };
    std::vector<std::string> args;
    for (const auto& arg : GetParam().args) {
        args.push_back(values.contains(arg) ? values.at(arg) : arg);
    }
    const auto err = dir.path() / "err.txt";
    StoreProcess store(args, err);
    const auto out = store.RestOfStdout();
    EXPECT_EQ(store.WaitExit(), GetParam().status);
    const auto log = ReadFile(err);
    std::string expected_err = GetParam().stderr_part;
    for (const auto& [key, value] : values) {
        if (const auto at = expected_err.find(key); at != std::string::npos) {
            expected_err.replace(at, key.size(), value);
        }
    }
    if (expected_err.empty()) {
        EXPECT_EQ(log, "");
    } else {
        EXPECT_NE(log.find(expected_err), std::string::npos) << log;
    }
    EXPECT_NE(out.find(GetParam().stdout_part), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ExitStatus,
    ::testing::Values(
        ExitCase{"Help", {"--help"}, 0, "", "--scenario FILE"},
        ExitCase{"UnknownOption", {"--bogus"}, 2, "unknown argument '--bogus'", ""},
        ExitCase{"PortOutOfRange", {"--port", "70000"}, 2, "--port must be", ""},
        ExitCase{"MissingValue", {"--record"}, 2, "--record needs a value", ""},
        ExitCase{"BadPeriod", {"--demo-period", "0"}, 2, "--demo-period must be", ""},
        ExitCase{"PeriodWithScenario",
                 {"--scenario", "{good}", "--demo-period", "1"},
                 2,
                 "exclude each other",
                 ""},
        ExitCase{"BadScenarioLine", {"--scenario", "{bad}"}, 2, "{bad}:3: status must be", ""},
        ExitCase{"MissingScenario", {"--scenario", "{missing}"}, 2, "{missing}: cannot read", ""},
        ExitCase{"PortInUse", {"--port", "{busy}"}, 1, "cannot bind 127.0.0.1:{busy}", ""},
        ExitCase{
            "RecordingNotWritable", {"--record", "{dir}"}, 1, "cannot write the recording", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumeno::demo_store
