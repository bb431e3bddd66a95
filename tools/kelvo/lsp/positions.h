// A document as the server holds it, and the places in it: every place the
// server reads from a client or sends to one goes through to_protocol and
// from_protocol, so that the protocol's counting lives in one spot.
//
// The protocol's lines end at "\r\n", "\n" and a lone "\r"; the translator
// counts line feeds only. The protocol's characters are units of the
// encoding the client and the server agreed on: bytes (utf-8), UTF-16 code
// units (the default) or code points (utf-32). A byte that is no part of
// valid UTF-8 counts as one unit in each, as editors show it as U+FFFD.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "library/line_index.h"
#include "library/session.h"  // SourcePosition

namespace kelvo::lsp {

enum class Encoding { utf8, utf16, utf32 };

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
    explicit Document(std::string text, Encoding encoding = Encoding::utf16);
    // The line indexes look into the text: a document stays where it is made.
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& text() const { return text_; }
    Encoding encoding() const { return encoding_; }
    // The protocol's lines.
    const LineIndex& lines() const { return lines_; }
    std::size_t line_count() const { return lines_.line_count(); }
    // A protocol line (0-based) without its line end; empty past the last.
    std::string_view line(std::size_t index) const { return lines_.line(index); }

    // The byte offset where a translator's position (1-based line counted
    // by line feeds, 1-based byte column) is, clamped to the text; line 0,
    // no place, is the start.
    std::size_t offset_of(SourcePosition position) const {
        if (position.line == 0) return 0;
        const std::size_t start = source_lines().line_start(position.line - 1);
        const std::size_t column = position.column == 0 ? 0 : position.column - 1;
        return std::min(start + std::min(column, text_.size()), text_.size());
    }
    // The translator's position of a byte offset.
    SourcePosition position_of(std::size_t offset) const;
    // The offset where a translator's line (1-based) begins, and where it
    // ends before its line end; the text's end past the last line.
    std::size_t source_line_start(std::size_t line) const;
    std::size_t source_line_end(std::size_t line) const;
    // A translator's line (1-based) without its line end.
    std::string_view source_line(std::size_t line) const;

private:
    const LineIndex& source_lines() const { return source_lines_ ? *source_lines_ : lines_; }

    std::string text_;
    Encoding encoding_;
    LineIndex lines_;
    // The translator's lines, where a lone CR makes them differ.
    std::optional<LineIndex> source_lines_;
};

// How many units of an encoding the bytes take.
std::size_t units_of(std::string_view bytes, Encoding encoding);
// The bytes of `line` that its first `units` units take (a place inside a
// character is its start; past the end is the end).
std::size_t bytes_of(std::string_view line, std::size_t units, Encoding encoding);

// The two ways between bytes and the protocol. A place past its line's end
// is that end; a line past the last is the text's end.
Place to_protocol(const Document& document, std::size_t offset);
std::size_t from_protocol(const Document& document, Place place);

// Offsets taken in order, without counting a long line from its start each
// time: for answers that hold many places (semantic tokens).
class ForwardPlaces {
public:
    explicit ForwardPlaces(const Document& document) : document_(document) {}
    Place operator()(std::size_t offset);

private:
    void enter(std::size_t line);

    const Document& document_;
    std::size_t line_ = static_cast<std::size_t>(-1);
    std::size_t offset_ = 0;  // the last offset converted, and its units on its line
    std::size_t units_ = 0;
    std::size_t line_end_ = 0;    // where the line's bytes end, before its line end
    std::size_t next_start_ = 0;  // where the next line begins
    bool bytes_are_units_ = false;  // on this line (UTF-8, or ASCII only): no counting
};

}  // namespace kelvo::lsp
