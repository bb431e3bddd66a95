// A document as the server holds it, and the places in it: every place the
// server reads from a client or sends to one goes through to_protocol and
// from_protocol, so that the protocol's counting lives in one spot.
//
// The protocol's lines end at "\r\n", "\n" and a lone "\r"; the translator
// counts line feeds only. Its characters are bytes for now (the client's
// "utf-8" encoding).
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "library/session.h"  // SourcePosition
#include "library/line_index.h"

namespace kelvo::lsp {

// A place as the protocol gives it: 0-based line and character.
struct Place {
    std::size_t line = 0;
    std::size_t character = 0;
};

// Parameters that name nothing the server knows, or no place in it.
struct InvalidParams : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

class Document {
public:
    explicit Document(std::string text);
    // The line indexes look into the text: a document stays where it is made.
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& text() const { return text_; }
    // The protocol's lines.
    const LineIndex& lines() const { return lines_; }
    std::size_t line_count() const { return lines_.line_count(); }
    // A protocol line (0-based) without its line end; empty past the last.
    std::string_view line(std::size_t index) const { return lines_.line(index); }

    // The byte offset where a translator's position (1-based line counted
    // by line feeds, 1-based byte column) is, clamped to the text; line 0,
    // no place, is the start.
    std::size_t offset_of(SourcePosition position) const;
    // The offset where a translator's line (1-based) ends, before its line
    // end; the text's end past the last line.
    std::size_t source_line_end(std::size_t line) const;
    // A translator's line (1-based) without its line end.
    std::string_view source_line(std::size_t line) const;

private:
    const LineIndex& source_lines() const { return source_lines_ ? *source_lines_ : lines_; }

    std::string text_;
    LineIndex lines_;
    // The translator's lines, where a lone CR makes them differ.
    std::optional<LineIndex> source_lines_;
};

// The two ways between bytes and the protocol. A place past its line's end
// is that end; a line past the last is the text's end.
Place to_protocol(const Document& document, std::size_t offset);
std::size_t from_protocol(const Document& document, Place place);

// The protocol range of the bytes from `start` to `end`, clamped into the
// text, the end at or after the start.
nlohmann::json range_json(const Document& document, std::size_t start, std::size_t end);

// The place that the "position" of a request's parameters names: line and
// character each an integer from 0 to 2^31-1 (the protocol's uinteger), the
// line one of the document's. InvalidParams otherwise.
Place requested_place(const Document& document, const nlohmann::json& params);

}  // namespace kelvo::lsp
