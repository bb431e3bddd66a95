#include "features.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "../reference.h"
#include "text_scan.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::lsp {

namespace {

constexpr std::int32_t none = -1;

bool before(SourcePosition a, SourcePosition b) { return a.line < b.line || (a.line == b.line && a.column < b.column); }

// The constants by name, made once from the library's table.
std::string_view constant_text(std::string_view name) {
    static const std::unordered_map<std::string_view, std::string_view> texts = [] {
        std::unordered_map<std::string_view, std::string_view> map;
        for (const ConstantRow& row : constant_table()) map.emplace(row.name, row.text);
        return map;
    }();
    const auto found = texts.find(name);
    return found == texts.end() ? std::string_view() : found->second;
}

// The value the host gave a global: a later value replaces an earlier one.
std::string global_value(const std::vector<std::pair<std::string, std::string>>& globals, std::string_view word) {
    std::string found;
    for (const auto& [name, value] : globals)
        if (name == word) found = value;
    return found;
}


std::string keyword_prose(const KeywordRow& row) {
    const std::string count = tool::operand_count(row);
    std::string text = "Keyword, " + count + (count == "1" ? " operand" : " operands");
    if (!row.remark.empty()) text += "; " + std::string(row.remark);
    text += ". " + std::string(row.summary);
    return text;
}

// The term that a word begins, if any (terms are in the order of their first words).
const AnalysedTerm* term_begun_by(const Analysis& analysis, std::size_t word) {
    auto at = std::lower_bound(analysis.terms.begin(), analysis.terms.end(), word,
                               [](const AnalysedTerm& t, std::size_t w) { return t.first_word < w; });
    for (; at != analysis.terms.end() && at->first_word == word; ++at)
        if (!at->missing && at->word_count > 0) return &*at;
    return nullptr;
}

std::string host_text_of(const Analysis& analysis, const HostPlace& place) {
    if (!place.placed) return {};
    return analysis.host.substr(place.result_begin, place.result_end - place.result_begin);
}

void add_host_text(Hover& hover, const Analysis& analysis, const AnalysedWord& word) {
    const AnalysedTerm* term = term_begun_by(analysis, static_cast<std::size_t>(&word - analysis.words.data()));
    if (term == nullptr) return;
    if (!term->host.placed) {
        hover.prose += "\n\nIts host text is not emitted: it stands in a definition left open.";
        return;
    }
    hover.host = host_text_of(analysis, term->host);
}

const DeclaredName* declaration_of(const Analysis& analysis, const AnalysedWord& word) {
    if (word.declaration < 0 || static_cast<std::size_t>(word.declaration) >= analysis.declarations.size()) return nullptr;
    return &analysis.declarations[static_cast<std::size_t>(word.declaration)];
}

void describe_name(Hover& hover, const Document& document, const Analysis& analysis, const AnalysedWord& word) {
    const DeclaredName* d = declaration_of(analysis, word);
    const bool here = word.kind == WordKind::variable_name || word.kind == WordKind::script_name ||
                      word.kind == WordKind::parameter_name;
    if (d == nullptr) {
        hover.prose = word.kind == WordKind::script ? "User script of an earlier run" : "A name this line does not declare";
        return;
    }
    if (word.kind == WordKind::parameter || word.kind == WordKind::parameter_name) {
        const std::string index = std::to_string(word.parameter);
        hover.code = (signature_text(*d));
        hover.prose = "Parameter " + index + " of `" + d->name + "`, taken from `argument" + index + "`";
    } else if (d->kind == Declaration::Kind::variable) {
        hover.code = std::string(document.source_line(d->keyword_position.line));
        hover.prose = here ? "Variable, declared here" : "Variable, declared on line " + std::to_string(d->keyword_position.line);
    } else {
        hover.code = (signature_text(*d));
        hover.prose = here ? "User script, declared here" : "User script, called as `execute_string(" + d->name + ",...)`";
    }
}

std::string unknown_prose(const AnalysedWord& word) {
    return "Unknown here: no variable, parameter, keyword, constant or script is called `" + std::string(word.text) +
           "` at this place (a name is known from the line after its `var` or `function` on)";
}

// Fills a hover for a word; false where there is nothing to say.
bool describe(Hover& hover, const Document& document, const Analysis& analysis, const Globals& globals,
              const AnalysedWord& word) {
    switch (word.kind) {
        case WordKind::keyword:
            hover.code = tool::source_form(*word.keyword);
            if (const std::string host = tool::host_form(*word.keyword); !host.empty()) hover.code += "  \u2192  " + host;
            hover.prose = keyword_prose(*word.keyword);
            add_host_text(hover, analysis, word);
            return true;
        case WordKind::constant:
            hover.code = std::string(constant_text(word.text));
            hover.prose = "Constant";
            return true;
        case WordKind::real_global:
            hover.code = (global_value(globals.real, word.text));
            hover.prose = "Global argument, emitted as it stands";
            return true;
        case WordKind::string_global:
            hover.code = ("\"" + global_value(globals.text, word.text) + "\"");
            hover.prose = "Global argument, emitted between double quotes";
            return true;
        case WordKind::unknown:
            hover.prose = unknown_prose(word);
            return true;
        case WordKind::script:
            describe_name(hover, document, analysis, word);
            add_host_text(hover, analysis, word);
            return true;
        case WordKind::variable:
        case WordKind::parameter:
        case WordKind::variable_name:
        case WordKind::script_name:
        case WordKind::parameter_name:
            describe_name(hover, document, analysis, word);
            return true;
        default:
            return false;
    }
}

// The analysed lines that begin on a translator's line: [first, last).
std::pair<std::size_t, std::size_t> lines_on(const Analysis& analysis, std::size_t line) {
    const auto first = std::lower_bound(analysis.lines.begin(), analysis.lines.end(), line,
                                        [](const AnalysedLine& l, std::size_t n) { return l.source_line < n; });
    const auto last = std::upper_bound(first, analysis.lines.end(), line,
                                       [](std::size_t n, const AnalysedLine& l) { return n < l.source_line; });
    return {static_cast<std::size_t>(first - analysis.lines.begin()), static_cast<std::size_t>(last - analysis.lines.begin())};
}

// The terms of the analysed lines that begin on translator lines [first, last].
std::pair<std::size_t, std::size_t> terms_on(const Analysis& analysis, std::size_t first, std::size_t last) {
    const std::size_t from = lines_on(analysis, first).first;
    const std::size_t to = lines_on(analysis, last).second;
    if (from >= to) return {0, 0};
    const AnalysedLine& end = analysis.lines[to - 1];
    return {analysis.lines[from].first_term, end.first_term + end.term_count};
}

// What a term's operands are called: a call's or statement's operand names,
// or a declared script's parameters.
struct Callee {
    std::string name;
    std::vector<std::string> operands;
    std::string documentation;
    bool call = false;  // a built-in call or a script: its operands are values
};

std::optional<Callee> callee_of(const Analysis& analysis, const AnalysedTerm& term) {
    if (term.word_count == 0 || term.first_word >= analysis.words.size()) return std::nullopt;
    const AnalysedWord& first = analysis.words[term.first_word];
    if (term.keyword != nullptr && first.kind == WordKind::keyword) {
        const KeywordRow& row = *term.keyword;
        if (row.operands.count == 0) return std::nullopt;
        Callee callee{std::string(row.keyword), {}, std::string(row.summary), row.kind == KeywordKind::call};
        for (std::int32_t i = 0; i < row.operands.count; ++i)
            callee.operands.emplace_back(row.operands[static_cast<std::size_t>(i)]);
        return callee;
    }
    const DeclaredName* script = first.kind == WordKind::script ? declaration_of(analysis, first) : nullptr;
    if (script == nullptr || script->parameters.empty()) return std::nullopt;
    return Callee{script->name, script->parameters, signature_text(*script), true};
}

}  // namespace

