// The demo store's command line: its options and the --help text that documents them.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace lumeno::demo_store {

struct Options {
    std::uint16_t port = 0;
    std::optional<std::filesystem::path> scenario;
    std::chrono::milliseconds demo_period{6000};
    std::optional<std::filesystem::path> record;
    bool quiet = false;
    bool help = false;
};

struct CommandLineError {
    std::string message;
};

// `args` excludes the program name. Options take their value as the next argument or
// after '=' (--port 8080, --port=8080).
[[nodiscard]] std::variant<Options, CommandLineError> ParseCommandLine(
    std::span<const std::string_view> args);

[[nodiscard]] std::string HelpText();

}  // namespace lumeno::demo_store
