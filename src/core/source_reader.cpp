#include "core/source_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#if defined(__SSE2__) && !defined(KELVO_PLAIN_READER)
#define KELVO_READER_SSE2 1
#include <emmintrin.h>
#endif

#include "core/inlining.h"
#include "core/large_pages.h"
#include "core/messages.h"
#include "core/utf8.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

// The bytes that need a closer look; every other byte is copied as it is, a
// whole run of them at a time.
constexpr std::array<bool, 256> special_bytes = [] {
    std::array<bool, 256> table{};
    for (const char c : {'"', ';', '/', '\r', '\n'}) table[static_cast<unsigned char>(c)] = true;
    return table;
}();

bool is_special(char c) { return special_bytes[static_cast<unsigned char>(c)]; }

// The first byte at or after `from` that needs a closer look, or `end`.
// Sixteen bytes at a time where the processor compares them at once.
std::size_t next_special(const char* data, std::size_t from, std::size_t end) {
#if defined(KELVO_READER_SSE2)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i semicolon = _mm_set1_epi8(';');
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i carriage_return = _mm_set1_epi8('\r');
    const __m128i line_feed = _mm_set1_epi8('\n');
    for (; from + 16 <= end; from += 16) {
        const __m128i group = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(group, quote), _mm_cmpeq_epi8(group, semicolon)),
            _mm_or_si128(_mm_cmpeq_epi8(group, slash),
                         _mm_or_si128(_mm_cmpeq_epi8(group, carriage_return), _mm_cmpeq_epi8(group, line_feed))));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return from + static_cast<std::size_t>(std::countr_zero(mask));
    }
#endif
    while (from < end && !is_special(data[from])) ++from;
    return from;
}

}  // namespace

SourceReader::SourceReader(std::string& bytes)
    : data_(bytes.data()), end_(std::min(bytes.find('\x1a'), bytes.size())), fed_(end_) {
    begin_reading();
}

SourceReader::SourceReader(SourceFeed& feed, std::size_t piece)
    : data_(nullptr), end_(0), feed_(&feed), piece_(std::max(piece, std::size_t{1})), feed_ended_(false) {
    grow_window(2 * piece_);
    // The pages that usual lines and pieces use (each piece is read in behind
    // the line being cut, at the front) are put in place at once: letting
    // each read fault them in measured a few percent slower over a whole run.
    std::memset(data_, 0, std::min(window_size_, piece_ + (std::size_t{1} << 14)));
    begin_reading();
}

// Reading starts here, for bytes given whole and for a file alike; a file
// has its first piece in the window from now on. A byte-order mark at the
// very start, as editors save "UTF-8 with BOM", is skipped before anything
// else is read; columns on line 1 count from after it. The same bytes
// anywhere else are bytes of a word.
void SourceReader::begin_reading() {
    if (has_bytes(byte_order_mark.size()) &&
        std::string_view(data_ + read_, byte_order_mark.size()) == byte_order_mark) {
        read_ = write_ = line_start_ = physical_line_start_ = read_ + byte_order_mark.size();
        if (state.listener != nullptr) state.listener->byte_order_mark();
    }
    has_bytes(1);
}

// Cuts up to and including the next line end; false when the input ended
// first. A run of plain bytes moves in one piece (not at all unless a comment
// or a CR LF has made the line shorter); the common special bytes are taken
// right here. A file's next piece is read only where the bytes at hand end.
bool SourceReader::cut_line() {
    for (;;) {
        if (read_ == end_ && !more()) return false;
        const std::size_t stop = next_special(data_, read_, end_);
        if (stop != read_) {
            if (write_ != read_) std::memmove(data_ + write_, data_ + read_, stop - read_);
            write_ += stop - read_;
            read_ = stop;
            if (read_ == end_) continue;
        }
        const char c = data_[read_++];
        if (c == '\n') {
            new_physical_line();
            put(c);
            return true;
        }
        if (c == '"') {
            toggle_quote();
            put(c);
        } else if (c == ';') {
            put(quoted_ ? ';' : '\n');
            if (!quoted_) return true;
        } else if (take_rare(c)) {
            return true;
        }
    }
}

