#include "library/source_map.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "library/analysis_json.h"
#include "library/layout.h"
#include "library/line_index.h"

namespace kelvo {

namespace {

bool is_name(WordKind kind) {
    switch (kind) {
        case WordKind::string:
        case WordKind::operator_word:
        case WordKind::number:
        case WordKind::unknown: return false;
        default: return true;
    }
}

// Where the next line feed of host[from, to) is, or `to`.
std::size_t next_line_feed(std::string_view host, std::size_t from, std::size_t to) {
    if (from >= to) return to;
    const void* found = std::memchr(host.data() + from, '\n', to - from);
    return found == nullptr ? to : static_cast<std::size_t>(static_cast<const char*>(found) - host.data());
}

// Hands out the segments of the result in order, adding one at the start of
// every line that a piece of host text spans.
class SegmentWalk {
public:
    SegmentWalk(std::string_view host, const std::function<void(const SourceMapSegment&)>& visit)
        : host_(host), visit_(visit) {}

    void at(std::size_t offset, const SourceOrigin& origin) {
        if (offset > host_.size()) return;
        restate_up_to(offset);
        active_ = origin;
        last_ = offset;
        visit_({offset, origin});
    }
    // Lines begun inside the host text before `offset` begin with what is active.
    void restate_up_to(std::size_t offset) {
        offset = std::min(offset, host_.size());
        for (std::size_t feed = next_line_feed(host_, last_, offset); feed < offset;
             feed = next_line_feed(host_, last_, offset)) {
            last_ = feed + 1;
            if (last_ < offset) visit_({last_, active_});
        }
    }

private:
    std::string_view host_;
    const std::function<void(const SourceMapSegment&)>& visit_;
    SourceOrigin active_;
    std::size_t last_ = 0;
};

// A place in a line's host text where the text of a term, or of the line,
// begins: `origin` is the term's index, or `line_origin` for the line.
struct Mark {
    std::size_t host = 0;
    std::int64_t origin = 0;
};
constexpr std::int64_t line_origin_id = -1;

// The line's marks as they stand in its final host text: none at its end but
// the line's own, the last of those at the same place, none that repeats
// the one before.
void keep_marks(std::vector<Mark>& marks, std::size_t length) {
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.host < b.host; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const Mark mark = marks[i];
        if (i > 0 && mark.host >= length) continue;
        if (kept > 0 && marks[kept - 1].host == mark.host) --kept;
        if (kept > 0 && marks[kept - 1].origin == mark.origin) continue;
        marks[kept++] = mark;
    }
    marks.resize(kept);
}

}  // namespace

SourceMap::SourceMap(const Analysis& analysis) : a_(analysis), word_names_(analysis.words.size(), -1) {
    // The names are those of the words where host text begins and of the
    // names and parameters `function` lines declare, in the order of the source.
    std::vector<bool> named(a_.words.size(), false);
    for (const AnalysedTerm& t : a_.terms)
        if (t.word_count > 0) named[t.first_word] = true;
    std::unordered_map<std::string_view, std::int32_t> index;
    for (std::size_t i = 0; i < a_.words.size(); ++i) {
        const AnalysedWord& w = a_.words[i];
        const bool declares = w.kind == WordKind::script_name || w.kind == WordKind::parameter_name;
        if (!(named[i] || declares) || !is_name(w.kind)) continue;
        const auto [found, added] = index.try_emplace(a_.text(w), static_cast<std::int32_t>(names_.size()));
        if (added) names_.push_back(a_.text(w));
        word_names_[i] = found->second;
    }
}

std::vector<MappedDefinition> SourceMap::definitions() const {
    std::vector<MappedDefinition> out;
    for (const StoredDefinition& d : a_.definitions) out.push_back({d.name, d.result_begin, d.body});
    return out;
}

SourceOrigin SourceMap::origin_of_word(std::size_t word) const {
    const AnalysedWord& w = a_.words[word];
    // A word across a line end (a string that a lone `/` continues) is a point.
    const auto continued = std::upper_bound(a_.continuations.begin(), a_.continuations.end(), w.bytes.begin);
    const bool one_line = continued == a_.continuations.end() || *continued >= w.bytes.end;
    return {true, w.bytes.begin, one_line ? std::size_t{w.bytes.end - w.bytes.begin} : 0, word_names_[word]};
}

SourceOrigin SourceMap::line_origin(const AnalysedLine& line) const {
    if (line.term_count > 0) {
        const AnalysedTerm& first = a_.terms[line.first_term];
        if (first.word_count > 0) return origin_of_word(first.first_word);
    }
    return {true, line.bytes.begin, 0, -1};
}

