#include "core/handler.h"

#include "core/messages.h"
#include "core/term_translator.h"

namespace kelvo {

void translate_call(const Keyword& keyword, std::string& out) {
    build_call(keyword.row.operand_count, keyword.row.host_name, keyword.word, out);
}

void translate_text(const Keyword& keyword, std::string& out) { out += keyword.row.host_text; }

void build_call(std::int32_t count, std::string_view name, std::string_view caller, std::string& out) {
    out += name;
    out += '(';
    translate_term(out);
    for (std::int32_t i = 1; i < count; ++i) {
        out += ',';
        const std::size_t before = out.size();
        translate_term(out);
        if (out.size() == before) {
            report(Message::wrong_argument_count, {}, caller);
            out += '0';
        }
    }
    out += ')';
}

}  // namespace kelvo
