#include "core/source_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__) && !defined(KELVO_PLAIN_READER)
#define KELVO_READER_SSE2 1
#include <emmintrin.h>
#endif

#include "core/messages.h"
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
    : data_(bytes.data()), end_(std::min(bytes.find('\x1a'), bytes.size())) {}

// Cuts up to and including the next line end; false when the input ended
// first. A run of plain bytes moves in one piece (not at all unless a comment
// or a CR LF has made the line shorter); the common special bytes are taken
// right here.
bool SourceReader::cut_line() {
    while (read_ < end_) {
        const std::size_t stop = next_special(data_, read_, end_);
        if (stop != read_) {
            if (write_ != read_) std::memmove(data_ + write_, data_ + read_, stop - read_);
            write_ += stop - read_;
            read_ = stop;
            if (read_ == end_) break;
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
    return false;
}

// A CR or a `/`; true when it ended the line.
bool SourceReader::take_rare(char c) {
    if (c == '/') return take_slash();
    // A CR LF pair reads as its line feed; a lone CR is a plain byte.
    if (read_ == end_ || data_[read_] != '\n') put(c);
    return false;
}

// After a `/`: a second one starts a comment; any other byte is kept as it
// is, unexamined, so a line feed there does not end the line.
bool SourceReader::take_slash() {
    if (read_ == end_) {
        put('/');
        return false;
    }
    if (data_[read_] == '\r' && read_ + 1 < end_ && data_[read_ + 1] == '\n') ++read_;
    const char d = data_[read_++];
    if (d == '/') {
        if (quoted_) warn_at(Warning::comment_in_string, file_position(read_ - 2), 2);
        return skip_comment();
    }
    put('/');
    put(d);
    if (d == '\n') {
        new_physical_line();
        later_marks_.push_back(mark_at(read_));
    }
    return false;
}

// A comment is dropped up to its line feed, which ends the line, or up to a
// zero byte, which stays and lets the line go on. True when the line ended.
bool SourceReader::skip_comment() {
    // The line feed first, then a zero byte before it (rare): two scans that
    // look at many bytes at a time.
    const char* const from = data_ + read_;
    const std::size_t left = end_ - read_;
    const void* feed = std::memchr(from, '\n', left);
    const std::size_t span = feed == nullptr ? left : static_cast<std::size_t>(static_cast<const char*>(feed) - from);
    const void* zero = std::memchr(from, '\0', span);
    const std::size_t stop = read_ + (zero == nullptr ? span : static_cast<std::size_t>(static_cast<const char*>(zero) - from));
    if (stop == end_) {
        read_ = end_;
        return false;
    }
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

// A double quote left open when its physical line ends runs on into the
// next: a listening tool hears of it once.
void SourceReader::new_physical_line() {
    if (quoted_ && open_quote_.line != 0) {
        warn_at(Warning::quote_runs_on, open_quote_, 1);
        open_quote_ = {};
    }
    ++physical_line_;
    physical_line_start_ = read_;
}

void SourceReader::toggle_quote() {
    quoted_ = !quoted_;
    open_quote_ = quoted_ ? file_position(read_ - 1) : SourcePosition{};
}

SourcePosition SourceReader::position_at(std::size_t offset) const {
    // The last mark at or before the offset; marks are in the order of their offsets.
    const auto after = std::upper_bound(later_marks_.begin(), later_marks_.end(), offset,
                                        [](std::size_t o, const Mark& m) { return o < m.offset; });
    const Mark& m = after == later_marks_.begin() ? first_mark_ : *(after - 1);
    return {m.line, m.column + (offset - m.offset)};
}

SourcePosition SourceReader::position_of(std::string_view at) const {
    std::size_t offset = static_cast<std::size_t>(at.data() - data_);
    if (at.empty()) {
        while (offset > line_start_ && is_whitespace(data_[offset - 1])) --offset;
    }
    return position_at(offset);
}

SourceSpan SourceReader::span_of(std::string_view bytes) const {
    const auto offset = static_cast<std::size_t>(bytes.data() - data_);
    if (bytes.empty()) return {position_at(offset), position_at(offset)};
    SourcePosition end = position_at(offset + bytes.size() - 1);
    ++end.column;
    return {position_at(offset), end};
}

}  // namespace kelvo