SessionOptions session_options(const Globals& globals) {
    SessionOptions options;
    for (const auto& [name, value] : globals.real) options.globals.push_back({GlobalArgument::Kind::real, name, value});
    for (const auto& [name, value] : globals.text) options.globals.push_back({GlobalArgument::Kind::string, name, value});
    return options;
}

Span span_of(const Document& document, const SourceSpan& span) {
    const std::size_t begin = document.offset_of(span.begin);
    return {begin, std::max(begin, document.offset_of(span.end))};
}

Span span_of(const Document& document, SourcePosition position, std::size_t length) {
    const std::size_t begin = document.offset_of(position);
    return {begin, begin + std::min(length, document.text().size() - begin)};
}

const AnalysedWord* analysed_word_at(const Document& document, const Analysis& analysis, std::size_t offset) {
    return word_at(analysis, document.position_of(std::min(offset, document.text().size())));
}

std::string signature_text(const DeclaredName& script) {
    std::string text = "function " + script.name + " " + std::to_string(script.argument_count);
    for (const std::string& p : script.parameters) text += " " + p;
    return text;
}

const DeclaredName* definition_around(const Analysis& analysis, std::size_t line) {
    // Declarations are in the order of the source; definitions do not nest.
    auto at = std::upper_bound(analysis.declarations.begin(), analysis.declarations.end(), line,
                               [](std::size_t n, const DeclaredName& d) { return n < d.keyword_position.line; });
    while (at != analysis.declarations.begin()) {
        const DeclaredName& d = *--at;
        if (d.kind != Declaration::Kind::script) continue;
        return d.last_line == 0 || line <= d.last_line ? &d : nullptr;
    }
    return nullptr;
}

