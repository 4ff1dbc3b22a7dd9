// Routes of the demo store: the stock endpoint, the login and sale pages, the control
// endpoint, and 404 for anything else.
#include "site.h"

#include <cstdio>
#include <random>
#include <string>

namespace lumeno::demo_store {
namespace {

Response Text(int status, std::string body) {
    return TextResponse(status, std::move(body));
}

Response Html(std::string body) {
    Response r;
    r.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    r.body = std::move(body);
    return r;
}

Response MethodNotAllowed(std::string_view allowed) {
    Response r = Text(405, "method not allowed; use " + std::string(allowed) + "\n");
    r.headers.emplace_back("Allow", allowed);
    return r;
}

constexpr std::string_view kSalePage = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Spring sale - demo store</title></head>
<body>
<h1>Spring sale</h1>
<p>This is the demo store playing the real store on loopback.</p>
<ul>
<li id="qorvi3td">qorvi3td</li>
<li id="qorvi2s">qorvi2s</li>
<li id="kessa">kessa</li>
<li id="dianyuan">dianyuan</li>
<li id="hezi">hezi</li>
</ul>
</body></html>
)";

constexpr std::string_view kLoginPage = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Log in - demo store</title></head>
<body>
<h1>Log in</h1>
<form method="post" action="/site/login?ac=1">
<input name="username"> <input name="password" type="password"> <button>Log in</button>
</form>
</body></html>
)";

}  // namespace

bool IsControlPath(std::string_view path) {
    return path.starts_with(kControlPrefix);
}

Site::Site(StockState& stock) : stock_(stock), session_seed_(std::random_device{}()) {
    session_seed_ = (session_seed_ << 32) ^ std::random_device{}();
}

Response Site::Handle(const Request& request) {
    const bool get = request.method == "GET";
    if (IsControlPath(request.path)) return Control(request);
    if (request.path == kStockPath) return get ? stock_.TakeReply() : MethodNotAllowed("GET");
    if (request.path == kLoginPath) return get ? Login() : MethodNotAllowed("GET");
    if (request.path == kSalePath) {
        return get ? Html(std::string(kSalePage)) : MethodNotAllowed("GET");
    }
    return Text(404, "not found\n");
}

Response Site::Login() {
    char id[33];
    std::snprintf(id, sizeof id, "%016llx%016llx", static_cast<unsigned long long>(session_seed_),
                  static_cast<unsigned long long>(++sessions_));
    Response r = Html(std::string(kLoginPage));
    r.headers.emplace_back("Set-Cookie", std::string("SESSIONID=") + id + "; path=/");
    return r;
}

Response Site::Control(const Request& request) {
    const auto path = request.path.substr(kControlPrefix.size());
    if (path == "state") {
        return request.method == "GET" ? Text(200, stock_.Describe()) : MethodNotAllowed("GET");
    }
    if (path != "product" && path != "step" && path != "next") return Text(404, "not found\n");
    if (request.method != "POST") return MethodNotAllowed("POST");

    StockState::Outcome outcome{};
    if (path == "product") {
        const auto name = QueryParam(request.query, "name");
        const auto state = QueryParam(request.query, "state");
        const auto index = name ? ProductIndex(*name) : std::nullopt;
        if (!index) {
            return Text(400, "name must be one of qorvi3td qorvi2s kessa dianyuan hezi\n");
        }
        if (!state || (*state != "open" && *state != "closed" && *state != "auto")) {
            return Text(400, "state must be open, closed or auto\n");
        }
        outcome = stock_.SetProduct(
            *index, *state == "auto" ? std::nullopt : std::optional<bool>(*state == "open"));
    } else if (path == "step") {
        const auto index = QueryParam(request.query, "index");
        // Digits only, and few enough that the number cannot overflow.
        const bool number = index && !index->empty() && index->size() < 10 &&
                            index->find_first_not_of("0123456789") == std::string::npos;
        if (!number) return Text(400, "index must be a step number, counted from 0\n");
        outcome = stock_.JumpToStep(std::stoul(*index));
    } else {
        outcome = stock_.NextStep();
    }

    switch (outcome) {
        case StockState::Outcome::kOk:
            return Text(200, stock_.Describe());
        case StockState::Outcome::kNoScenario:
            return Text(409, "the store plays the demo cycle; there are no steps\n");
        case StockState::Outcome::kNoSuchStep:
            return Text(400, "no such step\n");
        case StockState::Outcome::kNoSuchProduct:
            return Text(400, "no such product\n");
        case StockState::Outcome::kLastStep:
            return Text(409, "already at the last step\n");
        case StockState::Outcome::kFixedReply:
            return Text(409,
                        "the current step serves a fixed body or raw bytes; products can "
                        "only be switched in the demo cycle or a products step\n");
    }
    return Text(500, "unexpected outcome\n");
}

}  // namespace lumeno::demo_store
