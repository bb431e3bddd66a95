#include "library/analysis.h"

#include <algorithm>
#include <tuple>
#include <string>
#include <unordered_map>
#include <utility>

namespace kelvo {

namespace {

constexpr std::int32_t none = -1;

bool before(SourcePosition a, SourcePosition b) { return a.line < b.line || (a.line == b.line && a.column < b.column); }

std::int32_t index_of(std::size_t size) { return static_cast<std::int32_t>(size); }

// A host offset after an edit of the line's host text: what stood behind
// the edited bytes moves with them, what stood inside them goes to its start.
std::size_t edited(std::size_t at, std::size_t offset, std::size_t removed, std::size_t inserted) {
    if (at < offset) return at;
    if (at < offset + removed) return offset;
    return at - removed + inserted;
}

// Takes in what one run tells and makes the analysis of it.
class Collector final : public Listener {
public:
    explicit Collector(Analysis& analysis) : a_(analysis) {}

    void report(const Report& r) override {
        a_.findings.push_back({r.severity, r.code, a_.texts.add(r.text), r.position, r.length, order_++});
    }
    void argument_count(std::int32_t count, std::size_t line) override {
        a_.argument_counts.push_back({count, line, order_++});
    }
    void declared(const Declaration& d) override;
    void definition_closed(SourcePosition end) override { close_open_definition(end.line); }

    void word(const ResolvedWord& w) override;
    void term_begins(std::size_t host) override;
    void term_ends(std::size_t host, const KeywordRow* keyword, bool missing, SourcePosition at) override;
    void host_edited(std::size_t offset, std::size_t removed, std::size_t inserted) override;
    void line_begins(std::size_t line, std::size_t host, bool in_definition) override;
    void line_ends(std::size_t host_end, bool abandoned, std::size_t joined_at) override;
    void definition_stored(std::size_t index, std::string_view name, std::size_t prologue, std::size_t body) override;

    // Once the run is over: the places of all host text in the result.
    void place_in_result();

private:
    void close_open_definition(std::size_t line);
    void link(AnalysedWord& word) const;
    void link_name(std::string_view name, std::int32_t declaration);
    void place_line(std::size_t line, std::int32_t definition, std::size_t begin);