std::optional<Hover> hover(const Document& document, const Analysis& analysis, const Globals& globals,
                           std::size_t offset) {
    const AnalysedWord* word = analysed_word_at(document, analysis, offset);
    if (word == nullptr) return std::nullopt;
    Hover result;
    result.span = span_of(document, word->span);
    if (!describe(result, document, analysis, globals, *word)) return std::nullopt;
    return result;
}

std::optional<Span> definition(const Document& document, const Analysis& analysis, std::size_t offset) {
    const AnalysedWord* word = analysed_word_at(document, analysis, offset);
    if (word == nullptr) return std::nullopt;
    const DeclaredName* d = declaration_of(analysis, *word);
    if (d == nullptr) return std::nullopt;
    switch (word->kind) {
        case WordKind::parameter:
        case WordKind::parameter_name: {
            const auto index = static_cast<std::size_t>(word->parameter);
            if (word->parameter < 0 || index >= d->parameter_spans.size()) return std::nullopt;
            return span_of(document, d->parameter_spans[index]);
        }
        case WordKind::variable:
        case WordKind::variable_name:
        case WordKind::script:
        case WordKind::script_name:
            return span_of(document, d->position, d->name.size());
        default:
            return std::nullopt;
    }
}

std::vector<CompletionItem> completion(const Document& document, const Analysis& analysis, const Globals& globals,
                                       std::size_t offset) {
    std::vector<CompletionItem> items;
    if (in_spans(text_regions(document.text()).comments, offset)) return items;
    const std::size_t line = document.position_of(offset).line;
    if (const DeclaredName* d = definition_around(analysis, line); d != nullptr && d->keyword_position.line < line) {
        for (std::size_t i = 0; i < d->parameters.size(); ++i)
            items.push_back({d->parameters[i], CompletionItem::Kind::parameter,
                             "parameter " + std::to_string(i) + " of " + d->name});
    }
    for (const KeywordRow& row : keyword_table()) {
        const std::string count = tool::operand_count(row);
        items.push_back({std::string(row.keyword), CompletionItem::Kind::keyword,
                         count + (count == "1" ? " operand: " : " operands: ") + tool::host_form(row)});
    }
    for (const ConstantRow& row : constant_table())
        items.push_back({std::string(row.name), CompletionItem::Kind::constant, std::string(row.text)});
    for (const auto& [name, value] : globals.real)
        items.push_back({name, CompletionItem::Kind::global, "global argument: " + value});
    for (const auto& [name, value] : globals.text)
        items.push_back({name, CompletionItem::Kind::global, "global argument: \"" + value + "\""});
    // What is declared on the lines above: a name is known from the line after its declaration on.
    for (const DeclaredName& d : analysis.declarations) {
        if (d.keyword_position.line >= line) break;
        if (d.kind == Declaration::Kind::script) {
            items.push_back({d.name, CompletionItem::Kind::script, signature_text(d)});
        } else {
            items.push_back({d.name, CompletionItem::Kind::variable, "variable"});
        }
    }
    return items;
}

