// Rename: a variable, script or parameter everywhere it stands, refused
// where the new name would change what the document means.
#include <algorithm>
#include <unordered_set>

#include "core/operator_words.h"
#include "ide.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::ide {

namespace {

// The names the language itself gives a meaning, made once from the library's tables.
bool is_language_name(std::string_view name, bool keywords) {
    static const auto make = [](bool k) {
        std::unordered_set<std::string_view> names;
        if (k) {
            for (const KeywordRow& row : keyword_table()) names.insert(row.keyword);
        } else {
            for (const ConstantRow& row : constant_table()) names.insert(row.name);
        }
        return names;
    };
    static const std::unordered_set<std::string_view> keyword_names = make(true);
    static const std::unordered_set<std::string_view> constant_names = make(false);
    return (keywords ? keyword_names : constant_names).contains(name);
}

std::string quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

// Why a word cannot be renamed, or nothing where it can.
std::optional<std::string> refuse_word(const AnalysedWord& w, std::string_view text) {
    switch (w.kind) {
        case WordKind::keyword: return quoted(text) + " is a keyword of the language: it cannot be renamed";
        case WordKind::constant: return quoted(text) + " is a constant of the language: it cannot be renamed";
        case WordKind::real_global:
        case WordKind::string_global: return quoted(text) + " is a global argument the host gives: it cannot be renamed";
        case WordKind::unknown: return quoted(text) + " names nothing here: there is nothing to rename";
        case WordKind::variable:
        case WordKind::variable_name:
        case WordKind::script:
        case WordKind::script_name:
        case WordKind::parameter:
        case WordKind::parameter_name:
            if (w.declaration < 0) return quoted(text) + " is not declared in this document";
            return std::nullopt;
        default: return "only variables, scripts and parameters can be renamed";
    }
}

// Why a new name would change what the document means.
std::optional<std::string> refuse_name(const Subject& s, const std::string& name) {
    const Analysis& a = s.analysis;
    if (auto form = refuse_name_form(name)) return form;
    if (is_language_name(name, true)) return quoted(name) + " is a keyword";
    if (is_language_name(name, false)) return quoted(name) + " is a constant";
    for (const GlobalArgument& g : s.globals)
        if (g.name == name) return quoted(name) + " is a global argument";
    for (const AnalysedWord& w : a.words)
        if (w.kind != WordKind::string && a.text(w) == name) return quoted(name) + " is already used in this document";
    // A word a line drops would become the renamed name once its line is mended.
    for (const AnalysedWord& w : a.dropped)
        if (w.kind != WordKind::string && a.text_of_dropped(w) == name)
            return quoted(name) + " is already used in this document";
    for (const DeclaredName& d : a.declarations)
        if (d.name == name) return quoted(name) + " is already declared in this document";
    return std::nullopt;
}

// A name declared twice (or a parameter named twice) is one name in two
// places: a rename of one would part them.
std::optional<std::string> refuse_twice(const Analysis& a, const AnalysedWord& w, std::string_view text) {
    const DeclaredName& d = a.declarations[static_cast<std::size_t>(w.declaration)];
    if (w.kind == WordKind::parameter || w.kind == WordKind::parameter_name) {
        std::size_t named = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(d.argument_count); ++i)
            if (parameter_of(a, d, i) == text) ++named;
        if (named > 1) return quoted(text) + " names two parameters of " + quoted(d.name);
    }
    // Every line that declares, or tries to declare, the same name (a
    // parameter's: its script's).
    const bool variable = w.kind == WordKind::variable || w.kind == WordKind::variable_name;
    for (const AnalysedWord& other : a.words) {
        const bool declares = variable ? other.kind == WordKind::variable_name : other.kind == WordKind::script_name;
        if (declares && a.text(other) == d.name && other.declaration != w.declaration)
            return quoted(d.name) + " is declared more than once";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> refuse_name_form(std::string_view name) {
    if (name.empty()) return "a name cannot be empty";
    if (name.find_first_of(std::string_view(" \t\r\n\f\v\0\x1a", 8)) != std::string::npos)
        return "a name cannot hold a blank: it would be two words";
    if (name.find(';') != std::string::npos) return "a name cannot hold ';': it would end the line";
    if (name.find('"') != std::string::npos) return "a name cannot hold '\"': it would open a string";
    if (name.find("//") != std::string::npos) return "a name cannot hold '//': it would start a comment";
    if (name.back() == '/') return "a name cannot end in '/': at a line's end it would join the next line";
    if (std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return quoted(name) + " is a number";
    if (is_operator(name)) return quoted(name) + " is an operator word";
    return std::nullopt;
}

Prepared prepare_rename(const Subject& s, std::size_t offset) {
    const Analysis& a = s.analysis;
    // A word its line drops is renamed as the name it spells.
    const AnalysedWord* word = word_or_dropped_at(a, offset);
    if (word == nullptr) return {std::nullopt, Refusal{"there is no name here"}};
    const std::string_view text = text_of(a, *word);
    if (auto reason = refuse_word(*word, text)) return {std::nullopt, Refusal{*reason}};
    if (auto reason = refuse_twice(a, *word, text)) return {std::nullopt, Refusal{*reason}};
    return {Renamable{span_of(word->bytes), std::string(text)}, std::nullopt};
}

Renamed rename(const Subject& s, std::size_t offset, const std::string& name) {
    const Prepared prepared = prepare_rename(s, offset);
    if (prepared.refusal) return {{}, prepared.refusal};
    if (prepared.name->name == name) return {};
    if (auto reason = refuse_name(s, name)) return {{}, Refusal{*reason}};
    Renamed renamed;
    for (const Occurrence& o : occurrences(s, offset)) {
        if (o.span.end - o.span.begin != prepared.name->name.size())
            return {{}, Refusal{"a comment cuts one of its places in two"}};
        renamed.edits.push_back({o.span, name});
    }
    return renamed;
}

}  // namespace kelvo::ide
