// The translator for JavaScript: the C functions that web/wasm/kelvo.js calls
// in the WebAssembly module. Bytes go in through one buffer of the module's
// memory and come out as parts that JavaScript copies before the next call.
//
// Every translation starts from the state the library has right after
// loading. The playground's keystroke takes a light listener of its own:
// the reports, where each line's host text went (the library's record of
// host places) and what each word is; the whole analysis only when asked.
// Places go out as offsets into the texts as JavaScript decodes them
// (UTF-16 code units, by the text module's one rule), so that JavaScript
// decodes nothing itself.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/printer.h"
#include "common/explanations.h"
#include "common/warning_choice.h"
#include "export.h"
#include "library/analysis.h"
#include "library/analysis_json.h"
#include "library/host_places.h"
#include "library/line_index.h"
#include "library/session.h"
#include "module.h"
#include "preview/linked/linked.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace {

// What a call leaves for JavaScript to read; see kelvo_part.
enum Part : int {
    host = 0,
    messages = 1,
    summary = 2,
    analysis = 3,
    tables = 4,
    lines = 5,
    words = 6,
    explanation = 7,
    part_count = 8
};

std::string input;  // the buffer JavaScript writes into
kelvo::SessionOptions options;
kelvo::WarningChoice chosen_warnings;  // for the next translation's reports
std::array<std::string, part_count> parts;

constexpr std::array<std::string_view, 4> keyword_kind_names = {"call", "text", "flow", "declaration"};

// What a word is for the playground's colours: its kind (as the analysis
// names them), a keyword's kind, or a comment; a word a line dropped has
// the high bit.
constexpr std::uint32_t comment_class = 32;
constexpr std::uint32_t dropped_class = 0x80;
std::uint32_t class_of(const kelvo::ResolvedWord& w) {
    if (w.kind == kelvo::WordKind::keyword && w.keyword != nullptr) return 16 + static_cast<std::uint32_t>(w.keyword->kind);
    return static_cast<std::uint32_t>(w.kind);
}

// A report as the playground shows it, its texts and place worked out while
// its words are still in view: the library's text, and the text the kelvo
// tool prints of it.
struct Shown {
    kelvo::Severity severity;
    kelvo::Code code;
    std::string text;
    std::string printed;
    kelvo::SourcePosition position;
    std::size_t end = 0;  // byte offset past the word
    std::string word;
    std::string name;
};

// A term that found no word, and the word of the term whose operand it is:
// where a report about that point is drawn.
struct MissingOperand {
    std::size_t at;
    std::size_t begin;
    std::size_t end;
};

// Hears a run for the playground: no more than it shows.
class Playground final : public kelvo::Listener {
public:

    explicit Playground(const kelvo::WarningChoice& warnings) : places_(false), warnings_(warnings) {}

    // A warning turned off is left out with its notes; one counted as an
    // error is an error.
    void report(const kelvo::Report& r) override {
        const kelvo::WarningLevel level = filter_.level_of(r);
        if (level == kelvo::WarningLevel::off) return;
        const kelvo::Severity severity =
            level == kelvo::WarningLevel::error && r.severity() == kelvo::Severity::warning ? kelvo::Severity::error
                                                                                             : r.severity();
        reports_.push_back({severity, r.code, kelvo::report_text(r), kelvo::tool::shown_text(r), r.span.begin,
                            r.span.end.offset, std::string(r.word), std::string(r.name)});
    }
    // The reports heard, told again: an analysis's, with more among them.
    void replace_reports(const std::vector<const kelvo::Finding*>& findings) {
        reports_.clear();
        filter_ = kelvo::WarningFilter(warnings_);
        for (const kelvo::Finding* f : findings) report(f->report);
    }
    void argument_count(std::int32_t, std::size_t) override {}
    void comment(const kelvo::SourceSpan& span) override { add(span.begin.offset, span.end.offset, comment_class); }
    void line(const kelvo::TranslatedLine& line) override {
        for (const kelvo::ResolvedWord& w : line.words) {
            add(w.begin, w.end, class_of(w));
            if (w.kind == kelvo::WordKind::script_name) function_line_ = line_numbers_.size();
        }
        for (const kelvo::ResolvedWord& w : line.dropped) add(w.begin, w.end, dropped_class | class_of(w));
        missing_operands(line);
        line_numbers_.push_back({line.begin.line, line.begin.offset});
        places_.add_line(line);
    }
    // The latest `function` line before `end` stored the definition names
    // it: its head and prologue in the result are that line's host text.
    void definition_stored(std::size_t, std::string_view name, std::size_t prologue, std::size_t body,
                           std::size_t) override {
        places_.definition_stored(name.size(), prologue, body);
        definition_lines_.push_back(function_line_);
    }