namespace {

// The innermost term with named operands that the place is in: from its
// first word to the end of its operands, or, for a line's term, on to the
// end of the line.
std::optional<std::size_t> term_around(const Analysis& analysis, SourcePosition place) {
    const auto [first, last] = terms_on(analysis, place.line, place.line);
    std::optional<std::size_t> found;
    for (std::size_t i = first; i < last; ++i) {
        const AnalysedTerm& t = analysis.terms[i];
        // At an operand's first byte the place is still the operand slot of the term around it.
        const bool at_start = t.parent != none && place.line == t.span.begin.line && place.column == t.span.begin.column;
        if (t.missing || t.word_count == 0 || before(place, t.span.begin) || at_start) continue;
        const bool open_end = t.parent == none && t.span.end.line == place.line;
        if (!open_end && before(t.span.end, place)) continue;
        if (callee_of(analysis, t)) found = i;
    }
    return found;
}

}  // namespace

std::optional<SignatureHelp> signature_help(const Document& document, const Analysis& analysis, std::size_t offset) {
    const SourcePosition place = document.position_of(offset);
    const std::optional<std::size_t> around = term_around(analysis, place);
    if (!around) return std::nullopt;
    const AnalysedTerm& term = analysis.terms[*around];
    const Callee callee = *callee_of(analysis, term);
    SignatureHelp help{callee.name, callee.operands, callee.documentation, 0};
    for (const std::string& operand : callee.operands) help.label += " " + operand;
    // The operand the place is in, or the next one to come.
    std::size_t index = 0;
    for (std::size_t i = *around + 1; i < analysis.terms.size() && analysis.terms[i].line == term.line; ++i) {
        const AnalysedTerm& operand = analysis.terms[i];
        if (operand.parent != static_cast<std::int32_t>(*around)) continue;
        index = static_cast<std::size_t>(operand.operand);
        if (!before(operand.span.end, place)) break;
        if (!operand.missing) ++index;
    }
    help.active = std::min(index, callee.operands.size() - 1);
    return help;
}

std::vector<InlayHint> inlay_hints(const Document& document, const Analysis& analysis, Span range) {
    std::vector<InlayHint> hints;
    const std::size_t first = document.position_of(range.begin).line;
    const std::size_t last = document.position_of(range.end).line;
    const auto [from, to] = terms_on(analysis, first, last);
    for (std::size_t i = from; i < to; ++i) {
        const AnalysedTerm& t = analysis.terms[i];
        if (t.parent < 0 || t.missing || t.word_count == 0) continue;
        const std::optional<Callee> callee = callee_of(analysis, analysis.terms[static_cast<std::size_t>(t.parent)]);
        // A call of one operand says what it is by its name.
        if (!callee || !callee->call || callee->operands.size() < 2) continue;
        const auto index = static_cast<std::size_t>(t.operand);
        if (index >= callee->operands.size()) continue;
        const std::string& name = callee->operands[index];
        if (t.word_count == 1 && analysis.words[t.first_word].text == name) continue;  // it says so itself
        const std::size_t at = document.offset_of(t.span.begin);
        if (at < range.begin || at > range.end) continue;
        hints.push_back({at, name + ":"});
    }
    return hints;
}

