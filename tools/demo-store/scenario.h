// Scenario files: the steps the stock endpoint plays, one after another, read from a small
// line-based text format (described in full by ScenarioFormatHelp()).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "http_wire.h"
#include "stock_document.h"

namespace lumeno::demo_store {

struct Step {
    enum class Kind { kBody, kProducts, kRaw };
    Kind kind = Kind::kBody;
    std::size_t count = 1;  // stock requests this step answers before the next one takes over
    int line = 0;           // the 'step' line, for messages
    // Status, reason, headers, delay, and the body (kBody) or exact bytes (kRaw). A products
    // step renders its body when it answers, since control requests may switch products.
    Response reply;
    ProductStates products{};  // kProducts
};

struct Scenario {
    std::vector<Step> steps;  // never empty once parsed
};

struct ScenarioError {
    int line = 0;  // 1-based line of the scenario text
    std::string message;
};

[[nodiscard]] std::variant<Scenario, ScenarioError> ParseScenario(std::string_view text);

// The text escapes of 'body', 'raw' and 'header' values: \r \n \t \0 \\ and \xHH.
// On a bad escape returns false and says why in `error`.
[[nodiscard]] bool DecodeEscapes(std::string_view text, std::string& out, std::string& error);

// Standard base64, '=' padding optional. False on any other character or a dangling bit.
[[nodiscard]] bool DecodeBase64(std::string_view text, std::string& out);

// The format's description, as printed by --help.
[[nodiscard]] std::string_view ScenarioFormatHelp();

}  // namespace lumeno::demo_store
