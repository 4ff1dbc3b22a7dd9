// Where the wire tests' loopback server listens, on every platform.
//
// Natively the server runs inside the test process, started at first use. A Windows test
// program (run under wine64) cannot host it: the test runner starts the native server
// (tests/http/loopback_server_main.cpp) and passes its ports in the environment variables
// LUMENO_LOOPBACK_PORT and LUMENO_LOOPBACK_REFUSED_PORT, which a native run honours too.
#pragma once

#include <cstdint>
#include <string>

namespace lumeno {

struct LoopbackEndpoint {
    std::uint16_t port = 0;         // the loopback server (see support/loopback_server.h)
    std::uint16_t refusedPort = 0;  // a port on 127.0.0.1 where nothing listens
};

// The endpoint; fails the current test (and gives ports 0) when there is none.
[[nodiscard]] const LoopbackEndpoint& Loopback();

// The ports a test runner passed in the environment; 0 for each it did not pass.
[[nodiscard]] LoopbackEndpoint LoopbackEndpointFromEnvironment();

// "http://127.0.0.1:<port>" + path.
[[nodiscard]] std::string LoopbackUrl(const std::string& path);

}  // namespace lumeno
