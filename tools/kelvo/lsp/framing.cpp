#include "framing.h"

#include <algorithm>
#include <limits>

namespace kelvo::lsp {

namespace {

constexpr std::string_view length_name = "content-length";
constexpr std::size_t longest_header_line = 8192;
constexpr std::size_t longest_header_block = 65536;
constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t too_long = npos - 1;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` is `name` (lower case) in any case.
bool equal_ci(std::string_view text, std::string_view name) {
    if (text.size() != name.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (lower(text[i]) != name[i]) return false;
    return true;
}

// Where "content-length" first occurs in `text`, in any case.
std::size_t find_length_name(std::string_view text) {
    for (std::size_t i = 0; i + length_name.size() <= text.size(); ++i)
        if (lower(text[i]) == 'c' && equal_ci(text.substr(i, length_name.size()), length_name)) return i;
    return npos;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A character of a header's name: visible ASCII but the separators.
bool name_char(char c) {
    constexpr std::string_view separators = "()<>@,;:\\\"/[]?={}";
    return c > ' ' && c < 127 && separators.find(c) == npos;
}

// Up to 40 bytes of what came, on one line of standard error.
std::string shown(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, 40)) out += c >= ' ' && c < 127 ? c : '?';
    return text.size() > 40 ? out + "..." : out;
}

// The number of a Content-Length; one too large for size_t is its largest.
std::optional<std::size_t> length_value(std::string_view value) {
    if (value.empty()) return std::nullopt;
    constexpr std::size_t most = std::numeric_limits<std::size_t>::max();
    std::size_t n = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n > (most - 9) / 10 ? most : n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n;
}

// Looks through a body as it arrives for a header that follows too early:
// "content-length" outside a JSON string (where JSON never has a `c`), or a
// start of it at the very end of the body.
class GlueScan {
public:
    // Scans on over `body` (the part there so far); where the header
    // begins, or npos.
    std::size_t advance(std::string_view body, bool complete) {
        for (; pos_ < body.size(); ++pos_) {
            const char c = body[pos_];
            if (quoted_) {
                if (c == '\\' && pos_ + 1 == body.size()) break;  // its escaped byte is still to come
                if (c == '\\') ++pos_;
                if (c == '"') quoted_ = false;
                continue;
            }
            if (c == '"') quoted_ = true;
            if (lower(c) != 'c') continue;
            const std::string_view rest = body.substr(pos_, length_name.size());
            if (!equal_ci(rest, length_name.substr(0, rest.size()))) continue;
            if (rest.size() == length_name.size() || complete) return pos_;
            break;  // perhaps the name: wait for the rest
        }
        return npos;
    }

private:
    std::size_t pos_ = 0;
    bool quoted_ = false;
};

}  // namespace

void MessageReader::compact() {
    if (at_ == 0 || at_ < buffer_.size() / 2) return;
    buffer_.erase(0, at_);
    at_ = 0;
}

bool MessageReader::fill() {
    if (ended_) return false;
    compact();
    char chunk[std::size_t{1} << 16];
    const std::size_t got = source_.read(chunk, sizeof chunk);
    buffer_.append(chunk, got);
    ended_ = got == 0;
    return !ended_;
}

// Takes in one header line; false (and why) when it is none, or a bad
// Content-Length. Content-Type and other headers change nothing: every body
// is JSON in UTF-8.
bool MessageReader::header_line(std::string_view line, Header& header) const {
    const std::size_t colon = line.find(':');
    const std::string_view name = line.substr(0, colon);
    if (colon == npos || name.empty() || !std::all_of(name.begin(), name.end(), name_char)) {
        header.error = "not a header line: '" + shown(line) + "'";
        return false;
    }
    if (!equal_ci(name, length_name)) {
        // Bytes glued to the front of a Content-Length header.
        if (find_length_name(name) == npos) return true;
        header.error = "bytes before a header: '" + shown(line) + "'";
        return false;
    }
    const std::string_view value = trim(line.substr(colon + 1));
    const std::optional<std::size_t> length = length_value(value);
    if (!length) {
        header.error = "Content-Length is no number: '" + shown(value) + "'";
        return false;
    }
    if (header.length && *header.length != *length) {
        header.error = "two Content-Length headers that differ";
        return false;
    }
    header.length = length;
    return true;
}

// Where the line from at_ + pos ends (its LF), reading on as needed;
// too_long when it is longer than a header line may be, npos when the input
// ends first.
std::size_t MessageReader::line_feed(std::size_t pos) {
    for (;;) {
        const std::string_view rest = std::string_view(buffer_).substr(at_ + pos);
        const std::size_t feed = rest.find('\n');
        if (std::min(feed, rest.size()) > longest_header_line) return too_long;
        if (feed != npos) return feed;
        if (!fill()) return npos;
    }
}

// Reads a header block through its empty line; nullopt at the end of the
// input. Empty lines before a block are passed over.
std::optional<MessageReader::Header> MessageReader::header_block() {
    Header header;
    std::size_t pos = 0;  // after at_
    bool any = false;
    for (;;) {
        const std::size_t feed = pos > longest_header_block ? too_long : line_feed(pos);
        if (feed == too_long) {
            header.error = "a header longer than the limit";
            header.resume = pos + 1;
            return header;
        }
        const std::string_view rest = std::string_view(buffer_).substr(at_ + pos);
        if (feed == npos) {
            if (any || rest.find_first_not_of(" \t\r\n") != npos) complain_("the input ended inside a header");
            at_ = buffer_.size();
            return std::nullopt;
        }
        std::string_view line = rest.substr(0, feed);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t line_start = pos;
        pos += feed + 1;
        if (line.empty() && !any) {
            at_ += pos;
            pos = 0;
        } else if (line.empty()) {
            if (!header.length) {
                header.error = "a header block without Content-Length";
                header.resume = pos;
                return header;
            }
            at_ += pos;
            return header;
        } else {
            any = true;
            if (!header_line(line, header)) {
                header.resume = line_start + 1;
                return header;
            }
        }
    }
}

// Steps on to the next "Content-Length" in any case, past at most `limit`
// bytes; true when it is found.
bool MessageReader::seek_header(std::size_t limit) {
    for (;;) {
        const std::string_view rest = std::string_view(buffer_).substr(at_);
        const std::size_t found = find_length_name(rest);
        if (found != npos && found < limit) {
            at_ += found;
            return true;
        }
        // A tail that may begin the name stays for the next round.
        const std::size_t keep = found == npos ? std::min(rest.size(), length_name.size() - 1) : 0;
        const std::size_t skip = std::min(rest.size() - keep, limit);
        at_ += skip;
        limit -= skip;
        if (limit == 0) return false;
        if (!fill()) {
            at_ = buffer_.size();
            return false;
        }
    }
}

// The body of `length` bytes, or what of it comes before a header that
// follows too early; nullopt when the input ends first.
std::optional<std::string> MessageReader::body(std::size_t length) {
    GlueScan scan;
    for (;;) {
        const std::size_t there = std::min(buffer_.size() - at_, length);
        const std::string_view text = std::string_view(buffer_).substr(at_, there);
        const std::size_t glued = scan.advance(text, there == length);
        if (glued != npos) {
            complain_("a body of " + std::to_string(glued) + " bytes where Content-Length says " +
                      std::to_string(length) + ": the next header follows");
            at_ += glued;
            return std::string(text.substr(0, glued));
        }
        if (there == length) {
            at_ += length;
            return std::string(text);
        }
        if (!fill()) {
            complain_("the input ended inside a message body");
            at_ = buffer_.size();
            return std::nullopt;
        }
    }
}

std::optional<std::string> MessageReader::next() {
    for (;;) {
        const std::optional<Header> header = header_block();
        if (!header) return std::nullopt;
        if (!header->error.empty()) {
            complain_(header->error + "; reading on at the next Content-Length header");
            at_ = std::min(at_ + header->resume, buffer_.size());
            seek_header(npos);
        } else if (*header->length > largest_body) {
            complain_("a Content-Length above the limit of 64 MiB: the body is skipped unread");
            seek_header(*header->length);
        } else {
            return body(*header->length);
        }
    }
}

bool write_message(std::FILE* out, std::string_view body) {
    const std::string header = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    return std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
           std::fwrite(body.data(), 1, body.size(), out) == body.size() && std::fflush(out) == 0;
}

}  // namespace kelvo::lsp
