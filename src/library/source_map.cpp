#include "library/source_map.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "library/analysis_json.h"
#include "library/line_index.h"

namespace kelvo {

namespace {

// ---- The recorded lines -------------------------------------------------
//
// A line is recorded once its host text is final, in a few bytes: the
// length of its host text, the number of its marks, then per mark the host
// offset from the mark before, the source line and column as differences
// from the mark before in the same stream, the word's length and its name
// plus one. Numbers are written seven bits to the byte.

void put(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

void put_difference(std::string& out, std::size_t now, std::size_t before) {
    // Zigzag: the sign in the lowest bit.
    put(out, now >= before ? (std::uint64_t{now - before} << 1) : ((std::uint64_t{before - now} << 1) | 1));
}

class StreamReader {
public:
    explicit StreamReader(std::string_view bytes) : bytes_(bytes) {}
    bool done() const { return at_ >= bytes_.size(); }
    std::uint64_t number() {
        std::uint64_t value = 0;
        for (unsigned shift = 0; at_ < bytes_.size(); shift += 7) {
            const auto byte = static_cast<unsigned char>(bytes_[at_++]);
            value |= std::uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0) break;
        }
        return value;
    }
    std::size_t size() { return static_cast<std::size_t>(number()); }
    std::size_t difference(std::size_t before) {
        const std::uint64_t value = number();
        const auto amount = static_cast<std::size_t>(value >> 1);
        return (value & 1) != 0 ? before - amount : before + amount;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// A host offset after an edit of the line's host text: what stood behind
// the edited bytes moves with them, what stood inside them goes to its start.
std::size_t edited(std::size_t at, std::size_t offset, std::size_t removed, std::size_t inserted) {
    if (at < offset) return at;
    if (at < offset + removed) return offset;
    return at - removed + inserted;
}

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
        for (std::size_t feed = next_line_feed(host_, last_, offset); feed < offset;
             feed = next_line_feed(host_, last_, offset)) {
            last_ = feed + 1;
            if (last_ < offset) visit_({last_, active_});
        }
    }
    // The recorded lines of a stream, from `begin`.
    void lines(std::string_view stream, std::size_t begin) {
        StreamReader reader(stream);
        std::size_t line_start = begin;
        SourcePosition place;
        while (!reader.done() && line_start <= host_.size()) {
            const std::size_t length = reader.size();
            const std::size_t count = reader.size();
            std::size_t offset = line_start;
            for (std::size_t i = 0; i < count; ++i) {
                offset += reader.size();
                place.line = reader.difference(place.line);
                place.column = reader.difference(place.column);
                SourceOrigin origin{place, reader.size(), static_cast<std::int32_t>(reader.number()) - 1};
                at(offset, origin);
            }
            restate_up_to(std::min(line_start + length, host_.size()));
            line_start += length + 1;
        }
    }

private:
    std::string_view host_;
    const std::function<void(const SourceMapSegment&)>& visit_;
    SourceOrigin active_;
    std::size_t last_ = 0;
};

// ---- Columns in UTF-16 code units ----------------------------------------

// The units of the character at text[i], or 0 for a byte inside a
// well-formed sequence that begins before it.
std::size_t units_at(std::string_view text, std::size_t i, std::size_t& length) {
    const auto c = static_cast<unsigned char>(text[i]);
    length = 1;
    if (c < 0x80) return 1;
    const std::size_t n = utf8_length(text.substr(i, 4));
    if (n > 0) {
        length = n;
        return n == 4 ? 2 : 1;
    }
    return 1;
}

// Whether text[i], a continuation byte, ends inside a well-formed sequence
// that begins before it: then it counts nothing.
std::size_t covered_from(std::string_view text, std::size_t i) {
    for (std::size_t back = 1; back <= 3 && back <= i; ++back) {
        const std::size_t n = utf8_length(text.substr(i - back, 4));
        if (n > back) return i - back + n;
    }
    return i;
}

// The UTF-16 units from the start of the text at every 256th byte, so that a
// column anywhere takes a short count; none when the text is ASCII.
class UnitIndex {
public:
    explicit UnitIndex(std::string_view text) : text_(text) {
        if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return;
        starts_.push_back(0);
        for (std::size_t from = 0; from + step <= text.size(); from += step)
            starts_.push_back(starts_.back() + utf16_units(text, from, from + step));
    }
    std::size_t before(std::size_t offset) const {
        offset = std::min(offset, text_.size());
        if (starts_.empty()) return offset;
        const std::size_t block = offset / step;
        return starts_[block] + utf16_units(text_, block * step, offset);
    }

private:
    static constexpr std::size_t step = 256;
    std::string_view text_;
    std::vector<std::size_t> starts_;
};

// ---- The JSON ------------------------------------------------------------

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
        : host_(host), lines_(source, LineIndex::Ends::line_feeds), source_units_(source), out_(out), sink_(sink) {}