    std::string summary_json(const kelvo::LineIndex& source);
    std::string lines_part(const kelvo::LineIndex& source, const kelvo::LineIndex& result);
    std::string words_part(const kelvo::LineIndex& source);

private:
    void missing_operands(const kelvo::TranslatedLine& line) {
        for (const kelvo::TermRecord& t : line.terms) {
            if (!t.missing || t.parent < 0) continue;
            const kelvo::TermRecord& parent = line.terms[static_cast<std::size_t>(t.parent)];
            if (parent.word_count == 0 || parent.first_word >= line.words.size()) continue;
            const kelvo::ResolvedWord& w = line.words[parent.first_word];
            missing_.push_back({t.at, w.begin, w.end});
        }
    }
    std::pair<std::size_t, std::size_t> drawn(const Shown& r, const kelvo::LineIndex& source) const;
    void append_prologues(std::string& out, std::size_t line, std::size_t& next, const kelvo::LineIndex& source,
                          const kelvo::LineIndex& result) const;

    void add(std::size_t begin, std::size_t end, std::uint32_t cls) {
        pieces_.push_back({static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end), cls});
    }

    struct Piece {
        std::uint32_t begin, end, cls;
    };
    struct LineNumber {
        std::size_t line;
        std::size_t offset;
    };
    std::vector<Shown> reports_;
    std::vector<Piece> pieces_;
    std::vector<LineNumber> line_numbers_;
    std::vector<MissingOperand> missing_;
    static constexpr std::size_t no_line = static_cast<std::size_t>(-1);
    std::size_t function_line_ = no_line;     // the last line that declared a script's name
    std::vector<std::size_t> definition_lines_;  // per stored definition, its `function` line
    kelvo::HostPlaces places_;
    kelvo::WarningChoice warnings_;
    kelvo::WarningFilter filter_{warnings_};
};

// The codes with their kinds and summaries as JSON: [{code, kind, summary}].
std::string explanations_json() {
    std::string out = "[";
    for (const kelvo::ExplanationEntry& e : kelvo::explanation_entries()) {
        out += "{\"code\":";
        kelvo::append_json_string(out, e.code);
        out += ",\"kind\":";
        kelvo::append_json_string(out, e.kind);
        out += ",\"summary\":";
        kelvo::append_json_string(out, e.summary);
        out += "},";
    }
    if (out.back() == ',') out.pop_back();
    out += ']';
    return out;
}

void append_number(std::string& out, std::size_t value) {
    out += std::to_string(value);
    out += ',';
}

// Unsigned 32-bit numbers, as JavaScript reads them into a Uint32Array.
void append_u32(std::string& out, std::size_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 0xFF);
}

// Where the page draws a report: on its word; a report about a point (an
// operand that found no word) on the word of the term whose operand it is,
// else on the last character of its line, so that it has a width to see.
std::pair<std::size_t, std::size_t> Playground::drawn(const Shown& r, const kelvo::LineIndex& source) const {
    const std::size_t at = r.position.offset;
    if (r.position.line == 0 || r.end > at) return {at, std::max(at, r.end)};
    const auto found = std::lower_bound(missing_.begin(), missing_.end(), at,
                                        [](const MissingOperand& m, std::size_t offset) { return m.at < offset; });
    if (found != missing_.end() && found->at == at) return {found->begin, found->end};
    const auto [begin, end] = source.last_character(r.position.line - 1);
    return begin == end ? std::pair<std::size_t, std::size_t>{at, at} : std::pair<std::size_t, std::size_t>{begin, end};
}

// The reports, which the playground needs on every keystroke:
//   {"reports":[[severity,code,text,line,column,offset,length,from,to,word,name,
//                label,printed,markFrom,markTo],...]}
// line, column and offset as the command line gives them (bytes); from and
// to in the source as JavaScript holds it; label and printed what the kelvo
// tool prints after the place; markFrom and markTo where the page draws it.
std::string Playground::summary_json(const kelvo::LineIndex& source) {
    std::stable_sort(missing_.begin(), missing_.end(),
                     [](const MissingOperand& a, const MissingOperand& b) { return a.at < b.at; });
    std::string out = "{\"reports\":[";
    for (const Shown& r : reports_) {
        out += '[';
        kelvo::append_json_string(out, kelvo::severity_name(r.severity));
        out += ',';
        kelvo::append_json_string(out, kelvo::code_name(r.code));
        out += ',';
        kelvo::append_json_string(out, r.text);
        out += ',';
        append_number(out, r.position.line);
        append_number(out, r.position.column);
        append_number(out, r.position.line == 0 ? 0 : r.position.offset);
        append_number(out, r.end > r.position.offset ? r.end - r.position.offset : 0);
        append_number(out, r.position.line == 0 ? 0 : source.units_before(r.position.offset, kelvo::Encoding::utf16));
        append_number(out, r.position.line == 0 ? 0 : source.units_before(r.end, kelvo::Encoding::utf16));
        kelvo::append_json_string(out, r.word);
        out += ',';
        kelvo::append_json_string(out, r.name);
        out += ',';
        kelvo::append_json_string(out, kelvo::tool::severity_label(r.severity));
        out += ',';
        kelvo::append_json_string(out, r.printed);
        out += ',';
        const auto [from, to] = drawn(r, source);
        append_number(out, r.position.line == 0 ? 0 : source.units_before(from, kelvo::Encoding::utf16));
        out += std::to_string(r.position.line == 0 ? 0 : source.units_before(to, kelvo::Encoding::utf16));
        out += "],";
    }
    if (out.back() == ',') out.pop_back();
    out += "]}";
    return out;
}

