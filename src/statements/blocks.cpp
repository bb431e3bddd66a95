#include "statements/blocks.h"

#include <string_view>

#include "core/messages.h"
#include "core/term_translator.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

// The row's host text opens the condition. The middle operand is checked
// after it has been translated, so a comparison word such as `<` is reported
// as unknown first and then as no operator.
void translate_condition(const KeywordRow& row, Message not_operator, std::string& out) {
    out += row.host;
    translate_term(out);
    out += ' ';
    const std::size_t middle = out.size();
    translate_term(out);
    if (!is_operator(std::string_view(out).substr(middle))) report(not_operator);
    translate_term(out);
    out += ") ";
}

}  // namespace

void translate_case(const KeywordRow& row, std::string& out) {
    out += row.host;
    translate_term(out);
    out += ':';
}

void translate_if(const KeywordRow& row, std::string& out) {
    translate_condition(row, Message::if_not_operator, out);
}

void translate_while(const KeywordRow& row, std::string& out) {
    translate_condition(row, Message::while_not_operator, out);
}

}  // namespace kelvo
