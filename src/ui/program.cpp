// Start-up and shutdown: folder, globals, exit clean-up, window, message loop.
#include "ui/program.h"

#include <cstdlib>

#include "alerts/program_folder.h"
#include "monitor/stock_globals.h"
#include "text/fatal.h"

namespace lumeno {

namespace {
bool g_cleanedUp = false;
void ExitCleanupAtExit() { ExitCleanup(); }
}  // namespace

void InitGlobals() { StockItems = TextArray(); }

void ExitCleanup() {
    if (g_cleanedUp) return;
    g_cleanedUp = true;
    ReleaseStockGlobals();
}

int ProgramMain(Frontend& frontend) {
    frontend.InitProcessSupport();
    InitProgramFolder();
    ChangeToProgramFolder();
    InitGlobals();
    std::atexit(ExitCleanupAtExit);
    if (!frontend.LoadWindow()) FatalRuntimeError(0, "载入启动窗口失败");
    frontend.RunMessageLoop();
    return 0;
}

}  // namespace lumeno
