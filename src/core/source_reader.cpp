#include "core/source_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/large_pages.h"
#include "core/state.h"

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
#if defined(__SSE2__) && !defined(KELVO_PLAIN_READER)
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

// The reader between two pieces of input.
struct ReaderState {
    std::size_t physical_line = 1;  // physical line of the read position
    std::size_t line_number = 1;    // physical line on which the current line began
    bool quoted = false;
    bool in_comment = false;
};

// Positions in the buffer: the current line is [line_start, write), the bytes
// still to read are [read, end). The reader never writes more characters than
// it has read, so `write` stays at or behind `read`.
struct Cursor {
    std::size_t line_start = 0;
    std::size_t write = 0;
    std::size_t read = 0;
    std::size_t end = 0;
};

// Cuts the lines out of data[read, end) as text mode reads the bytes: a CR LF
// pair is one line feed. With `more_follows` it stops in front of a byte that
// cannot be judged without one or two bytes beyond `end`, and a comment that
// runs past `end` stays open; without it, `end` is the end of the input.
void cut(char* data, Cursor& at, ReaderState& rs, bool more_follows, LineSink sink, void* context) {
    const std::size_t end = at.end;
    std::size_t read = at.read;
    std::size_t write = at.write;

    const auto next = [&]() -> int {
        if (read == end) return -1;
        char c = data[read++];
        if (c == '\r' && read < end && data[read] == '\n') c = data[read++];
        if (c == '\n') ++rs.physical_line;
        return static_cast<unsigned char>(c);
    };
    const auto put = [&](int c) { data[write++] = static_cast<char>(c); };
    // Lines are views that need not touch each other: the next line starts
    // where the reading is, so the bytes a comment or a CR LF dropped are
    // stepped over instead of every later byte moving back.
    const auto end_line = [&] {
        sink(std::string_view(data + at.line_start, write - at.line_start), rs.line_number, context);
        write = read;
        at.line_start = read;
        rs.line_number = rs.physical_line;
    };
    // A comment: dropped up to its line feed (CR LF included) or zero byte.
    // False when the input ends inside it.
    const auto skip_comment = [&]() -> bool {
        std::size_t stop = read;
        while (stop < end && data[stop] != '\n' && data[stop] != '\0') ++stop;
        if (stop == end) {
            read = end;
            return false;
        }
        rs.in_comment = false;
        read = stop + 1;
        if (data[stop] == '\0') {
            put('\0');
        } else {
            ++rs.physical_line;
            put('\n');
            end_line();
        }
        return true;
    };

    if (rs.in_comment && !skip_comment()) {
        if (!more_follows) rs.in_comment = false;
        at.read = read;
        at.write = write;
        return;
    }
    while (read < end) {
        // A run of plain bytes moves in one piece (not at all unless a
        // comment or a CR LF has made the line shorter).
        const std::size_t stop = next_special(data, read, end);
        if (stop > read) {
            if (write != read) std::memmove(data + write, data + read, stop - read);
            write += stop - read;
            read = stop;
            if (read == end) break;
        }
        if (more_follows) {
            // CR needs the byte after it; `/` the byte after it, and one
            // more when that is a CR.
            const char c = data[read];
            const bool short_of_bytes =
                (c == '\r' && read + 1 == end) ||
                (c == '/' && (read + 1 == end || (data[read + 1] == '\r' && read + 2 == end)));
            if (short_of_bytes) break;
        }
        const int c = next();
        if (c == '"') rs.quoted = !rs.quoted;
        if (!rs.quoted && c == ';') {
            put('\n');
            end_line();
        } else if (c == '/') {
            const int d = next();
            if (d == -1) {
                put('/');
                break;
            }
            if (d != '/') {
                put('/');
                put(d);
                continue;
            }
            rs.in_comment = true;
            if (!skip_comment()) {
                if (!more_follows) rs.in_comment = false;
                break;
            }
        } else {
            put(c);
            if (c == '\n') end_line();
        }
    }
    at.read = read;
    at.write = write;
}

}  // namespace

void cut_source_lines(LineSink sink, void* context) {
    std::string& text = state.source_text;
    char* const data = text.data();
    Cursor at;
    at.end = std::min(text.find('\x1a'), text.size());
    ReaderState rs;
    cut(data, at, rs, false, sink, context);
    if (at.write > at.line_start)
        sink(std::string_view(data + at.line_start, at.write - at.line_start), rs.line_number, context);
    text.resize(at.write);
}

bool cut_file_lines(std::FILE* file, std::size_t piece, LineSink sink, void* context) {
    std::string& buffer = state.source_text;
    buffer.resize(std::max(buffer.size(), piece));
    Cursor at;
    ReaderState rs;
    bool more_follows = true;
    while (more_follows) {
        // [0, at.end) holds the line cut so far and the bytes not yet judged.
        if (buffer.size() < at.end + piece) {
            // A line longer than the pieces: a new buffer twice the size, which
            // may ask for large pages before anything is written to it.
            std::string grown;
            grown.reserve(std::max(buffer.size() * 2, at.end + piece));
            ask_for_large_pages(grown);
            grown.assign(buffer, 0, at.end);
            grown.resize(grown.capacity());
            buffer.swap(grown);
        }
        const std::size_t got = std::fread(buffer.data() + at.end, 1, piece, file);
        if (got < piece) {
            if (std::ferror(file) != 0) return false;
            more_follows = false;
        }
        char* const data = buffer.data();
        const void* stop = std::memchr(data + at.end, '\x1a', got);
        at.end += got;
        if (stop != nullptr) {  // the end of the input, as text mode reads it
            at.end = static_cast<std::size_t>(static_cast<const char*>(stop) - data);
            more_follows = false;
        }
        cut(data, at, rs, more_follows, sink, context);
        if (!more_follows) break;
        // Keep the unfinished line and the bytes not yet judged, at the front.
        const std::size_t line = at.write - at.line_start;
        const std::size_t rest = at.end - at.read;
        if (at.line_start > 0) std::memmove(data, data + at.line_start, line);
        if (at.read != line) std::memmove(data + line, data + at.read, rest);
        at = Cursor{0, line, line, line + rest};
    }
    if (at.write > at.line_start)
        sink(std::string_view(buffer.data() + at.line_start, at.write - at.line_start), rs.line_number, context);
    return true;
}

void read_source(std::string bytes) {
    state.source_text = std::move(bytes);
    cut_source_lines(
        [](std::string_view line, std::size_t line_number, void*) {
            state.source_lines.push_back(line);
            state.source_line_numbers.push_back(line_number);
        },
        nullptr);
}

}  // namespace kelvo
