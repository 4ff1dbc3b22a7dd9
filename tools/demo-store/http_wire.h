// The HTTP/1.1 wire as the demo store speaks it: finding where one request ends in the bytes
// read so far, reading its head, and writing a response. Every reply closes the connection,
// so there is no keep-alive state to carry between requests.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumeno::demo_store {

using Header = std::pair<std::string, std::string>;

// Requests are test traffic: anything bigger is refused rather than buffered.
inline constexpr std::size_t kMaxRequestHead = 64 * 1024;
inline constexpr std::size_t kMaxRequestBody = 8 * 1024 * 1024;

struct Framing {
    enum class Kind { kNeedMore, kComplete, kBad };
    Kind kind = Kind::kNeedMore;
    std::size_t length = 0;         // kComplete: bytes that make up the request
    bool head_complete = false;     // the blank line after the headers has arrived
    std::size_t head_length = 0;    // head_complete: bytes up to and with that blank line
    bool expects_continue = false;  // "Expect: 100-continue" and the body is still due
    int bad_status = 400;           // kBad: the status to refuse it with
    std::string why;                // kBad: a short reason for the log
};

// Looks at the bytes read so far from one connection. A request ends after its head when it
// has no body, after Content-Length bytes, or after the last chunk of a chunked body.
// Bare LF line ends are accepted as well as CRLF, as lenient servers do.
[[nodiscard]] Framing FrameRequest(std::string_view bytes);

struct Request {
    std::string method;
    std::string target;  // as sent: path and query
    std::string path;    // target up to '?'
    std::string query;   // after '?', still percent-encoded
    std::string version;
    std::vector<Header> headers;  // in the order received, names as sent

    // The first header of that name, compared without case.
    [[nodiscard]] std::optional<std::string> header(std::string_view name) const;
};

// Reads the request line and header lines (everything before the blank line). nullopt when
// the request line or a header line is malformed.
[[nodiscard]] std::optional<Request> ParseRequestHead(std::string_view head);

// The value of `name` in an application/x-www-form-urlencoded query, percent-decoded.
[[nodiscard]] std::optional<std::string> QueryParam(std::string_view query, std::string_view name);

[[nodiscard]] bool EqualsIgnoreCase(std::string_view a, std::string_view b);

struct Response {
    int status = 200;
    std::string reason{};           // empty: the standard phrase for the status
    std::vector<Header> headers{};  // sent first, in this order
    std::string body{};
    std::optional<std::string> raw{};    // when set: these exact bytes instead of a response
    std::chrono::milliseconds delay{0};  // waited before anything is sent
};

// A plain-text response (UTF-8), as the store's own pages and errors are written.
[[nodiscard]] Response TextResponse(int status, std::string body);

// The standard reason phrase, or "" for a code without one (an empty phrase is legal).
[[nodiscard]] std::string_view StandardReason(int status);

// Status line, the response's headers, then Content-Length and "Connection: close" unless
// the response names them itself (a scenario may lie about the length on purpose), a blank
// line and the body. A raw response is returned as it is.
[[nodiscard]] std::string SerializeResponse(const Response& response);

}  // namespace lumeno::demo_store
