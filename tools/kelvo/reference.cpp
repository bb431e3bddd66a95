#include "reference.h"

#include <array>

#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::tool {

namespace {

// The operand names of every keyword, in the order of the keyword table.
constexpr std::array<KeywordDoc, 92> docs = {{
    {"line", "x1 y1 x2 y2", "", ""},
    {"color", "color", "", ""},
    {"lengthdir_x", "length direction", "", ""},
    {"lengthdir_y", "length direction", "", ""},
    {"random", "n", "", ""},
    {"abs", "x", "", ""},
    {"sign", "x", "", ""},
    {"round", "x", "", ""},
    {"floor", "x", "", ""},
    {"ceil", "x", "", ""},
    {"frac", "x", "", ""},
    {"sqrt", "x", "", ""},
    {"sqr", "x", "", ""},
    {"power", "x", "", "one operand"},
    {"exp", "x", "", ""},
    {"ln", "x", "", ""},
    {"log2", "x", "", ""},
    {"log10", "x", "", ""},
    {"logn", "n x", "", ""},
    {"sin", "x", "", ""},
    {"cos", "x", "", ""},
    {"tang", "x", "", "the tangent; `tan` is a colour"},
    {"arcsin", "x", "", ""},
    {"arctan", "x", "", ""},
    {"arctan2", "y x", "", ""},
    {"degtorad", "a b", "", "two operands"},
    {"radtodeg", "a b", "", "two operands"},
    {"min2", "a b", "", ""},
    {"min3", "a b c", "", ""},
    {"max2", "a b", "", ""},
    {"max3", "a b c", "", ""},
    {"mean2", "a b", "", ""},
    {"mean3", "a b c", "", ""},
    {"median2", "a b", "", ""},
    {"median3", "a b c", "", ""},
    {"distance", "x1 y1 x2 y2", "", ""},
    {"direction", "x1 y1 x2 y2", "", ""},
    {"rgb", "red green blue", "", ""},
    {"hsv", "hue saturation value", "", ""},
    {"merge_color", "color1 color2", "", "two operands"},
    {"getpixel", "x y", "", ""},
    {"text_get_char", "text index", "", ""},
    {"text_copy", "text index count", "", ""},
    {"text_count", "part text", "", ""},
    {"text_delete", "text index count", "", ""},
    {"text_digits", "text", "", ""},
    {"text_height", "text", "", ""},
    {"text_width", "text", "", ""},
    {"text_insert", "part text index", "", ""},
    {"text_length", "text", "", ""},
    {"clear", "color", "", ""},
    {"print", "x y text", "", ""},
    {"alpha", "alpha", "", ""},
    {"line_color", "x1 y1 x2 y2 color1 color2", "", ""},
    {"line_width", "x1 y1 x2 y2 width", "", ""},
    {"line_width_color", "x1 y1 x2 y2 width color1 color2", "", ""},
    {"point", "x y", "", ""},
    {"point_color", "x y color", "", ""},
    {"circle", "x y r outline", "", ""},
    {"circle_color", "x y r color1 color2 outline", "", ""},
    {"ellipse", "x1 y1 x2 y2 outline", "", ""},
    {"ellipse_color", "x1 y1 x2 y2 color1 color2 outline", "", ""},
    {"rectangle", "x1 y1 x2 y2 outline", "", ""},
    {"rectangle_color", "x1 y1 x2 y2 color1 color2 color3 color4 outline", "", ""},
    {"roundrect", "x1 y1 x2 y2 outline", "", ""},
    {"roundrect_color", "x1 y1 x2 y2 color1 color2 color3 color4 outline", "", ""},
    {"arrow", "x1 y1 x2 y2 size", "", ""},
    {"vertex", "x y", "", ""},
    {"vertex_color", "x y color alpha", "", "the same host function as `vertex`"},
    {"triangle", "x1 y1 x2 y2 x3 y3 outline", "", ""},
    {"triangle_color", "x1 y1 x2 y2 x3 y3 color1 color2 color3 outline", "", ""},
    {"primitive_end", "", "", ""},
    {"print_color", "x y text color1 color2 color3 color4 alpha", "", ""},
    {"else", "", "else ", "ends in a blank"},
    {"{", "", "{", "opens a block"},
    {"}", "", "}", "closes a block; words after it on the line are dropped"},
    {"exit", "", "", ""},
    {"repeat", "count", "repeat(count)", ""},
    {"message", "text", "", ""},
    {"continue", "", "continue;", ""},
    {"switch", "value", "switch(value)", ""},
    {"do", "", "do ", "ends in a blank"},
    {"case", "value", "case value:", ""},
    {"default", "", "default:", ""},
    {"break", "", "break;", ""},
    {"primitive_begin", "kind", "", ""},
    {"if", "left operator right", "if(left operatorright) ",
     "the operator is an operator word; `if 2 = 2` gives `if(2 =2) `, with a blank at the end"},
    {"while", "left operator right", "while(left operatorright) ",
     "the operator is an operator word; `while 1 + 1` gives `while(1 +1) `, with a blank at the end"},
    {"var", "name value", "name = value", "declares the variable for the rest of the run"},
    {"function", "name count parameter...", "",
     "opens a user script definition up to `end`; its line stays empty"},
    {"end", "", "", "closes the definition; its line stays empty"},
    {"return", "value", "return(value)", ""},
}};

std::string cell(std::string_view code) {
    if (code.empty()) return "";
    return "`" + std::string(code) + "`";
}

}  // namespace

const KeywordDoc* keyword_doc(std::string_view keyword) {
    for (const KeywordDoc& doc : docs)
        if (doc.keyword == keyword) return &doc;
    return nullptr;
}

std::string source_form(const KeywordRow& row) {
    std::string form(row.keyword);
    const KeywordDoc* doc = keyword_doc(row.keyword);
    if (doc != nullptr && !doc->operands.empty()) {
        form += ' ';
        form += doc->operands;
    }
    return form;
}

std::string host_form(const KeywordRow& row) {
    if (!row.host_text.empty()) return std::string(row.host_text);
    if (row.host_name.empty()) {
        const KeywordDoc* doc = keyword_doc(row.keyword);
        return doc == nullptr ? std::string() : std::string(doc->host_form);
    }
    std::string form(row.host_name);
    form += '(';
    const KeywordDoc* doc = keyword_doc(row.keyword);
    const std::string_view names = doc == nullptr ? std::string_view() : doc->operands;
    for (const char c : names) form += c == ' ' ? ',' : c;
    form += ')';
    return form;
}

std::string operand_count(const KeywordRow& row) {
    if (row.handler == &translate_call) return std::to_string(row.operand_count);
    const KeywordDoc* doc = keyword_doc(row.keyword);
    if (doc == nullptr || doc->operands.empty()) return "0";
    if (doc->operands.ends_with("...")) return "2 + count";
    std::size_t words = 1;
    for (const char c : doc->operands) words += c == ' ' ? 1 : 0;
    return std::to_string(words);
}

std::string keyword_table_markdown() {
    std::string out = "| Keyword and operands | Operands | Host text | Remark |\n|---|---|---|---|\n";
    for (const KeywordRow& row : keyword_table()) {
        const KeywordDoc* doc = keyword_doc(row.keyword);
        out += "| " + cell(source_form(row)) + " | " + operand_count(row) + " | " + cell(host_form(row)) + " | ";
        out += doc == nullptr ? std::string() : std::string(doc->remark);
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
