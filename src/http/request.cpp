// HttpRequest / HttpRequestText: one HTTP exchange through the internet port, with the
// default header lines, the chunked body read, the raw response headers and the hand-over
// of every response cookie to the port's cookie store.
#include "http/request.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <utility>

#include "http/internet_port.h"
#include "http/url.h"
#include "text/primitives.h"
#include "text/storage.h"
#include "ui/pump.h"

namespace lumeno {

namespace {

using inet::Dword;
using inet::Handle;
using inet::InternetPort;

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr const char* kDefaultAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr std::int32_t kReadSize = 2048;
constexpr std::int32_t kHeaderBufferSize = 1024;
constexpr std::int32_t kFailureSize = 255;
constexpr std::int32_t kCookieMarkerSize = 12;  // "Set-Cookie: "

// One library handle, closed through the port when it goes out of scope unless it was
// closed already. Declared session, connection, request, so scope end closes them in the
// reverse order, the routine's normal order.
class PortHandle {
  public:
    PortHandle(const InternetPort& port, Handle handle) : port_(port), handle_(handle) {}
    ~PortHandle() { Close(); }
    PortHandle(const PortHandle&) = delete;
    PortHandle& operator=(const PortHandle&) = delete;

    [[nodiscard]] Handle Get() const { return handle_; }
    [[nodiscard]] bool IsOpen() const { return handle_ != nullptr; }
    void Close() {
        if (handle_) port_.InternetCloseHandle(std::exchange(handle_, nullptr));
    }

  private:
    const InternetPort& port_;
    Handle handle_;
};

// The library receives an empty optional argument as a null pointer.
const char* OrNull(const TextValue& t) {
    return t.IsEmpty() ? nullptr : t.CStr();
}

ByteSet FailureResult() {
    return BlankBytes(kFailureSize);
}

// Appends line to the header block unless key already occurs in it, ignoring case.
void AppendUnlessPresent(TextValue& headers, const TextValue& key, const TextValue& line) {
    if (FindText(headers, key, 1, true) == -1) headers = ConcatText({headers, line});
}

// Appends bytes to the body, growing through the allocation-failure stop. False when the
// body would outgrow kMaxBodyBytes.
bool AppendToBody(std::string& body, std::string_view bytes) {
    const std::size_t needed = body.size() + bytes.size();
    if (needed > static_cast<std::size_t>(kMaxBodyBytes)) return false;
    if (needed > body.capacity()) {
        const std::size_t doubled = std::max<std::size_t>(body.capacity() * 2, kReadSize);
        ReserveOrFail(body,
                      std::min(std::max(needed, doubled), static_cast<std::size_t>(kMaxBodyBytes)));
    }
    body.append(bytes);
    return true;
}

// The header buffer holds a NUL-terminated text once the library has written into it.
void TrimAtNul(TextValue& text) {
    const std::string_view bytes = text.View();
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) text = TextValue(std::string(bytes.substr(0, nul)));
}

// Hands every "Set-Cookie: " line of the block to the cookie store for the host. A line
// ends at LF (a CR before it is dropped); text after the last LF is one more line. The
// window gets its turn after every line, cookie or not.
void HandOverCookies(const InternetPort& port, const TextValue& block, const TextValue& host) {
    const TextValue cookieUrl = ConcatText({"http://", host});
    std::string_view rest = block.View();
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        std::string_view lineBytes = rest.substr(0, lf);
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        if (!lineBytes.empty() && lineBytes.back() == '\r') lineBytes.remove_suffix(1);

        const TextValue line = MakeText(lineBytes);
        if (FindText(line, "Set-Cookie: ", 1, true) > 0) {
            const TextValue cookie = ReplaceTextAt(line, 1, kCookieMarkerSize);
            const std::int32_t e = FindText(cookie, "=", 1, true);
            const TextValue name = TextLeft(cookie, e - 1);
            const TextValue data = TextRight(cookie, TextLength(cookie) - e);
            port.InternetSetCookieA(cookieUrl.CStr(), OrNull(name), OrNull(data));
        }
        PumpMessages();
    }
}

}  // namespace

