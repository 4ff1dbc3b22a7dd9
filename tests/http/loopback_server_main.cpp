// loopback-server: the wire tests' loopback server as a program of its own, for test
// programs that cannot host it (the Windows build run under wine64).
//
// Prints "<port> <refused port>" on one line, then serves until its standard input closes,
// it receives SIGTERM or SIGINT, or the process that started it goes away.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "support/loopback_server.h"

int main() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    // Blocked before any thread starts, so every thread inherits the mask and the signals
    // are only ever taken below.
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const pid_t parent = getppid();
    lumeno::LoopbackServer server;
    std::printf("%u %u\n", server.Port(), lumeno::RefusedLoopbackPort());
    std::fflush(stdout);

    const timespec tick{0, 200 * 1000 * 1000};
    for (;;) {
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) break;
        if (getppid() != parent) break;
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (poll(&in, 1, 0) > 0) {
            char byte;
            if (read(STDIN_FILENO, &byte, 1) <= 0) break;
        }
    }
    return 0;  // the server's destructor closes every connection
}
