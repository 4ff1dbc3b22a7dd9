// The internet port over libcurl: the eight WinINet functions the request routine uses,
// with the behaviour it relies on (agent, proxy list, verb as written, header block sent
// unchanged, reads of what has arrived, raw CRLF header block, one cookie store).
#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/internet_port.h"
#include "http/request.h"

namespace lumeno::inet {

namespace {

// A dead or silent server must not hold the GUI thread for long: connecting (name lookup
// included) may take 5 s, and a transfer that delivers no byte for 10 s is given up. A live
// store that is merely slow keeps its exchange, since any progress restarts the 10 s.
constexpr long kConnectTimeoutMs = 5000;
constexpr auto kStallTimeout = std::chrono::seconds(10);
// A store that keeps a trickle of bytes coming never stalls: the whole exchange, from the
// send to the last body byte, is given up after this long. A check that old is worthless
// to someone polling every second, and every Timer event meanwhile would be dropped.
constexpr auto kExchangeDeadline = std::chrono::seconds(kExchangeSeconds);
constexpr long kMaxRedirects = 10;
// Body bytes held for the caller before the transfer pauses: memory stays bounded by what
// the caller keeps, not by the size of the reply.
constexpr std::size_t kPendingLimit = 64 * 1024;
constexpr int kPollMs = 1000;

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;
using MultiPtr = std::unique_ptr<CURLM, MultiDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// curl_slist_append returns the new head, or null (leaving the old list) when it fails.
void Append(SlistPtr& list, const std::string& line) {
    if (curl_slist* head = curl_slist_append(list.get(), line.c_str())) {
        list.release();
        list.reset(head);
    }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// The lines of a CRLF (or LF) block, without their line ends; empty lines dropped.
std::vector<std::string_view> Lines(std::string_view block) {
    std::vector<std::string_view> lines;
    while (!block.empty()) {
        const std::size_t lf = block.find('\n');
        std::string_view line = block.substr(0, lf);
        block = lf == std::string_view::npos ? std::string_view() : block.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::string_view HeaderName(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : Trim(line.substr(0, colon));
}

bool HasHeader(const std::vector<std::string_view>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(), [name](std::string_view line) {
        return EqualsIgnoringCase(HeaderName(line), name);
    });
}

// libcurl set up once per process, with the one cookie store every request shares.
class CurlProcess {
  public:
    static CurlProcess& Get() {
        static CurlProcess process;
        return process;
    }
    CurlProcess(const CurlProcess&) = delete;
    CurlProcess& operator=(const CurlProcess&) = delete;

    [[nodiscard]] CURLSH* Share() const { return share_; }

  private:
    CurlProcess() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        share_ = curl_share_init();
        if (share_) {
            curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock);
            curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock);
            curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
            curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        }
    }
    ~CurlProcess() {
        if (share_) curl_share_cleanup(share_);
        curl_global_cleanup();
    }

    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CurlProcess*>(self)->MutexFor(data).lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CurlProcess*>(self)->MutexFor(data).unlock();
    }
    std::mutex& MutexFor(curl_lock_data data) {
        const auto i = static_cast<std::size_t>(data);
        return mutexes_[i < mutexes_.size() ? i : 0];
    }

    CURLSH* share_ = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
};

// ---------------------------------------------------------------------------------------
// Handles: a session, a connection and a request, each an object the handle points at.
// A request copies what it needs from its parents, so they may be closed before it.

struct Object {
    virtual ~Object() = default;
};

struct Session : Object {
    std::string agent;
    std::string proxy;  // "http://host:port", or empty for a direct connection
};

struct Connection : Object {
    std::string agent;
    std::string proxy;
    std::string host;
    std::uint16_t port = 80;
};

struct Request : Object {
    ~Request() override {
        if (multi && easy) curl_multi_remove_handle(multi.get(), easy.get());
    }

    std::string agent;
    std::string proxy;
    std::string url;
    std::optional<std::string> verb;  // as written; none means GET
    std::string referrer;
    std::string acceptTypes;
    long httpVersion = CURL_HTTP_VERSION_1_1;

