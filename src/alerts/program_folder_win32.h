// The program's folder as the wide Win32 API names it, for file calls.
#pragma once

#include <string>

#include "text/values.h"

namespace lumeno {

// ProgramFolder exactly as GetModuleFileNameW gave it (no GBK round trip).
[[nodiscard]] const std::wstring& ProgramFolderWide();

// The wide path for a GBK path text. A path that starts with ProgramFolder keeps the
// folder's own wide form, so the alert files are found even when the folder's name has
// characters that GBK cannot hold; the rest is converted from GBK.
[[nodiscard]] std::wstring NativePath(const TextValue& path);

}  // namespace lumeno
