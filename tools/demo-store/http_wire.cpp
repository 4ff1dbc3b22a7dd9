// Request framing, request-head parsing and response writing for the demo store's server.
#include "http_wire.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace lumeno::demo_store {
namespace {

bool IsTokenChar(char c) {
    static constexpr std::string_view kExtra = "!#$%&'*+-.^_`|~";
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           kExtra.find(c) != std::string_view::npos;
}

bool IsToken(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), IsTokenChar);
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The next line starting at `pos`, without its LF or CRLF; nullopt if its end has not
// arrived. `pos` moves past the line end.
std::optional<std::string_view> NextLine(std::string_view bytes, std::size_t& pos) {
    const auto lf = bytes.find('\n', pos);
    if (lf == std::string_view::npos) return std::nullopt;
    auto line = bytes.substr(pos, lf - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = lf + 1;
    return line;
}

// Where the head ends (just past its blank line), or npos.
std::size_t HeadEnd(std::string_view bytes) {
    std::size_t pos = 0;
    bool seen_content = false;
    while (true) {
        const auto line = NextLine(bytes, pos);
        if (!line) return std::string_view::npos;
        // Blank lines before the request line are tolerated by HTTP; only a blank line after
        // the request line closes the head.
        if (line->empty() && seen_content) return pos;
        seen_content = seen_content || !line->empty();
    }
}

Framing Bad(int status, std::string why) {
    Framing f;
    f.kind = Framing::Kind::kBad;
    f.bad_status = status;
    f.why = std::move(why);
    return f;
}

// A chunked body starting at `pos`: the request's total length, 0 if incomplete, or a
// Framing of kind kBad through `bad`.
std::size_t ChunkedEnd(std::string_view bytes, std::size_t pos, std::optional<Framing>& bad) {
    std::size_t body_bytes = 0;
    while (true) {
        const auto size_line = NextLine(bytes, pos);
        if (!size_line) return 0;
        auto digits = size_line->substr(0, size_line->find(';'));
        digits = TrimSpaces(digits);
        std::size_t size = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), size, 16);
        if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size()) {
            bad = Bad(400, "bad chunk size line");
            return 0;
        }
        body_bytes += size;
        if (body_bytes > kMaxRequestBody) {
            bad = Bad(413, "body too large");
            return 0;
        }
        if (size == 0) {
            // Trailer lines, then the blank line that ends the message.
            while (true) {
                const auto trailer = NextLine(bytes, pos);
                if (!trailer) return 0;
                if (trailer->empty()) return pos;
            }
        }
        if (bytes.size() < pos + size) return 0;
        pos += size;
        const auto rest = NextLine(bytes, pos);
        if (!rest) return 0;
        if (!rest->empty()) {
            bad = Bad(400, "chunk data longer than its size");
            return 0;
        }
    }
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

Framing FrameRequest(std::string_view bytes) {
    const auto head_end = HeadEnd(bytes);
    if (head_end == std::string_view::npos) {
        if (bytes.size() > kMaxRequestHead) return Bad(431, "request head too large");
        return {};
    }
    if (head_end > kMaxRequestHead) return Bad(431, "request head too large");
    const auto request = ParseRequestHead(bytes.substr(0, head_end));
    if (!request) return Bad(400, "malformed request head");

    Framing f;
    f.head_complete = true;
    f.head_length = head_end;
    const auto expect = request->header("Expect");
    const bool wants_continue = expect && EqualsIgnoreCase(TrimSpaces(*expect), "100-continue");

    if (const auto coding = request->header("Transfer-Encoding")) {
        const auto last = TrimSpaces(std::string_view(*coding).substr(coding->rfind(',') + 1));
        if (!EqualsIgnoreCase(last, "chunked")) return Bad(501, "unsupported transfer coding");
        std::optional<Framing> bad;
        const auto end = ChunkedEnd(bytes, head_end, bad);
        if (bad) return *bad;
        if (end == 0) {
            f.expects_continue = wants_continue;
            return f;
        }
        f.kind = Framing::Kind::kComplete;
        f.length = end;
        return f;
    }

    std::optional<std::size_t> content_length;
    for (const auto& [name, value] : request->headers) {
        if (!EqualsIgnoreCase(name, "Content-Length")) continue;
        const auto digits = TrimSpaces(value);
        std::size_t n = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size()) {
            return Bad(400, "bad Content-Length");
        }
        if (content_length && *content_length != n) return Bad(400, "conflicting Content-Length");
        content_length = n;
    }
    const auto body = content_length.value_or(0);
    if (body > kMaxRequestBody) return Bad(413, "body too large");
    if (bytes.size() < head_end + body) {
        f.expects_continue = wants_continue;
        return f;
    }
    f.kind = Framing::Kind::kComplete;
    f.length = head_end + body;
    return f;
}

