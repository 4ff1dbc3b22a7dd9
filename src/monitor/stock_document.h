// Reading the stock document: fetching it as text and turning it into one flag per product.
//
// The reply is never parsed as a structured format: four tokens are removed, the rest is
// split on commas, and every member that contains a product's key gives that product's
// flag the member with the key and its colon, and every space, removed.
#pragma once

#include "text/values.h"

namespace lumeno {

// The reply with every "{", then every "}", then every double quote, then every "data:"
// removed, each in one left-to-right pass over the previous result.
[[nodiscard]] TextValue RemoveStockTokens(const TextValue& reply);

// Fetches the document from StockUrl (a plain GET) and removes the four tokens, then pumps
// the window's messages. A failed fetch gives the absent text.
[[nodiscard]] TextValue FetchStockDocument();

// Splits a fetched document into StockItems and sets the flag of every key it carries,
// pumping after each member and once after the last.
void ApplyStockDocument(const TextValue& document);

// FetchStockDocument, then ApplyStockDocument: one refresh of StockItems and the flags.
void RefreshStockFlags();

}  // namespace lumeno
