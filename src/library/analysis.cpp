#include "library/analysis.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <span>
#include <string>
#include <utility>

#include "library/layout.h"
#include "vocabulary/keywords.h"

namespace kelvo {

namespace {

constexpr std::int32_t none = -1;

// The translator's own texts give at most some 22 bytes of host text for a
// byte of source (`pi;`); only a global argument's value can give more,
// which analyse() refuses.
static_assert(std::numeric_limits<std::uint32_t>::max() / 24 > largest_analysed_source,
              "offsets of the result take 32 bits");

std::int32_t index_of(std::size_t size) { return static_cast<std::int32_t>(size); }
std::uint32_t offset_of(std::size_t offset) { return static_cast<std::uint32_t>(offset); }
Bytes bytes_of(const SourceSpan& span) { return {offset_of(span.begin.offset), offset_of(span.end.offset)}; }

std::uint8_t keyword_index(const KeywordRow* row) { return row == nullptr ? 0 : static_cast<std::uint8_t>(row->index + 1); }

const KeywordRow* keyword_at(std::uint8_t index) { return index == 0 ? nullptr : &keyword_table()[index - 1u]; }

// A string's text in its bytes: after the run of quotes that opens it, up to
// the next quote.
std::string_view string_text(std::string_view bytes) {
    const std::size_t begin = std::min(bytes.find_first_not_of('"'), bytes.size());
    const std::size_t end = std::min(bytes.find('"', begin), bytes.size());
    return bytes.substr(begin, end - begin);
}

// The text of an analysed word as its bytes give it.
std::string_view own_text(const Analysis& a, const AnalysedWord& w) {
    const std::string_view bytes = a.bytes(w.bytes);
    return w.kind == WordKind::string ? string_text(bytes) : bytes;
}

std::string_view text_apart(const std::vector<std::pair<std::uint32_t, std::string_view>>& texts, std::size_t index) {
    const auto found = std::lower_bound(texts.begin(), texts.end(), index,
                                        [](const auto& entry, std::size_t i) { return entry.first < i; });
    return found != texts.end() && found->first == index ? found->second : std::string_view();
}

// Takes in what one run tells and makes the analysis of it.
class Collector final : public Listener {
public:
    explicit Collector(Analysis& analysis) : a_(analysis) {}

    void report(const Report& r) override;
    void argument_count(std::int32_t count, std::size_t line) override {
        a_.argument_counts.push_back({count, line, order_++});
    }
    void declared(const Declaration& d) override;
    void definition_closed(SourcePosition end) override { close_open_definition(end.line); }

    void comment(const SourceSpan& span) override { a_.comments.push_back(bytes_of(span)); }
    void line_continues(SourcePosition at) override { a_.continuations.push_back(offset_of(at.offset)); }
    void byte_order_mark() override { a_.byte_order_mark = true; }
    void input_ends(SourcePosition end) override { a_.input_end = end.offset; }

    void line(const TranslatedLine& line) override;
    void definition_stored(std::size_t index, std::string_view name, std::size_t prologue, std::size_t body,
                           std::size_t words_before) override;

    // Once the run is over: where each definition's body stands in the result.
    void place_definitions();

private:
    void record(std::vector<AnalysedWord>& into, std::span<const ResolvedWord> words,
                std::vector<std::pair<std::uint32_t, std::string_view>>& apart);
    std::string_view source_view(std::string_view text, Bytes bytes);
    void close_open_definition(std::size_t line);

