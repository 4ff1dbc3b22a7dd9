// WinMain: the Windows program's entry; everything else is ProgramMain's.
#include <windows.h>

#include "ui/program.h"
#include "ui/win32/frontend.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    lumeno::win32::Win32Frontend frontend(showCommand);
    return lumeno::ProgramMain(frontend);
}
