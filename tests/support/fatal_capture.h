// Capturing the fatal stop in death tests: the box goes to stderr as hex, so a test can
// match its exact bytes, and the exit code -1 is spelled as each platform reports it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/fatal.h"
#include "text/values.h"

namespace lumeno {

#ifdef _WIN32
inline constexpr int kFatalExitCode = -1;
#else
inline constexpr int kFatalExitCode = 255;  // -1 as a POSIX exit status
#endif

// The bytes as upper-case hex pairs.
[[nodiscard]] std::string Hex(std::string_view bytes);

// A FatalBoxShower: writes "box:<caption hex>:<text hex>." to stderr.
void CaptureFatalBox(const TextValue& caption, const TextValue& text);

// The stderr pattern CaptureFatalBox writes for FatalRuntimeError(code, message).
[[nodiscard]] std::string ExpectedFatalBox(std::int32_t code, const TextValue& message);

}  // namespace lumeno
