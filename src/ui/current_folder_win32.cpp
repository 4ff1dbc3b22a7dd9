// Making the program's folder the current folder (Windows: the folder as the system gave
// it, in UTF-16, so that a name outside GBK still works).
#include <windows.h>

#include "alerts/program_folder_win32.h"
#include "ui/program.h"

namespace lumeno {

void ChangeToProgramFolder() {
    std::wstring path = ProgramFolderWide();
    if (path.empty()) return;
    // "C:" alone would mean the drive's current folder: name its root instead.
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    SetCurrentDirectoryW(path.c_str());
}

}  // namespace lumeno
