// HttpRequest / HttpRequestText: one HTTP exchange through the internet port.
#pragma once

#include <cstdint>

#include "text/values.h"

namespace lumeno {

// The most body bytes an exchange keeps. A longer (or endless) reply counts as a failed
// exchange, 255 zero bytes, so that a faulty server cannot exhaust the program's memory.
// The stock document is about 100 bytes; 1 MiB leaves ample room, and bounds what the
// parsing of a hostile reply costs too (each of its members is a text of its own).
inline constexpr std::int32_t kMaxBodyBytes = 1024 * 1024;

// The longest an exchange may take from its send to its last body byte; a reply still
// arriving then counts as failed. A slow trickle must not hold a check (and, with it, the
// monitoring) indefinitely.
inline constexpr int kExchangeSeconds = 12;

// One exchange: opens its own session, connection and request, sends a GET (method empty
// or "get" in any case) or a POST with the default header lines, reads the whole body,
// hands every "Set-Cookie: " line to the port's cookie store and closes all three handles.
//
// `headers` and `responseHeaders` are the caller's variables and are written in place:
// afterwards `headers` holds the whole block that was sent and `responseHeaders` the raw
// response header block (1024 blanks when it could not be had). Nullptr means omitted.
// A failed exchange gives 255 zero bytes; a failed read keeps what arrived before it.
[[nodiscard]] ByteSet HttpRequest(const TextValue& url, const TextValue& method = {},
                                  const TextValue& proxy = {}, TextValue* headers = nullptr,
                                  const TextValue& body = {}, TextValue* responseHeaders = nullptr);

// The same exchange with the body as text: the bytes before the first zero byte.
[[nodiscard]] TextValue HttpRequestText(const TextValue& url, const TextValue& method = {},
                                        const TextValue& proxy = {}, TextValue* headers = nullptr,
                                        const TextValue& body = {},
                                        TextValue* responseHeaders = nullptr);

}  // namespace lumeno
