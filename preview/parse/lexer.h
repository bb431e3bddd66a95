// The host text cut into tokens. A line feed is a token of its own: outside
// brackets it ends a statement. Blanks, tabs and carriage returns separate
// tokens; `//` comments run to the line's end, `/* */` comments to their
// close. A text literal runs from its quote (double or single) to the next
// quote of the same kind, line feeds and all, with no escapes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kelvo::preview {

enum class TokenKind : std::uint8_t {
    end,  // past the last byte
    line_end,
    number,
    text,  // "..." or '...'
    name,
    open_bracket,
    close_bracket,
    open_brace,
    close_brace,
    comma,
    semicolon,
    colon,
    plus,
    minus,
    times,
    divide,
    remainder,
    equals,
    plus_equals,
    minus_equals,
    times_equals,
    divide_equals,
    unclosed_text,  // a quote with no closing quote: to the text's end
    unknown_byte,   // a byte the host language has no use for
};

struct Token {
    TokenKind kind = TokenKind::end;
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
};

// The tokens of a text of less than 4 GiB, ending in one `end` token.
std::vector<Token> tokenize(std::string_view text);

}  // namespace kelvo::preview
