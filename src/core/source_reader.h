// Cuts the source file into the lines that the run translates one by one.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
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

// Where a reader gets the bytes of a source file that it reads piece by piece.
class SourceFeed {
public:
    // Up to `size` more bytes of the file into `into`; fewer only at its end
    // (or when reading failed, which the feed remembers).
    virtual std::size_t read(char* into, std::size_t size) = 0;

protected:
    ~SourceFeed() = default;
};

// Reads the bytes of the source file as stored, as Windows text mode reads
// them on every platform: CR LF is one line feed and byte 0x1A ends the
// input. A byte-order mark (EF BB BF) at the very start is no part of it. A `;` outside double quotes ends a line, `//` starts a comment that
// runs to the line feed (or to a zero byte, which stays), and a line feed
// right after a lone `/` stays inside the line. Lines keep their line feed;
// none is empty.
//
// The lines are cut in place, and the reader asks for the next line only when
// the run wants it. Each line is a view valid until the next one is asked
// for: into `bytes` given whole, or into a window over a file read `piece`
// bytes at a time, which holds the line being cut and the piece being read
// (and grows only for a line longer than a piece).
class SourceReader {
public:
    explicit SourceReader(std::string& bytes);
    SourceReader(SourceFeed& feed, std::size_t piece);
    SourceReader(const SourceReader&) = delete;  // the lines point into it
    SourceReader& operator=(const SourceReader&) = delete;

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
    // Where bytes of the last line handed out stand in the file (empty
    // bytes: the point of position_of).
    SourceSpan span_of(std::string_view bytes) const;
    // The same as byte offsets only, at less cost: [begin, end) of the file.
    // (Inline: a listening run asks for every word.)
    std::pair<std::size_t, std::size_t> offsets_of(std::string_view bytes) const {
        // Most lines are whole in the file: one mark, and no bytes in between.
        if (later_marks_.empty()) {
            const std::size_t begin = first_mark_.file_offset + (static_cast<std::size_t>(bytes.data() - data_) - first_mark_.offset);
            return {begin, begin + bytes.size()};
        }
        return marked_offsets_of(bytes);
    }
    // Where the last line handed out begins in the file, and where it ends
    // (past its line feed or `;`, or at the end of the input).
    SourcePosition line_begin() const { return {first_mark_.line, first_mark_.column, first_mark_.file_offset}; }
    SourcePosition line_end() const { return file_position(read_); }

    // For a listening tool: the comment that ended the last line handed out,
    // or none.
    const SourceSpan* comment_of_line() const {
        const bool on_line = told_comment_ && last_comment_.begin.offset >= first_mark_.file_offset &&
                             last_comment_.begin.offset < file_offset(read_);
        return on_line ? &last_comment_ : nullptr;
    }

    // How many bytes of the input the reader has taken so far.
    std::size_t bytes_taken() const { return fed_ - (end_ - read_); }

private:
    // A place where the line's text and the file part: from `offset` on,
    // the text stands at `line`:`column` of the file, `file_offset` bytes
    // into it.
    struct Mark {
        std::size_t offset;
        std::size_t line;
        std::size_t column;
        std::size_t file_offset;
    };

    // Lines are views that need not touch each other: the next line starts
    // where the reading is, so the bytes a comment or a CR LF dropped are
    // stepped over instead of every later byte moving back.
    void start_line() {
        line_start_ = write_ = read_;
        first_mark_ = mark_at(read_);
        if (!later_marks_.empty()) later_marks_.clear();
    }
    void begin_reading();
    bool cut_line();
    // More bytes after `end_`, when the reading is piece by piece: true when
    // some came. Only ever called from cut_line and what it calls, so the
    // views of the line being cut hold until the next line is asked for.
    bool more() { return feed_ != nullptr && read_piece(); }
    bool read_piece();
    void make_room();
    void grow_window(std::size_t size);
    // At least `count` bytes not yet read, reading on where needed.
    bool has_bytes(std::size_t count) {
        while (end_ - read_ < count)
            if (!more()) return false;
        return true;
    }
    bool take_rare(char c);
    bool take_slash();
    bool skip_comment();
    std::size_t comment_end() const;
    void put(char c) { data_[write_++] = c; }
    void new_physical_line();
    void quoted_line_ends();
    void warn_comment_in_string() const;
    void tell_comment(std::size_t start, std::size_t stop);
    void toggle_quote();
    SourcePosition position_at(std::size_t offset) const;
    std::pair<std::size_t, std::size_t> marked_offsets_of(std::string_view bytes) const;
    // The bytes read so far are those of the file from offset `fed_ - end_`
    // of the window on: `at` is a place in the window where bytes are read.
    std::size_t file_offset(std::size_t at) const { return fed_ - end_ + at; }
    SourcePosition file_position(std::size_t at) const {
        return {physical_line_, at - physical_line_start_ + 1, file_offset(at)};
    }
    Mark mark_at(std::size_t at) const { return {write_, physical_line_, at - physical_line_start_ + 1, file_offset(at)}; }

    // The bytes of the line being cut are [line_start_, write_), those not
    // yet read [read_, end_). The reader never writes more bytes than it has
    // read, so `write_` stays at or behind `read_`.
    char* data_;
    std::size_t end_;
    std::size_t read_ = 0;
    std::size_t write_ = 0;
    std::size_t line_start_ = 0;
    std::size_t physical_line_ = 1;
    // Where the physical line of read_ begins. When the window moves its
    // bytes to the front, this moves with them and may pass below zero
    // (unsigned, so it wraps): only differences to read positions are used.
    std::size_t physical_line_start_ = 0;
    bool quoted_ = false;  // not reset at line ends: an open quote runs on
    SourcePosition open_quote_;  // the quote that opened a string on this physical line
    // The physical lines from the one after a quote left open run on inside
    // strings, up to a line that ends outside one (or the input's end).
    bool carried_ = false;
    SourceSpan last_comment_{};     // the last comment told to a listener
    bool told_comment_ = false;
    Mark first_mark_{};             // where the line begins
    std::vector<Mark> later_marks_;  // where a continuation or a comment made it part from the file

    // A file read piece by piece: its feed (none when the bytes were given
    // whole) and the window that `data_` then points into. The window grows
    // with realloc, which moves a large block's pages where the system can
    // instead of copying them, so that a line of many pieces is not held
    // twice while it grows; pages not yet read into cost no memory.
    struct FreeBytes {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    SourceFeed* feed_ = nullptr;
    std::size_t piece_ = 0;
    std::size_t fed_ = 0;  // the bytes of the input come so far
    bool feed_ended_ = true;
    std::unique_ptr<char, FreeBytes> window_;
    std::size_t window_size_ = 0;
};

}  // namespace kelvo
