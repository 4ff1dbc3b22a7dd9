// Reads scenario files. Each directive is checked where it stands, so an error names the
// line that caused it rather than the step it belongs to.
#include "scenario.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace lumeno::demo_store {
namespace {

using Error = std::optional<std::string>;

std::string Quote(std::string_view s) {
    return "'" + std::string(s) + "'";
}

template <typename Int>
std::optional<Int> ParseWhole(std::string_view s) {
    Int value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitWords(std::string_view s) {
    std::vector<std::string_view> words;
    while (true) {
        const auto start = s.find_first_not_of(" \t");
        if (start == std::string_view::npos) return words;
        s.remove_prefix(start);
        const auto end = std::min(s.find_first_of(" \t"), s.size());
        words.push_back(s.substr(0, end));
        s.remove_prefix(end);
    }
}

// What the current step has seen so far, to refuse repeats and mixed reply kinds.
struct StepSeen {
    bool status = false;
    bool header = false;
    bool delay = false;
    bool body = false;
    bool products = false;
    bool raw = false;
};

class Parser {
  public:
    Error Directive(std::string_view keyword, std::string_view arg, int line) {
        if (keyword == "step") return StartStep(arg, line);
        if (steps_.empty()) return "expected 'step' before " + Quote(keyword);
        if (keyword == "status") return Status(arg);
        if (keyword == "header") return HeaderLine(arg);
        if (keyword == "delay") return Delay(arg);
        if (keyword == "body" || keyword == "body64") return Body(keyword, arg);
        if (keyword == "raw" || keyword == "raw64") return Raw(keyword, arg);
        if (keyword == "products") return Products(arg);
        return "unknown directive " + Quote(keyword) +
               " (directives: step status header delay body body64 products raw raw64)";
    }

    Scenario Finish() { return Scenario{std::move(steps_)}; }
    [[nodiscard]] bool Empty() const { return steps_.empty(); }

  private:
    Step& Current() { return steps_.back(); }

    Error StartStep(std::string_view arg, int line) {
        Step step;
        step.line = line;
        const auto words = SplitWords(arg);
        if (words.size() > 1) return "step takes one count at most, e.g. 'step 3'";
        if (words.size() == 1) {
            const auto count = ParseWhole<std::size_t>(words[0]);
            if (!count || *count == 0) {
                return "step count must be a whole number of 1 or more, not " + Quote(words[0]);
            }
            step.count = *count;
        }
        steps_.push_back(std::move(step));
        seen_ = {};
        return std::nullopt;
    }

    Error NotWithRaw(std::string_view keyword) const {
        if (seen_.raw) {
            return "a raw step sends its bytes as they are; " + Quote(keyword) +
                   " cannot be used in it";
        }
        return std::nullopt;
    }

    Error Status(std::string_view arg) {
        if (seen_.status) return "status given twice in one step";
        if (auto e = NotWithRaw("status")) return e;
        const auto space = arg.find(' ');
        const auto code = ParseWhole<int>(arg.substr(0, space));
        if (!code || *code < 100 || *code > 999) {
            return "status must be a code from 100 to 999, not " + Quote(arg.substr(0, space));
        }
        Current().reply.status = *code;
        if (space != std::string_view::npos) Current().reply.reason = arg.substr(space + 1);
        seen_.status = true;
        return std::nullopt;
    }

    Error HeaderLine(std::string_view arg) {
        if (auto e = NotWithRaw("header")) return e;
        const auto colon = arg.find(':');
        if (colon == std::string_view::npos) return "header needs 'NAME: VALUE'";
        const auto name = arg.substr(0, colon);
        if (name.empty() || name.find_first_of(" \t\r\n\"(),/;<=>?@[\\]{}") != name.npos) {
            return "header name " + Quote(name) + " is not a valid HTTP field name";
        }
        auto value = arg.substr(colon + 1);
        if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        std::string decoded;
        std::string error;
        if (!DecodeEscapes(value, decoded, error)) return error;
        Current().reply.headers.emplace_back(name, std::move(decoded));
        seen_.header = true;
        return std::nullopt;
    }

    Error Delay(std::string_view arg) {
        if (seen_.delay) return "delay given twice in one step";
        const bool ms = arg.ends_with("ms");
        const bool s = !ms && arg.ends_with("s");
        const auto number = ParseWhole<long long>(arg.substr(0, arg.size() - (ms ? 2 : s ? 1 : 0)));
        if ((!ms && !s) || !number || *number < 0) {
            return "delay must be a whole number followed by ms or s (e.g. 250ms or 2s), not " +
                   Quote(arg);
        }
        const auto delay =
            ms ? std::chrono::milliseconds(*number) : std::chrono::milliseconds(*number * 1000);
        if (delay > std::chrono::minutes(10)) return "delay longer than 10 minutes";
        Current().reply.delay = delay;
        seen_.delay = true;
        return std::nullopt;
    }

    // Decodes the text of body/body64/raw/raw64 onto `out`.
    static Error AppendText(std::string_view keyword, std::string_view arg, std::string& out) {
        std::string decoded;
        if (keyword.ends_with("64")) {
            if (!DecodeBase64(arg, decoded)) return "bad base64 text after " + Quote(keyword);
        } else {
            std::string error;
            if (!DecodeEscapes(arg, decoded, error)) return error;
        }
        out += decoded;
        return std::nullopt;
    }

    Error Body(std::string_view keyword, std::string_view arg) {
        if (seen_.products) return Quote(keyword) + " cannot be used in a products step";
        if (auto e = NotWithRaw(keyword)) return e;
        if (auto e = AppendText(keyword, arg, Current().reply.body)) return e;
        seen_.body = true;
        return std::nullopt;
    }

    Error Raw(std::string_view keyword, std::string_view arg) {
        if (seen_.body || seen_.products || seen_.status || seen_.header) {
            return Quote(keyword) +
                   " replaces the whole response; it cannot share a step with status, header, "
                   "body or products";
        }
        Step& step = Current();
        if (!step.reply.raw) step.reply.raw.emplace();
        if (auto e = AppendText(keyword, arg, *step.reply.raw)) return e;
        step.kind = Step::Kind::kRaw;
        seen_.raw = true;
        return std::nullopt;
    }

    Error Products(std::string_view arg) {
        if (seen_.products) return "products given twice in one step";
        if (seen_.body) return "'products' cannot be used in a step that has a body";
        if (auto e = NotWithRaw("products")) return e;
        ProductStates states{};
        const auto words = SplitWords(arg);
        const bool compact = words.size() == 1 && words[0].find('=') == std::string_view::npos;
        if (compact) {
            if (words[0].size() != kProductCount ||
                words[0].find_first_not_of("01") != std::string_view::npos) {
                return "products needs KEY=open|closed pairs or five 0/1 digits, not " +
                       Quote(words[0]);
            }
            for (std::size_t i = 0; i < kProductCount; ++i) states[i] = words[0][i] == '1';
        } else {
            std::array<bool, kProductCount> named{};
            for (const auto word : words) {
                const auto eq = word.find('=');
                if (eq == std::string_view::npos) {
                    return "products needs KEY=open|closed pairs or five 0/1 digits, not " +
                           Quote(word);
                }
                const auto index = ProductIndex(word.substr(0, eq));
                if (!index) {
                    return "unknown product " + Quote(word.substr(0, eq)) +
                           " (products: qorvi3td qorvi2s kessa dianyuan hezi)";
                }
                if (named[*index]) return "product " + Quote(word.substr(0, eq)) + " given twice";
                named[*index] = true;
                const auto state = word.substr(eq + 1);
                if (state != "open" && state != "closed") {
                    return "product state must be open or closed, not " + Quote(state);
                }
                states[*index] = state == "open";
            }
        }
        Current().kind = Step::Kind::kProducts;
        Current().products = states;
        seen_.products = true;
        return std::nullopt;
    }

    std::vector<Step> steps_;
    StepSeen seen_;
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

bool DecodeEscapes(std::string_view text, std::string& out, std::string& error) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            error = "text ends in a lone backslash (write \\\\ for a backslash)";
            return false;
        }
        switch (text[i]) {
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case '0':
                out += '\0';
                break;
            case '\\':
                out += '\\';
                break;
            case 'x': {
                const int hi = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
                const int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
                if (hi < 0 || lo < 0) {
                    error = "\\x needs two hex digits";
                    return false;
                }
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                error = "unknown escape '\\" + std::string(1, text[i]) +
                        "' (escapes: \\r \\n \\t \\0 \\\\ \\xHH)";
                return false;
        }
    }
    return true;
}

bool DecodeBase64(std::string_view text, std::string& out) {
    while (text.ends_with('=')) text.remove_suffix(1);
    unsigned bits = 0;
    int bit_count = 0;
    for (const char c : text) {
        const int v = Base64Value(c);
        if (v < 0) return false;
        bits = (bits << 6) | static_cast<unsigned>(v);
        bit_count += 6;
        if (bit_count >= 8) {
            bit_count -= 8;
            out += static_cast<char>((bits >> bit_count) & 0xFF);
        }
    }
    // A lone trailing character carries 6 bits: not a whole byte, so not valid base64.
    return bit_count < 6 && (bits & ((1u << bit_count) - 1)) == 0;
}

std::variant<Scenario, ScenarioError> ParseScenario(std::string_view text) {
    Parser parser;
    int line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const auto lf = text.find('\n');
        auto line = text.substr(0, lf);
        text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
        // Files saved with CRLF line ends read the same; a CR meant as data is written \r.
        if (line.ends_with('\r')) line.remove_suffix(1);

        const auto start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line[start] == '#') continue;
        line.remove_prefix(start);
        const auto space = line.find_first_of(" \t");
        const auto keyword = line.substr(0, space);
        // The argument is everything after the one space or tab that ends the keyword, so
        // body text keeps its own leading spaces.
        const auto arg =
            space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
        if (auto error = parser.Directive(keyword, arg, line_number)) {
            return ScenarioError{line_number, std::move(*error)};
        }
    }
    if (parser.Empty()) {
        return ScenarioError{std::max(line_number, 1), "the scenario has no steps"};
    }
    return parser.Finish();
}