// The marks of a line's terms: each term's text begins at its first word
// (a missing one at its point); after an operand's text, the text is its
// parent's again. A term whose text came out empty marks nothing, nor do
// its operands.
void SourceMap::line_segments(const AnalysedLine& line, std::size_t begin,
                              const std::function<void(std::size_t, const SourceOrigin&)>& mark) const {
    const HostPlace& host = a_.host_of(line);
    std::vector<Mark> marks{{0, line_origin_id}};
    struct Open {
        std::size_t term;
        bool empty;
    };
    std::vector<Open> open;
    const auto close = [&] {
        const Open o = open.back();
        open.pop_back();
        const AnalysedTerm& t = a_.terms[o.term];
        if (!o.empty && t.parent >= 0 && !open.empty()) marks.push_back({a_.host_of(t).end - host.begin, t.parent});
    };
    for (std::size_t i = line.first_term; i < line.first_term + line.term_count; ++i) {
        const AnalysedTerm& t = a_.terms[i];
        while (!open.empty() && static_cast<std::int32_t>(open.back().term) != t.parent) close();
        const HostPlace& place = a_.host_of(t);
        const bool empty = place.end <= place.begin || (!open.empty() && open.back().empty);
        if (!empty) marks.push_back({place.begin - host.begin, static_cast<std::int64_t>(i)});
        open.push_back({i, empty});
    }
    while (!open.empty()) close();
    keep_marks(marks, host.size());
    for (const Mark& m : marks) {
        if (m.origin == line_origin_id) {
            mark(begin + m.host, line_origin(line));
            continue;
        }
        const AnalysedTerm& t = a_.terms[static_cast<std::size_t>(m.origin)];
        mark(begin + m.host, t.word_count > 0 ? origin_of_word(t.first_word) : SourceOrigin{true, t.bytes.begin, 0, -1});
    }
}

void SourceMap::segments(const std::function<void(const SourceMapSegment&)>& visit) const {
    const std::string_view host = a_.host;
    SegmentWalk walk(host, visit);
    const auto mark = [&walk](std::size_t offset, const SourceOrigin& origin) { walk.at(offset, origin); };
    const auto lines_of = [&](std::int32_t definition) {
        for (const AnalysedLine& line : a_.lines) {
            const HostPlace& place = a_.host_of(line);
            if (place.definition != definition) continue;
            const std::size_t begin = a_.result_begin(place);
            line_segments(line, begin, mark);
            walk.restate_up_to(begin + place.size());
        }
    };
    std::size_t words_before = 0;
    for (std::size_t k = 0; k < a_.definitions.size(); ++k) {
        const StoredDefinition& d = a_.definitions[k];
        // The latest `function` line before `end` stored it names it.
        SourceOrigin name;
        std::vector<SourceOrigin> parameters;
        for (std::size_t i = words_before; i < d.words; ++i) {
            const WordKind kind = a_.words[i].kind;
            if (kind == WordKind::script_name) {
                name = origin_of_word(i);
                parameters.clear();
            } else if (kind == WordKind::parameter_name) {
                parameters.push_back(origin_of_word(i));
            }
        }
        // With no `function` line, as after an `end` that closed none: the
        // `end` that stored it wrote its head.
        if (!name.mapped && d.words > words_before) name = origin_of_word(d.words - 1);
        words_before = d.words;
        const std::size_t body = d.result_begin;
        walk.at(body - d.name.size() - definition_opening.size(), name);
        const std::size_t prologue_end = std::min(host.size(), body + d.prologue);
        std::size_t line = body;
        for (std::size_t p = 0; line < prologue_end; ++p) {
            walk.at(line, d.prologue > 0 && p < parameters.size() ? parameters[p] : SourceOrigin{});
            line = next_line_feed(host, line, prologue_end) + 1;
        }
        lines_of(static_cast<std::int32_t>(k));
        walk.at(body + d.body, {});  // the closing quote
    }
    lines_of(-1);
}

SourceMapSegment SourceMap::at(std::size_t offset) const {
    SourceMapSegment found;
    segments([&](const SourceMapSegment& s) {
        if (s.offset <= offset) found = s;
    });
    return found;
}

