#include "framing.h"

#include <cctype>
#include <cstdlib>

namespace kelvo::lsp {

namespace {

constexpr std::size_t largest_message = std::size_t{1} << 30;

// The value of a Content-Length header line, or nullopt for any other line.
std::optional<std::size_t> content_length(std::string_view line) {
    constexpr std::string_view name = "content-length:";
    if (line.size() < name.size()) return std::nullopt;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != name[i]) return std::nullopt;
    std::string_view value = line.substr(name.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    std::size_t n = 0;
    if (value.empty()) return std::nullopt;
    for (const char c : value) {
        if (c < '0' || c > '9' || n > largest_message) return std::nullopt;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n;
}

}  // namespace

// A header line without its CR LF (or LF); nullopt at the end of the input.
std::optional<std::string> MessageReader::header_line() {
    std::string line;
    for (int c = std::getc(in_); c != EOF; c = std::getc(in_)) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        line += static_cast<char>(c);
        if (line.size() > 4096) line.erase(0, 2048);  // no header is this long: keep memory bounded
    }
    return std::nullopt;
}

std::optional<std::string> MessageReader::next() {
    for (;;) {
        std::optional<std::size_t> length;
        std::optional<std::string> line;
        while ((line = header_line()) && !line->empty()) {
            if (const auto n = content_length(*line)) length = n;
        }
        if (!line) return std::nullopt;
        if (!length) continue;
        std::string body(*length, '\0');
        if (std::fread(body.data(), 1, body.size(), in_) != body.size()) return std::nullopt;
        return body;
    }
}

bool write_message(std::FILE* out, std::string_view body) {
    const std::string header = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    return std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
           std::fwrite(body.data(), 1, body.size(), out) == body.size() && std::fflush(out) == 0;
}

}  // namespace kelvo::lsp