    // Lists before handles: the easy handle, which points at them, goes first.
    SlistPtr headerList;
    SlistPtr proxyHeaderList;
    MultiPtr multi;
    EasyPtr easy;
    bool added = false;

    // Response state, filled by the callbacks.
    std::string headerBlock;        // normalised "Name: value\r\n" lines of the last response
    bool headersComplete = false;   // its empty line has arrived
    std::string pending;            // body bytes not yet read by the caller
    std::size_t pendingOffset = 0;  // bytes of pending already read
    bool paused = false;
    std::size_t progress = 0;  // every byte seen, headers and body
    std::chrono::steady_clock::time_point sentAt;  // when HttpSendRequestA began
    bool done = false;
    bool failed = false;

    [[nodiscard]] std::size_t Unread() const { return pending.size() - pendingOffset; }
};

class Registry {
  public:
    static Registry& Get() {
        static Registry registry;
        return registry;
    }

    Handle Add(std::unique_ptr<Object> object) {
        Handle handle = object.get();
        const std::lock_guard lock(mutex_);
        live_.emplace(handle, std::move(object));
        return handle;
    }

    // The live object behind a handle, if it is of type T.
    template <class T>
    T* Find(Handle handle) {
        const std::lock_guard lock(mutex_);
        const auto it = live_.find(handle);
        return it == live_.end() ? nullptr : dynamic_cast<T*>(it->second.get());
    }

    bool Remove(Handle handle) {
        std::unique_ptr<Object> object;
        {
            const std::lock_guard lock(mutex_);
            const auto it = live_.find(handle);
            if (it == live_.end()) return false;
            object = std::move(it->second);
            live_.erase(it);
        }
        return true;  // the object (and its transfer) goes here, outside the lock
    }

  private:
    std::mutex mutex_;
    std::map<Handle, std::unique_ptr<Object>> live_;
};

// ---------------------------------------------------------------------------------------
// The proxy list: entries separated by blanks or semicolons, each "[scheme=]host[:port]".
// An "http=" entry wins over one for every scheme; an empty entry counts for nothing.

std::string ProxyForHttp(std::string_view list) {
    std::string general;
    std::size_t i = 0;
    while (i < list.size()) {
        const std::size_t end = list.find_first_of(" ;", i);
        const std::string_view entry =
            list.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
        i = end == std::string_view::npos ? list.size() : end + 1;
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) {
            if (general.empty()) general = std::string(entry);
        } else if (EqualsIgnoringCase(entry.substr(0, eq), "http") && eq + 1 < entry.size()) {
            general = std::string(entry.substr(eq + 1));
            break;
        }
    }
    if (general.empty()) return {};
    if (general.rfind("http://", 0) == 0) general.erase(0, 7);
    // A proxy without a port listens on 80, as the HTTP service does.
    if (general.find(':') == std::string::npos) general += ":80";
    return "http://" + general;
}

// ---------------------------------------------------------------------------------------
// Transfer callbacks and the driver.

// Response header lines, one per call, of every response (redirects and 100 Continue too:
// a status line starts the block afresh). Kept as "Name: value" + CR LF, the form the
// library gives back, whatever spacing the server used.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& r = *static_cast<Request*>(user);
    const size_t n = size * count;
    try {
        r.progress += n;
        std::string_view line(data, n);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (line.rfind("HTTP/", 0) == 0) {
            r.headerBlock.assign(line);
            r.headerBlock += "\r\n";
            r.headersComplete = false;
        } else if (line.empty()) {
            r.headersComplete = true;
        } else if (line.front() == ' ' || line.front() == '\t') {
            // A folded continuation joins the line before it.
            if (r.headerBlock.size() >= 2) r.headerBlock.resize(r.headerBlock.size() - 2);
            r.headerBlock += ' ';
            r.headerBlock += Trim(line);
            r.headerBlock += "\r\n";
        } else {
            const std::size_t colon = line.find(':');
            if (colon == std::string_view::npos) {
                r.headerBlock += line;
            } else {
                r.headerBlock += Trim(line.substr(0, colon));
                r.headerBlock += ": ";
                r.headerBlock += Trim(line.substr(colon + 1));
            }
            r.headerBlock += "\r\n";
        }
        return n;
    } catch (...) {
        return 0;  // aborts the transfer
    }
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& r = *static_cast<Request*>(user);
    const size_t n = size * count;
    if (r.Unread() >= kPendingLimit) {
        // Not taken: libcurl keeps these bytes and hands them over again after the resume.
        r.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    try {
        if (r.pendingOffset == r.pending.size()) {
            r.pending.clear();
            r.pendingOffset = 0;
        }
        r.pending.append(data, n);
        r.progress += n;
        return n;
    } catch (...) {
        return 0;
    }
}

