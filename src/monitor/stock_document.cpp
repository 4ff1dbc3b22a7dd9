// Fetching the stock document and filling the product flags from it.
#include "monitor/stock_document.h"

#include <array>
#include <cstdint>

#include "http/request.h"
#include "monitor/stock_globals.h"
#include "text/primitives.h"
#include "ui/pump.h"

namespace lumeno {

namespace {

struct ReplyKey {
    TextValue key;
    TextValue keyWithColon;  // removed from the member to leave the value
    int row;
};

// The order in which the keys are tried on a member. Each key writes its own flag and
// reads none, so the order cannot be seen from outside. Made once: a check tries every
// key on every member.
const std::array<ReplyKey, kProductCount>& ReplyKeys() {
    static const std::array<ReplyKey, kProductCount> keys = {{
        {"qorvi3td", "qorvi3td:", 1},
        {"kessa", "kessa:", 3},
        {"qorvi2s", "qorvi2s:", 2},
        {"dianyuan", "dianyuan:", 4},
        {"hezi", "hezi:", 5},
    }};
    return keys;
}

// Counts the replacements of StockItems. A walk over the members stops when the array it
// walks has been replaced under it (by a refresh run inside one of its pumps): the newer
// document has already set every flag it carries, and the rest of the older one must
// neither overwrite those values nor index an array it no longer owns.
std::uint64_t g_stockItemsGeneration = 0;  // GUI thread only

void ApplyMember(const TextValue& member) {
    static const TextValue kSpace(" ");
    for (const ReplyKey& k : ReplyKeys()) {
        if (FindText(member, k.key, std::nullopt, false) > 0) {
            TextValue value = ReplaceSubtext(member, k.keyWithColon);
            StockFlagOf(k.row) = ReplaceSubtext(value, kSpace);
        }
    }
}

}  // namespace

TextValue RemoveStockTokens(const TextValue& reply) {
    static const TextValue kOpenBrace("{"), kCloseBrace("}"), kQuote("\""), kData("data:");
    // "data:" goes last: in the store's reply it only appears once the quotes are gone.
    TextValue text = ReplaceSubtext(reply, kOpenBrace);
    text = ReplaceSubtext(text, kCloseBrace);
    text = ReplaceSubtext(text, kQuote);
    return ReplaceSubtext(text, kData);
}

TextValue FetchStockDocument() {
    TextValue document = RemoveStockTokens(HttpRequestText(StockUrl));
    PumpMessages();
    return document;
}

void ApplyStockDocument(const TextValue& document) {
    StockItems = SplitText(document, ",");
    const std::uint64_t generation = ++g_stockItemsGeneration;
    const std::int32_t n = TextArrayCount(StockItems);
    for (std::int32_t i = 1; i <= n; ++i) {
        ApplyMember(StockItems.Member(i));
        PumpMessages();
        if (g_stockItemsGeneration != generation) break;
    }
    PumpMessages();
}

void RefreshStockFlags() {
    ApplyStockDocument(FetchStockDocument());
}

}  // namespace lumeno
