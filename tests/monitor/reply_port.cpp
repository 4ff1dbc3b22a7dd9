// ReplyPort: queued replies served through the internet port's eight functions.
#include "reply_port.h"

#include <algorithm>
#include <cstring>

namespace lumeno {

namespace {
// Distinct non-null handles; their contents are never used.
char g_session, g_connection, g_request;
constexpr char kHeaders[] = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
}  // namespace

ReplyPort* ReplyPort::active_ = nullptr;

const inet::InternetPort ReplyPort::kTable = {Open, Connect,   OpenRequest, Send,
                                              Read, QueryInfo, Close,       SetCookie};

ReplyPort::ReplyPort() : previous_(active_), scope_(kTable) {
    active_ = this;
}

ReplyPort::~ReplyPort() {
    active_ = previous_;
}

void ReplyPort::Serve(std::string body, std::size_t chunk) {
    queued_.push_back({std::move(body), std::max<std::size_t>(chunk, 1)});
}

void ReplyPort::Fail() {
    queued_.push_back({std::nullopt, 1});
}

inet::Handle ReplyPort::Open(const char*, inet::Dword, const char*, const char*, inet::Dword) {
    ReplyPort& self = *active_;
    ++self.requests_;
    if (self.onRequest) self.onRequest();
    self.current_ = Reply{std::string(), 2048};
    if (!self.queued_.empty()) {
        self.current_ = std::move(self.queued_.front());
        self.queued_.pop_front();
    }
    self.offset_ = 0;
    return self.current_.body ? &g_session : nullptr;
}

inet::Handle ReplyPort::Connect(inet::Handle, const char* host, std::uint16_t, const char*,
                                const char*, inet::Dword, inet::Dword, std::uintptr_t) {
    active_->lastHost_ = host ? host : "";
    return &g_connection;
}

inet::Handle ReplyPort::OpenRequest(inet::Handle, const char* verb, const char* object, const char*,
                                    const char*, const char**, inet::Dword, std::uintptr_t) {
    active_->lastVerbAbsent_ = verb == nullptr;
    active_->lastObject_ = object ? object : "";
    return &g_request;
}

inet::Bool ReplyPort::Send(inet::Handle, const char*, inet::Dword, void*, inet::Dword) {
    return 1;
}

inet::Bool ReplyPort::Read(inet::Handle, void* buffer, inet::Dword toRead, inet::Dword* read) {
    ReplyPort& self = *active_;
    const std::string& body = *self.current_.body;
    const std::size_t n = std::min(
        {static_cast<std::size_t>(toRead), self.current_.chunk, body.size() - self.offset_});
    std::memcpy(buffer, body.data() + self.offset_, n);
    self.offset_ += n;
    *read = static_cast<inet::Dword>(n);
    return 1;
}

inet::Bool ReplyPort::QueryInfo(inet::Handle, inet::Dword, void* buffer, inet::Dword* length,
                                inet::Dword*) {
    if (*length < sizeof kHeaders) return 0;
    std::memcpy(buffer, kHeaders, sizeof kHeaders);
    *length = sizeof kHeaders - 1;
    return 1;
}

inet::Bool ReplyPort::Close(inet::Handle) {
    return 1;
}

inet::Bool ReplyPort::SetCookie(const char*, const char*, const char*) {
    return 1;
}

}  // namespace lumeno
