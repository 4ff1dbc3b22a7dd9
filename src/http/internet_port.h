// The internet port: the eight WinINet functions the request routine needs, in their ANSI
// forms, as one table. Nothing else in the system touches the network.
//
// Each platform supplies the table from one file: wininet.dll bound by name at first use
// on Windows, the same eight functions over libcurl elsewhere. Tests install a recording
// table of their own.
#pragma once

#include <cstdint>

namespace lumeno::inet {

// The WinINet types, spelled so that portable code needs no Windows header.
using Handle = void*;  // HINTERNET
using Dword = std::uint32_t;
using Bool = int;

inline constexpr Dword kOpenTypeDirect = 1;      // INTERNET_OPEN_TYPE_DIRECT
inline constexpr Dword kOpenTypeProxy = 3;       // INTERNET_OPEN_TYPE_PROXY
inline constexpr Dword kServiceHttp = 3;         // INTERNET_SERVICE_HTTP
inline constexpr Dword kFlagReload = 0x80000000;  // INTERNET_FLAG_RELOAD
inline constexpr Dword kQueryRawHeadersCrlf = 22;  // HTTP_QUERY_RAW_HEADERS_CRLF

struct InternetPort {
    // Opens a session; the agent text becomes every request's User-Agent. With access type 3
    // the proxy list ("http=host:port") routes HTTP through that proxy. Null on failure.
    Handle (*InternetOpenA)(const char* agent, Dword accessType, const char* proxy,
                            const char* proxyBypass, Dword flags);
    // Opens a connection to host:port (port 0 means 80) for the HTTP service. Null on failure.
    Handle (*InternetConnectA)(Handle internet, const char* serverName, std::uint16_t serverPort,
                               const char* userName, const char* password, Dword service,
                               Dword flags, std::uintptr_t context);
    // Prepares a request; a null verb means GET. Null on failure.
    Handle (*HttpOpenRequestA)(Handle connect, const char* verb, const char* objectName,
                               const char* version, const char* referrer,
                               const char** acceptTypes, Dword flags, std::uintptr_t context);
    // Sends the request with the header block unchanged and the optional data as the body.
    Bool (*HttpSendRequestA)(Handle request, const char* headers, Dword headersLength,
                             void* optional, Dword optionalLength);
    // Reads what has arrived, up to the buffer's size; *read is 0 at the end and on failure.
    Bool (*InternetReadFile)(Handle file, void* buffer, Dword toRead, Dword* read);
    // Level 22: the status line and header lines, each ended by CR LF, then a NUL. Fails and
    // leaves the buffer as it was when the block and its NUL do not fit in *bufferLength.
    Bool (*HttpQueryInfoA)(Handle request, Dword infoLevel, void* buffer, Dword* bufferLength,
                           Dword* index);
    Bool (*InternetCloseHandle)(Handle handle);
    // Stores a cookie for the URL in the process-wide cookie store every request reads.
    Bool (*InternetSetCookieA)(const char* url, const char* cookieName, const char* cookieData);
};

// The platform's own table (defined by the back-end file the build picks).
[[nodiscard]] const InternetPort& PlatformInternetPort();

// The table the request routine calls through: the platform's, unless a test installed one.
[[nodiscard]] const InternetPort& CurrentInternetPort();

// Installs a table for the current scope (tests); the previous one comes back at scope end.
class ScopedInternetPort {
public:
    explicit ScopedInternetPort(const InternetPort& port);
    ~ScopedInternetPort();
    ScopedInternetPort(const ScopedInternetPort&) = delete;
    ScopedInternetPort& operator=(const ScopedInternetPort&) = delete;

private:
    const InternetPort* previous_;
};

}  // namespace lumeno::inet