namespace {

// What a word names, where it is a variable, script or parameter of this run.
struct Identity {
    char kind = 0;  // 'v', 's', 'p'
    std::int32_t declaration = none;
    std::int32_t parameter = none;
    bool operator==(const Identity&) const = default;
};

Identity identity_of(const AnalysedWord& w) {
    if (w.declaration < 0) return {};
    switch (w.kind) {
        case WordKind::variable:
        case WordKind::variable_name:
            return {'v', w.declaration, none};
        case WordKind::script:
        case WordKind::script_name:
            return {'s', w.declaration, none};
        case WordKind::parameter:
        case WordKind::parameter_name:
            return {'p', w.declaration, w.parameter};
        default:
            return {};
    }
}

bool names_itself(WordKind kind) {
    return kind == WordKind::variable_name || kind == WordKind::script_name || kind == WordKind::parameter_name;
}

}  // namespace

namespace {

// The bytes that part words, as the reader parts them.
bool parts_words(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == ';'; }

// Whether a sorted list of spans holds the offset (its end not included).
bool strictly_in(const std::vector<Span>& spans, std::size_t offset) {
    const auto after = std::upper_bound(spans.begin(), spans.end(), offset,
                                        [](std::size_t o, const Span& s) { return o < s.begin; });
    return after != spans.begin() && offset < (after - 1)->end;
}

// Whether the bytes of a span are a whole word that its line drops: blanks
// around it (none of them taken as it is after a `/`), outside comments
// and quotes, and no word of the analysis.
bool dropped_word(const Document& document, const Analysis& analysis, const TextRegions& regions, Span span) {
    const std::string_view text = document.text();
    const std::size_t first = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    if (span.begin >= span.end || span.begin < first || span.end > regions.end) return false;
    const bool left = span.begin == first ||
                      (parts_words(text[span.begin - 1]) && (span.begin < first + 2 || text[span.begin - 2] != '/'));
    const bool right = (span.end == regions.end || parts_words(text[span.end])) && text[span.end - 1] != '/';
    if (!left || !right || strictly_in(regions.comments, span.begin) || strictly_in(regions.quotes, span.begin))
        return false;
    const AnalysedWord* held = word_at(analysis, document.position_of(span.begin));
    return held == nullptr || document.offset_of(held->span.end) <= span.begin;
}

std::int32_t index_of(std::size_t index) { return static_cast<std::int32_t>(index); }

// The parameter of the definition around a translator's line that `name`
// is, on a line of the definition's body.
std::optional<Identity> parameter_at(const Analysis& analysis, std::string_view name, std::size_t line) {
    const DeclaredName* around = definition_around(analysis, line);
    if (around == nullptr || around->keyword_position.line >= line) return std::nullopt;
    const auto p = std::find(around->parameters.begin(), around->parameters.end(), name);
    if (p == around->parameters.end()) return std::nullopt;
    return Identity{'p', index_of(static_cast<std::size_t>(around - analysis.declarations.data())),
                    index_of(static_cast<std::size_t>(p - around->parameters.begin()))};
}

// Whether `name` on a translator's line would be what an identity names:
// a parameter within its definition's body (where it hides any variable or
// script of that name), a variable or script from the line after its
// declaration on.
bool stands_for(const Analysis& analysis, const Identity& identity, std::string_view name, std::size_t line) {
    if (const std::optional<Identity> parameter = parameter_at(analysis, name, line)) return *parameter == identity;
    if (identity.kind != 'v' && identity.kind != 's') return false;
    return analysis.declarations[static_cast<std::size_t>(identity.declaration)].keyword_position.line < line;
}

// The name an identity stands for.
std::string_view name_of(const Analysis& analysis, const Identity& identity) {
    const DeclaredName& d = analysis.declarations[static_cast<std::size_t>(identity.declaration)];
    if (identity.kind != 'p') return d.name;
    return identity.parameter >= 0 && static_cast<std::size_t>(identity.parameter) < d.parameters.size()
               ? std::string_view(d.parameters[static_cast<std::size_t>(identity.parameter)])
               : std::string_view();
}

// What `name` on a translator's line names, found as the analysis would.
std::optional<Identity> named_at(const Analysis& analysis, std::string_view name, std::size_t line) {
    if (const std::optional<Identity> parameter = parameter_at(analysis, name, line)) return parameter;
    std::optional<Identity> found;
    for (std::size_t i = 0; i < analysis.declarations.size(); ++i) {
        const DeclaredName& d = analysis.declarations[i];
        if (d.keyword_position.line >= line) break;
        if (d.name == name) found = Identity{d.kind == Declaration::Kind::script ? 's' : 'v', index_of(i), none};
    }
    return found;
}

}  // namespace

