// Making result storage: every allocation of a result goes through here, so a failed one
// ends the program with the system's allocation-failure stop instead of an exception.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/values.h"

namespace lumeno {

// Reserves n bytes in s, or ends the program through FatalOutOfMemory.
void ReserveOrFail(std::string& s, std::size_t n);

// A fresh copy of bytes (storage obtained through ReserveOrFail).
[[nodiscard]] std::string CopyBytes(std::string_view bytes);

// A fresh text of bytes: absent when empty.
[[nodiscard]] inline TextValue MakeText(std::string_view bytes) {
    return bytes.empty() ? TextValue() : TextValue(CopyBytes(bytes));
}

}  // namespace lumeno
