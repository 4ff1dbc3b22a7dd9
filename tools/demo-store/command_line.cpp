// Parses the demo store's options and writes its --help.
#include "command_line.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "scenario.h"

namespace lumeno::demo_store {

std::variant<Options, CommandLineError> ParseCommandLine(std::span<const std::string_view> args) {
    Options options;
    bool period_given = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inline_value;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != name.npos) {
            inline_value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const auto flag = [&]() -> std::optional<CommandLineError> {
            if (inline_value) return CommandLineError{std::string(name) + " takes no value"};
            return std::nullopt;
        };
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inline_value) return inline_value;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        const auto missing = [&] { return CommandLineError{std::string(name) + " needs a value"}; };

        if (name == "--help" || name == "-h") {
            if (auto e = flag()) return *e;
            options.help = true;
        } else if (name == "--quiet") {
            if (auto e = flag()) return *e;
            options.quiet = true;
        } else if (name == "--port") {
            const auto v = value();
            if (!v) return missing();
            unsigned port = 0;
            const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), port);
            if (v->empty() || ec != std::errc{} || end != v->data() + v->size() || port > 65535) {
                return CommandLineError{"--port must be a number from 0 to 65535, not '" +
                                        std::string(*v) + "'"};
            }
            options.port = static_cast<std::uint16_t>(port);
        } else if (name == "--scenario" || name == "--record") {
            const auto v = value();
            if (!v || v->empty()) return missing();
            (name == "--scenario" ? options.scenario : options.record) = std::filesystem::path(*v);
        } else if (name == "--demo-period") {
            const auto v = value();
            if (!v) return missing();
            double seconds = 0;
            const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), seconds);
            if (v->empty() || ec != std::errc{} || end != v->data() + v->size() ||
                !std::isfinite(seconds) || seconds < 0.01 || seconds > 86400) {
                return CommandLineError{"--demo-period must be seconds from 0.01 to 86400, not '" +
                                        std::string(*v) + "'"};
            }
            options.demo_period = std::chrono::milliseconds(std::llround(seconds * 1000));
            period_given = true;
        } else {
            return CommandLineError{"unknown argument '" + std::string(args[i]) + "'"};
        }
    }
    if (period_given && options.scenario) {
        return CommandLineError{"--demo-period and --scenario exclude each other"};
    }
    return options;
}

std::string HelpText() {
    std::string text = R"(Usage: demo-store [OPTIONS]

Plays the store's stock endpoint on loopback for Lumeno's demo and tests. Serves
HTTP/1.1 on 127.0.0.1 only and prints the address it serves, as 127.0.0.1:PORT,
alone on the first line of standard output; request log lines go to standard
error. Stops cleanly on SIGINT or SIGTERM (exit status 0).

OPTIONS
  --port N             port to listen on, 0..65535 (default 0: a free port,
                       chosen by the system; read it from the first line)
  --demo-period SECS   length of one demo cycle in seconds, decimals allowed,
                       0.01..86400 (default 6); not allowed with --scenario
  --scenario FILE      play the steps of FILE instead of the demo cycle (format
                       below)
  --record FILE        write every request except control requests to FILE,
                       raw (see RECORDING); the file is emptied at start
  --quiet              no request log on standard error
  -h, --help           this text
  An option's value may also follow '=' (--port=8080).

THE DEMO CYCLE (default)
  Cycle k lasts SECS seconds: during its first half every product is closed,
  during its second half product k is open, taking qorvi3td, qorvi2s, kessa,
  dianyuan, hezi in turn. With the default 6 s: all closed at start, qorvi3td
  opens at 3 s and closes at 6 s, qorvi2s opens at 9 s, and so on.

ENDPOINTS
  GET /misc/get2014nianstock   the stock document, e.g.
      {"code":0,"data":{"qorvi3td":false,"qorvi2s":false,"kessa":true,"dianyuan":false,"hezi":false}}
      (Content-Type: application/json; any query string is ignored)
  GET /site/login              login page; sets "SESSIONID=<32 hex>; path=/"
  GET /c/chunjie/              the sale page
  anything else                404; other methods on these paths: 405
  Every reply carries Content-Length and "Connection: close", and the
  connection is closed after it; "Expect: 100-continue" is honoured.

CONTROL (for tests; not recorded, not counted as stock requests)
  POST /control/product?name=KEY&state=open|closed|auto
      switches one product by hand until switched again; auto hands it back to
      the cycle or step. In a scenario, moving to another step drops every switch,
      and a step serving body or raw bytes refuses switches (409).
  POST /control/step?index=N   jumps to step N (counted from 0) with a fresh count
  POST /control/next           goes to the next step (409 at the last step)
  GET  /control/state          the state, as text/plain lines KEY=VALUE:
      mode=demo|scenario
      step=N, steps=M, step_served=S, reply=products|body|raw   (scenario only:
          the step that answers the next stock request, the number of steps, how
          many requests that step has answered, and what it serves)
      stock_requests=K     stock requests received so far (a request is counted
                           when it arrives, before any delay)
      qorvi3td=open|closed|n/a ... hezi=...   what the next document says,
                           switches included (n/a: the step serves fixed bytes)
      switched=none|KEY,KEY,...   products switched by hand
  The POST endpoints answer the same text after the change; step moves in the
  demo cycle answer 409. Bad names, states or indexes answer 400.

RECORDING
  For each request (control requests excepted), in the order they were read:
      --- request N (LEN bytes) ---
  then exactly LEN bytes as they came off the socket (request line, headers in
  their order and case, body; chunked bodies with their chunk framing), then a
  newline. N counts from 1. A request that never completed (the client closed
  or stalled for 10 s) or that could not be read (malformed head, body over
  8 MiB, unknown transfer coding) is recorded as far as it came and refused
  (400, 408, 413, 431 or 501). Each record is flushed when written.

EXIT STATUS
  0 stopped by SIGINT/SIGTERM, or --help
  1 cannot serve (port in use, recording file not writable)
  2 bad command line or scenario file (FILE:LINE: what is wrong)

)";
    text += ScenarioFormatHelp();
    return text;
}

}  // namespace lumeno::demo_store
