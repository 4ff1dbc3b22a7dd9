// The loopback endpoint on Windows: the native server the test runner started.
#include <gtest/gtest.h>

#include "support/loopback_endpoint.h"

namespace lumeno {

const LoopbackEndpoint& Loopback() {
    static const LoopbackEndpoint endpoint = LoopbackEndpointFromEnvironment();
    if (endpoint.port == 0 || endpoint.refusedPort == 0) {
        ADD_FAILURE() << "no loopback server: run this suite through ctest, whose runner "
                         "starts one and sets LUMENO_LOOPBACK_PORT";
    }
    return endpoint;
}

}  // namespace lumeno
