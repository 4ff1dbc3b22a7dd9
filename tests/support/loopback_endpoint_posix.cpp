// The loopback endpoint natively: the runner's server when it passed one, else a server in
// this process.
#include <gtest/gtest.h>

#include <memory>

#include "support/loopback_endpoint.h"
#include "support/loopback_server.h"

namespace lumeno {

const LoopbackEndpoint& Loopback() {
    static const LoopbackEndpoint endpoint = [] {
        LoopbackEndpoint e = LoopbackEndpointFromEnvironment();
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

}  // namespace lumeno
