#include "library/analysis_json.h"

#include <array>
#include <cstdint>

#include "core/keyword_row.h"
#include "core/utf8.h"
#include "library/line_index.h"

namespace kelvo {

namespace {

constexpr std::array<std::string_view, word_kind_count> word_kind_names = {
    "string",  "parameter", "keyword", "constant",      "real-global",  "string-global", "variable",
    "script",  "operator",  "number",  "unknown",       "variable-name", "script-name",  "parameter-name"};
static_assert(word_kind_names.back() == "parameter-name", "one name for each kind of word, in the order of the kinds");

constexpr std::array<std::string_view, 3> severity_names = {"error", "warning", "note"};

void append_escape(std::string& out, unsigned char c) {
    constexpr std::string_view hex = "0123456789abcdef";
    out += "\\u00";
    out += hex[c >> 4];
    out += hex[c & 0xF];
}

class Writer {
public:
    Writer(std::string& out, std::string_view source) : out_(out), index_(source, LineIndex::Ends::line_feeds) {}

    void key(std::string_view name) {
        comma();
        append_json_string(out_, name);
        out_ += ':';
        fresh_ = true;
    }
    void open(char bracket) {
        comma();
        out_ += bracket;
        fresh_ = true;
    }
    void close(char bracket) {
        out_ += bracket;
        fresh_ = false;
    }
    void string(std::string_view text) {
        comma();
        append_json_string(out_, text);
    }
    void number(std::int64_t value) {
        comma();
        out_ += std::to_string(value);
    }
    void unsigned_number(std::size_t value) {
        comma();
        out_ += std::to_string(value);
    }
    void boolean(bool value) {
        comma();
        out_ += value ? "true" : "false";
    }
    void null() {
        comma();
        out_ += "null";
    }
    void position(std::string_view name, SourcePosition p) {
        key(name);
        open('{');
        key("line");
        unsigned_number(p.line);
        key("column");
        unsigned_number(p.column);
        key("offset");
        unsigned_number(p.line == 0 ? 0 : p.offset);
        close('}');
    }
    // A byte offset of the source as a place of the translator's lines.
    void place(std::string_view name, std::size_t offset) {
        const LineIndex::Place p = index_.place(offset);
        position(name, {p.line + 1, p.column + 1, offset});
    }
    void span(std::string_view name, Bytes b) {
        key(name);
        open('{');
        place("start", b.begin);
        place("end", b.end);
        close('}');
    }
    void host(const Analysis& a, const HostPlace& place) {
        key("host");
        if (!place.placed()) return null();
        open('{');
        key("definition");
        number(place.definition);
        key("begin");
        unsigned_number(place.begin);
        key("end");
        unsigned_number(place.end);
        key("resultBegin");
        unsigned_number(a.result_begin(place));
        key("resultEnd");
        unsigned_number(a.result_begin(place) + (place.end - place.begin));
        close('}');
    }
    void keyword(const KeywordRow* row) {
        key("keyword");
        if (row == nullptr) return null();
        string(row->keyword);
    }

private:
    void comma() {
        if (!fresh_) out_ += ',';
        fresh_ = false;
    }

