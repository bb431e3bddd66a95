// Cuts the source file into the lines that the run translates one by one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/listener.h"

namespace kelvo {

// One line as the reading rules cut it.
struct SourceLine {
    std::string_view text;   // ends with its line feed, but perhaps the last line
    std::size_t number = 0;  // the physical line of the file on which it began
};

// Reads the bytes of the source file as stored, as Windows text mode reads
// them on every platform: CR LF is one line feed and byte 0x1A ends the
// input. A `;` outside double quotes ends a line, `//` starts a comment that
// runs to the line feed (or to a zero byte, which stays), and a line feed
// right after a lone `/` stays inside the line. Lines keep their line feed;
// none is empty.
//
// The lines are cut in place: each is a view into `bytes`, valid until the
// bytes change, and the reader asks for the next line only when the run
// wants it.
class SourceReader {
public:
    explicit SourceReader(std::string& bytes);

    // The next line; false when the input has no more. (Inline: the run
    // asks for every line.)
    bool next_line(SourceLine& line) {
        start_line();
        cut_line();
        if (write_ == line_start_) return false;  // only at the end of the input
        line.text = std::string_view(data_ + line_start_, write_ - line_start_);
        line.number = first_mark_.line;
        return true;
    }

    // The physical line on which the last line handed out began.
    std::size_t line_number() const { return first_mark_.line; }

    // Where the word `at` of the last line handed out begins in the file; an
    // empty `at` is the point just past the last word before it.
    SourcePosition position_of(std::string_view at) const;
    // Where bytes of the last line handed out stand in the file.
    SourceSpan span_of(std::string_view bytes) const;

private:
    // A place where the line's text and the file part: from `offset` on,
    // the text stands at `line`:`column` of the file.
    struct Mark {
        std::size_t offset;
        std::size_t line;
        std::size_t column;
    };

    // Lines are views that need not touch each other: the next line starts
    // where the reading is, so the bytes a comment or a CR LF dropped are
    // stepped over instead of every later byte moving back.
    void start_line() {
        line_start_ = write_ = read_;
        first_mark_ = mark_at(read_);
        if (!later_marks_.empty()) later_marks_.clear();
    }
    bool cut_line();
    bool take_rare(char c);
    bool take_slash();
    bool skip_comment();
    void put(char c) { data_[write_++] = c; }
    void new_physical_line();
    void toggle_quote();
    SourcePosition position_at(std::size_t offset) const;
    SourcePosition file_position(std::size_t file_offset) const {
        return {physical_line_, file_offset - physical_line_start_ + 1};
    }
    Mark mark_at(std::size_t file_offset) const {
        return {write_, physical_line_, file_offset - physical_line_start_ + 1};
    }

    // The bytes of the line being cut are [line_start_, write_), those not
    // yet read [read_, end_). The reader never writes more bytes than it has
    // read, so `write_` stays at or behind `read_`.
    char* data_;
    std::size_t end_;
    std::size_t read_ = 0;
    std::size_t write_ = 0;
    std::size_t line_start_ = 0;
    std::size_t physical_line_ = 1;
    std::size_t physical_line_start_ = 0;  // where the physical line of read_ begins
    bool quoted_ = false;  // not reset at line ends: an open quote runs on
    SourcePosition open_quote_;  // the quote that opened a string on this physical line
    Mark first_mark_{};             // where the line begins
    std::vector<Mark> later_marks_;  // where a continuation or a comment made it part from the file
};

}  // namespace kelvo
