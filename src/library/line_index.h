// Where the lines of a text begin, and how many units of each encoding its
// characters take: byte offsets to lines and columns and back, in bytes,
// UTF-16 code units or code points. The translator counts a line feed (CR
// LF being one) as a line end, as compilers' FILE:LINE:COL do; the editors'
// protocol also counts a lone CR. A byte-order mark at the very start
// belongs to no line, as editors show it. Characters are read by the one
// rule of core/utf8.h.
//
// Offsets are 32 bits: a text of 4 GiB or more is refused (std::length_error).
// Each conversion takes a binary search, however long the line: the index
// keeps every character beyond ASCII with the units it takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/utf8.h"

namespace kelvo {

class LineIndex {
public:
    enum class Ends {
        line_feeds,  // "\n" (and so "\r\n"): the translator's lines
        any,         // "\n", "\r\n" and a lone "\r": the editors' protocol's lines
    };

    // A place in the text: 0-based line, 0-based column in it, in units of
    // the encoding asked for.
    struct Place {
        std::size_t line = 0;
        std::size_t column = 0;
        bool operator==(const Place&) const = default;
    };

    // Where the first line begins: after a byte-order mark at the start (a
    // file as editors show it), or at the first byte whatever it is (a text
    // that no editor opened, such as the host script).
    enum class Start { after_byte_order_mark, first_byte };

    // The text must outlive the index.
    LineIndex(std::string_view text, Ends ends, Start start = Start::after_byte_order_mark);

    std::size_t line_count() const { return starts_.size(); }
    std::string_view text() const { return text_; }
    // Where a line's bytes begin; the text's end past the last line.
    std::size_t line_start(std::size_t line) const { return line < starts_.size() ? starts_[line] : text_.size(); }
    // Where a line's bytes end, before its line end.
    std::size_t line_end(std::size_t line) const;
    // A line's bytes without its line end; empty past the last line.
    std::string_view line(std::size_t line) const {
        const std::size_t start = line_start(line);
        return text_.substr(start, line_end(line) - start);
    }
    // The bytes [first, second) of a line's last character, by the one rule
    // for bad bytes; the line end's place where the line is empty.
    std::pair<std::size_t, std::size_t> last_character(std::size_t line) const;
    // The line that holds a byte offset (clamped to the text).
    std::size_t line_of(std::size_t offset) const;
    // The line and column of a byte offset (clamped to the text; a place
    // inside a character is its start, one past a line's end is that end).
    Place place(std::size_t offset, Encoding encoding = Encoding::utf8) const;
    // The offset of a place; a column past the line's end is its end, a line
    // past the last is the text's end.
    std::size_t offset(Place place, Encoding encoding = Encoding::utf8) const;
    // The units of bytes [from, to) of one line (from at a character's start).
    std::size_t units(std::size_t from, std::size_t to, Encoding encoding) const;
    // The units of the text before a byte offset, from its very first byte
    // (an offset into the text as one string, as a browser holds it; a
    // place inside a character is its start).
    std::size_t units_before(std::size_t offset, Encoding encoding) const;

    // Places of offsets taken in order, each in constant time on the whole:
    // for answers that hold many places. An offset before the last one
    // taken is found afresh.
    class Forward {
    public:
        Forward(const LineIndex& index, Encoding encoding) : index_(index), encoding_(encoding) {}
        Place operator()(std::size_t offset);

    private:
        void enter(std::size_t line);

        const LineIndex& index_;
        Encoding encoding_;
        bool started_ = false;
        std::size_t line_ = 0;
        std::size_t start_ = 0;       // of the line
        std::size_t end_ = 0;         // of its bytes
        std::size_t next_start_ = 0;  // of the line after it
        std::size_t last_ = 0;        // the offset taken last
        std::size_t wide_ = 0;        // the first wide character at or after it
        std::size_t line_wide_ = 0;   // the first of the line
        bool narrow_ = true;          // the line has none: bytes are units
    };

private:
    // A character beyond ASCII: where it begins, its bytes and its UTF-16 units.
    struct Wide {
        std::uint32_t offset;
        std::uint8_t length;
        std::uint8_t utf16;
    };

    std::size_t first_wide(std::size_t offset) const;
    std::size_t saved(std::size_t first, std::size_t last, Encoding encoding) const;
    std::size_t inside_character(std::size_t offset) const;

    std::string_view text_;
    std::vector<std::uint32_t> starts_;
    std::vector<Wide> wide_;
    // For each wide character, the bytes that the wide characters before it
    // take beyond their units: in UTF-16 and in UTF-32 (one more entry).
    std::vector<std::uint32_t> saved16_;
    std::vector<std::uint32_t> saved32_;
};

}  // namespace kelvo
