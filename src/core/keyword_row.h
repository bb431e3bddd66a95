// A row of the keyword table: everything known about one keyword, and the
// contract of the handler that translates it. What the tools see of a
// keyword is its row; how a handler does its work is in core/handler.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kelvo {

struct KeywordRow;

// One occurrence of a keyword in the line: its row, and the word as it
// stands there (messages about the call point at it).
struct Keyword {
    const KeywordRow& row;
    std::string_view word;
};

// How a term ended, for whoever translated it: the run (whether the words
// left on the line are worth a warning) and a condition (whether its first
// operand took the operator into itself).
enum class TermOutcome : std::uint8_t {
    done,
    chained,      // a variable took an operator word and the term after it
    rest_unread,  // the keyword leaves the rest of its line unread on purpose
};

// Translates one occurrence of a keyword: the keyword is already off the
// line; the handler takes its operands from `current_line` (through
// translate_term or the word cursor), appends its host text to `out` without a
// line feed, and reports problems as messages while still producing text.
using TermHandler = TermOutcome (*)(const Keyword& keyword, std::string& out);

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

// A row of the keyword table. Each column means one thing for every row: a
// row that has no use for a column leaves it empty.
struct KeywordRow {
    std::string_view keyword;
    TermHandler handler = nullptr;
    KeywordKind kind = KeywordKind::call;
    std::string_view host_name;      // a call: the host function it calls
    std::int32_t operand_count = 0;  // the terms it reads (a call: its operands)
    std::string_view host_text;      // a fixed text: the whole host text it stands for
    OperandNames operands;           // the operands by name
    std::string_view host_form;      // a statement's host text, with its operands by name
    std::string_view summary;        // what it does, in one line
    std::string_view remark;         // what the reference adds about it
    // `function`: the operands after the count repeat, one for each parameter.
    bool operands_repeat = false;
    std::uint8_t index = 0;  // its place in the table
};

}  // namespace kelvo
