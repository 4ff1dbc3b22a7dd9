// ProgramFolder on Windows: the folder of the module file, kept both wide and as GBK.
#include <windows.h>

#include "alerts/program_folder.h"
#include "alerts/program_folder_store.h"
#include "alerts/program_folder_win32.h"
#include "text/encoding.h"

namespace lumeno {

namespace {
std::wstring& WideFolder() {
    static std::wstring folder;  // written at start-up, read-only afterwards
    return folder;
}

void StoreBoth(std::wstring wide) {
    StoreProgramFolder(TextValue(WideToGbk(wide)));
    WideFolder() = std::move(wide);
}
}  // namespace

const std::wstring& ProgramFolderWide() {
    return WideFolder();
}

void InitProgramFolder() {
    // The wide name, not GetModuleFileNameA: the ANSI code page of a non-Chinese Windows
    // is not GBK, and the log and sound file must be found whatever the folder is called.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return;  // cannot happen for the running program; the folder stays empty
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);  // cut short: ask again with more room
    }
    const std::size_t cut = path.rfind(L'\\');
    StoreBoth(cut == std::wstring::npos ? std::wstring{} : path.substr(0, cut));
}

void SetProgramFolderForTesting(const TextValue& folder) {
    StoreBoth(GbkToWide(folder.View()));
}

std::wstring NativePath(const TextValue& path) {
    const TextValue& folder = ProgramFolder();
    if (!folder.IsEmpty() && path.View().substr(0, folder.View().size()) == folder.View())
        return WideFolder() + GbkToWide(path.View().substr(folder.View().size()));
    return GbkToWide(path.View());
}

}  // namespace lumeno