    void add(const SourceMapSegment& segment) {
        std::size_t lines_ahead = 0;
        for (std::size_t feed = next_line_feed(host_, last_, segment.offset); feed < segment.offset;
             feed = next_line_feed(host_, last_, segment.offset)) {
            ++lines_ahead;
            last_ = feed + 1;
            units_ = 0;
        }
        units_ += utf16_units(host_, last_, segment.offset);
        last_ = segment.offset;
        if (lines_ahead > 0 || units_ != held_column_) write_held();
        for (std::size_t i = 0; i < lines_ahead; ++i) new_line();
        held_ = segment.origin;
        held_column_ = units_;
        holding_ = true;
    }
    void finish() { write_held(); }

private:
    void new_line() {
        out_ += ';';
        column_ = 0;
        any_on_line_ = false;
        mapped_on_line_ = false;
        flush();
    }
    void write_held() {
        if (!holding_) return;
        holding_ = false;
        const bool mapped = held_.place.line != 0;
        // Nothing is mapped at the start of a line, nor after nothing.
        if (!mapped && !mapped_on_line_) return;
        if (any_on_line_) out_ += ',';
        append_vlq(out_, signed_difference(held_column_, column_));
        column_ = held_column_;
        any_on_line_ = true;
        mapped_on_line_ = mapped;
        if (!mapped) return;
        const std::size_t line = held_.place.line - 1;
        // Neither the translator's columns nor the map's count a byte-order mark.
        const std::size_t start = lines_.line_start(line);
        const std::size_t offset = start + held_.place.column - 1;
        const std::size_t column = offset <= start ? 0 : source_units_.before(offset) - source_units_.before(start);
        out_ += 'A';  // the one source
        append_vlq(out_, signed_difference(line, source_line_));
        append_vlq(out_, signed_difference(column, source_column_));
        source_line_ = line;
        source_column_ = column;
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

    std::string_view host_;
    LineIndex lines_;
    UnitIndex source_units_;
    std::string& out_;
    const std::function<void(std::string_view)>& sink_;
    std::size_t last_ = 0;   // host offset up to which the units are counted
    std::size_t units_ = 0;  // of the current line up to `last_`
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

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

}  // namespace

// ---- The recorder ----------------------------------------------------------

void SourceMapRecorder::report(const Report& report) {
    if (next_ != nullptr) next_->report(report);
}

void SourceMapRecorder::argument_count(std::int32_t count, std::size_t line) {
    if (next_ != nullptr) next_->argument_count(count, line);
}

void SourceMapRecorder::declared(const Declaration& d) {
    if (next_ != nullptr) next_->declared(d);
}

void SourceMapRecorder::definition_closed(SourcePosition end) {
    if (next_ != nullptr) next_->definition_closed(end);
}

std::int32_t SourceMapRecorder::name_of(const ResolvedWord& w) {
    if (!is_name(w.kind)) return -1;
    const auto [found, added] = name_index_.try_emplace(std::string(w.text), static_cast<std::int32_t>(map_.names_.size()));
    if (added) map_.names_.emplace_back(w.text);
    return found->second;
}

SourceOrigin SourceMapRecorder::origin_of(const ResolvedWord& w) {
    const std::size_t length = w.span.end.line == w.span.begin.line ? w.span.end.column - w.span.begin.column : 0;
    return {w.span.begin, length, name_of(w)};
}

void SourceMapRecorder::word(const ResolvedWord& w) {
    if (next_ != nullptr) next_->word(w);
    if (!waiting_.empty()) {
        const SourceOrigin origin = origin_of(w);
        for (const std::uint32_t i : waiting_) origins_[i] = origin;
        waiting_.clear();
    }
    if (w.kind == WordKind::script_name) {
        function_name_ = origin_of(w);
        parameters_.clear();
    } else if (w.kind == WordKind::parameter_name) {
        parameters_.push_back(origin_of(w));
    }
}

void SourceMapRecorder::term_begins(std::size_t host) {
    if (next_ != nullptr) next_->term_begins(host);
    const auto origin = static_cast<std::uint32_t>(origins_.size());
    origins_.push_back(origins_.empty() ? SourceOrigin{} : origins_.front());
    waiting_.push_back(origin);
    marks_.push_back({host - line_host_, origin, false});
    open_.push_back({marks_.size() - 1, origin});
}

void SourceMapRecorder::term_ends(std::size_t host, const KeywordRow* keyword, bool missing, SourcePosition at) {
    if (next_ != nullptr) next_->term_ends(host, keyword, missing, at);
    if (open_.empty()) return;
    const OpenTerm term = open_.back();
    open_.pop_back();
    // A term that read no word stands where it was missing.
    const auto waiting = std::find(waiting_.begin(), waiting_.end(), term.origin);
    if (waiting != waiting_.end()) {
        waiting_.erase(waiting);
        if (at.line != 0) origins_[term.origin] = {at, 0, -1};
    }
    const std::size_t end = host - line_host_;
    if (marks_[term.mark].host >= end) {
        marks_.resize(term.mark);  // no text of it is left, nor of its operands
        return;
    }
    if (!open_.empty()) marks_.push_back({end, open_.back().origin, true});
}

void SourceMapRecorder::host_edited(std::size_t offset, std::size_t removed, std::size_t inserted) {
    if (next_ != nullptr) next_->host_edited(offset, removed, inserted);
    offset -= line_host_;
    // Only the marks inside the term whose handler edits are behind the edit;
    // text put where an operand ended is the term's own.
    const std::size_t first = open_.empty() ? 1 : open_.back().mark + 1;
    for (std::size_t i = first; i < marks_.size(); ++i) {
        Mark& mark = marks_[i];
        if (!mark.end || mark.host > offset) mark.host = edited(mark.host, offset, removed, inserted);
    }
}

void SourceMapRecorder::line_begins(std::size_t line, std::size_t host, bool in_definition) {
    if (next_ != nullptr) next_->line_begins(line, host, in_definition);
    line_host_ = host;
    in_definition_ = in_definition;
    origins_.assign(1, SourceOrigin{{line, 1}, 0, -1});
    waiting_.assign(1, 0);
    marks_.assign(1, Mark{0, 0, false});
    open_.clear();
}

void SourceMapRecorder::line_ends(std::size_t host_end, bool abandoned, std::size_t joined_at) {
    if (next_ != nullptr) next_->line_ends(host_end, abandoned, joined_at);
    if (marks_.empty()) return;
    if (abandoned) marks_.resize(1);
    encode_line(in_definition_ ? pending_ : map_.main_lines_, host_end - line_host_);
    marks_.clear();
    waiting_.clear();
    open_.clear();
}

// The line's marks as they stand in its final host text: none at its end,
// the last of those at the same place, none that repeats the one before.
void SourceMapRecorder::encode_line(std::string& out, std::size_t length) {
    const auto by_host = [](const Mark& a, const Mark& b) { return a.host < b.host; };
    if (!std::is_sorted(marks_.begin(), marks_.end(), by_host)) std::stable_sort(marks_.begin(), marks_.end(), by_host);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < marks_.size(); ++i) {
        const Mark mark = marks_[i];
        if (i > 0 && mark.host >= length) continue;
        if (kept > 0 && marks_[kept - 1].host == mark.host) --kept;
        if (kept > 0 && marks_[kept - 1].origin == mark.origin) continue;
        marks_[kept++] = mark;
    }
    // Streams begin afresh: the main code's with the run, a definition's
    // after the definition before it was stored.
    SourcePosition& before = &out == &pending_ ? pending_place_ : main_place_;
    put(out, length);
    put(out, kept);
    std::size_t host = 0;
    for (std::size_t i = 0; i < kept; ++i) {
        const SourceOrigin& origin = origins_[marks_[i].origin];
        put(out, marks_[i].host - host);
        host = marks_[i].host;
        put_difference(out, origin.place.line, before.line);
        put_difference(out, origin.place.column, before.column);
        before = origin.place;
        put(out, origin.length);
        put(out, static_cast<std::uint64_t>(origin.name + 1));
    }
}

void SourceMapRecorder::definition_stored(std::size_t index, std::string_view name, std::size_t prologue,
                                          std::size_t body) {
    if (next_ != nullptr) next_->definition_stored(index, name, prologue, body);
    SourceMap::Definition definition{std::string(name), prologue, body, function_name_, {}, std::move(pending_)};
    if (prologue > 0) definition.parameters = std::move(parameters_);
    map_.definitions_.push_back(std::move(definition));
    function_name_ = {};
    parameters_.clear();
    pending_.clear();
    pending_place_ = {};
}

SourceMap SourceMapRecorder::finish() {
    std::size_t at = 0;
    map_.placed_.clear();
    for (const SourceMap::Definition& d : map_.definitions_) {
        map_.placed_.push_back({d.name, at + d.name.size() + 2, d.body});
        at += d.name.size() + 2 + d.body + 2;  // name='body'\n
    }
    map_.main_begin_ = at;
    SourceMap map = std::move(map_);
    map_ = {};
    name_index_.clear();
    main_place_ = {};
    return map;
}

// ---- The map ----------------------------------------------------------------

void SourceMap::segments(std::string_view host, const std::function<void(const SourceMapSegment&)>& visit) const {
    SegmentWalk walk(host, visit);
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        const Definition& d = definitions_[i];
        const std::size_t body = placed_[i].body_begin;
        walk.at(body - d.name.size() - 2, d.name_origin);
        const std::size_t prologue_end = std::min(host.size(), body + d.prologue);
        std::size_t line = body;
        for (std::size_t k = 0; line < prologue_end; ++k) {
            walk.at(line, k < d.parameters.size() ? d.parameters[k] : SourceOrigin{});
            line = next_line_feed(host, line, prologue_end) + 1;
        }
        walk.lines(d.lines, body + d.prologue);
        walk.at(body + d.body, {});  // the closing quote
    }
    walk.lines(main_lines_, main_begin_);
}