namespace {

constexpr std::string_view base64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void append_vlq(std::string& out, std::int64_t value) {
    std::uint64_t rest = value < 0 ? ((static_cast<std::uint64_t>(-value) << 1) | 1) : (static_cast<std::uint64_t>(value) << 1);
    do {
        std::uint64_t digit = rest & 0x1F;
        rest >>= 5;
        if (rest != 0) digit |= 0x20;
        out += base64[static_cast<std::size_t>(digit)];
    } while (rest != 0);
}

std::int64_t signed_difference(std::size_t now, std::size_t before) {
    return static_cast<std::int64_t>(now) - static_cast<std::int64_t>(before);
}

// Turns the segments into the "mappings" text, one at a time; a segment at
// the same column as the one before replaces it.
class MappingsWriter {
public:
    MappingsWriter(std::string_view host, std::string_view source, std::string& out,
                   const std::function<void(std::string_view)>& sink)
        : host_(host, LineIndex::Ends::line_feeds, LineIndex::Start::first_byte),
          host_places_(host_, Encoding::utf16),
          source_(source, LineIndex::Ends::line_feeds),
          out_(out),
          sink_(sink) {}

    void add(const SourceMapSegment& segment) {
        const LineIndex::Place place = host_places_(segment.offset);
        const bool new_line = place.line != line_;
        if (new_line || place.column != held_column_) write_held();
        for (; line_ < place.line; ++line_) new_line_begins();
        held_ = segment.origin;
        held_column_ = place.column;
        holding_ = true;
    }
    void finish() { write_held(); }

private:
    void new_line_begins() {
        out_ += ';';
        column_ = 0;
        any_on_line_ = false;
        mapped_on_line_ = false;
        flush();
    }
    void write_held() {
        if (!holding_) return;
        holding_ = false;
        const bool mapped = held_.mapped;
        // Nothing is mapped at the start of a line, nor after nothing.
        if (!mapped && !mapped_on_line_) return;
        if (any_on_line_) out_ += ',';
        append_vlq(out_, signed_difference(held_column_, column_));
        column_ = held_column_;
        any_on_line_ = true;
        mapped_on_line_ = mapped;
        if (!mapped) return;
        // Neither the translator's columns nor the map's count a byte-order mark.
        const LineIndex::Place source = source_.place(held_.offset, Encoding::utf16);
        out_ += 'A';  // the one source
        append_vlq(out_, signed_difference(source.line, source_line_));
        append_vlq(out_, signed_difference(source.column, source_column_));
        source_line_ = source.line;
        source_column_ = source.column;
        if (held_.name >= 0) {
            append_vlq(out_, held_.name - name_);
            name_ = held_.name;
        }
    }
    void flush() {
        if (out_.size() < (std::size_t{1} << 16)) return;
        sink_(out_);
        out_.clear();
    }

    LineIndex host_;
    LineIndex::Forward host_places_;
    LineIndex source_;
    std::string& out_;
    const std::function<void(std::string_view)>& sink_;
    std::size_t line_ = 0;  // the host line being written
    SourceOrigin held_;
    std::size_t held_column_ = 0;
    bool holding_ = false;
    std::size_t column_ = 0;
    bool any_on_line_ = false;
    bool mapped_on_line_ = false;
    std::size_t source_line_ = 0;
    std::size_t source_column_ = 0;
    std::int32_t name_ = 0;
};

}  // namespace

void write_source_map(const SourceMap& map, const SourceMapFile& names, const std::function<void(std::string_view)>& sink) {
    const Analysis& a = map.analysis();
    const std::string_view source = a.source;
    std::string out = "{\"version\":3,\"file\":";
    append_json_string(out, names.file);
    out += ",\"sources\":[";
    append_json_string(out, names.source);
    out += ']';
    if (names.content) {
        out += ",\"sourcesContent\":[";
        append_json_string(out, starts_with_byte_order_mark(source) ? source.substr(byte_order_mark.size()) : source);
        out += ']';
    }
    out += ",\"names\":[";
    for (std::size_t i = 0; i < map.names().size(); ++i) {
        if (i > 0) out += ',';
        append_json_string(out, map.names()[i]);
    }
    out += "],\"mappings\":\"";
    sink(out);
    out.clear();
    MappingsWriter mappings(a.host, source, out, sink);
    map.segments([&](const SourceMapSegment& s) { mappings.add(s); });
    mappings.finish();
    out += "\"}\n";
    sink(out);
}

std::string source_map_json(const SourceMap& map, const SourceMapFile& names) {
    std::string json;
    write_source_map(map, names, [&](std::string_view piece) { json += piece; });
    return json;
}

}  // namespace kelvo
