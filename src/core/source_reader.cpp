#include "core/source_reader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

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

}  // namespace

// The file is read as text mode reads it: up to the first byte 0x1A, with a
// CR LF pair read as one line feed. The lines are written back into the same
// buffer: the reader never writes more characters than it has read, so the
// write position stays behind the read position and the lines, once cut, stay
// where they are.
void cut_source_lines(LineSink sink, void* context) {
    std::string& text = state.source_text;
    char* const data = text.data();
    const std::size_t end = std::min(text.find('\x1a'), text.size());

    std::size_t read = 0;
    std::size_t write = 0;
    std::size_t line_start = 0;
    std::size_t line_number = 1;    // physical line on which the current line began
    std::size_t physical_line = 1;  // physical line of the read position
    bool quoted = false;

    // The next character as text mode hands it out, or -1 at the end.
    const auto next = [&]() -> int {
        if (read == end) return -1;
        char c = data[read++];
        if (c == '\r' && read < end && data[read] == '\n') c = data[read++];
        if (c == '\n') ++physical_line;
        return static_cast<unsigned char>(c);
    };
    const auto put = [&](int c) { data[write++] = static_cast<char>(c); };
    const auto end_line = [&] {
        sink(std::string_view(data + line_start, write - line_start), line_number, context);
        line_start = write;
        line_number = physical_line;
    };

    while (read < end) {
        // A run of plain bytes moves in one piece (not at all before the
        // first comment or CR LF has made the text shorter).
        std::size_t stop = read;
        while (stop < end && !is_special(data[stop])) ++stop;
        if (stop > read) {
            if (write != read) std::memmove(data + write, data + read, stop - read);
            write += stop - read;
            read = stop;
            if (read == end) break;
        }
        const int c = next();
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ';') {
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
            // A comment: dropped up to its line feed (CR LF included) or zero byte.
            std::size_t e = read;
            while (e < end && data[e] != '\n' && data[e] != '\0') ++e;
            if (e == end) {
                read = end;
                break;
            }
            read = e + 1;
            if (data[e] == '\0') {
                put('\0');
            } else {
                ++physical_line;
                put('\n');
                end_line();
            }
        } else {
            put(c);
            if (c == '\n') end_line();
        }
    }
    if (write > line_start) sink(std::string_view(data + line_start, write - line_start), line_number, context);
    text.resize(write);
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
