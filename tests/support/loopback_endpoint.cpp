// The loopback endpoint's parts that every platform shares.
#include <cstdlib>

#include "support/loopback_endpoint.h"

namespace lumeno {

namespace {
std::uint16_t PortFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? static_cast<std::uint16_t>(std::atoi(value)) : 0;
}
}  // namespace

LoopbackEndpoint LoopbackEndpointFromEnvironment() {
    return {PortFromEnvironment("LUMENO_LOOPBACK_PORT"),
            PortFromEnvironment("LUMENO_LOOPBACK_REFUSED_PORT")};
}

std::string LoopbackUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(Loopback().port) + path;
}

}  // namespace lumeno