std::string_view ScenarioFormatHelp() {
    return R"(SCENARIO FILES
  A scenario is a list of steps; each step answers a number of stock requests
  (GET /misc/get2014nianstock), then the next step takes over. The last step
  answers every request after that, whatever its count.

  One directive per line; leading spaces and tabs are ignored. Blank lines and
  lines whose first non-blank character is '#' are skipped ('#' later on a line
  is data). The argument of a directive is everything after the one space or
  tab that follows its keyword, up to the end of the line; a CR before the LF is
  dropped, so files saved with CRLF read the same.

  step [COUNT]         starts a step that answers COUNT requests (default 1)
  status CODE [REASON] status code 100..999 (default 200) and reason phrase
                       (default: the standard one, or none for unusual codes)
  header NAME: VALUE   an extra response header, sent in file order; repeatable
                       (e.g. header Set-Cookie: SESSIONID=abc; path=/); one
                       space after the colon is dropped, the rest is the value
  delay Nms | Ns       waits this long before answering (default none, at most
                       10 minutes)
  body TEXT            the reply body; repeated body lines are joined with
                       nothing in between (write \n for a newline)
  body64 BASE64        body bytes in base64; joins with body lines likewise
  products STATES      the standard stock document, rendered from STATES:
                         KEY=open|closed pairs, e.g. products kessa=open hezi=closed
                         (keys: qorvi3td qorvi2s kessa dianyuan hezi; unnamed
                         products are closed), or five 0/1 digits in key order,
                         e.g. products 00101 (kessa and hezi open)
  raw TEXT             the exact bytes sent on the socket instead of a response:
                       no status line or headers are added, then the connection
                       closes (an empty raw closes without answering)
  raw64 BASE64         raw bytes in base64; joins with raw lines likewise

  TEXT (body, raw, header values) takes the escapes \r \n \t \0 \\ and \xHH
  (two hex digits); any other backslash is an error.

  A step has one kind of reply: body (the default; no body line means an empty
  body), products, or raw. raw cannot share a step with status, header, body or
  products; delay works with all three. Unless a step gives them itself as
  headers, a reply carries "Content-Type: application/json", "Content-Length"
  (the body's real length) and "Connection: close"; a step may give a wrong
  Content-Length on purpose.

  Errors are reported as FILE:LINE: what is wrong, and the store exits with
  status 2.

  Example:
    # closed twice, then hezi opens behind a slow reply, then a broken reply
    step 2
    products 00000
    step
    delay 1500ms
    products hezi=open
    step
    status 502
    header Set-Cookie: SESSIONID=x; path=/
    body <html>\r\nbad gateway\0
)";
}

}  // namespace lumeno::demo_store
