#include "reference.h"

#include <cstdint>

#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::tool {

namespace {

std::string cell(std::string_view code) {
    if (code.empty()) return "";
    return "`" + std::string(code) + "`";
}

}  // namespace

std::string operand_list(const KeywordRow& row, char separator) {
    std::string list;
    for (std::int32_t i = 0; i < row.operands.count; ++i) {
        if (i > 0) list += separator;
        list += row.operands[static_cast<std::size_t>(i)];
    }
    return list;
}

std::string source_form(const KeywordRow& row) {
    std::string form(row.keyword);
    if (row.operands.count > 0) form += ' ' + operand_list(row, ' ');
    return form;
}

std::string host_form(const KeywordRow& row) {
    if (!row.host_text.empty()) return std::string(row.host_text);
    if (row.host_name.empty()) return std::string(row.host_form);
    return std::string(row.host_name) + '(' + operand_list(row, ',') + ')';
}

std::string operand_count(const KeywordRow& row) {
    if (row.handler == &translate_call) return std::to_string(row.operand_count);
    if (row.operands.count > 0 && row.operands[static_cast<std::size_t>(row.operands.count - 1)].ends_with("...")) return "2 + count";
    return std::to_string(row.operands.count);
}

std::string keyword_table_markdown() {
    std::string out = "| Keyword and operands | Operands | Host text | Remark |\n|---|---|---|---|\n";
    for (const KeywordRow& row : keyword_table()) {
        out += "| " + cell(source_form(row)) + " | " + operand_count(row) + " | " + cell(host_form(row)) + " | ";
        out += row.remark;
        out += " |\n";
    }
    return out;
}

std::string constant_table_markdown() {
    std::string out = "| Name | Text |\n|---|---|\n";
    for (const ConstantRow& row : constant_table()) out += "| " + cell(row.name) + " | " + cell(row.text) + " |\n";
    return out;
}

}  // namespace kelvo::tool