std::vector<Span> dropped_spellings(const Document& document, const Analysis& analysis, std::string_view name) {
    std::vector<Span> found;
    if (name.empty()) return found;
    const std::string_view text = document.text();
    const TextRegions regions = text_regions(text);
    for (std::size_t at = text.find(name); at != std::string_view::npos && at < regions.end; at = text.find(name, at + 1))
        if (dropped_word(document, analysis, regions, {at, at + name.size()})) found.push_back({at, at + name.size()});
    return found;
}

std::optional<AnalysedWord> dropped_name_at(const Document& document, const Analysis& analysis, std::size_t offset) {
    const std::string_view text = document.text();
    std::size_t begin = std::min(offset, text.size());
    std::size_t end = begin;
    while (begin > 0 && !parts_words(text[begin - 1])) --begin;
    while (end < text.size() && !parts_words(text[end])) ++end;
    if (!dropped_word(document, analysis, text_regions(text), {begin, end})) return std::nullopt;
    const std::string_view name = text.substr(begin, end - begin);
    const std::optional<Identity> identity = named_at(analysis, name, document.position_of(begin).line);
    if (!identity) return std::nullopt;
    AnalysedWord word;
    word.kind = identity->kind == 'p' ? WordKind::parameter : identity->kind == 's' ? WordKind::script : WordKind::variable;
    word.text = name;  // a view into the document's text
    word.span = {document.position_of(begin), document.position_of(end)};
    word.declaration = identity->declaration;
    word.parameter = identity->parameter;
    return word;
}

std::vector<Occurrence> occurrences(const Document& document, const Analysis& analysis, std::size_t offset) {
    std::vector<Occurrence> found;
    const AnalysedWord* word = analysed_word_at(document, analysis, offset);
    const std::optional<AnalysedWord> dropped = word == nullptr ? dropped_name_at(document, analysis, offset) : std::nullopt;
    if (dropped) word = &*dropped;
    if (word == nullptr) return found;
    const Identity identity = identity_of(*word);
    if (identity.kind == 0) return found;
    for (const AnalysedWord& w : analysis.words)
        if (identity_of(w) == identity) found.push_back({span_of(document, w.span), names_itself(w.kind)});
    const std::string_view name = name_of(analysis, identity);
    const std::size_t analysed = found.size();
    for (const Span& span : dropped_spellings(document, analysis, name))
        if (stands_for(analysis, identity, name, document.position_of(span.begin).line)) found.push_back({span, false});
    if (found.size() > analysed)
        std::inplace_merge(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(analysed), found.end(),
                           [](const Occurrence& a, const Occurrence& b) { return a.span.begin < b.span.begin; });
    return found;
}

std::vector<FoldingRange> folding_ranges(const Document& document, const Analysis& analysis) {
    std::vector<FoldingRange> ranges;
    const auto line_of = [&](SourcePosition p) { return to_protocol(document, document.offset_of(p)).line; };
    const auto add = [&](std::size_t first, std::size_t closing) {
        if (closing > first + 1) ranges.push_back({first, closing - 1});
    };
    std::vector<std::size_t> open;
    for (const AnalysedWord& w : analysis.words) {
        if (w.kind != WordKind::keyword || w.keyword == nullptr) continue;
        if (w.keyword->keyword == "{") {
            open.push_back(line_of(w.span.begin));
        } else if (w.keyword->keyword == "}" && !open.empty()) {
            add(open.back(), line_of(w.span.begin));
            open.pop_back();
        }
    }
    for (const DeclaredName& d : analysis.declarations)
        if (d.kind == Declaration::Kind::script && d.last_line > d.keyword_position.line)
            add(line_of(d.keyword_position), line_of({d.last_line, 1}));
    std::sort(ranges.begin(), ranges.end(),
              [](const FoldingRange& a, const FoldingRange& b) { return a.first_line < b.first_line; });
    return ranges;
}