ByteSet HttpRequest(const TextValue& url, const TextValue& method, const TextValue& proxy,
                    TextValue* headers, const TextValue& body, TextValue* responseHeaders) {
    // An omitted variable reads as the empty text; its writes go nowhere.
    TextValue ownHeaders;
    TextValue ownResponseHeaders;
    TextValue& sent = headers ? *headers : ownHeaders;
    TextValue& received = responseHeaders ? *responseHeaders : ownResponseHeaders;

    // One table for the whole exchange, even if a nested call installs another meanwhile.
    const InternetPort& port = inet::CurrentInternetPort();
    const TextValue path = UrlObjectPath(url);
    const TextValue host = UrlHost(url, false);

    Handle opened = nullptr;
    if (RemoveAllSpaces(proxy).IsEmpty()) {
        opened = port.InternetOpenA(kAgent, inet::kOpenTypeDirect, nullptr, nullptr, 0);
    } else {
        const TextValue proxyList = ConcatText({"http=", proxy});
        opened = port.InternetOpenA(kAgent, inet::kOpenTypeProxy, proxyList.CStr(), nullptr, 0);
    }
    PortHandle internet(port, opened);
    if (!internet.IsOpen()) return FailureResult();

    // The port is a 16-bit number at the library: the low bits of what the URL says.
    const auto portNumber = static_cast<std::uint16_t>(UrlPort(url));
    PortHandle connection(port, port.InternetConnectA(internet.Get(), OrNull(host), portNumber, "",
                                                      "", inet::kServiceHttp, 0, 0));
    if (!connection.IsOpen()) return FailureResult();

    PortHandle request(
        port, port.HttpOpenRequestA(connection.Get(), OrNull(method), path.CStr(), "HTTP/1.1",
                                    nullptr, nullptr, inet::kFlagReload, 0));
    if (!request.IsOpen()) return FailureResult();

    AppendUnlessPresent(sent, "Accept: ", kDefaultAccept);
    AppendUnlessPresent(sent, "Referer: ", ConcatText({"Referer: ", url, "\r\n"}));
    AppendUnlessPresent(sent, "Accept-Language: ", "Accept-Language: zh-cn\r\n");

    const auto sentAt = std::chrono::steady_clock::now();
    const TextValue verb = ToUpperCase(method);
    if (method.IsEmpty() || verb == TextValue("GET")) {
        port.HttpSendRequestA(request.Get(), sent.CStr(), static_cast<Dword>(TextLength(sent)),
                              nullptr, 0);
    } else if (verb == TextValue("POST")) {
        if (!body.IsEmpty()) {
            AppendUnlessPresent(
                sent, "Content-Type: ", "Content-Type: application/x-www-form-urlencoded\r\n");
            // Always appended, even after a caller's own Content-Length line.
            sent = ConcatText({sent, "Content-Length: ", ToText(TextLength(body)), "\r\n"});
        }
        // The library only reads the optional data; its signature is not const.
        port.HttpSendRequestA(request.Get(), sent.CStr(), static_cast<Dword>(TextLength(sent)),
                              const_cast<char*>(OrNull(body)),
                              static_cast<Dword>(TextLength(body)));
    } else {
        // Nothing is sent; the request handle goes last, after its own connection.
        connection.Close();
        internet.Close();
        request.Close();
        return FailureResult();
    }

    // The body, in chunks, into one reused buffer; the window gets its turn before each read.
    ByteSet readBuffer = BlankBytes(kReadSize);
    std::string accumulated;
    for (;;) {
        PumpMessages();
        Dword count = 0;
        port.InternetReadFile(request.Get(), readBuffer.MutableData(), kReadSize, &count);
        if (count == 0) break;
        // A port never delivers more than asked; the clamp keeps a faulty one in bounds.
        count = std::min<Dword>(count, kReadSize);
        if (!AppendToBody(accumulated, readBuffer.View().substr(0, count))) {
            // An endless or huge reply: give up rather than exhaust memory.
            return FailureResult();
        }
        if (std::chrono::steady_clock::now() - sentAt >= std::chrono::seconds(kExchangeSeconds)) {
            // Still trickling in: a reply that late is worth nothing to the check.
            return FailureResult();
        }
    }

    // The library writes the raw header block straight into the caller's variable.
    received = BlankText(kHeaderBufferSize);
    Dword length = kHeaderBufferSize;
    port.HttpQueryInfoA(request.Get(), inet::kQueryRawHeadersCrlf, received.MutableData(), &length,
                        nullptr);
    TrimAtNul(received);

    request.Close();
    connection.Close();
    internet.Close();

    if (FindText(received, "Set-Cookie: ", 1, true) > 0) {
        // The walk reads a copy, so the caller's variable keeps the whole block.
        const TextValue block = received;
        HandOverCookies(port, block, host);
    }
    return ByteSet(std::move(accumulated));
}

TextValue HttpRequestText(const TextValue& url, const TextValue& method, const TextValue& proxy,
                          TextValue* headers, const TextValue& body, TextValue* responseHeaders) {
    return ToText(HttpRequest(url, method, proxy, headers, body, responseHeaders));
}

}  // namespace lumeno
