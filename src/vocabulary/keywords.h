// The keyword table: every keyword of the source script with its handler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo {

struct KeywordRow;

// Translates one occurrence of a keyword: the keyword is already off the
// line; the handler takes its operands from `current_line` (through
// translate_term or the word cursor), appends its host text to `out` without a
// line feed, and reports problems as messages while still producing text.
using TermHandler = void (*)(const KeywordRow& row, std::string& out);

struct KeywordRow {
    std::string_view keyword;
    TermHandler handler;
    std::string_view host;        // host function name, or the fixed host text
    std::int32_t operands = 0;    // operand count of a built-in call
};

// Appends the host call name(op1,op2,...) with `count` operands translated
// from the line, left to right. The first operand goes in as it comes; each
// later one that comes out empty is reported and replaced by "0".
void build_call(std::int32_t count, std::string_view name, std::string& out);

// The handler of a built-in call row: build_call with the row's host name and
// operand count.
void call(const KeywordRow& row, std::string& out);
// The handler of a fixed-text row: the row's host text, no operand read.
void fixed_text(const KeywordRow& row, std::string& out);

// Binds every keyword to its row, in table order, by assignment.
void register_handlers();

// The table itself, for tests that hold it against the language reference.
std::size_t keyword_count();
const KeywordRow& keyword_row(std::size_t index);

}  // namespace kelvo
