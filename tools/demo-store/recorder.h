// Recorder: the file of raw requests, so tests can assert exactly what a client sent.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string_view>

namespace lumeno::demo_store {

// Each request is written as a line "--- request N (LEN bytes) ---", then exactly LEN bytes
// as they came off the socket, then one "\n" so the next separator starts a line. N counts
// from 1. The length makes the file readable back without guessing where a body ends.
class Recorder {
  public:
    // Truncates the file: one run, one recording. Throws std::runtime_error if it cannot.
    explicit Recorder(const std::filesystem::path& file);

    // Appends and flushes one request; false if the write failed.
    bool Record(std::string_view raw);

  private:
    std::mutex mutex_;
    std::ofstream out_;
    std::uint64_t count_ = 0;
};

}  // namespace lumeno::demo_store