void Finish(Request& r, bool failed) {
    r.done = true;
    r.failed = r.failed || failed;
    if (r.added) {
        curl_multi_remove_handle(r.multi.get(), r.easy.get());
        r.added = false;
    }
}

// Runs the transfer until ready() holds or it ends; gives it up when no byte arrives for
// kStallTimeout, or when the exchange has run for kExchangeDeadline since its send.
template <class Ready>
void Drive(Request& r, Ready ready) {
    using Clock = std::chrono::steady_clock;
    auto lastProgressAt = Clock::now();
    std::size_t lastProgress = r.progress;
    while (!r.done && !ready()) {
        int running = 0;
        if (curl_multi_perform(r.multi.get(), &running) != CURLM_OK) {
            Finish(r, true);
            break;
        }
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(r.multi.get(), &left)) {
            if (msg->msg == CURLMSG_DONE) Finish(r, msg->data.result != CURLE_OK);
        }
        if (r.done || ready()) break;
        const auto now = Clock::now();
        if (r.progress != lastProgress) {
            lastProgress = r.progress;
            lastProgressAt = now;
        } else if (now - lastProgressAt >= kStallTimeout) {
            Finish(r, true);
            break;
        }
        if (now - r.sentAt >= kExchangeDeadline) {
            Finish(r, true);
            break;
        }
        curl_multi_poll(r.multi.get(), nullptr, 0, kPollMs, nullptr);
    }
}

// ---------------------------------------------------------------------------------------
// Cookies handed over by InternetSetCookieA, written into the shared store as the
// tab-separated lines libcurl reads: domain, subdomains, path, secure, expiry, name, value.

struct CookieUrl {
    std::string host;
    std::string path;  // the default path: the URL's path up to its last slash
};

std::optional<CookieUrl> ParseCookieUrl(std::string_view url) {
    for (std::string_view scheme : {"http://", "https://"}) {
        if (url.size() >= scheme.size() &&
            EqualsIgnoringCase(url.substr(0, scheme.size()), scheme)) {
            url.remove_prefix(scheme.size());
            break;
        }
    }
    const std::size_t hostEnd = url.find_first_of(":/?#");
    std::string host(url.substr(0, hostEnd));
    if (host.empty()) return std::nullopt;
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string path = "/";
    if (const std::size_t slash = url.find('/'); slash != std::string_view::npos) {
        std::string_view p = url.substr(slash);
        p = p.substr(0, p.find_first_of("?#"));
        const std::size_t last = p.rfind('/');
        if (last > 0) path = std::string(p.substr(0, last));
    }
    return CookieUrl{std::move(host), std::move(path)};
}

