// ProgramMain, InitGlobals and ExitCleanup: the program's start-up and shutdown, written
// once; each front-end supplies the few steps only its toolkit can do.
#pragma once

namespace lumeno {

// The toolkit's share of start-up. The front-end's main() makes one and hands it to
// ProgramMain.
class Frontend {
public:
    virtual ~Frontend() = default;
    // Process-wide support the window needs (COM for the embedded browser on Windows,
    // the toolkit's initialisation elsewhere). Runs before anything else.
    virtual void InitProcessSupport() = 0;
    // Creates the window hidden with its controls, makes it the current window, runs
    // OnWindowCreated, then shows the window centred. False when it cannot be created.
    [[nodiscard]] virtual bool LoadWindow() = 0;
    // Takes and dispatches messages until a quit request (posted when the window has gone).
    virtual void RunMessageLoop() = 0;
};

// The entry sequence; returns the exit code 0. A window that cannot be loaded ends the
// program through FatalRuntimeError with "载入启动窗口失败".
int ProgramMain(Frontend& frontend);

// StockItems := a new empty array (the flags and StockUrl start absent).
void InitGlobals();

// Releases the globals once, when the program ends normally (never after a fatal stop).
void ExitCleanup();

// Makes the program's folder the process's current folder.
void ChangeToProgramFolder();

}  // namespace lumeno