    Analysis& a_;
    std::size_t order_ = 0;
    std::size_t open_definition_ = static_cast<std::size_t>(none);  // in declarations
};

// The text as a view into the source where it stands there, else kept in
// the store.
std::string_view Collector::source_view(std::string_view text, Bytes bytes) {
    const std::string_view own = a_.bytes(bytes);
    return own == text ? own : a_.texts.add(text);
}

void Collector::report(const Report& r) {
    Finding f{r, order_++};
    f.report.word = r.word.empty() ? std::string_view() : a_.texts.add(r.word);
    f.report.name = r.name.empty() ? std::string_view() : a_.texts.add(r.name);
    f.report.names = r.names.empty() ? std::string_view() : a_.texts.add(r.names);
    a_.findings.push_back(f);
}

void Collector::declared(const Declaration& d) {
    DeclaredName name;
    name.kind = d.kind;
    name.name_bytes = bytes_of(d.name_span);
    name.name = source_view(d.name, name.name_bytes);
    name.name_position = d.name_span.begin;
    name.keyword_position = d.keyword_position;
    name.argument_count = d.argument_count;
    name.signature = d.signature;
    name.first_parameter = offset_of(d.first_parameter);
    if (d.kind == Declaration::Kind::script) {
        close_open_definition(d.keyword_position.line - 1);
        open_definition_ = a_.declarations.size();
    }
    a_.declarations.push_back(name);
}

// A definition ends at its `end`, or where the next `function` takes its text.
void Collector::close_open_definition(std::size_t line) {
    if (open_definition_ == static_cast<std::size_t>(none)) return;
    a_.declarations[open_definition_].last_line = line;
    open_definition_ = static_cast<std::size_t>(none);
}

void Collector::record(std::vector<AnalysedWord>& into, std::span<const ResolvedWord> words,
                       std::vector<std::pair<std::uint32_t, std::string_view>>& apart) {
    const std::size_t first = into.size();
    into.resize(first + words.size());
    AnalysedWord* out = into.data() + first;
    for (const ResolvedWord& w : words) {
        AnalysedWord& word = *out++;
        word.bytes = {offset_of(w.begin), offset_of(w.end)};
        word.kind = w.kind;
        word.keyword = keyword_index(w.keyword);
        word.declaration = w.declaration;
        word.index = w.kind == WordKind::script ? w.signature : w.parameter;
        // A word's text is its bytes but where a comment cut it in two, which
        // leaves the text shorter than its bytes.
        const std::size_t own = w.kind == WordKind::string ? string_text(a_.bytes(word.bytes)).size() : w.end - w.begin;
        if (own == w.text.size()) continue;
        word.text_apart = true;
        apart.emplace_back(offset_of(static_cast<std::size_t>(&word - into.data())), a_.texts.add(w.text));
    }
}

void Collector::line(const TranslatedLine& line) {
    const std::size_t words = a_.words.size();
    const std::size_t terms = a_.terms.size();
    record(a_.words, line.words, a_.texts_apart);
    if (!line.dropped.empty()) record(a_.dropped, line.dropped, a_.dropped_texts_apart);
    const auto line_index = offset_of(a_.lines.size());
    a_.terms.resize(terms + line.terms.size());
    AnalysedTerm* out = a_.terms.data() + terms;
    for (const TermRecord& t : line.terms) {
        AnalysedTerm& term = *out++;
        term.first_word = offset_of(words + t.first_word);
        term.word_count = t.word_count;
        term.parent = t.parent < 0 ? none : index_of(terms + static_cast<std::size_t>(t.parent));
        term.operand = t.operand;
        term.line = line_index;
        term.keyword = keyword_index(t.keyword);
        term.missing = t.missing;
        // Words come in the order of the source.
        const bool point = t.missing || t.word_count == 0;
        term.bytes = point ? Bytes{offset_of(t.at), offset_of(t.at)}
                           : Bytes{a_.words[term.first_word].bytes.begin, a_.words[term.first_word + t.word_count - 1].bytes.end};
    }
    a_.lines.push_back({{offset_of(line.begin.offset), offset_of(line.end.offset)}, offset_of(line.begin.line),
                        offset_of(terms), offset_of(line.terms.size()), line.in_definition, line.abandoned});
    a_.places.add_line(line);
}

void Collector::definition_stored(std::size_t, std::string_view name, std::size_t prologue, std::size_t body,
                                  std::size_t words_before) {
    a_.definitions.push_back({a_.texts.add(name), prologue, body, 0, offset_of(words_before)});
    a_.places.definition_stored(name.size(), prologue, body);
}

void Collector::place_definitions() {
    a_.places.finish();
    for (std::size_t k = 0; k < a_.definitions.size(); ++k)
        a_.definitions[k].result_begin = a_.places.definitions()[k].result_begin;
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

const KeywordRow* AnalysedWord::keyword_row() const { return keyword_at(keyword); }
const KeywordRow* AnalysedTerm::keyword_row() const { return keyword_at(keyword); }

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
    source.clear();
    byte_order_mark = false;
    input_end = 0;
    words.clear();
    dropped.clear();
    comments.clear();
    continuations.clear();
    terms.clear();
    lines.clear();
    findings.clear();
    argument_counts.clear();
    declarations.clear();
    definitions.clear();
    texts_apart.clear();
    dropped_texts_apart.clear();
    places.clear();
    host.clear();
    messages.clear();
    texts.clear();
}

std::string_view Analysis::text(const AnalysedWord& word) const {
    if (word.text_apart) return text_apart(texts_apart, static_cast<std::size_t>(&word - words.data()));
    return own_text(*this, word);
}

std::string_view Analysis::text_of_dropped(const AnalysedWord& word) const {
    if (word.text_apart) return text_apart(dropped_texts_apart, static_cast<std::size_t>(&word - dropped.data()));
    return own_text(*this, word);
}

std::string_view Analysis::host_text(const HostPlace& place) const {
    if (!place.placed()) return {};
    return std::string_view(host).substr(result_begin(place), place.end - place.begin);
}

namespace {

// The word of a list in the order of the source whose bytes hold an offset,
// or end right at it.
const AnalysedWord* word_holding(const std::vector<AnalysedWord>& words, std::size_t offset) {
    const auto after = std::upper_bound(words.begin(), words.end(), offset,
                                        [](std::size_t o, const AnalysedWord& w) { return o < w.bytes.begin; });
    if (after == words.begin()) return nullptr;
    const AnalysedWord& word = *(after - 1);
    return offset <= word.bytes.end ? &word : nullptr;
}

}  // namespace

const AnalysedWord* Analysis::word_at(std::size_t offset) const { return word_holding(words, offset); }

const AnalysedWord* Analysis::dropped_at(std::size_t offset) const { return word_holding(dropped, offset); }

std::size_t Analysis::line_at(std::size_t offset) const {
    const auto after = std::upper_bound(lines.begin(), lines.end(), offset,
                                        [](std::size_t o, const AnalysedLine& l) { return o < l.bytes.begin; });
    if (after == lines.begin()) return lines.size();
    const auto found = after - 1;
    return found->bytes.holds(offset) ? static_cast<std::size_t>(found - lines.begin()) : lines.size();
}

Analysis analyse(std::string source, SessionOptions options, Analysis reused) {
    if (source.size() > largest_analysed_source)
        throw std::length_error("a source of more than 128 MiB is too large to analyse");
    Analysis analysis = std::move(reused);
    analysis.clear();
    // The records look into the source, and an analysis is moved: a text
    // short enough to be kept inside the string itself would move with it
    // and leave them looking at the old place. Room larger than the string
    // object keeps the bytes in a block of their own, which a move hands on.
    analysis.source.reserve(std::max(source.size(), sizeof(std::string)));
    analysis.source = source;
    // Room for what a source of this size usually holds (a word or a term in
    // some five or six bytes, a line in twenty, and a margin): the records are
    // not moved as they grow. Room never written takes no memory.
    make_room(analysis.words, source.size() / 5 + 16);
    make_room(analysis.terms, source.size() / 5 + 16);
    make_room(analysis.places.terms(), source.size() / 5 + 16);
    make_room(analysis.lines, source.size() / 20 + 16);
    make_room(analysis.places.lines(), source.size() / 20 + 16);
    Collector collector(analysis);
    options.listener = &collector;
    const Translation translation = translate_source(std::move(source), options);
    if (translation.host.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("a result of 4 GiB or more is too large to analyse");
    collector.place_definitions();
    analysis.host.assign(translation.host);
    analysis.messages.assign(translation.messages);
    return analysis;
}

}  // namespace kelvo
