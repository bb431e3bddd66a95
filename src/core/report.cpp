#include "core/report.h"

#include <array>
#include <initializer_list>

#include "core/keyword_row.h"

namespace kelvo {

namespace {

// Each code: its severity, its name and its text, where each {} takes the
// next of the facts that fill() hands it.
struct CodeRow {
    Code code;
    Severity severity;
    std::string_view name;
    std::string_view text;
};

constexpr std::array<CodeRow, code_count> code_rows = {{
    {Code::unexpected_symbol, Severity::error, "unexpected-symbol", "Unexpected symbol: {}"},
    {Code::unknown_variable, Severity::error, "unknown-variable", "Unknown variable: {}"},
    {Code::wrong_argument_count, Severity::error, "wrong-argument-count",
     "Wrong number of arguments to function or script."},
    {Code::not_operator, Severity::error, "not-operator", "is not operator help:'{} var0 operator var1'"},
    {Code::negative_argument_size, Severity::error, "negative-argument-size", "Negative function argument size"},
    {Code::nesting_too_deep, Severity::error, "nesting-too-deep", "Nesting too deep"},
    {Code::cannot_open_source, Severity::error, "cannot-open-source", "Cannot open source file: {}"},
    {Code::cannot_write_output, Severity::error, "cannot-write-output", "Cannot write output file: {}"},
    {Code::internal_error, Severity::error, "internal-error", "Internal error"},
    {Code::words_left, Severity::warning, "words-left",
     "'{}' and the rest of the line are not translated: a line holds one term"},
    {Code::variable_takes_operator, Severity::warning, "variable-takes-operator",
     "'{}' is one operand: a variable takes the operator and the next term into it, so '{}' finds no operator "
     "after it"},
    {Code::quote_runs_on, Severity::warning, "quote-runs-on",
     "this double quote is not closed on its line: the string runs on into the following lines, where ';' no "
     "longer ends a line"},
    {Code::comment_in_string, Severity::warning, "comment-in-string",
     "'//' starts a comment also inside a quoted string: the rest of the line is dropped, the closing quote "
     "with it"},
    {Code::name_refused, Severity::warning, "name-refused", "'{}' is {}: {}"},
    {Code::nested_function, Severity::warning, "nested-function",
     "'function' inside the open definition of '{}': definitions do not nest, and the lines collected so far "
     "go into this one"},
    {Code::definition_left_open, Severity::error, "definition-left-open",
     "the definition of '{}' is still open at the end of the file: it is not emitted, and it takes in the lines "
     "of the next run up to an 'end'"},
    {Code::block_left_open, Severity::warning, "block-left-open",
     "this '{' is not closed by the end of the file: the block stays open in the host script"},
    {Code::block_not_open, Severity::warning, "block-not-open",
     "this '}' closes no block: the host script gets a '}' that closes nothing"},
    {Code::operator_after_value, Severity::warning, "operator-after-value",
     "'{}' and the rest of the line are not translated: an operator word joins a chain only after a declared "
     "variable, and '{}' is none"},
    {Code::empty_operand, Severity::warning, "empty-operand",
     "the first operand of '{}' is empty in the host text: the engine rejects the call"},
    {Code::comment_after_blanks, Severity::warning, "comment-after-blanks",
     "this line holds only blanks before its comment: it is translated as a line whose term is missing"},
    {Code::end_without_function, Severity::warning, "end-without-function",
     "this 'end' closes no definition: it stores one without a name, which the host text writes as a line the "
     "engine rejects"},
    {Code::did_you_mean, Severity::note, "did-you-mean", "did you mean '{}'?"},
    {Code::no_comparison_words, Severity::note, "no-comparison-words",
     "the language has no comparison words: '{}' is none of the operator words + - * / % = += -= *= /="},
    {Code::missing_operands, Severity::note, "missing-operands", "'{}' takes {}{}; this line gives it {}"},
    {Code::unsigned_numbers, Severity::note, "unsigned-numbers",
     "'{}' is no number: numbers are unsigned whole numbers (see "
     "docs/guide.md#write-a-negative-number-or-a-fraction)"},
    {Code::host_name, Severity::note, "host-name", "'{}' is the host name of {}"},
    {Code::block_closer, Severity::note, "block-closer", "blocks close with '}'"},
    {Code::quote_carried, Severity::note, "quote-carried",
     "the string runs on into line {} {}, a ';' ends a line only outside the strings as the quotes pair up across the "
     "lines"},
    {Code::declared_later, Severity::note, "declared-later", "'{}' is declared on line {}, after this use"},
    {Code::chain_idiom, Severity::note, "chain-idiom", "declare the value first: `var limit {}`, then `{}`"},
    {Code::close_block, Severity::note, "close-block", "close it with a '}' on a line of its own"},
    {Code::stray_closer, Severity::note, "stray-closer",
     "remove it, or open the block it closes with a '{' on a line of its own"},
    {Code::give_operand, Severity::note, "give-operand",
     "give '{}' a first operand that translates: an unsigned number, a declared variable, a constant, a string "
     "or a call"},
    {Code::comment_first_column, Severity::note, "comment-first-column",
     "start the comment in the first column: a line that holds only a comment from there makes no line at all"},
    {Code::empty_text, Severity::note, "empty-text",
     "the language has no empty text: '\"\"' is read as a word, and a string holds at least one character; a "
     "text of one blank is '\" \"' (see docs/guide.md#text)"},
    {Code::declared_without_value, Severity::note, "declared-without-value",
     "'{}' got no value from its 'var' on line {}: a 'var' whose value is empty declares nothing"},
    {Code::declare_first, Severity::note, "declare-first",
     "'{}' is no variable: an operator word joins a chain only after a declared one; declare it first, as "
     "'var {} 0'"},
    {Code::host_argument_count, Severity::warning, "host-argument-count",
     "'{}' takes {} in the host, not {}: the engine rejects this call when it runs"},
}};

constexpr bool rows_in_order() {
    for (std::size_t i = 0; i < code_rows.size(); ++i)
        if (static_cast<std::size_t>(code_rows[i].code) != i) return false;
    return true;
}
static_assert(rows_in_order(), "one row for each code, in the order of the codes");

const CodeRow& row_of(Code code) { return code_rows[static_cast<std::size_t>(code)]; }

std::string_view taken_text(Taken taken) {
    switch (taken) {
        case Taken::variable: return "already a variable";
        case Taken::constant: return "a constant";
        case Taken::global: return "a global argument";
        case Taken::keyword: return "a keyword";
        case Taken::first_script: return "the first script of this run";
        case Taken::nothing: break;
    }
    return "free";
}

std::string_view keyword_of(const KeywordRow* row) { return row == nullptr ? std::string_view() : row->keyword; }

// The text with each {} replaced by the next fact.
std::string fill(std::string_view text, std::initializer_list<std::string_view> facts) {
    std::string out;
    auto fact = facts.begin();
    for (std::size_t at = text.find("{}"); at != std::string_view::npos && fact != facts.end(); at = text.find("{}")) {
        out += text.substr(0, at);
        out += *fact++;
        text.remove_prefix(at + 2);
    }
    out += text;
    return out;
}

std::string quoted(std::string_view word) { return "'" + std::string(word) + "'"; }

std::string refused_text(const Report& r) {
    const bool var = keyword_of(r.keyword) == "var";
    const std::string_view consequence =
        var ? "this 'var' declares nothing and its line stays empty"
            : "this 'function' declares no script, yet the lines up to 'end' still go into a definition";
    return fill(row_of(r.code).text, {r.word, taken_text(r.taken), consequence});
}

std::string missing_operands_text(const Report& r) {
    const std::string takes = std::to_string(r.operands) + (r.operands == 1 ? " operand" : " operands");
    const std::string listed = r.names.empty() ? std::string() : " (" + std::string(r.names) + ")";
    return fill(row_of(r.code).text, {r.word, takes, listed, std::to_string(r.given)});
}

// The lines an open string runs on into: from `line` to `operands` (0: to
// the end of the file).
std::string quote_carried_text(const Report& r) {
    const std::string first = std::to_string(r.line);
    const std::size_t last = static_cast<std::size_t>(r.operands);
    std::string lines;
    if (r.operands <= 0) {
        lines = "and to the end of the file: from there on";
    } else if (last == r.line) {
        lines = "and ends there: on that line";
    } else {
        lines = "and ends on line " + std::to_string(last) + ": on lines " + first + " to " + std::to_string(last);
    }
    return fill(row_of(r.code).text, {first, lines});
}

// A message that follows from the one before it, as the tools show it: what
// it means for the call, then the library's own text.
std::string consequence_text(const Report& r) {
    std::string message;
    append_message_text(message, r.code, r.word, r.keyword);
    const std::string place = r.keyword != nullptr ? "operand " + std::to_string(r.operands) + " of " + quoted(keyword_of(r.keyword))
                                                   : "argument " + std::to_string(r.operands) + " of " + quoted(r.name);
    if (r.code == Code::unexpected_symbol) return place + " finds no word either (" + message + ")";
    if (r.keyword != nullptr) return "so " + place + " is 0 in the host text (" + message + ")";
    return "so " + place + " is empty in the host text: the engine rejects the call (" + message + ")";
}

std::string host_name_text(const Report& r) {
    std::string keywords = quoted(keyword_of(r.keyword));
    if (r.other_keyword != nullptr) keywords += " and " + quoted(keyword_of(r.other_keyword));
    return fill(row_of(r.code).text, {r.word, keywords});
}

}  // namespace

Severity severity_of(Code code) { return row_of(code).severity; }

Severity Report::severity() const { return consequence ? Severity::note : severity_of(code); }

std::string_view code_name(Code code) { return row_of(code).name; }

bool code_named(std::string_view name, Code& code) {
    for (const CodeRow& row : code_rows) {
        if (row.name != name) continue;
        code = row.code;
        return true;
    }
    return false;
}

void append_message_text(std::string& out, Code code, std::string_view word, const KeywordRow* keyword) {
    const std::string_view text = row_of(code).text;
    const std::size_t at = text.find("{}");
    if (at == std::string_view::npos) {
        out += text;
        return;
    }
    out += text.substr(0, at);
    out += code == Code::not_operator ? keyword_of(keyword) : word;
    out += text.substr(at + 2);
}

std::string report_text(const Report& r) {
    const std::string_view text = row_of(r.code).text;
    if (r.consequence && (r.code == Code::wrong_argument_count || r.code == Code::unexpected_symbol))
        return consequence_text(r);
    if (is_library_message(r.code)) {
        std::string out;
        append_message_text(out, r.code, r.word, r.keyword);
        return out;
    }
    switch (r.code) {
        case Code::variable_takes_operator: return fill(text, {r.name, keyword_of(r.keyword)});
        case Code::name_refused: return refused_text(r);
        case Code::nested_function:
        case Code::definition_left_open:
        case Code::did_you_mean: return fill(text, {r.name});
        case Code::missing_operands: return missing_operands_text(r);
        case Code::host_name: return host_name_text(r);
        case Code::quote_carried: return quote_carried_text(r);
        case Code::declared_later:
        case Code::declared_without_value: return fill(text, {r.word, std::to_string(r.line)});
        case Code::operator_after_value: return fill(text, {r.word, r.name});
        case Code::chain_idiom: return fill(text, {r.name, r.names});
        case Code::empty_operand: return (r.consequence ? "so " : "") + fill(text, {keyword_of(r.keyword)});
        case Code::give_operand: return fill(text, {keyword_of(r.keyword)});
        case Code::declare_first: return fill(text, {r.word, r.word});
        case Code::host_argument_count: return fill(text, {r.word, r.name, std::to_string(r.given)});
        default: return fill(text, {r.word});
    }
}

}  // namespace kelvo