// A symbol's range runs from the start of its keyword's line to the end of
// its definition's last line (a variable's: of its line), and always holds
// the name, its selection range.
std::vector<Symbol> document_symbols(const Document& document, const Analysis& analysis) {
    std::vector<Symbol> symbols;
    for (const DeclaredName& s : analysis.declarations) {
        const bool script = s.kind == Declaration::Kind::script;
        const Span name = span_of(document, s.position, s.name.size());
        const std::size_t first = s.keyword_position.line;
        // A definition that the next `function` on its own line closes ends on that line.
        const std::size_t last = !script ? first : s.last_line == 0 ? 0 : std::max(first, s.last_line);
        const Place keyword = to_protocol(document, document.offset_of(s.keyword_position));
        const std::size_t start = std::min(from_protocol(document, {keyword.line, 0}), name.begin);
        const std::size_t end = std::max(document.source_line_end(last), name.end);
        symbols.push_back({s.name, script ? signature_text(s) : std::string(document.source_line(first)), script,
                           {start, end}, name});
    }
    return symbols;
}

namespace {

// The last character of a translator's line (a line feed's place where it is empty).
Span last_character(const Document& document, std::size_t line) {
    const std::size_t start = document.source_line_start(line);
    std::size_t end = document.source_line_end(line);
    if (end == start) return {start, start};
    std::size_t begin = end - 1;
    while (begin > start && (static_cast<unsigned char>(document.text()[begin]) & 0xC0) == 0x80) --begin;
    return {begin, end};
}

// A finding about a point (an operand that is missing) is shown on the
// keyword whose operand it is, or on the line's last character: a range
// that every client draws.
Span drawn_span(const Document& document, const Analysis& analysis, const Finding& f) {
    if (f.length > 0 || f.position.line == 0) return span_of(document, f.position, f.length);
    const auto [first, last] = terms_on(analysis, f.position.line, f.position.line);
    for (std::size_t i = first; i < last; ++i) {
        const AnalysedTerm& t = analysis.terms[i];
        if (!t.missing || t.parent < 0 || t.span.begin.column != f.position.column) continue;
        const AnalysedTerm& parent = analysis.terms[static_cast<std::size_t>(t.parent)];
        if (parent.word_count > 0 && parent.first_word < analysis.words.size())
            return span_of(document, analysis.words[parent.first_word].span);
    }
    return last_character(document, f.position.line);
}

}  // namespace

Diagnostic diagnostic_of(const Document& document, const Analysis& analysis, const Finding& f) {
    return {drawn_span(document, analysis, f), f.severity, std::string(f.code), std::string(f.text)};
}

std::vector<Diagnostic> diagnostics(const Document& document, const Analysis& analysis) {
    std::vector<Diagnostic> list;
    const std::vector<Finding>& findings = analysis.findings;
    const std::size_t shown = std::min(findings.size(), most_published);
    list.reserve(shown + 1);
    for (std::size_t i = 0; i < shown; ++i) list.push_back(diagnostic_of(document, analysis, findings[i]));
    if (shown == findings.size()) return list;
    // One more, where the first left out is, as severe as the most severe of them.
    Severity most = Severity::note;
    for (std::size_t i = shown; i < findings.size(); ++i) most = std::min(most, findings[i].severity);
    const std::size_t left = findings.size() - shown;
    list.push_back({span_of(document, findings[shown].position, 0), most, "more-diagnostics",
                    std::to_string(left) + " more diagnostic" + (left == 1 ? " is" : "s are") +
                        " left out from here on: kelvo on the command line reports them all"});
    return list;
}

}  // namespace kelvo::lsp
