// The recording internet port: scripted replies, every call recorded.
#include "support/recording_internet_port.h"
#include "support/pump_only_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ui/window.h"

namespace lumeno {

namespace {

constexpr int kInternet = 1;
constexpr int kConnection = 2;
constexpr int kRequest = 3;

RecordingInternetPort* g_active = nullptr;

std::optional<std::string> Text(const char* s) {
    return s ? std::optional<std::string>(s) : std::nullopt;
}

std::optional<std::string> Bytes(const void* data, std::size_t length) {
    return data ? std::optional<std::string>(std::string(static_cast<const char*>(data), length))
                : std::nullopt;
}

std::string Number(std::uint64_t n, bool hex = false) {
    char buf[32];
    std::snprintf(buf, sizeof buf, hex ? "0x%llX" : "%llu", static_cast<unsigned long long>(n));
    return buf;
}

}  // namespace

struct RecordingInternetPort::Exchange {
    FakeReply reply;
    int index = 0;
    std::uint64_t delivered = 0;
    bool sent = false;
};

// Stands in as the current window so that the routine's pumps are recorded.
class RecordingInternetPort::PumpWindow final : public PumpOnlyWindow {
  public:
    PumpWindow(RecordingInternetPort& port, std::function<void()> onPump)
        : port_(port), onPump_(std::move(onPump)), previous_(CurrentWindow()) {
        SetCurrentWindow(this);
    }
    ~PumpWindow() override { SetCurrentWindow(previous_); }
    PumpWindow(const PumpWindow&) = delete;
    PumpWindow& operator=(const PumpWindow&) = delete;

    void PumpMessages() override {
        port_.Record("PumpMessages");
        if (onPump_) onPump_();
    }

  private:
    RecordingInternetPort& port_;
    std::function<void()> onPump_;
    Window* previous_;
};

RecordingInternetPort::RecordingInternetPort()
    : previousActive_(g_active), table_{Open, Connect, OpenRequest, Send,
                                        Read, Query,   Close,       SetCookie} {
    g_active = this;
    installed_.emplace(table_);
}

RecordingInternetPort::~RecordingInternetPort() {
    installed_.reset();
    pumpWindow_.reset();
    g_active = previousActive_;
}

void RecordingInternetPort::Reset() {
    calls_.clear();
    exchanges_.clear();
    script_.clear();
}

void RecordingInternetPort::Script(FakeReply reply) {
    script_.push_back(std::move(reply));
}

void RecordingInternetPort::RecordPumps(std::function<void()> onPump) {
    pumpWindow_.reset();
    pumpWindow_ = std::make_unique<PumpWindow>(*this, std::move(onPump));
}

void RecordingInternetPort::Note(std::string text) {
    Record(std::move(text));
}

std::vector<PortCall> RecordingInternetPort::CallsOf(std::string_view function) const {
    std::vector<PortCall> out;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(out),
                 [function](const PortCall& c) { return c.function == function; });
    return out;
}

std::vector<std::string> RecordingInternetPort::Functions() const {
    std::vector<std::string> out;
    for (const auto& c : calls_) out.push_back(c.function);
    return out;
}

std::vector<std::string> RecordingInternetPort::Closed() const {
    std::vector<std::string> out;
    for (const auto& c : CallsOf("InternetCloseHandle")) out.push_back(c.handle);
    return out;
}

std::string RecordingInternetPort::Quote(const std::optional<std::string>& text) {
    if (!text) return "null";
    std::string out = "\"";
    for (unsigned char c : *text) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c >= 0x20 && c < 0x7F) {
                    out += static_cast<char>(c);
                } else {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02X", c);
                    out += buf;
                }
        }
    }
    return out + "\"";
}

std::vector<std::string> RecordingInternetPort::Transcript() const {
    std::vector<std::string> out;
    for (const auto& c : calls_) {
        if (c.shown.empty()) {  // a pump or a note
            out.push_back(c.function);
            continue;
        }
        std::string line = c.function + "(";
        for (std::size_t i = 0; i < c.shown.size(); ++i) line += (i ? ", " : "") + c.shown[i];
        line += ")";
        if (!c.result.empty()) line += " -> " + c.result;
        out.push_back(line);
    }
    return out;
}

RecordingInternetPort& RecordingInternetPort::Active() {
    if (!g_active) {
        ADD_FAILURE() << "the recording internet port was called while none exists";
        std::abort();
    }
    return *g_active;
}

