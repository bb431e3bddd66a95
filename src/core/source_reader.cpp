#include "core/source_reader.h"

#include <cstddef>

#include "core/state.h"

namespace kelvo {

namespace {

// Hands out the characters of the file as text mode reads them. The reader
// writes its lines back into the same buffer: it never writes more
// characters than it has read, so the write position stays behind.
class TextModeInput {
public:
    explicit TextModeInput(std::string& bytes) : bytes_(bytes) {
        const std::size_t stop = bytes_.find('\x1a');
        end_ = stop == std::string::npos ? bytes_.size() : stop;
    }

    // The next character, or -1 at the end of the input.
    int next() {
        if (read_ == end_) return -1;
        char c = bytes_[read_++];
        if (c == '\r' && read_ < end_ && bytes_[read_] == '\n') c = bytes_[read_++];
        if (c == '\n') ++physical_line_;
        return static_cast<unsigned char>(c);
    }

    std::size_t physical_line() const { return physical_line_; }

private:
    std::string& bytes_;
    std::size_t read_ = 0;
    std::size_t end_ = 0;
    std::size_t physical_line_ = 1;
};

}  // namespace

void read_source(std::string bytes) {
    state.source_text = std::move(bytes);
    std::string& text = state.source_text;
    TextModeInput input(text);

    std::size_t write = 0;
    std::size_t line_start = 0;
    std::size_t line_number = 1;
    std::vector<std::size_t> line_ends;
    bool quoted = false;

    const auto put = [&](int c) { text[write++] = static_cast<char>(c); };
    const auto end_line = [&] {
        line_ends.push_back(write);
        state.source_line_numbers.push_back(line_number);
        line_start = write;
        line_number = input.physical_line();
    };

    for (int c = input.next(); c != -1; c = input.next()) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ';') {
            put('\n');
            end_line();
        } else if (c == '/') {
            const int d = input.next();
            if (d == -1) {
                put('/');
                break;
            }
            if (d != '/') {
                put('/');
                put(d);
                continue;
            }
            int e = input.next();  // a comment: dropped up to its line feed or zero byte
            while (e != -1 && e != '\n' && e != '\0') e = input.next();
            if (e == -1) break;
            put(e);
            if (e == '\n') end_line();
        } else {
            put(c);
            if (c == '\n') end_line();
        }
    }
    if (write > line_start) {
        line_ends.push_back(write);
        state.source_line_numbers.push_back(line_number);
    }
    text.resize(write);

    state.source_lines.reserve(line_ends.size());
    std::size_t begin = 0;
    for (const std::size_t end : line_ends) {
        state.source_lines.emplace_back(text.data() + begin, end - begin);
        begin = end;
    }
}

}  // namespace kelvo