// Name and data as InternetSetCookieA takes them: data is the value, then attributes.
std::optional<std::string> CookieLine(const CookieUrl& where, std::string_view name,
                                      std::string_view data) {
    std::string_view value = data.substr(0, data.find(';'));
    std::string domain = where.host;
    bool subdomains = false;
    std::string path = where.path;
    bool secure = false;
    long long expires = 0;  // session cookie
    std::optional<long long> maxAge;

    std::string_view attributes = data.find(';') == std::string_view::npos
                                      ? std::string_view()
                                      : data.substr(data.find(';') + 1);
    while (!attributes.empty()) {
        const std::size_t semi = attributes.find(';');
        const std::string_view attribute = Trim(attributes.substr(0, semi));
        attributes =
            semi == std::string_view::npos ? std::string_view() : attributes.substr(semi + 1);
        const std::size_t eq = attribute.find('=');
        const std::string_view key = Trim(attribute.substr(0, eq));
        const std::string_view val =
            eq == std::string_view::npos ? std::string_view() : Trim(attribute.substr(eq + 1));
        if (EqualsIgnoringCase(key, "path") && !val.empty() && val.front() == '/') {
            path = std::string(val);
        } else if (EqualsIgnoringCase(key, "domain") && !val.empty()) {
            std::string_view d = val;
            if (d.front() == '.') d.remove_prefix(1);
            const bool matches =
                EqualsIgnoringCase(d, where.host) ||
                (where.host.size() > d.size() &&
                 EqualsIgnoringCase(where.host.substr(where.host.size() - d.size()), d) &&
                 where.host[where.host.size() - d.size() - 1] == '.');
            if (!matches) return std::nullopt;  // a cookie for another site is refused
            domain = std::string(d);
            subdomains = true;
        } else if (EqualsIgnoringCase(key, "expires") && !val.empty()) {
            const std::string text(val);
            const std::time_t when = curl_getdate(text.c_str(), nullptr);
            if (when != -1) expires = std::max<long long>(when, 1);
        } else if (EqualsIgnoringCase(key, "max-age") && !val.empty()) {
            try {
                maxAge = std::stoll(std::string(val));
            } catch (...) {
            }
        } else if (EqualsIgnoringCase(key, "secure")) {
            secure = true;
        }
    }
    if (maxAge) {
        // Zero or less removes the cookie: an expiry in the past.
        expires = *maxAge <= 0 ? 1 : static_cast<long long>(std::time(nullptr)) + *maxAge;
    }
    // The store cannot hold a nameless cookie: the data stands as the name, value empty.
    std::string cookieName(Trim(name));
    std::string cookieValue(Trim(value));
    if (cookieName.empty()) std::swap(cookieName, cookieValue);
    if (cookieName.empty()) return std::nullopt;
    const std::string line = domain + "\t" + (subdomains ? "TRUE" : "FALSE") + "\t" + path + "\t" +
                             (secure ? "TRUE" : "FALSE") + "\t" + std::to_string(expires) + "\t" +
                             cookieName + "\t" + cookieValue;
    if (line.find_first_of("\r\n") != std::string::npos) return std::nullopt;
    if (std::count(line.begin(), line.end(), '\t') != 6) return std::nullopt;
    return line;
}

// ---------------------------------------------------------------------------------------
// The eight functions.

Handle CurlInternetOpenA(const char* agent, Dword accessType, const char* proxy,
                         const char* /*proxyBypass*/, Dword /*flags*/) {
    CurlProcess::Get();
    auto session = std::make_unique<Session>();
    session->agent = agent ? agent : "";
    if (accessType == kOpenTypeProxy && proxy) session->proxy = ProxyForHttp(proxy);
    return Registry::Get().Add(std::move(session));
}

Handle CurlInternetConnectA(Handle internet, const char* serverName, std::uint16_t serverPort,
                            const char* /*userName*/, const char* /*password*/, Dword service,
                            Dword /*flags*/, std::uintptr_t /*context*/) {
    const Session* session = Registry::Get().Find<Session>(internet);
    if (!session || !serverName || !*serverName || service != kServiceHttp) return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->agent = session->agent;
    connection->proxy = session->proxy;
    connection->host = serverName;
    connection->port = serverPort == 0 ? 80 : serverPort;
    return Registry::Get().Add(std::move(connection));
}

