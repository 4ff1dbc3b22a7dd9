// Making the program's folder the current folder (POSIX: the folder's bytes as they are).
#include <unistd.h>

#include "alerts/program_folder.h"
#include "ui/program.h"

namespace lumeno {

void ChangeToProgramFolder() {
    const TextValue& folder = ProgramFolder();
    if (!folder.IsEmpty()) (void)chdir(folder.CStr());
}

}  // namespace lumeno
