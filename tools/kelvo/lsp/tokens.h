// Semantic tokens: what each word of a document is, from the translator's
// analysis (the grammar of an editor cannot know which names are declared),
// its comments, and the words a line drops untranslated.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "features.h"

namespace kelvo::lsp {

// The legend, in the order of the numbers the tokens carry.
enum class TokenType : std::uint8_t {
    keyword,             // a block or flow statement
    call_keyword,        // a built-in call of a host function
    text_keyword,        // a fixed host text
    declaration_keyword, // var, function, end
    constant,
    string_global,
    real_global,
    variable,
    script,
    parameter,
    operator_word,
    number,
    string,
    comment,
};
inline constexpr std::array<const char*, 14> token_type_names = {
    "keyword", "callKeyword", "textKeyword", "declarationKeyword", "constant", "stringGlobal", "realGlobal",
    "variable", "function", "parameter", "operator", "number", "string", "comment"};

enum TokenModifier : std::uint32_t {
    declaration = 1u << 0,      // where a variable, script or parameter is declared
    dropped = 1u << 1,          // a word the line does not translate
    readonly = 1u << 2,         // constants and global arguments
    default_library = 1u << 3,  // the language's own keywords and constants
};
inline constexpr std::array<const char*, 4> token_modifier_names = {"declaration", "dropped", "readonly",
                                                                    "defaultLibrary"};

// One token on one protocol line.
struct Token {
    Span span;
    TokenType type = TokenType::variable;
    std::uint32_t modifiers = 0;
};

// The tokens of the bytes in `range`, in the order of the text, none across
// a line end.
std::vector<Token> semantic_tokens(const Document& document, const Analysis& analysis, Span range);

}  // namespace kelvo::lsp