// The host text that a `function` line wrote: the head of each definition
// it named (its name and the opening quote) and the parameter prologue, up
// to the prologue's last line feed.
// `next` is the first definition not yet told; the definitions come in the
// order of their `function` lines.
void Playground::append_prologues(std::string& out, std::size_t line, std::size_t& next, const kelvo::LineIndex& source,
                                  const kelvo::LineIndex& result) const {
    const std::string_view host = result.text();
    while (next < definition_lines_.size() && (definition_lines_[next] < line || definition_lines_[next] == no_line)) ++next;
    for (; next < definition_lines_.size() && definition_lines_[next] == line; ++next) {
        const kelvo::PlacedDefinition& definition = places_.definitions()[next];
        std::size_t end = std::min(host.size(), definition.result_begin + definition.prologue);
        if (end > definition.result_begin && host[end - 1] == '\n') --end;
        append_u32(out, line_numbers_[line].line);
        append_u32(out, source.units_before(line_numbers_[line].offset, kelvo::Encoding::utf16));
        append_u32(out, result.units_before(definition.result_head, kelvo::Encoding::utf16));
        append_u32(out, result.units_before(end, kelvo::Encoding::utf16));
    }
}

// Where each translated line's host text went, four numbers a place: its
// physical line, where it begins in the source, and where host text it
// wrote begins and ends in the result; a `function` line has a place of
// each definition it named beside its own. Lines whose host text stands
// nowhere in the result are left out.
std::string Playground::lines_part(const kelvo::LineIndex& source, const kelvo::LineIndex& result) {
    places_.finish();
    std::string out;
    out.reserve(line_numbers_.size() * 16);
    std::size_t next_definition = 0;
    for (std::size_t i = 0; i < line_numbers_.size(); ++i) {
        const kelvo::HostPlace& place = places_.lines()[i];
        if (place.placed()) {
            const std::size_t begin = places_.result_begin(place);
            append_u32(out, line_numbers_[i].line);
            append_u32(out, source.units_before(line_numbers_[i].offset, kelvo::Encoding::utf16));
            append_u32(out, result.units_before(begin, kelvo::Encoding::utf16));
            append_u32(out, result.units_before(begin + place.size(), kelvo::Encoding::utf16));
        }
        append_prologues(out, i, next_definition, source, result);
    }
    return out;
}

// What each word is, three numbers a word: where it begins and ends in the
// source as JavaScript holds it, and its class.
std::string Playground::words_part(const kelvo::LineIndex& source) {
    // The reader tells a line's comments before its words are read, and the
    // run its dropped words after: in the order of the source for JavaScript.
    std::stable_sort(pieces_.begin(), pieces_.end(), [](const Piece& a, const Piece& b) { return a.begin < b.begin; });
    std::string out;
    out.reserve(pieces_.size() * 12);
    for (const Piece& p : pieces_) {
        append_u32(out, source.units_before(p.begin, kelvo::Encoding::utf16));
        append_u32(out, source.units_before(p.end, kelvo::Encoding::utf16));
        append_u32(out, p.cls);
    }
    return out;
}

std::string tables_json() {
    std::string out = "{\"keywords\":[";
    for (const kelvo::KeywordRow& row : kelvo::keyword_table()) {
        out += "{\"name\":";
        kelvo::append_json_string(out, row.keyword);
        out += ",\"kind\":";
        kelvo::append_json_string(out, keyword_kind_names.at(static_cast<std::size_t>(row.kind)));
        out += ",\"summary\":";
        kelvo::append_json_string(out, row.summary);
        out += "},";
    }
    if (out.back() == ',') out.pop_back();
    out += "],\"constants\":[";
    for (const kelvo::ConstantRow& row : kelvo::constant_table()) {
        out += "{\"name\":";
        kelvo::append_json_string(out, row.name);
        out += ",\"text\":";
        kelvo::append_json_string(out, row.text);
        out += "},";
    }
    if (out.back() == ',') out.pop_back();
    out += "],\"wordKinds\":[";
    for (std::size_t k = 0; k < kelvo::word_kind_count; ++k) {
        kelvo::append_json_string(out, kelvo::word_kind_name(static_cast<kelvo::WordKind>(k)));
        out += ',';
    }
    out.pop_back();
    out += "]}";
    return out;
}

