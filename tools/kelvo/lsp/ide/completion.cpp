// Completion: what may stand at a place. Nothing inside a comment.
#include <algorithm>

#include "ide.h"
#include "library/reference.h"
#include "vocabulary/constants.h"

namespace kelvo::ide {

namespace {

bool in_comment(const Analysis& a, std::size_t offset) {
    const auto after = std::upper_bound(a.comments.begin(), a.comments.end(), offset,
                                        [](std::size_t o, const Bytes& c) { return o < c.begin; });
    // At a comment's end the place is still in it.
    return after != a.comments.begin() && offset <= (after - 1)->end;
}

std::string keyword_detail(const KeywordRow& row) {
    const bool one = !row.operands_repeat && row.operand_count == 1;
    return operand_count_text(row) + (one ? " operand: " : " operands: ") + host_form(row);
}

}  // namespace

std::vector<CompletionItem> completion(const Subject& s, std::size_t offset) {
    const Analysis& a = s.analysis;
    std::vector<CompletionItem> items;
    if (in_comment(a, offset)) return items;
    const std::size_t line = s.source_line(offset);
    if (const DeclaredName* d = definition_around(a, line); d != nullptr && d->keyword_position.line < line) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(d->argument_count); ++i)
            items.push_back({std::string(parameter_of(a, *d, i)), CompletionItem::Kind::parameter,
                             "parameter " + std::to_string(i) + " of " + std::string(d->name)});
    }
    for (const KeywordRow& row : keyword_table())
        items.push_back({std::string(row.keyword), CompletionItem::Kind::keyword, keyword_detail(row)});
    for (const ConstantRow& row : constant_table())
        items.push_back({std::string(row.name), CompletionItem::Kind::constant, std::string(row.text)});
    for (const GlobalArgument& g : s.globals) {
        const bool text = g.kind == GlobalArgument::Kind::string;
        items.push_back({g.name, CompletionItem::Kind::global,
                         "global argument: " + (text ? "\"" + g.value + "\"" : g.value)});
    }
    // What is declared on the lines above: a name is known from the line after its declaration on.
    for (const DeclaredName& d : a.declarations) {
        if (d.keyword_position.line >= line) break;
        if (d.kind == Declaration::Kind::script) {
            items.push_back({std::string(d.name), CompletionItem::Kind::script, signature_text(a, d)});
        } else {
            items.push_back({std::string(d.name), CompletionItem::Kind::variable, "variable"});
        }
    }
    return items;
}

}  // namespace kelvo::ide