SourceMapSegment SourceMap::at(std::string_view host, std::size_t offset) const {
    SourceMapSegment found;
    segments(host, [&](const SourceMapSegment& s) {
        if (s.offset <= offset) found = s;
    });
    return found;
}

// ---- Writing it ---------------------------------------------------------------

std::size_t utf16_units(std::string_view text, std::size_t from, std::size_t to) {
    to = std::min(to, text.size());
    std::size_t units = 0;
    std::size_t i = from;
    if (i < to && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) i = std::min(to, covered_from(text, i));
    while (i < to) {
        std::size_t length = 1;
        units += units_at(text, i, length);
        i += length;
    }
    return units;
}

void write_source_map(const SourceMap& map, std::string_view host, std::string_view source, const SourceMapFile& names,
                      const std::function<void(std::string_view)>& sink) {
    std::string out = "{\"version\":3,\"file\":";
    append_json_string(out, names.file);
    out += ",\"sources\":[";
    append_json_string(out, names.source);
    out += ']';
    if (names.content) {
        out += ",\"sourcesContent\":[";
        append_json_string(out, source.starts_with(byte_order_mark) ? source.substr(byte_order_mark.size()) : source);
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
    MappingsWriter mappings(host, source, out, sink);
    map.segments(host, [&](const SourceMapSegment& s) { mappings.add(s); });
    mappings.finish();
    out += "\"}\n";
    sink(out);
}

std::string source_map_json(const SourceMap& map, std::string_view host, std::string_view source,
                            const SourceMapFile& names) {
    std::string json;
    write_source_map(map, host, source, names, [&](std::string_view piece) { json += piece; });
    return json;
}

}  // namespace kelvo
