// The loopback endpoint natively: the runner's server when it passed one, else a server in
// this process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "support/loopback_endpoint.h"
#include "support/loopback_server.h"

namespace lumeno {

namespace {
std::uint16_t PortFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? static_cast<std::uint16_t>(std::atoi(value)) : 0;
}
}  // namespace

const LoopbackEndpoint& Loopback() {
    static const LoopbackEndpoint endpoint = [] {
        LoopbackEndpoint e{PortFromEnvironment("LUMENO_LOOPBACK_PORT"),
                           PortFromEnvironment("LUMENO_LOOPBACK_REFUSED_PORT")};
        if (e.port == 0) {
            // Serves until the process ends; its destructor then stops it at exit.
            static const auto server = std::make_unique<LoopbackServer>();
            e.port = server->Port();
        }
        if (e.refusedPort == 0) e.refusedPort = RefusedLoopbackPort();
        return e;
    }();
    return endpoint;
}

std::string LoopbackUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(Loopback().port) + path;
}

}  // namespace lumeno