    std::string& out_;
    LineIndex index_;
    bool fresh_ = true;
};

void write_word(Writer& w, const AnalysedWord& word, std::string_view text) {
    w.open('{');
    w.key("kind");
    w.string(word_kind_name(word.kind));
    w.key("text");
    w.string(text);
    w.span("span", word.bytes);
    if (word.keyword_row() != nullptr) w.keyword(word.keyword_row());
    if (word.declaration >= 0) {
        w.key("declaration");
        w.number(word.declaration);
    }
    if (word.parameter() >= 0) {
        w.key("parameter");
        w.number(word.parameter());
    }
    if (word.kind == WordKind::script) {
        w.key("signature");
        w.number(word.signature());
    }
    w.close('}');
}

void write_words(Writer& w, const Analysis& a) {
    w.key("words");
    w.open('[');
    for (const AnalysedWord& word : a.words) write_word(w, word, a.text(word));
    w.close(']');
}

void write_terms(Writer& w, const Analysis& a) {
    w.key("terms");
    w.open('[');
    for (const AnalysedTerm& term : a.terms) {
        w.open('{');
        w.span("span", term.bytes);
        w.keyword(term.keyword_row());
        w.key("missing");
        w.boolean(term.missing);
        w.key("parent");
        w.number(term.parent);
        w.key("operand");
        w.unsigned_number(term.operand);
        w.key("line");
        w.unsigned_number(term.line);
        w.key("firstWord");
        w.unsigned_number(term.first_word);
        w.key("wordCount");
        w.unsigned_number(term.word_count);
        w.host(a, a.host_of(term));
        w.close('}');
    }
    w.close(']');
}

void write_lines(Writer& w, const Analysis& a) {
    w.key("lines");
    w.open('[');
    for (const AnalysedLine& line : a.lines) {
        w.open('{');
        w.key("line");
        w.unsigned_number(line.number);
        w.key("inDefinition");
        w.boolean(line.in_definition);
        w.key("abandoned");
        w.boolean(line.abandoned);
        w.key("firstTerm");
        w.unsigned_number(line.first_term);
        w.key("termCount");
        w.unsigned_number(line.term_count);
        w.host(a, a.host_of(line));
        w.span("span", line.bytes);
        w.close('}');
    }
    w.close(']');
}

// The facts of a report that it has.
void write_facts(Writer& w, const Report& r) {
    w.key("facts");
    w.open('{');
    if (!r.word.empty()) {
        w.key("word");
        w.string(r.word);
    }
    if (!r.name.empty()) {
        w.key("name");
        w.string(r.name);
    }
    if (!r.names.empty()) {
        w.key("names");
        w.string(r.names);
    }
    if (r.keyword != nullptr) w.keyword(r.keyword);
    if (r.other_keyword != nullptr) {
        w.key("otherKeyword");
        w.string(r.other_keyword->keyword);
    }
    if (r.code == Code::missing_operands) {
        w.key("operands");
        w.number(r.operands);
        w.key("given");
        w.number(r.given);
    }
    if (r.line != 0) {
        w.key("line");
        w.unsigned_number(r.line);
    }
    w.close('}');
}

void write_findings(Writer& w, const Analysis& a) {
    w.key("findings");
    w.open('[');
    for (const Finding& f : a.findings) {
        w.open('{');
        w.key("severity");
        w.string(severity_name(f.severity()));
        w.key("code");
        w.string(code_name(f.code()));
        w.key("text");
        w.string(report_text(f.report));
        w.position("position", f.report.span.begin);
        w.key("length");
        w.unsigned_number(f.report.length());
        write_facts(w, f.report);
        w.close('}');
    }
    w.close(']');
    w.key("argumentCounts");
    w.open('[');
    for (const ArgumentCount& c : a.argument_counts) {
        w.open('{');
        w.key("count");
        w.number(c.count);
        w.key("line");
        w.unsigned_number(c.line);
        w.close('}');
    }
    w.close(']');
}

void write_declaration(Writer& w, const Analysis& a, const DeclaredName& d) {
    w.open('{');
    w.key("kind");
    w.string(d.kind == Declaration::Kind::script ? "script" : "variable");
    w.key("name");
    w.string(d.name);
    w.position("position", d.name_position);
    w.position("keywordPosition", d.keyword_position);
    if (d.kind == Declaration::Kind::script) {
        w.key("argumentCount");
        w.number(d.argument_count);
        w.key("parameters");
        w.open('[');
        for (std::int32_t k = 0; k < d.argument_count; ++k) w.string(a.text(a.words[d.first_parameter + static_cast<std::size_t>(k)]));
        w.close(']');
        w.key("lastLine");
        w.unsigned_number(d.last_line);
    }
    w.close('}');
}

void write_declarations(Writer& w, const Analysis& a) {
    w.key("declarations");
    w.open('[');
    for (const DeclaredName& d : a.declarations) write_declaration(w, a, d);
    w.close(']');
    w.key("definitions");
    w.open('[');
    for (const StoredDefinition& d : a.definitions) {
        w.open('{');
        w.key("name");
        w.string(d.name);
        w.key("prologue");
        w.unsigned_number(d.prologue);
        w.key("body");
        w.unsigned_number(d.body);
        w.key("resultBegin");
        w.unsigned_number(d.result_begin);
        w.close('}');
    }
    w.close(']');
}

// What the reader alone knows: the words lines drop, the comments, the
// lines that go on the line before them, the byte-order mark.
void write_reading(Writer& w, const Analysis& a) {
    w.key("dropped");
    w.open('[');
    for (const AnalysedWord& word : a.dropped) write_word(w, word, a.text_of_dropped(word));
    w.close(']');
    w.key("comments");
    w.open('[');
    for (const Bytes& comment : a.comments) {
        w.open('{');
        w.span("span", comment);
        w.close('}');
    }
    w.close(']');
    w.key("continuations");
    w.open('[');
    for (const std::uint32_t at : a.continuations) {
        w.open('{');
        w.place("at", at);
        w.close('}');
    }
    w.close(']');
    w.key("byteOrderMark");
    w.boolean(a.byte_order_mark);
    w.place("inputEnd", a.input_end);
}

}  // namespace

std::string_view word_kind_name(WordKind kind) { return word_kind_names.at(static_cast<std::size_t>(kind)); }

std::string_view severity_name(Severity severity) { return severity_names.at(static_cast<std::size_t>(severity)); }

void append_json_string(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += '\\';
            out += c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
        } else if (c < 0x20 || c == 0x7F) {
            append_escape(out, c);
        } else if (c >= 0x80) {
            const Utf8Character character = utf8_character(text, i);
            if (!character.valid) {
                append_escape(out, c);
            } else {
                out += text.substr(i, character.length);
                i += character.length;
                continue;
            }
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

std::string analysis_json(const Analysis& analysis) {
    std::string out;
    Writer w(out, analysis.source);
    w.open('{');
    w.key("version");
    w.number(1);
    w.key("host");
    w.string(analysis.host);
    w.key("messages");
    w.string(analysis.messages);
    write_words(w, analysis);
    write_terms(w, analysis);
    write_lines(w, analysis);
    write_findings(w, analysis);
    write_declarations(w, analysis);
    write_reading(w, analysis);
    w.close('}');
    out += '\n';
    return out;
}

}  // namespace kelvo
