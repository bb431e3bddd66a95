#include "core/handler.h"

namespace kelvo {

TermOutcome translate_call(const Keyword& keyword, std::string& out) {
    build_call(keyword.row.operand_count, keyword.row.host_name, keyword, out);
    return TermOutcome::done;
}

TermOutcome translate_text(const Keyword& keyword, std::string& out) {
    append(out, keyword.row.host_text);
    return TermOutcome::done;
}

}  // namespace kelvo
