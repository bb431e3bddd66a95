// What the language server answers about a place in a document: hover,
// completion, definition and the document's symbols, as protocol values.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis.h"

namespace kelvo::lsp {

// A place in a document as the protocol gives it: 0-based line and byte.
struct Place {
    std::size_t line = 0;
    std::size_t character = 0;
};

// A document's text with the starts of its physical lines.
class Document {
public:
    explicit Document(std::string text);
    const std::string& text() const { return text_; }
    std::size_t line_count() const { return starts_.size(); }
    // The text of a physical line (0-based), without its line end; empty
    // past the last line.
    std::string_view line(std::size_t index) const;

private:
    std::string text_;
    std::vector<std::size_t> starts_;
};

// The word under a place: the maximal run of non-whitespace bytes that holds
// it or ends right before it; empty when there is none.
struct Word {
    std::string_view text;
    Place start;
};
Word word_at(const Document& document, Place place);

// A protocol range of a word: from its position, `length` bytes long.
nlohmann::json range_of(SourcePosition position, std::size_t length);

nlohmann::json hover(const Document& document, const Analysis& analysis, const Globals& globals, Place place);
nlohmann::json completion(const Analysis& analysis, const Globals& globals, Place place);
nlohmann::json definition(std::string_view uri, const Document& document, const Analysis& analysis, Place place);
nlohmann::json document_symbols(const Document& document, const Analysis& analysis);
nlohmann::json diagnostics(const Analysis& analysis);

}  // namespace kelvo::lsp
