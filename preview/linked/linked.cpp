#include "preview/linked/linked.h"

#include <algorithm>
#include <cstdio>

namespace kelvo::preview {

namespace {

std::uint32_t offset_of(std::size_t offset) { return static_cast<std::uint32_t>(offset); }

}  // namespace

SourceLinks::SourceLinks(const Analysis& analysis)
    : a_(analysis), lines_(analysis.source, LineIndex::Ends::line_feeds) {
    held_.reserve(a_.terms.size());
    for (std::size_t i = 0; i < a_.terms.size(); ++i) {
        const HostPlace& place = a_.host_of(a_.terms[i]);
        if (!place.placed() || place.size() == 0) continue;
        const std::size_t begin = a_.result_begin(place);
        held_.push_back({offset_of(begin), offset_of(begin + place.size()), static_cast<std::int32_t>(i), -1});
    }
    // An operand's text lies inside its term's: by begin, the longer first,
    // and the term before its operands where both are the same text.
    std::stable_sort(held_.begin(), held_.end(), [](const Held& x, const Held& y) {
        return x.begin != y.begin ? x.begin < y.begin : x.end > y.end;
    });
    std::vector<std::int32_t> open;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        while (!open.empty() && held_[static_cast<std::size_t>(open.back())].end < held_[i].end) open.pop_back();
        held_[i].parent = open.empty() ? -1 : open.back();
        open.push_back(static_cast<std::int32_t>(i));
    }
}

// The last range that begins at or before `begin`, then the ranges around
// it, innermost first, until one holds [begin, end).
std::int32_t SourceLinks::innermost(std::size_t begin, std::size_t end) const {
    const auto after = std::upper_bound(held_.begin(), held_.end(), begin,
                                        [](std::size_t b, const Held& h) { return b < h.begin; });
    auto at = static_cast<std::int32_t>(after - held_.begin()) - 1;
    while (at >= 0 && held_[static_cast<std::size_t>(at)].end < end) at = held_[static_cast<std::size_t>(at)].parent;
    return at < 0 ? -1 : held_[static_cast<std::size_t>(at)].term;
}

SourcePlace SourceLinks::of_word(std::size_t offset, std::size_t length) const {
    const LineIndex::Place p = lines_.place(offset);
    SourcePlace place;
    place.found = true;
    place.word = {offset_of(offset), offset_of(offset + length)};
    place.term_bytes = place.word;
    place.position = {p.line + 1, p.column + 1, offset};
    return place;
}

SourcePlace SourceLinks::of_term(std::size_t term) const {
    const AnalysedTerm& t = a_.terms[term];
    const Bytes word = t.word_count > 0 && t.first_word < a_.words.size() ? a_.words[t.first_word].bytes
                                                                            : Bytes{t.bytes.begin, t.bytes.begin};
    SourcePlace place = of_word(word.begin, word.end - word.begin);
    place.term = static_cast<std::int32_t>(term);
    place.term_bytes = t.bytes;
    return place;
}

// The word the source map names at a result offset, where no term's text
// stands there.
SourcePlace SourceLinks::mapped(std::size_t offset) const {
    if (!segmented_) {
        SourceMap(a_).segments([this](const SourceMapSegment& s) {
            if (!segments_.empty() && segments_.back().offset == s.offset) segments_.pop_back();
            segments_.push_back(s);
        });
        segmented_ = true;
    }
    const auto after = std::upper_bound(segments_.begin(), segments_.end(), offset,
                                        [](std::size_t o, const SourceMapSegment& s) { return o < s.offset; });
    if (after == segments_.begin() || !std::prev(after)->origin.mapped) return {};
    const SourceOrigin& origin = std::prev(after)->origin;
    return of_word(origin.offset, origin.length);
}

SourcePlace SourceLinks::at(Range host) const {
    const std::size_t end = std::max(host.end, host.begin + 1);
    std::int32_t term = innermost(host.begin, end);
    if (term < 0) term = innermost(host.begin, host.begin + 1);
    if (term >= 0) return of_term(static_cast<std::size_t>(term));
    return mapped(host.begin);
}

LinkedRun run_linked(const Analysis& analysis, const Settings& settings) {
    LinkedRun linked;
    linked.run = run_host(analysis.host, settings);
    const SourceLinks links(analysis);
    const HostRun& run = linked.run;
    linked.trace.reserve(run.trace.size());
    for (const TraceEntry& entry : run.trace) linked.trace.push_back(links.at(entry.range));
    // A shape or message is where its call is.
    const auto of_call = [&](std::size_t call, Range range) {
        return call < linked.trace.size() ? linked.trace[call] : links.at(range);
    };
    for (const Shape& shape : run.shapes) linked.shapes.push_back(of_call(shape.call, shape.range));
    for (const Message& message : run.messages) linked.messages.push_back(of_call(message.call, message.range));
    for (const Fault& fault : run.faults) linked.faults.push_back(links.at(fault.range));
    return linked;
}

std::string shown_code(FaultKind kind) { return "host-" + std::string(code_name(kind)); }

namespace {

constexpr std::size_t shown_text_bytes = 32;

void append_text(std::string& out, std::string_view text) {
    constexpr std::string_view digits = "0123456789abcdef";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += digits[u >> 4];
            out += digits[u & 0xF];
        } else {
            out += c;
        }
    }
}

}  // namespace

std::string value_text(const TracedValue& value) {
    if (value.kind == TracedValue::Kind::nothing) return "nothing";
    if (value.kind == TracedValue::Kind::number) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.10g", value.number);
        return buffer;
    }
    std::string out = "\"";
    append_text(out, std::string_view(value.text).substr(0, shown_text_bytes));
    out += '"';
    if (value.length > shown_text_bytes) out += "...(" + std::to_string(value.length) + " bytes)";
    return out;
}

std::string call_text(const HostRun& run, const TraceEntry& entry) {
    std::string out(entry.name);
    out += '(';
    for (std::size_t i = 0; i < entry.arguments.size(); ++i) {
        if (i > 0) out += ", ";
        out += value_text(entry.arguments[i]);
    }
    out += ')';
    if (entry.fault < run.faults.size()) {
        out += " => " + shown_code(run.faults[entry.fault].kind);
    } else if (entry.result.kind != TracedValue::Kind::nothing) {
        out += " => " + value_text(entry.result);
    }
    return out;
}

}  // namespace kelvo::preview
