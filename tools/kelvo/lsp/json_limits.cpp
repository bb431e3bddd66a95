#include "json_limits.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace kelvo::lsp {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_blanks(std::string_view text, std::size_t at) {
    while (at < text.size() && blank(text[at])) ++at;
    return at;
}

// Just past the string that opens at `at`; npos when it is not closed.
std::size_t string_end(std::string_view text, std::size_t at) {
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            return i + 1;
        }
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

}  // namespace kelvo::lsp
