// The handler contract: what a keyword's handler is given and must do, the
// rows of the keyword table, and the forming of host calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/inlining.h"
#include "core/messages.h"
#include "core/term_translator.h"

namespace kelvo {

struct KeywordRow;

// One occurrence of a keyword in the line: its row, and the word as it
// stands there (messages about the call point at it).
struct Keyword {
    const KeywordRow& row;
    std::string_view word;
};

// Translates one occurrence of a keyword: the keyword is already off the
// line; the handler takes its operands from `current_line` (through
// translate_term or the word cursor), appends its host text to `out` without a
// line feed, and reports problems as messages while still producing text.
using TermHandler = void (*)(const Keyword& keyword, std::string& out);

// What a keyword is to a script author (and to an editor colouring it).
enum class KeywordKind : std::uint8_t {
    call,         // a built-in call of a host function
    text,         // a fixed host text
    flow,         // a block or flow statement
    declaration,  // `var`, `function`, `end`
};

// The names of a keyword's operands, as a script author reads them.
inline constexpr std::size_t max_operand_names = 10;
struct OperandNames {
    std::array<std::string_view, max_operand_names> names{};
    std::int32_t count = 0;

    constexpr OperandNames() = default;
    constexpr OperandNames(std::initializer_list<std::string_view> list) {
        for (const std::string_view name : list) names.at(static_cast<std::size_t>(count++)) = name;
    }
    constexpr std::string_view operator[](std::size_t i) const { return names.at(i); }
};

// A row of the keyword table: everything known about one keyword. Each
// column means one thing for every row: a row that has no use for a column
// leaves it empty.
struct KeywordRow {
    std::string_view keyword;
    TermHandler handler = nullptr;
    KeywordKind kind = KeywordKind::call;
    std::string_view host_name;      // a call: the host function it calls
    std::int32_t operand_count = 0;  // a call: the operands it reads
    std::string_view host_text;      // a fixed text: the whole host text it stands for
    OperandNames operands;           // the operands by name
    std::string_view host_form;      // a statement's host text, with its operands by name
    std::string_view summary;        // what it does, in one line
    std::string_view remark;         // what the reference adds about it
};

// The handler of a built-in call: build_call with the row's host name and
// operand count.
void translate_call(const Keyword& keyword, std::string& out);
// The handler of a fixed text: the row's host text, no operand read.
void translate_text(const Keyword& keyword, std::string& out);

// The kinds of row, as the keyword table names them. A block or flow
// statement that is a call or a fixed text in its host form is that row with
// the kind `flow`.
constexpr KeywordRow call(std::string_view keyword, std::string_view host_name, OperandNames operands,
                          std::string_view summary, std::string_view remark = {}) {
    return {keyword, translate_call, KeywordKind::call, host_name, operands.count, {}, operands, {}, summary, remark};
}
constexpr KeywordRow text(std::string_view keyword, std::string_view host_text, std::string_view summary,
                          std::string_view remark = {}) {
    return {keyword, translate_text, KeywordKind::text, {}, 0, host_text, {}, {}, summary, remark};
}
constexpr KeywordRow flow(KeywordRow row) {
    row.kind = KeywordKind::flow;
    return row;
}
constexpr KeywordRow statement(std::string_view keyword, TermHandler handler, KeywordKind kind, OperandNames operands,
                               std::string_view host_form, std::string_view summary, std::string_view remark = {}) {
    return {keyword, handler, kind, {}, 0, {}, operands, host_form, summary, remark};
}

// Appends to host text; on 32-bit x86 out of line, as the frames of the
// recursion would otherwise each hold what a growing string needs.
KELVO_LEAN_FRAMES void append(std::string& out, std::string_view text) { out += text; }
KELVO_LEAN_FRAMES void append(std::string& out, char c) { out += c; }
// "\"" + text + "\""
KELVO_LEAN_FRAMES void append_quoted(std::string& out, std::string_view text) {
    out += '"';
    out += text;
    out += '"';
}

// Appends the host call name(op1,op2,...) with `count` operands translated
// from the line, left to right. The first operand goes in as it comes; each
// later one that comes out empty is reported and replaced by "0". `caller` is
// the keyword's word, where a message about a missing operand points.
// Folded into the handler that calls it: it is a step of the recursion.
KELVO_FOLDED void build_call(std::int32_t count, std::string_view name, std::string_view caller,
                             std::string& out) {
    append(out, name);
    append(out, '(');
    translate_term(out);
    for (std::int32_t i = 1; i < count; ++i) {
        append(out, ',');
        const std::size_t before = out.size();
        translate_term(out);
        if (out.size() == before) {
            report(Message::wrong_argument_count, {}, caller);
            append(out, '0');
        }
    }
    append(out, ')');
}

}  // namespace kelvo
