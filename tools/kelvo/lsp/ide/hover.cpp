// Hover: what the word under the cursor is, and the host text its term became.
#include "ide.h"
#include "library/reference.h"
#include "vocabulary/constants.h"

namespace kelvo::ide {

namespace {

std::string_view constant_text(std::string_view name) {
    for (const ConstantRow& row : constant_table())
        if (row.name == name) return row.text;
    return {};
}

// The value the host gave a global: a later value replaces an earlier one.
std::string global_value(std::span<const GlobalArgument> globals, GlobalArgument::Kind kind, std::string_view word) {
    std::string found;
    for (const GlobalArgument& g : globals)
        if (g.kind == kind && g.name == word) found = g.value;
    return found;
}

std::string keyword_prose(const KeywordRow& row) {
    const bool one = !row.operands_repeat && row.operand_count == 1;
    std::string text = "Keyword, " + operand_count_text(row) + (one ? " operand" : " operands");
    if (!row.remark.empty()) text += "; " + std::string(row.remark);
    text += ". " + std::string(row.summary);
    return text;
}

void add_host_text(Hover& hover, const Analysis& analysis, const AnalysedWord& word) {
    const AnalysedTerm* term = term_begun_by(analysis, static_cast<std::size_t>(&word - analysis.words.data()));
    if (term == nullptr) return;
    if (!analysis.host_of(*term).placed()) {
        hover.prose += "\n\nIts host text is not emitted: it stands in a definition left open.";
        return;
    }
    hover.host = std::string(analysis.host_text(analysis.host_of(*term)));
}

void describe_name(Hover& hover, const Subject& s, const AnalysedWord& word) {
    const Analysis& a = s.analysis;
    const DeclaredName* d = declaration_of(a, word);
    const bool here = word.kind == WordKind::variable_name || word.kind == WordKind::script_name ||
                      word.kind == WordKind::parameter_name;
    if (d == nullptr) {
        hover.prose = word.kind == WordKind::script ? "User script of an earlier run" : "A name this line does not declare";
        return;
    }
    const std::string name(d->name);
    if (word.kind == WordKind::parameter || word.kind == WordKind::parameter_name) {
        const std::string index = std::to_string(word.parameter());
        hover.code = signature_text(a, *d);
        hover.prose = "Parameter " + index + " of `" + name + "`, taken from `argument" + index + "`";
    } else if (d->kind == Declaration::Kind::variable) {
        hover.code = std::string(s.source_lines.line(d->keyword_position.line - 1));
        hover.prose = here ? "Variable, declared here" : "Variable, declared on line " + std::to_string(d->keyword_position.line);
    } else {
        hover.code = signature_text(a, *d);
        hover.prose = here ? "User script, declared here" : "User script, called as `execute_string(" + name + ",...)`";
    }
}

std::string unknown_prose(std::string_view text) {
    return "Unknown here: no variable, parameter, keyword, constant or script is called `" + std::string(text) +
           "` at this place (a name is known from the line after its `var` or `function` on)";
}

// Fills a hover for a word; false where there is nothing to say.
bool describe(Hover& hover, const Subject& s, const AnalysedWord& word) {
    const Analysis& a = s.analysis;
    switch (word.kind) {
        case WordKind::keyword: {
            const KeywordRow& row = *word.keyword_row();
            hover.code = source_form(row);
            if (const std::string host = host_form(row); !host.empty()) hover.code += "  \u2192  " + host;
            hover.prose = keyword_prose(row);
            add_host_text(hover, a, word);
            return true;
        }
        case WordKind::constant:
            hover.code = std::string(constant_text(a.text(word)));
            hover.prose = "Constant";
            return true;
        case WordKind::real_global:
            hover.code = global_value(s.globals, GlobalArgument::Kind::real, a.text(word));
            hover.prose = "Global argument, emitted as it stands";
            return true;
        case WordKind::string_global:
            hover.code = "\"" + global_value(s.globals, GlobalArgument::Kind::string, a.text(word)) + "\"";
            hover.prose = "Global argument, emitted between double quotes";
            return true;
        case WordKind::unknown: hover.prose = unknown_prose(a.text(word)); return true;
        case WordKind::script:
            describe_name(hover, s, word);
            add_host_text(hover, a, word);
            return true;
        case WordKind::variable:
        case WordKind::parameter:
        case WordKind::variable_name:
        case WordKind::script_name:
        case WordKind::parameter_name: describe_name(hover, s, word); return true;
        default: return false;
    }
}

}  // namespace

std::optional<Hover> hover(const Subject& s, std::size_t offset) {
    const AnalysedWord* word = s.analysis.word_at(offset);
    if (word == nullptr) return std::nullopt;
    Hover result;
    result.span = span_of(word->bytes);
    if (!describe(result, s, *word)) return std::nullopt;
    return result;
}

}  // namespace kelvo::ide