// The calls of the host text that the host refuses for their argument
// count, as warnings among the reports: the analysis that places them at
// their source terms is made only when the host text holds any.
void check_argument_counts(Playground& playground, kelvo::SessionOptions these) {
    if (kelvo::preview::argument_count_calls(parts[host]).empty()) return;
    these.listener = nullptr;
    const kelvo::Analysis analysed = kelvo::analyse(input, std::move(these));
    const kelvo::preview::HostChecks checks = kelvo::preview::host_checks(analysed);
    playground.replace_reports(kelvo::preview::merged_findings(analysed, checks));
}

}  // namespace

namespace kelvo::wasm {

std::string& input_buffer() { return input; }
SessionOptions take_globals() { return std::exchange(options, {}); }

}  // namespace kelvo::wasm

// The buffer, made `size` bytes long, for JavaScript to fill.
KELVO_WASM_EXPORT char* kelvo_buffer(std::size_t size) {
    input.assign(size, '\0');
    return input.data();
}

// A global argument for the next translation: its name is the first
// `name_size` bytes of the buffer, its value the `value_size` after them.
KELVO_WASM_EXPORT void kelvo_add_global(int is_string, std::size_t name_size, std::size_t value_size) {
    const auto kind = is_string != 0 ? kelvo::GlobalArgument::Kind::string : kelvo::GlobalArgument::Kind::real;
    options.globals.push_back({kind, input.substr(0, name_size), input.substr(name_size, value_size)});
}

// The choice of one warning for the next translation: the code (or "*") is
// the first `name_size` bytes of the buffer, "off", "on" or "error" the
// `level_size` after them. 0 when the choice is taken; else the reason is
// the `explanation` part. No code (`name_size` 0) forgets the choices made.
KELVO_WASM_EXPORT int kelvo_choose_warning(std::size_t name_size, std::size_t level_size) {
    if (name_size == 0) {
        chosen_warnings = {};
        parts[explanation].clear();
        return 0;
    }
    parts[explanation] = kelvo::choose_by_entry(chosen_warnings, std::string_view(input).substr(0, name_size),
                                                std::string_view(input).substr(name_size, level_size));
    return parts[explanation].empty() ? 0 : 1;
}

// The page that explains the code in the first `size` bytes of the buffer,
// as Markdown, into the `explanation` part: 1, or 0 for a code without one.
KELVO_WASM_EXPORT int kelvo_explain(std::size_t size) {
    const std::optional<std::string> page = kelvo::explanation_page(std::string_view(input).substr(0, size));
    parts[explanation] = page.value_or(std::string());
    return page ? 1 : 0;
}

// Every code with its kind and summary, as JSON, into the `explanation` part.
KELVO_WASM_EXPORT void kelvo_load_explanations() { parts[explanation] = explanations_json(); }

// Translates the first `size` bytes of the buffer with the globals added
// since the last translation, which it then forgets. The analysis as JSON is
// made only when asked for: it is many times the size of the source.
// `with_checks`: the warnings of the host's argument counts among the reports.
KELVO_WASM_EXPORT void kelvo_translate(std::size_t size, int with_analysis, int with_checks) {
    input.resize(size);
    kelvo::SessionOptions these = std::exchange(options, {});
    these.start = kelvo::StartFrom::loaded_state;
    parts[analysis].clear();
    if (with_analysis != 0) parts[analysis] = kelvo::analysis_json(kelvo::analyse(input, these));
    Playground playground(std::exchange(chosen_warnings, {}));
    these.listener = &playground;
    const kelvo::Translation t = kelvo::translate_source(input, these);
    parts[host].assign(t.host);
    parts[messages].assign(t.messages);
    if (with_checks != 0) check_argument_counts(playground, these);
    const kelvo::LineIndex source(input, kelvo::LineIndex::Ends::line_feeds, kelvo::LineIndex::Start::first_byte);
    const kelvo::LineIndex result(parts[host], kelvo::LineIndex::Ends::line_feeds, kelvo::LineIndex::Start::first_byte);
    parts[summary] = playground.summary_json(source);
    parts[lines] = playground.lines_part(source, result);
    parts[words] = playground.words_part(source);
    input = std::string();
}

// The keyword and constant tables as JSON, into the `tables` part.
KELVO_WASM_EXPORT void kelvo_load_tables() { parts[tables] = tables_json(); }

KELVO_WASM_EXPORT const char* kelvo_part(int part) { return parts.at(static_cast<std::size_t>(part)).data(); }
KELVO_WASM_EXPORT std::size_t kelvo_part_size(int part) { return parts.at(static_cast<std::size_t>(part)).size(); }
