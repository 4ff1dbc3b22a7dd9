// Fuzz target: the check cycle on arbitrary store replies. One to three Timer ticks run
// OnTimerTick on a scripted window while the internet port serves the fuzz input as the
// reply bodies (or fails the exchange), and after every tick the five flags, the status
// boxes, the log lines and the sounds must be what a reference reading of the same replies
// gives: four tokens removed, split on commas, key and colon and spaces removed, the
// status rule per ticked row.
//
// A further Timer event may arrive at any pump point inside a tick (it must be dropped:
// checks never nest), or the window may be closed there (the tick must then end without
// touching a control).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "monitor/check_cycle.h"
#include "monitor/product_table.h"
#include "monitor/status_rule.h"
#include "monitor/stock_globals.h"
#include "reference_text.h"
#include "support/recording_alerts.h"
#include "support/recording_internet_port.h"
#include "support/scripted_window.h"
#include "text/primitives.h"

namespace lumeno::fuzz {
namespace {

// The reference: the monitor's state as the documented steps compute it.
struct Model {
    std::array<std::string, kProductCount> flags;  // empty: absent
    std::array<std::string, kProductCount> shown;
    std::vector<TextValue> logs;
    int sounds = 0;
};

struct Key {
    const char* key;
    int row;
};
constexpr Key kKeys[] = {
    {"qorvi3td", 1}, {"kessa", 3}, {"qorvi2s", 2}, {"dianyuan", 4}, {"hezi", 5}};

void ReadReply(Model& m, const std::string& text) {
    std::string doc = text;
    for (const char* token : {"{", "}", "\"", "data:"}) {
        doc = ref::ReplaceSubtext(doc, token, "", std::nullopt, std::nullopt, true);
    }
    for (const std::string& member : ref::SplitText(doc, ",", std::nullopt)) {
        for (const Key& k : kKeys) {
            if (ref::FindText(member, k.key, std::nullopt, false) > 0) {
                const std::string value = ref::ReplaceSubtext(member, std::string(k.key) + ":", "",
                                                              std::nullopt, std::nullopt, true);
                m.flags[static_cast<std::size_t>(k.row - 1)] =
                    ref::ReplaceSubtext(value, " ", "", std::nullopt, std::nullopt, true);
            }
        }
    }
}

void ApplyRule(Model& m, const ProductRow& row) {
    const auto i = static_cast<std::size_t>(row.row - 1);
    const bool open = m.flags[i] == "true";
    if (open && m.shown[i] == kStatusClosed) {
        m.logs.emplace_back(row.openMessage);
        ++m.sounds;
    } else if (!open && m.shown[i] == kStatusOpen) {
        m.logs.emplace_back(row.closeMessage);
    }
    m.shown[i] = open ? kStatusOpen : kStatusClosed;
}

// Pieces of the store's reply, so that most bodies carry keys, values and separators.
const char* const kPieces[] = {
    "{",        "}",        "\"",     "data:",    "da",      "ta:",   ",",          ":",
    " ",        "\r\n",     "code:0", "qorvi3td", "qorvi2s", "kessa", "dianyuan",   "hezi",
    "HEZI",     "true",     "false",  "TRUE",     "tr",      "ue",    "\"data\":{", "\"hezi\":true",
    "\xB0\xA1", "\xA1\xA1", "\x80",   "x",
};

std::string ReplyBody(Input& in) {
    if (!in.Flag()) return in.Bytes(1500);
    std::string body;
    const int n = in.InRange<int>(0, 40);
    for (int i = 0; i < n; ++i) body += kPieces[in.InRange<std::size_t>(0, std::size(kPieces) - 1)];
    if (in.InRange<int>(0, 7) == 0) body.insert(in.InRange<std::size_t>(0, body.size()), 1, '\0');
    return body;
}

std::string Flag(std::size_t i) {
    return std::string(StockFlag[i].View());
}

void Compare(const Model& m, const ScriptedWindow& window, const RecordingAlerts& alerts,
             int tick) {
    const std::string when = " after tick " + std::to_string(tick);
    for (std::size_t i = 0; i < kProductCount; ++i) {
        if (Flag(i) != m.flags[i]) {
            Difference("flag of row " + std::to_string(i + 1) + " is " + Escaped(Flag(i)) +
                       ", the reference " + Escaped(m.flags[i]) + when);
        }
        if (StockFlag[i].IsPresent() == StockFlag[i].IsEmpty()) {
            Difference("flag of row " + std::to_string(i + 1) + " absent/present wrongly" + when);
        }
    }
    for (const ProductRow& row : ProductTable) {
        const std::string shown(window.Text(row.statusBox).View());
        if (shown != m.shown[static_cast<std::size_t>(row.row - 1)]) {
            Difference("status box of row " + std::to_string(row.row) + " shows " + Escaped(shown) +
                       ", the reference " +
                       Escaped(m.shown[static_cast<std::size_t>(row.row - 1)]) + when);
        }
    }
    if (alerts.Logs() != m.logs || alerts.Sounds() != m.sounds) {
        Difference(std::to_string(alerts.Logs().size()) + " log lines and " +
                   std::to_string(alerts.Sounds()) + " sounds, the reference " +
                   std::to_string(m.logs.size()) + " and " + std::to_string(m.sounds) + when);
    }
}

}  // namespace
}  // namespace lumeno::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumeno;
    using namespace lumeno::fuzz;
    using Event = ScriptedWindow::Event;
    Input in(data, size);

    ReleaseStockGlobals();
    StockUrl = "http://box7/misc/get2014nianstock";
    RecordingAlerts alerts;
    RecordingInternetPort port;
    ScriptedWindow window;
    window.SetRecording(false);
    window.handlers.timer = OnTimerTick;
    ResetStatuses();

    Model model;
    model.shown.fill(kStatusWaiting);
    bool closed = false;
    const int ticks = in.InRange<int>(1, 3);
    for (int tick = 1; tick <= ticks && !closed; ++tick) {
        FakeReply reply;
        const bool failed = in.InRange<int>(0, 15) == 0;
        reply.failOpen = failed;
        reply.body = ReplyBody(in);
        reply.readChunk = in.InRange<std::size_t>(1, 2048);
        reply.headerBlock = "HTTP/1.1 200 OK\r\n\r\n";
        port.Script(reply);

        const int ticked = in.InRange<int>(0, 31);
        for (const ProductRow& row : ProductTable) {
            window.ArrangeTicked(row.checkBox, (ticked >> (row.row - 1)) & 1);
        }
        const int event = in.InRange<int>(0, 3);
        const int at = in.InRange<int>(1, 24);
        if (event == 1) window.PostAtPump(at, Event::TimerTick());
        if (event == 2) window.PostAtPump(at, Event::Close());

        // An event due at a pump the tick does not reach waits for the next tick's pumps.
        window.Dispatch(Event::TimerTick());
        closed = !window.IsAlive();
        if (closed) {
            if (window.TouchesAfterClose() != 0) {
                Difference(std::to_string(window.TouchesAfterClose()) +
                           " controls touched after the window closed inside tick " +
                           std::to_string(tick));
            }
            break;
        }

        ReadReply(model, failed ? std::string() : reply.body.substr(0, reply.body.find('\0')));
        for (const ProductRow& row : ProductTable) {
            if ((ticked >> (row.row - 1)) & 1) ApplyRule(model, row);
        }
        Compare(model, window, alerts, tick);
    }
    ReleaseStockGlobals();
    return 0;
}
