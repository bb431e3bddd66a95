// How handlers do their work: the kinds of rows of the keyword table, the
// appending of host text and the forming of host calls. The contract itself
// and the row are in core/keyword_row.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/inlining.h"
#include "core/keyword_row.h"
#include "core/messages.h"
#include "core/term_translator.h"

namespace kelvo {

// The handler of a built-in call: build_call with the row's host name and
// operand count.
TermOutcome translate_call(const Keyword& keyword, std::string& out);
// The handler of a fixed text: the row's host text, no operand read.
TermOutcome translate_text(const Keyword& keyword, std::string& out);

// The kinds of row, as the keyword table names them. A block or flow
// statement that is a call or a fixed text in its host form is that row with
// the kind `flow`.
constexpr KeywordRow call(std::string_view keyword, std::string_view host_name, OperandNames operands,
                          std::string_view summary, std::string_view remark = {}) {
    return {keyword, translate_call, KeywordKind::call, host_name, operands.count, {}, operands, {}, summary, remark, false};
}
constexpr KeywordRow text(std::string_view keyword, std::string_view host_text, std::string_view summary,
                          std::string_view remark = {}) {
    return {keyword, translate_text, KeywordKind::text, {}, 0, host_text, {}, {}, summary, remark, false};
}
constexpr KeywordRow flow(KeywordRow row) {
    row.kind = KeywordKind::flow;
    return row;
}
constexpr KeywordRow statement(std::string_view keyword, TermHandler handler, KeywordKind kind, OperandNames operands,
                               std::string_view host_form, std::string_view summary, std::string_view remark = {}) {
    return {keyword, handler, kind, {}, operands.count, {}, operands, host_form, summary, remark, false};
}
// A statement whose last operand repeats (`function`: one parameter name
// for each its count asks for).
constexpr KeywordRow repeating(KeywordRow row) {
    row.operands_repeat = true;
    return row;
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
// later one that comes out empty is reported and replaced by "0". The
// keyword's word is where a message about a missing operand points.
// Folded into the handler that calls it: it is a step of the recursion.
KELVO_FOLDED void build_call(std::int32_t count, std::string_view name, const Keyword& keyword, std::string& out) {
    append(out, name);
    append(out, '(');
    const std::size_t first = out.size();
    translate_term(out);
    if (out.size() == first) report_empty_operand(keyword.word, &keyword.row, 1);
    for (std::int32_t i = 1; i < count; ++i) {
        append(out, ',');
        const std::size_t before = out.size();
        translate_term(out);
        if (out.size() == before) {
            report_empty_operand(keyword.word, &keyword.row, i + 1);
            append(out, '0');
        }
    }
    append(out, ')');
}

}  // namespace kelvo