RecordingInternetPort::Exchange* RecordingInternetPort::Find(inet::Handle handle, int kind) {
    const auto id = reinterpret_cast<std::uintptr_t>(handle);
    const std::size_t index = id / 16;
    if (id % 16 != static_cast<std::uintptr_t>(kind) || index == 0 || index > exchanges_.size()) {
        return nullptr;
    }
    return exchanges_[index - 1].get();
}

std::string RecordingInternetPort::NameOf(inet::Handle handle) const {
    if (!handle) return "null";
    const auto id = reinterpret_cast<std::uintptr_t>(handle);
    static const char* const kNames[] = {"?", "internet", "connection", "request"};
    const std::size_t kind = id % 16;
    std::string name = kind < 4 ? kNames[kind] : "?";
    if (id / 16 > 1) {
        name += '#';
        name += std::to_string(id / 16);
    }
    return name;
}

PortCall& RecordingInternetPort::Record(std::string function, std::string handle) {
    PortCall& call = calls_.emplace_back();
    call.function = std::move(function);
    call.handle = std::move(handle);
    return call;
}

// --- the eight functions -----------------------------------------------------------------

inet::Handle RecordingInternetPort::Open(const char* agent, inet::Dword accessType,
                                         const char* proxy, const char* proxyBypass,
                                         inet::Dword flags) {
    auto& self = Active();
    auto exchange = std::make_unique<Exchange>();
    const std::size_t n = self.exchanges_.size();
    if (!self.script_.empty()) {
        exchange->reply = self.script_[std::min(n, self.script_.size() - 1)];
    }
    exchange->index = static_cast<int>(n + 1);
    const bool fails = exchange->reply.failOpen;
    self.exchanges_.push_back(std::move(exchange));
    inet::Handle handle =
        fails ? nullptr : reinterpret_cast<inet::Handle>((n + 1) * 16 + kInternet);
    auto& call = self.Record("InternetOpenA");
    call.texts = {Text(agent), Text(proxy), Text(proxyBypass)};
    call.numbers = {accessType, flags};
    call.shown = {Quote(call.texts[0]), Number(accessType), Quote(call.texts[1]),
                  Quote(call.texts[2]), Number(flags)};
    call.result = self.NameOf(handle);
    return handle;
}

inet::Handle RecordingInternetPort::Connect(inet::Handle internet, const char* serverName,
                                            std::uint16_t serverPort, const char* userName,
                                            const char* password, inet::Dword service,
                                            inet::Dword flags, std::uintptr_t context) {
    auto& self = Active();
    Exchange* exchange = self.Find(internet, kInternet);
    inet::Handle handle = nullptr;
    if (exchange && !exchange->reply.failConnect) {
        handle = reinterpret_cast<inet::Handle>(exchange->index * 16 + kConnection);
    }
    auto& call = self.Record("InternetConnectA", self.NameOf(internet));
    call.texts = {Text(serverName), Text(userName), Text(password)};
    call.numbers = {serverPort, service, flags, context};
    call.shown = {call.handle,          Quote(call.texts[0]), Number(serverPort),
                  Quote(call.texts[1]), Quote(call.texts[2]), Number(service),
                  Number(flags),        Number(context)};
    call.result = self.NameOf(handle);
    return handle;
}

inet::Handle RecordingInternetPort::OpenRequest(inet::Handle connect, const char* verb,
                                                const char* objectName, const char* version,
                                                const char* referrer, const char** acceptTypes,
                                                inet::Dword flags, std::uintptr_t context) {
    auto& self = Active();
    Exchange* exchange = self.Find(connect, kConnection);
    inet::Handle handle = nullptr;
    if (exchange && !exchange->reply.failOpenRequest) {
        handle = reinterpret_cast<inet::Handle>(exchange->index * 16 + kRequest);
    }
    auto& call = self.Record("HttpOpenRequestA", self.NameOf(connect));
    call.texts = {Text(verb), Text(objectName), Text(version), Text(referrer)};
    // The accept-type list: null, or its entries joined by "|".
    if (acceptTypes) {
        std::string joined;
        for (const char** t = acceptTypes; *t; ++t) {
            if (t != acceptTypes) joined += '|';
            joined += *t;
        }
        call.texts.push_back(joined);
    } else {
        call.texts.push_back(std::nullopt);
    }
    call.numbers = {flags, context};
    call.shown = {call.handle,          Quote(call.texts[0]), Quote(call.texts[1]),
                  Quote(call.texts[2]), Quote(call.texts[3]), Quote(call.texts[4]),
                  Number(flags, true),  Number(context)};
    call.result = self.NameOf(handle);
    return handle;
}

