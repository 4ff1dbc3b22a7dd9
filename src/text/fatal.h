// FatalRuntimeError: the system's one fatal stop, and the port it ends the program through.
#pragma once

#include <cstdint>

#include "text/values.h"

namespace lumeno {

// The error box's text: "运行时出错!" and a blank line, then the code (when not 0) and
// the message (when not empty), each on lines of their own.
[[nodiscard]] TextValue FatalErrorBoxText(std::int32_t code, const TextValue& message);

// Shows the error box (caption "错误", error icon, no owner) and ends the process with
// exit code -1. The exit clean-up does not run.
[[noreturn]] void FatalRuntimeError(std::int32_t code, const TextValue& message);

// The allocation-failure stop: "分配 <bytes> 字节内存失败!".
[[noreturn]] void FatalOutOfMemory(std::int64_t bytes);

// The fatal-stop port. The platform file supplies the default; a front-end may install a
// box of its own (the GTK dialog), and tests capture the box instead of showing it.
// The shower receives GBK caption and text; the process ends after it returns.
using FatalBoxShower = void (*)(const TextValue& caption, const TextValue& text);
void SetFatalBoxShower(FatalBoxShower shower);

namespace platform {
// Shows the platform's own error box (MessageBox on Windows, stderr elsewhere).
void ShowFatalBox(const TextValue& caption, const TextValue& text);
// Ends the process at once with the given code, without the exit clean-up.
[[noreturn]] void ExitProcessNow(int code);
}  // namespace platform

}  // namespace lumeno
