// The internet port on Windows: the eight WinINet functions, each looked up by name in
// wininet.dll at its first use and kept for the rest of the run. The program does not
// import wininet.dll; a missing file or function ends it through the fatal stop.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "http/internet_port.h"
#include "text/fatal.h"

namespace lumeno::inet {

static_assert(sizeof(Dword) == sizeof(DWORD) && sizeof(Bool) == sizeof(BOOL));
static_assert(sizeof(std::uintptr_t) == sizeof(DWORD_PTR));

namespace wininet {

// A library loaded here, released when the program ends.
class Library {
  public:
    Library(std::string file, HMODULE module) : file_(std::move(file)), module_(module) {}
    ~Library() { FreeLibrary(module_); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    [[nodiscard]] const std::string& File() const { return file_; }
    [[nodiscard]] HMODULE Get() const { return module_; }

  private:
    std::string file_;
    HMODULE module_;
};

// The module of libraryFile, loaded at its first use and kept. Spellings that differ only
// in case name one file, as they do for Windows, and share one entry.
HMODULE LoadOnce(const char* libraryFile) {
    static std::vector<std::unique_ptr<Library>> loaded;
    for (const auto& library : loaded) {
        if (lstrcmpiA(library->File().c_str(), libraryFile) == 0) return library->Get();
    }
    HMODULE module = LoadLibraryA(libraryFile);
    if (module) loaded.push_back(std::make_unique<Library>(libraryFile, module));
    return module;
}

// The address of function in libraryFile, or the fatal stop naming both. The binding test
// reaches it with names that do not exist.
void* BindExport(const char* libraryFile, const char* function) {
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    HMODULE module = LoadOnce(libraryFile);
    FARPROC address = module ? GetProcAddress(module, function) : nullptr;
    if (!address) {
        FatalRuntimeError(0, TextValue(std::string("无法找到指定DLL库文件“") + libraryFile +
                                       "”中的输出命令“" + function + "”"));
    }
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(address));
}

}  // namespace wininet

namespace {

// One function of the binding table: its library spelling, its name and, after the first
// call, its address.
template <class Fn>
class Bound {
  public:
    constexpr Bound(const char* libraryFile, const char* function)
        : libraryFile_(libraryFile), function_(function) {}

    Fn operator*() {
        void* address = address_.load(std::memory_order_acquire);
        if (!address) {
            address = wininet::BindExport(libraryFile_, function_);
            address_.store(address, std::memory_order_release);
        }
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
    }

  private:
    const char* libraryFile_;
    const char* function_;
    std::atomic<void*> address_{nullptr};
};

// The spellings of the binding table: the same file, written two ways.
Bound<decltype(&::InternetOpenA)> g_open("wininet.dll", "InternetOpenA");
Bound<decltype(&::InternetConnectA)> g_connect("wininet.dll", "InternetConnectA");
Bound<decltype(&::HttpOpenRequestA)> g_openRequest("WinINet.dll", "HttpOpenRequestA");
Bound<decltype(&::HttpSendRequestA)> g_send("wininet.dll", "HttpSendRequestA");
Bound<decltype(&::InternetReadFile)> g_read("WinINet.dll", "InternetReadFile");
Bound<decltype(&::HttpQueryInfoA)> g_query("wininet.dll", "HttpQueryInfoA");
Bound<decltype(&::InternetCloseHandle)> g_close("wininet.dll", "InternetCloseHandle");
Bound<decltype(&::InternetSetCookieA)> g_setCookie("wininet.dll", "InternetSetCookieA");
// Not one of the routine's eight: the back-end's own, for the waits below.
Bound<decltype(&::InternetSetOptionA)> g_setOption("wininet.dll", "InternetSetOptionA");

// A dead or silent server must not hold the GUI thread for long. Left alone, WinINet waits
// minutes for a reply that does not come (under wine: without end). The same limits as the
// libcurl back-end: 5 s to connect, 10 s without a byte. Set on the session and on each
// connection, since not every WinINet hands a session's limits down.
void LimitWaits(HINTERNET handle) {
    const std::pair<DWORD, DWORD> limits[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, 5000},
        {INTERNET_OPTION_SEND_TIMEOUT, 10000},
        {INTERNET_OPTION_RECEIVE_TIMEOUT, 10000},
    };
    for (auto [option, milliseconds] : limits) {
        (*g_setOption)(handle, option, &milliseconds, sizeof milliseconds);
    }
}

// The table's entries are plain functions; the bound ones are WINAPI (stdcall on i686).
Handle Open(const char* agent, Dword accessType, const char* proxy, const char* proxyBypass,
            Dword flags) {
    HINTERNET internet = (*g_open)(agent, accessType, proxy, proxyBypass, flags);
    if (internet) LimitWaits(internet);
    return internet;
}

Handle Connect(Handle internet, const char* serverName, std::uint16_t serverPort,
               const char* userName, const char* password, Dword service, Dword flags,
               std::uintptr_t context) {
    HINTERNET connection =
        (*g_connect)(internet, serverName, serverPort, userName, password, service, flags, context);
    if (connection) LimitWaits(connection);
    return connection;
}

Handle OpenRequest(Handle connect, const char* verb, const char* objectName, const char* version,
                   const char* referrer, const char** acceptTypes, Dword flags,
                   std::uintptr_t context) {
    return (*g_openRequest)(connect, verb, objectName, version, referrer, acceptTypes, flags,
                            context);
}

Bool Send(Handle request, const char* headers, Dword headersLength, void* optional,
          Dword optionalLength) {
    return (*g_send)(request, headers, headersLength, optional, optionalLength);
}

Bool Read(Handle file, void* buffer, Dword toRead, Dword* read) {
    return (*g_read)(file, buffer, toRead, reinterpret_cast<DWORD*>(read));
}

Bool Query(Handle request, Dword infoLevel, void* buffer, Dword* bufferLength, Dword* index) {
    return (*g_query)(request, infoLevel, buffer, reinterpret_cast<DWORD*>(bufferLength),
                      reinterpret_cast<DWORD*>(index));
}

Bool Close(Handle handle) {
    return (*g_close)(handle);
}

Bool SetCookie(const char* url, const char* cookieName, const char* cookieData) {
    return (*g_setCookie)(url, cookieName, cookieData);
}

constexpr InternetPort kWinInetPort = {Open, Connect, OpenRequest, Send,
                                       Read, Query,   Close,       SetCookie};

}  // namespace

const InternetPort& PlatformInternetPort() {
    return kWinInetPort;
}

}  // namespace lumeno::inet
