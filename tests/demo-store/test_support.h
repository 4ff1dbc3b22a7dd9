// Helpers for the demo store's tests: temporary files, a raw socket client that sends exact
// bytes, and a reader for the recording file.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "scenario.h"
#include "unique_fd.h"

namespace lumeno::demo_store::testing {

// A fresh directory under the system's temp directory, removed with everything in it.
class TempDir {
  public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    // Writes `content` to a file named `name` in the directory and returns its path.
    std::filesystem::path Write(const std::string& name, std::string_view content) const;

  private:
    std::filesystem::path path_;
};

[[nodiscard]] std::string ReadFile(const std::filesystem::path& file);

// The scenario in `text`; fails the test (and returns an empty scenario) if it is bad.
[[nodiscard]] Scenario MustParse(std::string_view text);

// One TCP connection to 127.0.0.1:port, for sending bytes no HTTP library would send.
class RawClient {
  public:
    explicit RawClient(std::uint16_t port);
    void Send(std::string_view bytes);
    void CloseWrite();
    // Reads until `want` bytes have arrived, the server closes, or the timeout passes.
    std::string Read(std::size_t want, std::chrono::milliseconds timeout);
    std::string ReadToClose(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  private:
    UniqueFd fd_;
};

// Sends `request` on a new connection and returns every byte the server answered.
[[nodiscard]] std::string RawExchange(std::uint16_t port, std::string_view request);

// The raw requests of a recording file, in order; fails the test if the file's framing is off.
[[nodiscard]] std::vector<std::string> RecordedRequests(const std::filesystem::path& file);

}  // namespace lumeno::demo_store::testing
