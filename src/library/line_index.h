// Where the lines of a text begin, to turn byte offsets into lines and
// columns and back. The translator counts a line feed (CR LF being one) as a
// line end, as compilers' FILE:LINE:COL do; the editors' protocol also
// counts a lone CR. A byte-order mark at the very start belongs to no line,
// as editors show it.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvo {

class LineIndex {
public:
    enum class Ends {
        line_feeds,  // "\n" (and so "\r\n"): the translator's lines
        any,         // "\n", "\r\n" and a lone "\r": the editors' protocol's lines
    };

    // A place in the text: 0-based line, 0-based byte column in it.
    struct Place {
        std::size_t line = 0;
        std::size_t column = 0;
    };

    // The text must outlive the index.
    LineIndex(std::string_view text, Ends ends);

    std::size_t line_count() const { return starts_.size(); }
    std::string_view text() const { return text_; }
    // Where a line's bytes begin; the text's end past the last line.
    std::size_t line_start(std::size_t line) const { return line < starts_.size() ? starts_[line] : text_.size(); }
    // A line's bytes without its line end; empty past the last line.
    std::string_view line(std::size_t line) const {
        if (line >= starts_.size()) return {};
        const std::size_t start = starts_[line];
        std::size_t end = line + 1 < starts_.size() ? starts_[line + 1] : text_.size();
        if (end > start && text_[end - 1] == '\n') --end;
        if (end > start && text_[end - 1] == '\r') --end;
        return text_.substr(start, end - start);
    }
    // The line and column of a byte offset (clamped to the text).
    Place place(std::size_t offset) const;
    // The offset of a place; a column past the line's end is its end, a line
    // past the last is the text's end.
    std::size_t offset(Place place) const;

private:
    std::string_view text_;
    std::vector<std::size_t> starts_;
};

}  // namespace kelvo
