// Fuzz target: the cookie hand-over. HttpRequest runs over the recording port, which gives
// the fuzz input as the raw response header block; every InternetSetCookieA call must carry
// the URL, name and data that a reference walk of the same block gives, in the same order,
// the caller's responseHeaders must hold the block (or 1024 blanks when it does not fit),
// and the window must get exactly one turn per line walked.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "http/request.h"
#include "reference_text.h"
#include "support/recording_internet_port.h"

namespace lumeno::fuzz {
namespace {

constexpr std::size_t kHeaderBuffer = 1024;
const std::string kMarker = "Set-Cookie: ";

struct CookieCall {
    std::optional<std::string> url, name, data;
    bool operator==(const CookieCall&) const = default;
};

std::optional<std::string> OrNull(const std::string& s) {
    return s.empty() ? std::nullopt : std::optional<std::string>(s);
}

// The block's lines: each ends at LF (not part of it) with a final CR dropped; text after
// the last LF is one more line.
std::vector<std::string> Lines(const std::string& block) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < block.size()) {
        const std::size_t lf = block.find('\n', from);
        std::string line =
            block.substr(from, lf == std::string::npos ? std::string::npos : lf - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (lf == std::string::npos) break;
        from = lf + 1;
    }
    return lines;
}

std::string Show(const std::optional<std::string>& s) {
    return s ? Escaped(*s) : std::string("null");
}

std::string Show(const CookieCall& c) {
    return "(" + Show(c.url) + ", " + Show(c.name) + ", " + Show(c.data) + ")";
}

}  // namespace
}  // namespace lumeno::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumeno;
    using namespace lumeno::fuzz;
    const std::string block(reinterpret_cast<const char*>(data), size);

    RecordingInternetPort port;
    port.RecordPumps();
    FakeReply reply;
    reply.body = "ok";
    reply.headerBlock = block;
    port.Script(reply);
    TextValue received;
    const ByteSet body = HttpRequest("http://box7/x", {}, {}, nullptr, {}, &received);
    if (body.View() != "ok") Difference("the body came back as " + Escaped(body.View()));

    // The reference: what the caller's variable holds, then the walk over it.
    const bool fits = block.size() + 1 <= kHeaderBuffer;
    const std::string held = fits ? block.substr(0, block.find('\0')) : std::string(1024, ' ');
    if (received.View() != held) {
        Difference("responseHeaders holds " + Escaped(received.View()) + ", the reference " +
                   Escaped(held));
    }
    std::vector<CookieCall> want;
    std::size_t linesWalked = 0;
    if (ref::FindText(held, kMarker, 1, true) > 0) {
        for (const std::string& line : Lines(held)) {
            ++linesWalked;
            if (ref::FindText(line, kMarker, 1, true) <= 0) continue;
            const std::string rest = ref::ReplaceTextAt(line, 1, 12, "");
            const std::int64_t e = ref::FindText(rest, "=", 1, true);
            want.push_back(
                {"http://box7", OrNull(ref::TextLeft(rest, e - 1)),
                 OrNull(ref::TextRight(rest, static_cast<std::int64_t>(rest.size()) - e))});
        }
    }

    std::vector<CookieCall> got;
    for (const PortCall& call : port.CallsOf("InternetSetCookieA")) {
        got.push_back({call.texts.at(0), call.texts.at(1), call.texts.at(2)});
    }
    if (got != want) {
        std::string report = std::to_string(got.size()) + " cookie calls, the reference " +
                             std::to_string(want.size()) + " for the block " + Escaped(block);
        for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
            report += "\n  #" + std::to_string(i + 1) + " got " +
                      (i < got.size() ? Show(got[i]) : "-") + ", want " +
                      (i < want.size() ? Show(want[i]) : "-");
        }
        Difference(report);
    }

    // The walk comes after the handles are closed: the pumps after the last close are its.
    const std::vector<PortCall>& calls = port.Calls();
    std::size_t lastClose = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].function == "InternetCloseHandle") lastClose = i;
    }
    std::size_t walkPumps = 0;
    for (std::size_t i = lastClose; i < calls.size(); ++i) {
        if (calls[i].function == "PumpMessages") ++walkPumps;
    }
    if (walkPumps != linesWalked) {
        Difference(std::to_string(walkPumps) + " pumps in the cookie walk for " +
                   std::to_string(linesWalked) + " lines of " + Escaped(held));
    }
    return 0;
}
