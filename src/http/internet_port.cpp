// Which internet port the request routine calls: the platform's, or one a test installed.
#include "http/internet_port.h"

#include <atomic>

namespace lumeno::inet {

namespace {
// Null means the platform's table. Atomic because loopback tests run servers on other
// threads; the routine itself only ever runs on the GUI thread.
std::atomic<const InternetPort*> g_installed{nullptr};
}  // namespace

const InternetPort& CurrentInternetPort() {
    const InternetPort* installed = g_installed.load();
    return installed ? *installed : PlatformInternetPort();
}

ScopedInternetPort::ScopedInternetPort(const InternetPort& port)
    : previous_(g_installed.exchange(&port)) {}

ScopedInternetPort::~ScopedInternetPort() {
    g_installed.store(previous_);
}

}  // namespace lumeno::inet
