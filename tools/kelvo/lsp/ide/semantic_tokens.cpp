// Semantic tokens: what each word of a document is, from the translator's
// analysis (the grammar of an editor cannot know which names are declared),
// its comments, and the words a line drops untranslated.
#include <algorithm>
#include <array>
#include <cstring>

#include "ide.h"

namespace kelvo::ide {

namespace {

constexpr std::array<std::string_view, token_type_count> token_type_names = {
    "keyword",  "callKeyword", "textKeyword", "declarationKeyword", "constant", "stringGlobal", "realGlobal",
    "variable", "function",    "parameter",   "operator",           "number",   "string",       "comment"};
static_assert(token_type_names.back() == "comment", "one name for each token type, in the order of the types");

constexpr std::array<std::string_view, token_modifier_count> token_modifier_names = {"declaration", "dropped",
                                                                                     "readonly", "defaultLibrary"};

Token keyword_token(const KeywordRow& row) {
    switch (row.kind) {
        case KeywordKind::call: return {{}, TokenType::call_keyword, default_library};
        case KeywordKind::text: return {{}, TokenType::text_keyword, default_library};
        case KeywordKind::declaration: return {{}, TokenType::declaration_keyword, default_library};
        default: return {{}, TokenType::keyword, default_library};
    }
}

// Cuts a token at the editors' line ends, and leaves out what an earlier
// token already covers.
void add_cut(const Subject& s, const Token& whole, std::vector<Token>& out) {
    Token token = whole;
    if (!out.empty()) token.span.begin = std::max(token.span.begin, out.back().span.end);
    if (token.span.begin >= token.span.end) return;
    // Most tokens lie on one line: no line end among their bytes.
    const char* bytes = s.text().data() + token.span.begin;
    const std::size_t length = token.span.end - token.span.begin;
    if (std::memchr(bytes, '\n', length) == nullptr && std::memchr(bytes, '\r', length) == nullptr) {
        out.push_back(token);
        return;
    }
    while (token.span.begin < token.span.end) {
        const std::size_t line = s.lines.line_of(token.span.begin);
        Token piece = token;
        piece.span.end = std::min(token.span.end, s.lines.line_end(line));
        if (piece.span.end > piece.span.begin) out.push_back(piece);
        if (line + 1 >= s.lines.line_count()) break;
        token.span.begin = s.lines.line_start(line + 1);
    }
}

// A list of the analysis in the order of the source, from the first entry
// that ends after `offset` on.
template <class Entry, class End>
std::size_t first_ending_after(const std::vector<Entry>& list, std::size_t offset, End end) {
    const auto found = std::partition_point(list.begin(), list.end(), [&](const Entry& e) { return end(e) <= offset; });
    return static_cast<std::size_t>(found - list.begin());
}

}  // namespace

std::string_view token_type_name(TokenType type) { return token_type_names.at(static_cast<std::size_t>(type)); }
std::string_view token_modifier_name(std::size_t bit) { return token_modifier_names.at(bit); }

Token token_of(const AnalysedWord& w) {
    switch (w.kind) {
        case WordKind::keyword:
            return w.keyword_row() != nullptr ? keyword_token(*w.keyword_row()) : Token{{}, TokenType::keyword, 0};
        case WordKind::string: return {{}, TokenType::string, 0};
        case WordKind::parameter: return {{}, TokenType::parameter, 0};
        case WordKind::parameter_name: return {{}, TokenType::parameter, declaration};
        case WordKind::constant: return {{}, TokenType::constant, readonly | default_library};
        case WordKind::real_global: return {{}, TokenType::real_global, readonly};
        case WordKind::string_global: return {{}, TokenType::string_global, readonly};
        case WordKind::script: return {{}, TokenType::script, 0};
        case WordKind::script_name: return {{}, TokenType::script, declaration};
        case WordKind::variable_name: return {{}, TokenType::variable, declaration};
        case WordKind::operator_word: return {{}, TokenType::operator_word, 0};
        case WordKind::number: return {{}, TokenType::number, 0};
        default: return {{}, TokenType::variable, 0};  // a variable, or a word known as nothing (taken for a variable)
    }
}

std::vector<Token> semantic_tokens(const Subject& s, Span range) {
    const Analysis& a = s.analysis;
    std::vector<Token> out;
    const std::size_t end = std::min(range.end, s.text().size());
    const auto ends = [](const auto& e) { return std::size_t{e.end}; };
    const auto word_ends = [](const AnalysedWord& w) { return std::size_t{w.bytes.end}; };
    std::size_t word = first_ending_after(a.words, range.begin, word_ends);
    std::size_t dropped = first_ending_after(a.dropped, range.begin, word_ends);
    std::size_t comment = first_ending_after(a.comments, range.begin, ends);
    out.reserve(a.words.size() - word + 16);
    for (;;) {
        // The next of the three lists, in the order of the text.
        const std::size_t w = word < a.words.size() ? a.words[word].bytes.begin : end;
        const std::size_t d = dropped < a.dropped.size() ? a.dropped[dropped].bytes.begin : end;
        const std::size_t c = comment < a.comments.size() ? a.comments[comment].begin : end;
        const std::size_t next = std::min({w, d, c});
        if (next >= end) break;
        Token token;
        if (next == w) {
            token = token_of(a.words[word]);
            token.span = span_of(a.words[word++].bytes);
        } else if (next == d) {
            token = {span_of(a.dropped[dropped++].bytes), TokenType::comment, ide::dropped};
        } else {
            token = {span_of(a.comments[comment++]), TokenType::comment, 0};
        }
        token.span.begin = std::max(token.span.begin, range.begin);
        token.span.end = std::min(token.span.end, end);
        add_cut(s, token, out);
    }
    return out;
}

}  // namespace kelvo::ide
