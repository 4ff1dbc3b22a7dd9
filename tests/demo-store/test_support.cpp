// Temporary files, the raw socket client and the recording reader used by the tests.
#include "test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <variant>

#include <gtest/gtest.h>

namespace lumeno::demo_store::testing {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "demo-store-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, std::string_view content) const {
    const auto file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Scenario MustParse(std::string_view text) {
    auto parsed = ParseScenario(text);
    if (const auto* error = std::get_if<ScenarioError>(&parsed)) {
        ADD_FAILURE() << "scenario line " << error->line << ": " << error->message;
        return {};
    }
    return std::get<Scenario>(std::move(parsed));
}

RawClient::RawClient(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ADD_FAILURE() << "cannot connect to 127.0.0.1:" << port;
    }
}

void RawClient::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto sent = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            ADD_FAILURE() << "send failed";
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

void RawClient::CloseWrite() {
    ::shutdown(fd_.get(), SHUT_WR);
}

std::string RawClient::Read(std::size_t want, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string out;
    while (out.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{fd_.get(), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
        char chunk[4096];
        const auto got = ::recv(fd_.get(), chunk, std::min(sizeof chunk, want - out.size()), 0);
        if (got <= 0) break;
        out.append(chunk, static_cast<std::size_t>(got));
    }
    return out;
}

std::string RawClient::ReadToClose(std::chrono::milliseconds timeout) {
    return Read(std::string::npos, timeout);
}

std::string RawExchange(std::uint16_t port, std::string_view request) {
    RawClient client(port);
    client.Send(request);
    return client.ReadToClose();
}

std::vector<std::string> RecordedRequests(const std::filesystem::path& file) {
    const std::string text = ReadFile(file);
    std::vector<std::string> requests;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto line_end = text.find('\n', pos);
        const std::string expected_prefix =
            "--- request " + std::to_string(requests.size() + 1) + " (";
        if (line_end == std::string::npos ||
            text.compare(pos, expected_prefix.size(), expected_prefix) != 0) {
            ADD_FAILURE() << "no separator for request " << requests.size() + 1 << " at byte "
                          << pos;
            return requests;
        }
        const auto length = std::stoul(text.substr(pos + expected_prefix.size()));
        const auto suffix =
            text.substr(pos + expected_prefix.size() + std::to_string(length).size(),
                        line_end - pos - expected_prefix.size() - std::to_string(length).size());
        EXPECT_EQ(suffix, " bytes) ---");
        const auto start = line_end + 1;
        if (start + length + 1 > text.size() || text[start + length] != '\n') {
            ADD_FAILURE() << "record " << requests.size() + 1
                          << " is cut short or not closed by a newline";
            return requests;
        }
        requests.push_back(text.substr(start, length));
        pos = start + length + 1;
    }
    return requests;
}

}  // namespace lumeno::demo_store::testing