inet::Bool RecordingInternetPort::Send(inet::Handle request, const char* headers,
                                       inet::Dword headersLength, void* optional,
                                       inet::Dword optionalLength) {
    auto& self = Active();
    Exchange* exchange = self.Find(request, kRequest);
    auto& call = self.Record("HttpSendRequestA", self.NameOf(request));
    call.texts = {Bytes(headers, headersLength), Bytes(optional, optionalLength)};
    call.numbers = {headersLength, optionalLength};
    call.shown = {call.handle, Quote(call.texts[0]), Number(headersLength), Quote(call.texts[1]),
                  Number(optionalLength)};
    if (!exchange || exchange->reply.failSend) return 0;
    exchange->sent = true;
    return 1;
}

inet::Bool RecordingInternetPort::Read(inet::Handle file, void* buffer, inet::Dword toRead,
                                       inet::Dword* read) {
    auto& self = Active();
    Exchange* exchange = self.Find(file, kRequest);
    auto& call = self.Record("InternetReadFile", self.NameOf(file));
    call.numbers = {toRead};
    call.shown = {call.handle, Number(toRead)};
    *read = 0;
    bool ok = exchange && exchange->sent;
    if (ok) {
        const FakeReply& reply = exchange->reply;
        const std::uint64_t total = reply.generatedBody
                                        ? *reply.generatedBody
                                        : static_cast<std::uint64_t>(reply.body.size());
        std::uint64_t n = std::min<std::uint64_t>(toRead, total - exchange->delivered);
        if (reply.readChunk > 0) n = std::min<std::uint64_t>(n, reply.readChunk);
        if (reply.failReadAt && exchange->delivered + n > *reply.failReadAt) {
            if (exchange->delivered >= *reply.failReadAt) {
                n = 0;
                ok = false;
            } else {
                n = *reply.failReadAt - exchange->delivered;
            }
        }
        if (reply.generatedBody) {
            std::memset(buffer, 'x', n);
        } else {
            std::memcpy(buffer, reply.body.data() + exchange->delivered, n);
        }
        exchange->delivered += n;
        *read = static_cast<inet::Dword>(n);
    }
    call.result = std::to_string(*read);
    return ok ? 1 : 0;
}

inet::Bool RecordingInternetPort::Query(inet::Handle request, inet::Dword infoLevel, void* buffer,
                                        inet::Dword* bufferLength, inet::Dword* index) {
    auto& self = Active();
    Exchange* exchange = self.Find(request, kRequest);
    auto& call = self.Record("HttpQueryInfoA", self.NameOf(request));
    // What the buffer held when the library got it.
    call.texts = {Bytes(buffer, buffer && bufferLength ? *bufferLength : 0)};
    call.numbers = {infoLevel, bufferLength ? *bufferLength : 0};
    // The buffer's bytes are in texts[0]; the line shows its length only.
    call.shown = {call.handle, Number(infoLevel), Number(call.numbers[1]),
                  index ? "index" : "null"};
    if (!exchange || !exchange->sent || !bufferLength || !buffer) return 0;
    const FakeReply& reply = exchange->reply;
    if (infoLevel != inet::kQueryRawHeadersCrlf || !reply.headerBlock || reply.failQuery) return 0;
    const std::string& block = *reply.headerBlock;
    if (block.size() + 1 > *bufferLength) {
        *bufferLength = static_cast<inet::Dword>(block.size() + 1);
        return 0;
    }
    std::memcpy(buffer, block.c_str(), block.size() + 1);
    *bufferLength = static_cast<inet::Dword>(block.size());
    return 1;
}

inet::Bool RecordingInternetPort::Close(inet::Handle handle) {
    auto& self = Active();
    self.Record("InternetCloseHandle", self.NameOf(handle)).shown = {self.NameOf(handle)};
    return handle ? 1 : 0;
}

inet::Bool RecordingInternetPort::SetCookie(const char* url, const char* cookieName,
                                            const char* cookieData) {
    auto& self = Active();
    auto& call = self.Record("InternetSetCookieA");
    call.texts = {Text(url), Text(cookieName), Text(cookieData)};
    call.shown = {Quote(call.texts[0]), Quote(call.texts[1]), Quote(call.texts[2])};
    return 1;
}

}  // namespace lumeno
