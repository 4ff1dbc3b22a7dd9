// ReplyPort: an internet port that serves queued stock replies, so a check can be fed any
// document (or a failed exchange) without a server.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "http/internet_port.h"

namespace lumeno {

class ReplyPort {
  public:
    // Installs itself as the internet port for its lifetime.
    ReplyPort();
    ~ReplyPort();
    ReplyPort(const ReplyPort&) = delete;
    ReplyPort& operator=(const ReplyPort&) = delete;

    // The next exchange answers with this body (any bytes), read in chunks of `chunk`.
    void Serve(std::string body, std::size_t chunk = 2048);
    // The next exchange fails: no session can be opened.
    void Fail();

    // Runs at the start of every exchange (to let virtual time pass, for instance).
    std::function<void()> onRequest;

    // Exchanges started so far, and what the last one asked for.
    [[nodiscard]] int Requests() const { return requests_; }
    [[nodiscard]] const std::string& LastObject() const { return lastObject_; }
    [[nodiscard]] bool LastVerbAbsent() const { return lastVerbAbsent_; }
    [[nodiscard]] const std::string& LastHost() const { return lastHost_; }

  private:
    struct Reply {
        std::optional<std::string> body;  // none: the session cannot be opened
        std::size_t chunk = 2048;
    };

    static ReplyPort* active_;
    static inet::Handle Open(const char*, inet::Dword, const char*, const char*, inet::Dword);
    static inet::Handle Connect(inet::Handle, const char* host, std::uint16_t, const char*,
                                const char*, inet::Dword, inet::Dword, std::uintptr_t);
    static inet::Handle OpenRequest(inet::Handle, const char* verb, const char* object, const char*,
                                    const char*, const char**, inet::Dword, std::uintptr_t);
    static inet::Bool Send(inet::Handle, const char*, inet::Dword, void*, inet::Dword);
    static inet::Bool Read(inet::Handle, void* buffer, inet::Dword toRead, inet::Dword* read);
    static inet::Bool QueryInfo(inet::Handle, inet::Dword, void* buffer, inet::Dword* length,
                                inet::Dword*);
    static inet::Bool Close(inet::Handle);
    static inet::Bool SetCookie(const char*, const char*, const char*);

    static const inet::InternetPort kTable;

    ReplyPort* previous_;
    std::deque<Reply> queued_;
    Reply current_;
    std::size_t offset_ = 0;
    int requests_ = 0;
    std::string lastObject_;
    std::string lastHost_;
    bool lastVerbAbsent_ = false;
    inet::ScopedInternetPort scope_;
};

}  // namespace lumeno
