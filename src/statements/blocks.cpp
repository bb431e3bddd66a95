#include "statements/blocks.h"

#include <string_view>

#include "core/messages.h"
#include "core/term_translator.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

// The middle operand is checked after it has been translated, so a
// comparison word such as `<` is reported as unknown first and then as no
// operator. The operator message points at the middle operand's word.
void translate_condition(std::string_view opening, Message not_operator, std::string& out) {
    out += opening;
    translate_term(out);
    out += ' ';
    const std::size_t middle = out.size();
    const std::string_view middle_word = peek_word();
    translate_term(out);
    if (!is_operator(std::string_view(out).substr(middle))) report(not_operator, {}, middle_word);
    translate_term(out);
    out += ") ";
}

}  // namespace

void translate_open_brace(const Keyword&, std::string& out) { out += '{'; }
void translate_close_brace(const Keyword&, std::string& out) { out += '}'; }
void translate_else(const Keyword&, std::string& out) { out += "else "; }
void translate_do(const Keyword&, std::string& out) { out += "do "; }
void translate_continue(const Keyword&, std::string& out) { out += "continue;"; }
void translate_break(const Keyword&, std::string& out) { out += "break;"; }
void translate_default(const Keyword&, std::string& out) { out += "default:"; }

void translate_case(const Keyword&, std::string& out) {
    out += "case ";
    translate_term(out);
    out += ':';
}

void translate_repeat(const Keyword& keyword, std::string& out) { build_call(1, "repeat", keyword.word, out); }
void translate_switch(const Keyword& keyword, std::string& out) { build_call(1, "switch", keyword.word, out); }
void translate_return(const Keyword& keyword, std::string& out) { build_call(1, "return", keyword.word, out); }

void translate_if(const Keyword&, std::string& out) { translate_condition("if(", Message::if_not_operator, out); }

void translate_while(const Keyword&, std::string& out) {
    translate_condition("while(", Message::while_not_operator, out);
}

}  // namespace kelvo