Handle CurlHttpOpenRequestA(Handle connect, const char* verb, const char* objectName,
                            const char* version, const char* referrer, const char** acceptTypes,
                            Dword /*flags*/, std::uintptr_t /*context*/) {
    // Every request goes to the server: libcurl keeps no cache, so the reload flag is moot.
    const Connection* connection = Registry::Get().Find<Connection>(connect);
    if (!connection) return nullptr;
    auto request = std::make_unique<Request>();
    request->agent = connection->agent;
    request->proxy = connection->proxy;
    std::string object = objectName && *objectName ? objectName : "/";
    if (object.front() != '/') object.insert(0, 1, '/');
    request->url = "http://" + connection->host + ":" + std::to_string(connection->port) + object;
    if (verb && *verb) request->verb = verb;
    if (referrer) request->referrer = referrer;
    for (const char** type = acceptTypes; type && *type; ++type) {
        if (!request->acceptTypes.empty()) request->acceptTypes += ", ";
        request->acceptTypes += *type;
    }
    if (version && EqualsIgnoringCase(version, "HTTP/1.0")) {
        request->httpVersion = CURL_HTTP_VERSION_1_0;
    }
    request->multi.reset(curl_multi_init());
    request->easy.reset(curl_easy_init());
    if (!request->multi || !request->easy) return nullptr;
    return Registry::Get().Add(std::move(request));
}

// Sets the transfer up: the request line from the verb, the caller's block as it is, and
// nothing of libcurl's own beyond Host, User-Agent, matching cookies and a body's length.
void Prepare(Request& r, std::string_view block, const void* optional, Dword optionalLength) {
    CURL* e = r.easy.get();
    curl_easy_reset(e);
    r.headerList.reset();
    r.proxyHeaderList.reset();

    curl_easy_setopt(e, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, r.httpVersion);
    curl_easy_setopt(e, CURLOPT_USERAGENT, r.agent.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    // The session's proxy, or none at all: the environment's proxy settings do not apply.
    curl_easy_setopt(e, CURLOPT_PROXY, r.proxy.c_str());
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");
    curl_easy_setopt(e, CURLOPT_SHARE, CurlProcess::Get().Share());
    curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");  // the cookie engine, no file
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);

    const std::vector<std::string_view> lines = Lines(block);
    const std::string verb = r.verb.value_or("GET");
    const bool hasBody = optional && optionalLength > 0;
    if (verb == "POST" || hasBody) {
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(optionalLength));
        curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, hasBody ? optional : "");
        if (verb != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, verb.c_str());
    } else if (verb == "GET") {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else if (EqualsIgnoringCase(verb, "HEAD")) {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, verb.c_str());
    } else {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
    if (!r.referrer.empty() && !HasHeader(lines, "Referer")) {
        curl_easy_setopt(e, CURLOPT_REFERER, r.referrer.c_str());
    }

    // The caller's lines in their order. libcurl drops a line whose value is empty unless it
    // is written "Name;", and cannot send a line without a colon at all.
    for (std::string_view line : lines) {
        if (line.find(':') == std::string_view::npos) continue;
        if (Trim(line.substr(line.find(':') + 1)).empty()) {
            Append(r.headerList, std::string(line.substr(0, line.find(':'))) + ";");
        } else {
            Append(r.headerList, std::string(line));
        }
    }
    // libcurl's own additions, withdrawn unless the caller asked for them.
    if (!HasHeader(lines, "Accept")) {
        Append(r.headerList, r.acceptTypes.empty() ? "Accept:" : "Accept: " + r.acceptTypes);
    }
    if (!HasHeader(lines, "Expect")) Append(r.headerList, "Expect:");
    if (!HasHeader(lines, "Content-Type")) Append(r.headerList, "Content-Type:");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, r.headerList.get());
    Append(r.proxyHeaderList, "Proxy-Connection:");
    curl_easy_setopt(e, CURLOPT_PROXYHEADER, r.proxyHeaderList.get());
    curl_easy_setopt(e, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
}

