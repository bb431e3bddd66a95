#include "library/reference.h"

#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo {

namespace {

std::string cell(std::string_view code) {
    if (code.empty()) return "";
    return "`" + std::string(code) + "`";
}

}  // namespace

std::string operand_label(const KeywordRow& row, std::size_t index) {
    std::string label(row.operands[index]);
    if (row.operands_repeat && index + 1 == static_cast<std::size_t>(row.operands.count)) label += "...";
    return label;
}

std::string operand_list(const KeywordRow& row, char separator) {
    std::string list;
    for (std::size_t i = 0; i < static_cast<std::size_t>(row.operands.count); ++i) {
        if (i > 0) list += separator;
        list += operand_label(row, i);
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

std::string operand_count_text(const KeywordRow& row) {
    if (row.operands_repeat) return std::to_string(row.operand_count - 1) + " + count";
    return std::to_string(row.operand_count);
}

std::string operands_text(std::int32_t count) { return std::to_string(count) + (count == 1 ? " operand" : " operands"); }

std::string keyword_table_markdown() {
    std::string out = "| Keyword and operands | Operands | Host text | Remark |\n|---|---|---|---|\n";
    for (const KeywordRow& row : keyword_table()) {
        out += "| " + cell(source_form(row)) + " | " + operand_count_text(row) + " | " + cell(host_form(row)) + " | ";
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

}  // namespace kelvo