// The next piece of a file, behind the line being cut and the bytes not yet
// read; false when the file has no more. Byte 0x1A ends the input here too.
bool SourceReader::read_piece() {
    if (feed_ended_) return false;
    make_room();
    std::size_t got = feed_->read(data_ + end_, piece_);
    if (got < piece_) feed_ended_ = true;
    if (const void* stop = std::memchr(data_ + end_, '\x1a', got); stop != nullptr) {
        got = static_cast<std::size_t>(static_cast<const char*>(stop) - (data_ + end_));
        feed_ended_ = true;
    }
    end_ += got;
    fed_ += got;
    return got > 0;
}

// Moves the line being cut to the front of the window and the bytes not yet
// read close behind it, with room for a piece after them; the window doubles
// when a line outgrows it. A line that already stands at the front stays
// where it is, so a line many pieces long is not moved again for each piece.
// Between the two stays the room of a byte read but not yet written (a `/`
// or a CR waiting for the byte after it): the reader never writes past what
// it has read.
void SourceReader::make_room() {
    const std::size_t line = write_ - line_start_;
    const std::size_t owed = std::min(read_ - write_, std::size_t{1});
    const std::size_t unread = end_ - read_;
    const std::size_t kept = line + owed + unread;
    if (line_start_ != 0) std::memmove(data_, data_ + line_start_, line);
    if (read_ != line + owed) std::memmove(data_ + line + owed, data_ + read_, unread);
    if (kept + piece_ > window_size_) grow_window(std::max(window_size_ * 2, kept + piece_));
    for (Mark& m : later_marks_) m.offset -= line_start_;
    first_mark_.offset -= line_start_;
    physical_line_start_ -= read_ - (line + owed);
    line_start_ = 0;
    write_ = line;
    read_ = line + owed;
    end_ = kept;
}

// The window at `size` bytes, its bytes kept; a large one asks for large
// pages before its new pages are first written.
void SourceReader::grow_window(std::size_t size) {
    char* const grown = static_cast<char*>(std::realloc(window_.get(), size));
    if (grown == nullptr) throw std::bad_alloc();
    static_cast<void>(window_.release());
    window_.reset(grown);
    window_size_ = size;
    data_ = grown;
    ask_for_large_pages(grown, size);
}

// A CR or a `/`; true when it ended the line.
bool SourceReader::take_rare(char c) {
    if (c == '/') return take_slash();
    // A CR LF pair reads as its line feed; a lone CR is a plain byte.
    if (!has_bytes(1) || data_[read_] != '\n') put(c);
    return false;
}

// After a `/`: a second one starts a comment; any other byte is kept as it
// is, unexamined, so a line feed there does not end the line.
bool SourceReader::take_slash() {
    if (!has_bytes(1)) {
        put('/');
        return false;
    }
    if (data_[read_] == '\r' && has_bytes(2) && data_[read_ + 1] == '\n') ++read_;
    const char d = data_[read_++];
    if (d == '/') {
        if (quoted_) warn_comment_in_string();
        return skip_comment();
    }
    put('/');
    put(d);
    if (d == '\n') {
        new_physical_line();
        later_marks_.push_back(mark_at(read_));
        if (state.listener != nullptr) state.listener->line_continues(file_position(read_));
    }
    return false;
}

// A comment is dropped up to its line feed, which ends the line, or up to a
// zero byte, which stays and lets the line go on. True when the line ended.
bool SourceReader::skip_comment() {
    const std::size_t start = file_offset(read_ - 2);
    std::size_t stop = comment_end();
    bool carriage_return = false;  // the comment's last byte, once the next piece has taken its place
    while (stop == end_) {  // the comment runs on into the next piece
        if (end_ > read_) carriage_return = data_[end_ - 1] == '\r';
        read_ = end_;
        if (!more()) {
            tell_comment(start, file_offset(end_));
            return false;
        }
        stop = comment_end();
    }
    if (stop > read_) carriage_return = data_[stop - 1] == '\r';
    tell_comment(start, file_offset(stop) - (data_[stop] == '\n' && carriage_return ? 1 : 0));
    read_ = stop + 1;
    if (data_[stop] == '\0') {
        later_marks_.push_back(mark_at(stop));
        put('\0');
        return false;
    }
    new_physical_line();
    put('\n');
    return true;
}

