// ProgramFolder on POSIX: the folder of /proc/self/exe.
#include <unistd.h>

#include <string>

#include "alerts/program_folder.h"
#include "alerts/program_folder_store.h"

namespace lumeno {

void InitProgramFolder() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) {
            // No /proc: the current folder, which start-up makes the program's anyway.
            StoreProgramFolder(TextValue("."));
            return;
        }
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            break;
        }
        path.resize(path.size() * 2);  // possibly cut short: ask again with more room
    }
    StoreProgramFolder(TextValue(std::string(FolderOfPath(path, '/'))));
}

void SetProgramFolderForTesting(const TextValue& folder) {
    StoreProgramFolder(folder);
}

}  // namespace lumeno
