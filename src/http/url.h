// Cutting a URL into the host, port and object path the internet library is given.
// Only the exact lower-case prefix "http://" is known; other URLs give odd pieces,
// never an error.
#pragma once

#include <cstdint>

#include "text/values.h"

namespace lumeno {

// The host, lower-cased; with keepPort the colon and port text that follow it too.
[[nodiscard]] TextValue UrlHost(const TextValue& url, bool keepPort = false);
// The port: 80 when the host part has no colon, 0 when the port text is not a number.
[[nodiscard]] std::int32_t UrlPort(const TextValue& url);
// The path from the first slash after the host to the end, "/" when there is none.
[[nodiscard]] TextValue UrlObjectPath(const TextValue& url);

}  // namespace lumeno
