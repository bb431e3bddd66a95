#include "tokens.h"

#include <algorithm>

#include "text_scan.h"
#include "vocabulary/keywords.h"

namespace kelvo::lsp {

namespace {

Token keyword_token(const KeywordRow& row) {
    switch (row.kind) {
        case KeywordKind::call:
            return {{}, TokenType::call_keyword, default_library};
        case KeywordKind::text:
            return {{}, TokenType::text_keyword, default_library};
        case KeywordKind::declaration:
            return {{}, TokenType::declaration_keyword, default_library};
        default:
            return {{}, TokenType::keyword, default_library};
    }
}

Token word_token(const AnalysedWord& w) {
    switch (w.kind) {
        case WordKind::keyword:
            return w.keyword != nullptr ? keyword_token(*w.keyword) : Token{{}, TokenType::keyword, 0};
        case WordKind::string:
            return {{}, TokenType::string, 0};
        case WordKind::parameter:
            return {{}, TokenType::parameter, 0};
        case WordKind::parameter_name:
            return {{}, TokenType::parameter, declaration};
        case WordKind::constant:
            return {{}, TokenType::constant, readonly | default_library};
        case WordKind::real_global:
            return {{}, TokenType::real_global, readonly};
        case WordKind::string_global:
            return {{}, TokenType::string_global, readonly};
        case WordKind::script:
            return {{}, TokenType::script, 0};
        case WordKind::script_name:
            return {{}, TokenType::script, declaration};
        case WordKind::variable_name:
            return {{}, TokenType::variable, declaration};
        case WordKind::operator_word:
            return {{}, TokenType::operator_word, 0};
        case WordKind::number:
            return {{}, TokenType::number, 0};
        default:  // a variable, or a word known as nothing (taken for a variable)
            return {{}, TokenType::variable, 0};
    }
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == ';'; }

// Cuts a token at the protocol's line ends, and leaves out what lies before
// `from` (a token that an earlier one overlaps).
void add_cut(const Document& document, const Token& whole, std::vector<Token>& out) {
    Token token = whole;
    if (!out.empty()) token.span.begin = std::max(token.span.begin, out.back().span.end);
    if (token.span.begin >= token.span.end) return;
    // Most tokens lie on one line: no line end among their bytes.
    const std::string_view bytes = std::string_view(document.text()).substr(token.span.begin, token.span.end - token.span.begin);
    if (find_either(bytes, 0, '\r', '\n') == std::string_view::npos) {
        out.push_back(token);
        return;
    }
    while (token.span.begin < token.span.end) {
        const std::size_t line = document.lines().place(token.span.begin).line;
        const std::size_t line_end = document.lines().line_start(line) + document.line(line).size();
        Token piece = token;
        piece.span.end = std::min(token.span.end, line_end);
        if (piece.span.end > piece.span.begin) out.push_back(piece);
        token.span.begin = document.lines().line_start(line + 1);
        if (line + 1 >= document.line_count()) break;
    }
}

// The runs of bytes in [begin, end) that are no blank and no `/` that
// continues the line: the words a line leaves untranslated.
void add_dropped(const Document& document, std::size_t begin, std::size_t end, std::vector<Token>& out) {
    const std::string_view text = document.text();
    std::size_t at = begin;
    while (at < end) {
        while (at < end && blank(text[at])) ++at;
        const std::size_t start = at;
        while (at < end && !blank(text[at])) ++at;
        std::size_t stop = at;
        if (stop == start + 1 && text[start] == '/' && (stop == text.size() || text[stop] == '\n' || text[stop] == '\r'))
            continue;  // a `/` at a line end: the line goes on
        if (stop > start) add_cut(document, {{start, stop}, TokenType::comment, dropped}, out);
    }
}

}  // namespace

std::vector<Token> semantic_tokens(const Document& document, const Analysis& analysis, Span range) {
    std::vector<Token> out;
    const TextRegions regions = text_regions(document.text());
    const std::size_t bom = document.text().starts_with("\xEF\xBB\xBF") ? 3 : 0;
    // The words whose span ends inside the range or after it.
    const SourcePosition first = document.position_of(range.begin);
    auto word = std::lower_bound(analysis.words.begin(), analysis.words.end(), first,
                                 [](const AnalysedWord& w, SourcePosition p) {
                                     return w.span.end.line < p.line || (w.span.end.line == p.line && w.span.end.column <= p.column);
                                 });
    auto comment = std::lower_bound(regions.comments.begin(), regions.comments.end(), range.begin,
                                    [](const Span& s, std::size_t o) { return s.end <= o; });
    std::size_t at = std::max(range.begin, bom);
    const std::size_t end = std::min(range.end, document.text().size());
    // Room for a token a word and a comment up to the range's end (a line
    // that drops words needs more).
    const SourcePosition last = document.position_of(end);
    const auto words_end = std::lower_bound(word, analysis.words.end(), last, [](const AnalysedWord& w, SourcePosition p) {
        return w.span.begin.line < p.line || (w.span.begin.line == p.line && w.span.begin.column < p.column);
    });
    out.reserve(static_cast<std::size_t>(words_end - word) + static_cast<std::size_t>(regions.comments.end() - comment) + 16);
    // The bytes of the next word, worked out once.
    const auto bytes_of_word = [&] { return word != analysis.words.end() ? span_of(document, word->span) : Span{end, end}; };
    Span word_bytes = bytes_of_word();
    while (at < end) {
        const std::size_t comment_at = comment != regions.comments.end() ? comment->begin : end;
        const std::size_t next = std::min({word_bytes.begin, comment_at, end});
        if (next > at) add_dropped(document, at, std::min(next, regions.end), out);
        if (next >= end) break;
        Token token;
        if (next == word_bytes.begin) {
            token = word_token(*word);
            token.span = word_bytes;
            ++word;
            word_bytes = bytes_of_word();
        } else {
            token = {*comment, TokenType::comment, 0};
            ++comment;
        }
        at = std::max({at, next, token.span.end});
        token.span.end = std::min(token.span.end, end);
        token.span.begin = std::max(token.span.begin, range.begin);
        add_cut(document, token, out);
    }
    return out;
}

}  // namespace kelvo::lsp
