#include "preview/parse/lexer.h"

#include <array>

namespace kelvo::preview {

namespace {

enum class Class : std::uint8_t { other, blank, digit, letter, quote, punctuation, operation };

constexpr std::array<Class, 256> classes = [] {
    std::array<Class, 256> table{};
    for (const char c : std::string_view(" \t\r\v\f")) table[static_cast<unsigned char>(c)] = Class::blank;
    for (char c = '0'; c <= '9'; ++c) table[static_cast<unsigned char>(c)] = Class::digit;
    for (char c = 'a'; c <= 'z'; ++c) table[static_cast<unsigned char>(c)] = Class::letter;
    for (char c = 'A'; c <= 'Z'; ++c) table[static_cast<unsigned char>(c)] = Class::letter;
    table['_'] = Class::letter;
    table['"'] = Class::quote;
    table['\''] = Class::quote;
    for (const char c : std::string_view("(){},;:\n")) table[static_cast<unsigned char>(c)] = Class::punctuation;
    for (const char c : std::string_view("+-*/%=")) table[static_cast<unsigned char>(c)] = Class::operation;
    return table;
}();

Class class_of(char c) { return classes[static_cast<unsigned char>(c)]; }

TokenKind punctuation_kind(char c) {
    switch (c) {
    case '(': return TokenKind::open_bracket;
    case ')': return TokenKind::close_bracket;
    case '{': return TokenKind::open_brace;
    case '}': return TokenKind::close_brace;
    case ',': return TokenKind::comma;
    case ';': return TokenKind::semicolon;
    case ':': return TokenKind::colon;
    default: return TokenKind::line_end;
    }
}

// An operator and whether `=` follows it to make an assignment operator.
TokenKind operation_kind(char c, bool with_equals) {
    switch (c) {
    case '+': return with_equals ? TokenKind::plus_equals : TokenKind::plus;
    case '-': return with_equals ? TokenKind::minus_equals : TokenKind::minus;
    case '*': return with_equals ? TokenKind::times_equals : TokenKind::times;
    case '/': return with_equals ? TokenKind::divide_equals : TokenKind::divide;
    case '%': return TokenKind::remainder;
    default: return TokenKind::equals;
    }
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        tokens.reserve(text_.size() / 3 + 1);
        while (skip_space()) tokens.push_back(next());
        tokens.push_back({TokenKind::end, here(), here()});
        return tokens;
    }

private:
    std::uint32_t here() const { return static_cast<std::uint32_t>(at_); }
    char peek(std::size_t ahead) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }

    // Steps over blanks and comments; false at the end of the text.
    bool skip_space() {
        while (at_ < text_.size()) {
            if (class_of(text_[at_]) == Class::blank) {
                ++at_;
            } else if (text_[at_] == '/' && peek(1) == '/') {
                const std::size_t line_end = text_.find('\n', at_);
                at_ = line_end == std::string_view::npos ? text_.size() : line_end;
            } else if (text_[at_] == '/' && peek(1) == '*') {
                const std::size_t close = text_.find("*/", at_ + 2);
                at_ = close == std::string_view::npos ? text_.size() : close + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    Token next() {
        const std::uint32_t begin = here();
        const char c = text_[at_];
        switch (class_of(c)) {
        case Class::digit: return number(begin);
        case Class::letter: return name(begin);
        case Class::quote: return quoted(begin, c);
        case Class::punctuation: ++at_; return {punctuation_kind(c), begin, here()};
        case Class::operation: return operation(begin, c);
        default:
            if (c == '.' && class_of(peek(1)) == Class::digit) return number(begin);
            ++at_;
            return {TokenKind::unknown_byte, begin, here()};
        }
    }

    Token number(std::uint32_t begin) {
        while (at_ < text_.size() && class_of(text_[at_]) == Class::digit) ++at_;
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            while (at_ < text_.size() && class_of(text_[at_]) == Class::digit) ++at_;
        }
        return {TokenKind::number, begin, here()};
    }

    Token name(std::uint32_t begin) {
        while (at_ < text_.size() && (class_of(text_[at_]) == Class::letter || class_of(text_[at_]) == Class::digit)) ++at_;
        return {TokenKind::name, begin, here()};
    }

    Token quoted(std::uint32_t begin, char quote) {
        const std::size_t close = text_.find(quote, at_ + 1);
        if (close == std::string_view::npos) {
            at_ = text_.size();
            return {TokenKind::unclosed_text, begin, here()};
        }
        at_ = close + 1;
        return {TokenKind::text, begin, here()};
    }

    Token operation(std::uint32_t begin, char c) {
        const bool with_equals = c != '=' && c != '%' && peek(1) == '=';
        at_ += with_equals ? 2 : 1;
        return {operation_kind(c, with_equals), begin, here()};
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

std::vector<Token> tokenize(std::string_view text) { return Lexer(text).run(); }

}  // namespace kelvo::preview
