#include "json_limits.h"

#include <algorithm>
#include <string>
#include <vector>

#include "library/line_index.h"  // the text module: utf8_character

namespace kelvo::lsp {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_blanks(std::string_view text, std::size_t at) {
    while (at < text.size() && blank(text[at])) ++at;
    return at;
}

// Just past the string that opens at `at`; npos when it is not closed. A
// quote closes it unless an odd run of backslashes stands before it; each
// run is looked at once, for the quote after it.
std::size_t string_end(std::string_view text, std::size_t at) {
    for (std::size_t i = text.find('"', at + 1); i != npos; i = text.find('"', i + 1)) {
        std::size_t slashes = 0;
        while (i - slashes > at + 1 && text[i - 1 - slashes] == '\\') ++slashes;
        if (slashes % 2 == 0) return i + 1;
    }
    return npos;
}

// Just past the value at `at`, an array or object stepped over by counting
// brackets; npos when the text ends inside it, or a scalar is not followed
// by anything (it might go on).
std::size_t value_end(std::string_view text, std::size_t at) {
    if (at >= text.size()) return npos;
    if (text[at] == '"') return string_end(text, at);
    if (text[at] != '[' && text[at] != '{') {
        while (at < text.size() && !blank(text[at]) && text[at] != ',' && text[at] != '}' && text[at] != ']') ++at;
        return at < text.size() ? at : npos;
    }
    std::size_t depth = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            i = string_end(text, i);
            if (i == npos) return npos;
            --i;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if ((c == ']' || c == '}') && --depth == 0) {
            return i + 1;
        }
    }
    return npos;
}

// A JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool json_number(std::string_view t) {
    std::size_t i = t.starts_with('-') ? 1 : 0;
    const std::size_t first = i;
    while (i < t.size() && digit(t[i])) ++i;
    if (i == first || (t[first] == '0' && i > first + 1)) return false;
    if (i < t.size() && t[i] == '.') {
        const std::size_t from = ++i;
        while (i < t.size() && digit(t[i])) ++i;
        if (i == from) return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        if (++i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        const std::size_t from = i;
        while (i < t.size() && digit(t[i])) ++i;
        if (i == from) return false;
    }
    return i == t.size();
}

// A whole JSON string: it parses as one (escapes and UTF-8 checked).
bool json_string(std::string_view t) {
    if (t.size() < 2 || t.front() != '"') return false;
    return nlohmann::json::accept(t);
}

bool is_id_key(std::string_view key) {
    if (key == "\"id\"") return true;
    if (key.find('\\') == npos || !nlohmann::json::accept(key)) return false;
    return nlohmann::json::parse(key) == "id";  // "\u0069d" is "id" too
}

// The four hex digits at `at` as a number, or -1.
long hex4(std::string_view s, std::size_t at) {
    if (at + 4 > s.size()) return -1;
    long value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const char c = s[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

void append_utf8(std::string& out, unsigned long code) {
    const auto put = [&out](unsigned long byte) { out += static_cast<char>(byte); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0 | (code >> 6));
        put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        put(0xE0 | (code >> 12));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    } else {
        put(0xF0 | (code >> 18));
        put(0x80 | ((code >> 12) & 0x3F));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    }
}

// A `\u` escape at `at` (with the low half that must follow a high
// surrogate): appends its character and returns the escape's length, or 0.
std::size_t unicode_escape(std::string_view s, std::size_t at, std::string& out) {
    const long high = hex4(s, at + 2);
    if (high < 0 || (high >= 0xDC00 && high <= 0xDFFF)) return 0;
    if (high < 0xD800 || high > 0xDBFF) {
        append_utf8(out, static_cast<unsigned long>(high));
        return 6;
    }
    if (s.substr(at + 6, 2) != "\\u") return 0;
    const long low = hex4(s, at + 8);
    if (low < 0xDC00 || low > 0xDFFF) return 0;
    append_utf8(out, 0x10000 + ((static_cast<unsigned long>(high) - 0xD800) << 10) + (static_cast<unsigned long>(low) - 0xDC00));
    return 12;
}

char simple_escape(char c) {
    switch (c) {
        case '"': return '"';
        case '\\': return '\\';
        case '/': return '/';
        case 'b': return '\b';
        case 'f': return '\f';
        case 'n': return '\n';
        case 'r': return '\r';
        case 't': return '\t';
        default: return 0;
    }
}

bool plain(unsigned char c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; }

// The value of a JSON string's contents (between its quotes), or nothing
// where they are not what the parser would take.
std::optional<std::string> decoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t at = 0;
    while (at < s.size()) {
        std::size_t run = at;
        while (run < s.size() && plain(static_cast<unsigned char>(s[run]))) ++run;
        out.append(s.data() + at, run - at);
        if ((at = run) == s.size()) break;
        std::size_t length = 0;
        if (static_cast<unsigned char>(s[at]) >= 0x80) {
            const Utf8Character c = utf8_character(s, at);
            length = c.valid ? c.length : 0;
            out.append(s.data() + at, length);
        } else if (s[at] == '\\' && at + 1 < s.size() && s[at + 1] == 'u') {
            length = unicode_escape(s, at, out);
        } else if (s[at] == '\\' && at + 1 < s.size() && simple_escape(s[at + 1]) != 0) {
            out += simple_escape(s[at + 1]);
            length = 2;
        }
        if (length == 0) return std::nullopt;  // a control byte, a bad escape or bad UTF-8
        at += length;
    }
    return out;
}