Bool CurlHttpSendRequestA(Handle handle, const char* headers, Dword headersLength, void* optional,
                          Dword optionalLength) {
    Request* r = Registry::Get().Find<Request>(handle);
    if (!r) return 0;
    if (r->added) curl_multi_remove_handle(r->multi.get(), r->easy.get());
    r->added = false;
    r->headerBlock.clear();
    r->headersComplete = false;
    r->pending.clear();
    r->pendingOffset = 0;
    r->paused = false;
    r->done = false;
    r->failed = false;
    r->sentAt = std::chrono::steady_clock::now();

    // A length of -1 means a NUL-terminated block.
    std::string_view block;
    if (headers) {
        block = headersLength == 0xFFFFFFFFu ? std::string_view(headers)
                                             : std::string_view(headers, headersLength);
    }
    Prepare(*r, block, optional, optionalLength);
    if (curl_multi_add_handle(r->multi.get(), r->easy.get()) != CURLM_OK) return 0;
    r->added = true;
    // As the library does: back once the response's headers are in (or the exchange failed).
    Drive(*r, [r] { return r->headersComplete; });
    return r->headersComplete ? 1 : 0;
}

Bool CurlInternetReadFile(Handle handle, void* buffer, Dword toRead, Dword* read) {
    if (read) *read = 0;
    Request* r = Registry::Get().Find<Request>(handle);
    if (!r || !buffer || !read) return 0;
    if (r->Unread() == 0 && !r->done) {
        if (r->paused) {
            r->paused = false;
            curl_easy_pause(r->easy.get(), CURLPAUSE_CONT);
        }
        Drive(*r, [r] { return r->Unread() > 0; });
    } else if (r->paused && r->Unread() < kPendingLimit / 2) {
        r->paused = false;
        curl_easy_pause(r->easy.get(), CURLPAUSE_CONT);
    }
    const std::size_t n = std::min<std::size_t>(toRead, r->Unread());
    std::memcpy(buffer, r->pending.data() + r->pendingOffset, n);
    r->pendingOffset += n;
    *read = static_cast<Dword>(n);
    return n > 0 || !r->failed ? 1 : 0;
}

Bool CurlHttpQueryInfoA(Handle handle, Dword infoLevel, void* buffer, Dword* bufferLength,
                        Dword* /*index*/) {
    const Request* r = Registry::Get().Find<Request>(handle);
    // Only a whole block counts: a reply that stalled or broke off inside it has none.
    if (!r || !bufferLength || infoLevel != kQueryRawHeadersCrlf || !r->headersComplete) {
        return 0;
    }
    // The block ends with the empty line that closed it, as the library gives it.
    const std::string block = r->headerBlock + "\r\n";
    if (!buffer || block.size() + 1 > *bufferLength) {
        *bufferLength = static_cast<Dword>(block.size() + 1);  // the size it would take
        return 0;
    }
    std::memcpy(buffer, block.c_str(), block.size() + 1);
    *bufferLength = static_cast<Dword>(block.size());
    return 1;
}

Bool CurlInternetCloseHandle(Handle handle) {
    return Registry::Get().Remove(handle) ? 1 : 0;
}

Bool CurlInternetSetCookieA(const char* url, const char* cookieName, const char* cookieData) {
    if (!url) return 0;
    const std::optional<CookieUrl> where = ParseCookieUrl(url);
    if (!where) return 0;
    const std::optional<std::string> line =
        CookieLine(*where, cookieName ? cookieName : "", cookieData ? cookieData : "");
    if (!line) return 0;
    CURLSH* share = CurlProcess::Get().Share();
    const EasyPtr easy(curl_easy_init());
    if (!share || !easy) return 0;
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, share);
    return curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line->c_str()) == CURLE_OK ? 1 : 0;
}

constexpr InternetPort kCurlPort = {
    CurlInternetOpenA,    CurlInternetConnectA, CurlHttpOpenRequestA,    CurlHttpSendRequestA,
    CurlInternetReadFile, CurlHttpQueryInfoA,   CurlInternetCloseHandle, CurlInternetSetCookieA,
};

}  // namespace

const InternetPort& PlatformInternetPort() {
    return kCurlPort;
}

}  // namespace lumeno::inet
