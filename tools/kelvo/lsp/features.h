// What the language server answers about a place in a document: hover,
// completion, definition and the document's symbols, as protocol values.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis.h"
#include "positions.h"

namespace kelvo::lsp {

// The word under a place: the maximal run of non-whitespace bytes that holds
// it or ends right before it; empty when there is none.
struct Word {
    std::string_view text;
    Place start;
};
Word word_at(const Document& document, Place place);

// The protocol range of a word the translator tells of: from its position,
// `length` bytes long.
nlohmann::json range_of(const Document& document, SourcePosition position, std::size_t length);

nlohmann::json hover(const Document& document, const Analysis& analysis, const Globals& globals, Place place);
nlohmann::json completion(const Analysis& analysis, const Globals& globals, Place place);
nlohmann::json definition(std::string_view uri, const Document& document, const Analysis& analysis, Place place);
nlohmann::json document_symbols(const Document& document, const Analysis& analysis);
// The first `most_published` findings, and then one that tells how many
// more there are: the tool on the command line reports them all.
constexpr std::size_t most_published = 1000;
nlohmann::json diagnostics(const Document& document, const Analysis& analysis);

}  // namespace kelvo::lsp
