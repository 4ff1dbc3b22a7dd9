// The loopback endpoint on Windows: the native server the test runner started.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/loopback_endpoint.h"

namespace lumeno {

namespace {
std::uint16_t PortFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? static_cast<std::uint16_t>(std::atoi(value)) : 0;
}
}  // namespace

const LoopbackEndpoint& Loopback() {
    static const LoopbackEndpoint endpoint{PortFromEnvironment("LUMENO_LOOPBACK_PORT"),
                                           PortFromEnvironment("LUMENO_LOOPBACK_REFUSED_PORT")};
    if (endpoint.port == 0 || endpoint.refusedPort == 0) {
        ADD_FAILURE() << "no loopback server: run this suite through ctest, whose runner "
                         "starts one and sets LUMENO_LOOPBACK_PORT";
    }
    return endpoint;
}

std::string LoopbackUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(Loopback().port) + path;
}

}  // namespace lumeno