// Where the comment being skipped ends in the bytes at hand: its line feed,
// a zero byte before it, or `end_`. The line feed first, then a zero byte
// before it (rare): two scans that look at many bytes at a time.
std::size_t SourceReader::comment_end() const {
    const char* const from = data_ + read_;
    const std::size_t left = end_ - read_;
    const void* feed = std::memchr(from, '\n', left);
    const std::size_t span = feed == nullptr ? left : static_cast<std::size_t>(static_cast<const char*>(feed) - from);
    const void* zero = std::memchr(from, '\0', span);
    return read_ + (zero == nullptr ? span : static_cast<std::size_t>(static_cast<const char*>(zero) - from));
}

// A double quote left open when its physical line ends runs on into the
// next: a listening tool hears of it once.
void SourceReader::new_physical_line() {
    if (quoted_ || carried_) [[unlikely]]
        quoted_line_ends();
    ++physical_line_;
    physical_line_start_ = read_;
}

// A physical line ends inside a string, or ends the lines that an open
// string ran on into. The warning and its note go at the quote that opened
// the string; the note learns the last of those lines once it is known
// (none: the string runs to the end of the input).
KELVO_OUT_OF_LINE void SourceReader::quoted_line_ends() {
    if (!quoted_) {
        carried_ = false;
        settle_told(static_cast<std::int32_t>(physical_line_));
        return;
    }
    if (carried_) return;
    carried_ = true;
    const SourceSpan quote{open_quote_, advanced(open_quote_)};
    tell_at(Code::quote_runs_on, quote);
    Report facts;
    facts.line = physical_line_ + 1;
    tell_to_settle(Code::quote_carried, quote, facts);
}

KELVO_OUT_OF_LINE void SourceReader::warn_comment_in_string() const {
    const SourcePosition slashes = file_position(read_ - 2);
    tell_at(Code::comment_in_string, {slashes, advanced(slashes, 2)});
}

// For a listening tool: a comment from the file offset `start` (its `//`)
// up to `stop`. It lies on one physical line, that of the reading.
KELVO_OUT_OF_LINE void SourceReader::tell_comment(std::size_t start, std::size_t stop) {
    if (state.listener == nullptr) return;
    const std::size_t column = start - file_offset(physical_line_start_) + 1;
    last_comment_ = {{physical_line_, column, start}, {physical_line_, column + (stop - start), stop}};
    told_comment_ = true;
    state.listener->comment(last_comment_);
}

void SourceReader::toggle_quote() {
    quoted_ = !quoted_;
    open_quote_ = quoted_ ? file_position(read_ - 1) : SourcePosition{};
}

SourcePosition SourceReader::position_at(std::size_t offset) const {
    // The last mark at or before the offset; marks are in the order of their offsets.
    const auto found = std::upper_bound(later_marks_.begin(), later_marks_.end(), offset,
                                        [](std::size_t o, const Mark& m) { return o < m.offset; });
    const Mark& m = found == later_marks_.begin() ? first_mark_ : *(found - 1);
    return {m.line, m.column + (offset - m.offset), m.file_offset + (offset - m.offset)};
}

SourcePosition SourceReader::position_of(std::string_view at) const {
    std::size_t offset = static_cast<std::size_t>(at.data() - data_);
    if (at.empty()) {
        while (offset > line_start_ && is_whitespace(data_[offset - 1])) --offset;
    }
    return position_at(offset);
}

std::pair<std::size_t, std::size_t> SourceReader::marked_offsets_of(std::string_view bytes) const {
    const SourceSpan span = span_of(bytes);
    return {span.begin.offset, span.end.offset};
}

SourceSpan SourceReader::span_of(std::string_view bytes) const {
    if (bytes.empty()) {
        const SourcePosition point = position_of(bytes);
        return {point, point};
    }
    const auto offset = static_cast<std::size_t>(bytes.data() - data_);
    SourcePosition end = position_at(offset + bytes.size() - 1);
    ++end.column;
    ++end.offset;
    return {position_at(offset), end};
}

}  // namespace kelvo
