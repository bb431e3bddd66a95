#include "positions.h"

#include <algorithm>

namespace kelvo::lsp {

namespace {

// Whether the text has a CR that no LF follows.
bool has_lone_cr(std::string_view text) {
    for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1))
        if (at + 1 == text.size() || text[at + 1] != '\n') return true;
    return false;
}

bool continuation(std::string_view s, std::size_t at, unsigned char low = 0x80, unsigned char high = 0xBF) {
    if (at >= s.size()) return false;
    const auto c = static_cast<unsigned char>(s[at]);
    return c >= low && c <= high;
}

// The length of the valid UTF-8 sequence at `at`, or 1 for a byte that
// begins none (it stands for U+FFFD on its own).
std::size_t sequence_length(std::string_view s, std::size_t at) {
    const auto c = static_cast<unsigned char>(s[at]);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return continuation(s, at + 1) ? 2 : 1;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = c == 0xED ? 0x9F : 0xBF;
        return continuation(s, at + 1, low, high) && continuation(s, at + 2) ? 3 : 1;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
        return continuation(s, at + 1, low, high) && continuation(s, at + 2) && continuation(s, at + 3) ? 4 : 1;
    }
    return 1;
}

// The units one character of `length` bytes takes.
std::size_t units(std::size_t length, Encoding encoding) {
    if (encoding == Encoding::utf8) return length;
    return encoding == Encoding::utf16 && length == 4 ? 2 : 1;
}

}  // namespace

Document::Document(std::string text, Encoding encoding)
    : text_(std::move(text)), encoding_(encoding), lines_(text_, LineIndex::Ends::any) {
    if (has_lone_cr(text_)) source_lines_.emplace(text_, LineIndex::Ends::line_feeds);
}

SourcePosition Document::position_of(std::size_t offset) const {
    const LineIndex::Place place = source_lines().place(offset);
    return {place.line + 1, place.column + 1};
}

std::size_t Document::source_line_start(std::size_t line) const {
    if (line == 0 || line > source_lines().line_count()) return text_.size();
    return source_lines().line_start(line - 1);
}

std::size_t Document::source_line_end(std::size_t line) const {
    if (line == 0 || line > source_lines().line_count()) return text_.size();
    return source_lines().line_start(line - 1) + source_lines().line(line - 1).size();
}

std::string_view Document::source_line(std::size_t line) const {
    return line == 0 ? std::string_view() : source_lines().line(line - 1);
}

std::size_t units_of(std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::utf8) return bytes.size();
    std::size_t count = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = std::min(sequence_length(bytes, at), bytes.size() - at);
        count += units(length, encoding);
        at += length;
    }
    return count;
}

std::size_t bytes_of(std::string_view line, std::size_t wanted, Encoding encoding) {
    if (encoding == Encoding::utf8) return std::min(wanted, line.size());
    std::size_t counted = 0;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t length = sequence_length(line, at);
        counted += units(length, encoding);
        if (counted > wanted) break;
        at += length;
    }
    return at;
}

Place to_protocol(const Document& document, std::size_t offset) {
    const LineIndex::Place place = document.lines().place(offset);
    const std::string_view line = document.line(place.line);
    const std::size_t column = std::min(place.column, line.size());
    return {place.line, units_of(line.substr(0, column), document.encoding())};
}

std::size_t from_protocol(const Document& document, Place place) {
    if (place.line >= document.line_count()) return document.text().size();
    const std::string_view line = document.line(place.line);
    return document.lines().line_start(place.line) + bytes_of(line, place.character, document.encoding());
}

Place ForwardPlaces::operator()(std::size_t offset) {
    const LineIndex& lines = document_.lines();
    offset = std::min(offset, document_.text().size());
    // On from the line of the last offset while the next line begins at or before this one.
    if (line_ == static_cast<std::size_t>(-1) || offset < offset_) enter(lines.place(offset).line);
    while (offset >= next_start_ && line_ + 1 < lines.line_count()) enter(line_ + 1);
    const std::size_t to = std::max(std::min(offset, line_end_), offset_);
    const std::string_view bytes = std::string_view(document_.text()).substr(offset_, to - offset_);
    units_ += bytes_are_units_ ? bytes.size() : units_of(bytes, document_.encoding());
    offset_ = to;
    return {line_, units_};
}

void ForwardPlaces::enter(std::size_t line) {
    line_ = line;
    offset_ = document_.lines().line_start(line);
    units_ = 0;
    const std::string_view bytes = document_.line(line);
    line_end_ = offset_ + bytes.size();
    next_start_ = document_.lines().line_start(line + 1);
    bytes_are_units_ = document_.encoding() == Encoding::utf8 ||
                       std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace kelvo::lsp
