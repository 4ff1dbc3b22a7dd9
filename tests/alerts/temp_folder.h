// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "text/values.h"

namespace lumeno::test {

class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("lumeno-alerts-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    // The folder as ProgramFolder holds it.
    [[nodiscard]] TextValue AsText() const { return TextValue(path_.string()); }

  private:
    std::filesystem::path path_;
};

// The file's bytes; empty when there is no such file.
inline std::string ReadFileBytes(const std::filesystem::path& file) {
    if (!std::filesystem::is_regular_file(file)) return {};
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace lumeno::test
