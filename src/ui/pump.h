// PumpMessages: dispatch what waits in the GUI thread's queue, never wait for more.
#pragma once

namespace lumeno {

// Dispatches every waiting window message (input, painting, Timer events and whatever the
// handlers post meanwhile), each to its end, and returns as soon as the queue is empty or
// its next message is a quit request, which stays for the main loop. Before a window
// exists (and in programs without one) it does nothing.
void PumpMessages();

}  // namespace lumeno