std::optional<std::string> Request::header(std::string_view name) const {
    for (const auto& [n, v] : headers) {
        if (EqualsIgnoreCase(n, name)) return v;
    }
    return std::nullopt;
}

std::optional<Request> ParseRequestHead(std::string_view head) {
    std::size_t pos = 0;
    std::optional<std::string_view> line;
    do {
        line = NextLine(head, pos);
        if (!line) return std::nullopt;
    } while (line->empty());

    Request r;
    const auto sp1 = line->find(' ');
    const auto sp2 = sp1 == std::string_view::npos ? sp1 : line->find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line->find(' ', sp2 + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    r.method = line->substr(0, sp1);
    r.target = line->substr(sp1 + 1, sp2 - sp1 - 1);
    r.version = line->substr(sp2 + 1);
    if (!IsToken(r.method) || r.target.empty() || !r.version.starts_with("HTTP/")) {
        return std::nullopt;
    }
    const auto q = r.target.find('?');
    r.path = r.target.substr(0, q);
    if (q != std::string::npos) r.query = r.target.substr(q + 1);

    while ((line = NextLine(head, pos)) && !line->empty()) {
        const auto colon = line->find(':');
        // A line without a colon, or a folded continuation line, is not accepted.
        if (colon == std::string_view::npos || !IsToken(line->substr(0, colon))) {
            return std::nullopt;
        }
        r.headers.emplace_back(line->substr(0, colon), TrimSpaces(line->substr(colon + 1)));
    }
    return r;
}

std::optional<std::string> QueryParam(std::string_view query, std::string_view name) {
    const auto decode = [](std::string_view s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '+') {
                out += ' ';
            } else if (s[i] == '%' && i + 2 < s.size()) {
                unsigned value = 0;
                const auto [end, ec] =
                    std::from_chars(s.data() + i + 1, s.data() + i + 3, value, 16);
                if (ec == std::errc{} && end == s.data() + i + 3) {
                    out += static_cast<char>(value);
                    i += 2;
                } else {
                    out += '%';
                }
            } else {
                out += s[i];
            }
        }
        return out;
    };
    while (!query.empty()) {
        const auto amp = query.find('&');
        const auto pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        const auto eq = pair.find('=');
        if (decode(pair.substr(0, eq)) != name) continue;
        return eq == std::string_view::npos ? std::string{} : decode(pair.substr(eq + 1));
    }
    return std::nullopt;
}

Response TextResponse(int status, std::string body) {
    Response r;
    r.status = status;
    r.headers = {{"Content-Type", "text/plain; charset=utf-8"}};
    r.body = std::move(body);
    return r;
}

std::string_view StandardReason(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 201:
            return "Created";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 409:
            return "Conflict";
        case 413:
            return "Content Too Large";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "";
    }
}

std::string SerializeResponse(const Response& response) {
    if (response.raw) return *response.raw;
    std::string out = "HTTP/1.1 " + std::to_string(response.status) + ' ';
    out += response.reason.empty() ? StandardReason(response.status) : response.reason;
    out += "\r\n";
    bool has_length = false;
    bool has_connection = false;
    for (const auto& [name, value] : response.headers) {
        has_length = has_length || EqualsIgnoreCase(name, "Content-Length");
        has_connection = has_connection || EqualsIgnoreCase(name, "Connection");
        out += name + ": " + value + "\r\n";
    }
    if (!has_length) out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    if (!has_connection) out += "Connection: close\r\n";
    out += "\r\n";
    out += response.body;
    return out;
}

}  // namespace lumeno::demo_store