    Analysis& a_;
    std::size_t order_ = 0;
    std::size_t open_definition_ = static_cast<std::size_t>(none);  // in declarations
    std::vector<std::size_t> open_terms_;
    std::vector<std::int32_t> operands_;  // per open term, the operands it has so far
    std::int32_t line_terms_ = 0;         // the line's terms at depth 0 so far
    std::size_t line_host_ = 0;           // where the line's host text begins
    std::size_t line_first_term_ = 0;
    std::vector<std::size_t> pending_;    // lines whose text waits in an open definition
    std::vector<std::size_t> name_words_;  // names read by `var` and `function`, not yet declared
    // Names look into the analysis's store of texts.
    std::unordered_map<std::string_view, std::int32_t> variables_;      // name -> declaration
    std::unordered_map<std::int32_t, std::int32_t> scripts_;            // signature -> declaration
    std::unordered_map<std::string_view, std::pair<std::int32_t, std::int32_t>> parameters_;  // name -> definition, index
};

// The name word a declaration names: the latest that `var` or `function`
// read under that name (a refused name is declared by nothing and passed over).
void Collector::link_name(std::string_view name, std::int32_t declaration) {
    while (!name_words_.empty()) {
        AnalysedWord& word = a_.words[name_words_.back()];
        name_words_.pop_back();
        if (word.text == name) {
            word.declaration = declaration;
            return;
        }
    }
}

void Collector::declared(const Declaration& d) {
    const std::int32_t index = index_of(a_.declarations.size());
    DeclaredName name{d.kind, std::string(d.name), d.position, d.keyword_position, d.argument_count, {}, {},
                      d.signature, 0};
    link_name(d.name, index);
    if (d.kind == Declaration::Kind::variable) {
        if (!variables_.contains(d.name)) variables_.emplace(a_.texts.add(d.name), index);
        a_.declarations.push_back(std::move(name));
        return;
    }
    close_open_definition(d.keyword_position.line - 1);
    scripts_.try_emplace(d.signature, index);
    // The parameter names the line just told of are the last words.
    std::size_t first = a_.words.size();
    while (first > 0 && a_.words[first - 1].kind == WordKind::parameter_name) --first;
    for (std::size_t i = first; i < a_.words.size(); ++i) {
        const std::int32_t k = index_of(name.parameters.size());
        parameters_[a_.words[i].text] = {index, k};
        a_.words[i].declaration = index;
        a_.words[i].parameter = k;
        name.parameters.emplace_back(a_.words[i].text);
        name.parameter_spans.push_back(a_.words[i].span);
    }
    a_.declarations.push_back(std::move(name));
    open_definition_ = static_cast<std::size_t>(index);
}

// A definition ends at its `end`, or where the next `function` takes its text.
void Collector::close_open_definition(std::size_t line) {
    if (open_definition_ == static_cast<std::size_t>(none)) return;
    a_.declarations[open_definition_].last_line = line;
    open_definition_ = static_cast<std::size_t>(none);
}

void Collector::link(AnalysedWord& word) const {
    if (word.kind == WordKind::variable) {
        const auto found = variables_.find(word.text);
        if (found != variables_.end()) word.declaration = found->second;
    } else if (word.kind == WordKind::script) {
        const auto found = scripts_.find(word.signature);
        if (found != scripts_.end()) word.declaration = found->second;
    } else if (word.kind == WordKind::parameter) {
        const auto found = parameters_.find(word.text);
        if (found != parameters_.end()) std::tie(word.declaration, word.parameter) = found->second;
    }
}

void Collector::word(const ResolvedWord& w) {
    if (w.kind == WordKind::variable_name || w.kind == WordKind::script_name) name_words_.push_back(a_.words.size());
    a_.words.push_back({w.kind, a_.texts.add(w.text), w.span, w.keyword, none, none, w.signature});
    link(a_.words.back());
}

void Collector::term_begins(std::size_t host) {
    AnalysedTerm term;
    term.line = a_.lines.size() - 1;
    term.first_word = a_.words.size();
    term.host.begin = host - line_host_;
    if (!open_terms_.empty()) {
        term.parent = index_of(open_terms_.back());
        term.operand = operands_.back()++;
    } else {
        term.operand = line_terms_++;
    }
    open_terms_.push_back(a_.terms.size());
    operands_.push_back(0);
    a_.terms.push_back(std::move(term));
}

void Collector::term_ends(std::size_t host, const KeywordRow* keyword, bool missing, SourcePosition at) {
    if (open_terms_.empty()) return;
    AnalysedTerm& term = a_.terms[open_terms_.back()];
    open_terms_.pop_back();
    operands_.pop_back();
    term.keyword = keyword;
    term.missing = missing;
    term.host.end = host - line_host_;
    term.word_count = a_.words.size() - term.first_word;
    if (missing || term.word_count == 0) {
        term.span = {at, at};
        return;
    }
    // Words come in the order of the source.
    term.span = {a_.words[term.first_word].span.begin, a_.words.back().span.end};
}

void Collector::host_edited(std::size_t offset, std::size_t removed, std::size_t inserted) {
    offset -= line_host_;
    // Only the terms inside the term whose handler edits are changed: they
    // all stand at or behind the edit (a term still open gets its end later).
    const std::size_t first = open_terms_.empty() ? line_first_term_ : open_terms_.back() + 1;
    for (std::size_t i = first; i < a_.terms.size(); ++i) {
        HostPlace& place = a_.terms[i].host;
        place.begin = edited(place.begin, offset, removed, inserted);
        place.end = edited(place.end, offset, removed, inserted);
    }
}

void Collector::line_begins(std::size_t line, std::size_t host, bool in_definition) {
    a_.lines.push_back({line, in_definition, false, a_.terms.size(), 0, {false, none, host, host, 0, 0}});
    line_host_ = host;
    line_first_term_ = a_.terms.size();
    line_terms_ = 0;
    open_terms_.clear();
    operands_.clear();
}

void Collector::line_ends(std::size_t host_end, bool abandoned, std::size_t joined_at) {
    AnalysedLine& line = a_.lines.back();
    line.abandoned = abandoned;
    line.term_count = a_.terms.size() - line.first_term;
    line.host.end = host_end;
    if (abandoned) {
        for (std::size_t i = line_first_term_; i < a_.terms.size(); ++i) a_.terms[i].host.begin = a_.terms[i].host.end = 0;
    }
    if (!line.in_definition) {
        place_line(a_.lines.size() - 1, none, line.host.begin);
        return;
    }
    line.host.begin = joined_at;
    line.host.end = joined_at + (host_end - line_host_);
    pending_.push_back(a_.lines.size() - 1);
}

void Collector::definition_stored(std::size_t index, std::string_view name, std::size_t prologue, std::size_t body) {
    a_.definitions.push_back({std::string(name), prologue, body, 0});
    for (const std::size_t line : pending_) place_line(line, index_of(index), prologue + a_.lines[line].host.begin);
    pending_.clear();
}

// Puts a line, and its terms, at a place in the main code or in a body.
void Collector::place_line(std::size_t line, std::int32_t definition, std::size_t begin) {
    AnalysedLine& l = a_.lines[line];
    const std::size_t length = l.host.end - l.host.begin;
    l.host = {true, definition, begin, begin + length, 0, 0};
    for (std::size_t i = l.first_term; i < l.first_term + l.term_count; ++i) {
        HostPlace& place = a_.terms[i].host;
        place = {true, definition, begin + place.begin, begin + place.end, 0, 0};
    }
}

void Collector::place_in_result() {
    std::size_t at = 0;
    for (StoredDefinition& definition : a_.definitions) {
        definition.result_begin = at + definition.name.size() + 2;  // name='
        at = definition.result_begin + definition.body + 2;         // '\n
    }
    const auto in_result = [this, at](HostPlace& place) {
        if (!place.placed) return;
        const std::size_t base = place.definition < 0 ? at : a_.definitions[static_cast<std::size_t>(place.definition)].result_begin;
        place.result_begin = base + place.begin;
        place.result_end = base + place.end;
    };
    for (AnalysedLine& line : a_.lines) in_result(line.host);
    for (AnalysedTerm& term : a_.terms) in_result(term.host);
}

// Room for `wanted` records. Room taken over from an earlier analysis is
// kept when it suffices; when it does not, it grows by more than is wanted,
// so that a document that grows by a few bytes at each change does not move
// its records at each change.
template <class Record>
void make_room(std::vector<Record>& records, std::size_t wanted) {
    if (records.capacity() < wanted) records.reserve(wanted + wanted / 8);
}

}  // namespace

std::string_view TextStore::add(std::string_view text) {
    constexpr std::size_t chunk = std::size_t{64} << 10;
    while (current_ < chunks_.size() && text.size() > chunks_[current_].capacity - used_) {
        ++current_;
        used_ = 0;
    }
    if (current_ == chunks_.size()) {
        const std::size_t capacity = std::max(chunk, text.size());
        chunks_.push_back({std::make_unique<char[]>(capacity), capacity});
    }
    char* const at = chunks_[current_].bytes.get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return {at, text.size()};
}

void TextStore::clear() {
    current_ = 0;
    used_ = 0;
}

void Analysis::clear() {
    words.clear();
    terms.clear();
    lines.clear();
    findings.clear();
    argument_counts.clear();
    declarations.clear();
    definitions.clear();
    host.clear();
    messages.clear();
    texts.clear();
}

Analysis analyse(std::string source, SessionOptions options, Analysis reused) {
    Analysis analysis = std::move(reused);
    analysis.clear();
    // Room for what a source of this size usually holds (a word or a term in
    // some five or six bytes, a line in twenty, and a margin): the records are
    // not moved as they grow. Room never written takes no memory.
    make_room(analysis.words, source.size() / 4 + 16);
    make_room(analysis.terms, source.size() / 4 + 16);
    make_room(analysis.lines, source.size() / 20 + 16);
    Collector collector(analysis);
    options.listener = &collector;
    const Translation translation = translate_source(std::move(source), options);
    collector.place_in_result();
    analysis.host.assign(translation.host);
    analysis.messages.assign(translation.messages);
    return analysis;
}

const AnalysedWord* word_at(const Analysis& analysis, SourcePosition place) {
    // Words are in the order of the source: the last that begins at or before the place.
    const auto after = std::upper_bound(analysis.words.begin(), analysis.words.end(), place,
                                        [](SourcePosition p, const AnalysedWord& w) { return before(p, w.span.begin); });
    if (after == analysis.words.begin()) return nullptr;
    const AnalysedWord& word = *(after - 1);
    const bool inside = before(place, word.span.end) || (place.line == word.span.end.line && place.column == word.span.end.column);
    return inside ? &word : nullptr;
}

}  // namespace kelvo