// A long string's stand-in while the rest is parsed: as it is written in the
// message, and as the parser reads it.
std::string stand_in(std::size_t index) { return "\\u0000kelvo-long-string-" + std::to_string(index); }
std::string stand_in_value(std::size_t index) { return std::string(1, '\0') + "kelvo-long-string-" + std::to_string(index); }

// Puts the long strings back where their stand-ins were parsed; false when
// a stand-in is not found exactly once (the message itself held one).
bool put_back(nlohmann::json& message, std::vector<std::string>& values) {
    std::vector<std::size_t> found(values.size(), 0);
    std::vector<nlohmann::json*> open{&message};
    while (!open.empty()) {
        nlohmann::json* value = open.back();
        open.pop_back();
        if (value->is_structured()) {
            for (nlohmann::json& inner : *value) open.push_back(&inner);
            continue;
        }
        if (!value->is_string()) continue;
        const std::string& text = value->get_ref<const std::string&>();
        const std::size_t digits = text.find_last_not_of("0123456789") + 1;
        const std::size_t index = digits < text.size() && text.size() - digits < 10 ? std::stoul(text.substr(digits)) : 0;
        if (index >= values.size() || text != stand_in_value(index)) continue;
        if (++found[index] == 1) *value = std::move(values[index]);
    }
    return std::all_of(found.begin(), found.end(), [](std::size_t n) { return n == 1; });
}

}  // namespace

std::size_t nesting_depth(std::string_view text) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            i = string_end(text, i);
            if (i == npos) break;
            --i;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

std::optional<std::string_view> top_level_id(std::string_view text) {
    std::optional<std::string_view> id;
    std::size_t at = skip_blanks(text, 0);
    if (at == text.size() || text[at] != '{') return id;
    for (at = skip_blanks(text, at + 1); at < text.size() && text[at] == '"';) {
        const std::size_t key_end = string_end(text, at);
        if (key_end == npos) break;
        const std::string_view key = text.substr(at, key_end - at);
        at = skip_blanks(text, key_end);
        if (at == text.size() || text[at] != ':') break;
        at = skip_blanks(text, at + 1);
        const std::size_t end = value_end(text, at);
        if (end == npos) break;
        const std::string_view value = text.substr(at, end - at);
        if (is_id_key(key)) id = json_number(value) || json_string(value) ? std::optional(value) : std::nullopt;
        at = skip_blanks(text, end);
        if (at == text.size() || text[at] != ',') break;
        at = skip_blanks(text, at + 1);
    }
    return id;
}

nlohmann::json parse_message(std::string_view text, std::size_t long_enough) {
    std::string shortened;
    std::vector<std::string> values;
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '"') continue;
        const std::size_t end = string_end(text, at);
        if (end == npos) break;
        // A long string that is a value, not a member's name.
        const std::size_t after = skip_blanks(text, end);
        if (end - at > long_enough && (after == text.size() || text[after] != ':')) {
            if (std::optional<std::string> value = decoded(text.substr(at + 1, end - at - 2))) {
                shortened.append(text.substr(copied, at - copied));
                shortened += '"' + stand_in(values.size()) + '"';
                values.push_back(std::move(*value));
                copied = end;
            }
        }
        at = end - 1;
    }
    if (values.empty()) return nlohmann::json::parse(text);
    shortened.append(text.substr(copied));
    try {
        nlohmann::json message = nlohmann::json::parse(shortened);
        if (put_back(message, values)) return message;
    } catch (const nlohmann::json::exception&) {
        // The parser's own verdict on the message as it was sent, below.
    }
    return nlohmann::json::parse(text);
}

}  // namespace kelvo::lsp
