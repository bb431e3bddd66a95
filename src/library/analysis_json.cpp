#include "library/analysis_json.h"

#include <array>
#include <cstdint>

#include "core/handler.h"
#include "library/line_index.h"

namespace kelvo {

namespace {

constexpr std::array<std::string_view, 14> word_kind_names = {
    "string",  "parameter", "keyword", "constant",      "real-global",  "string-global", "variable",
    "script",  "operator",  "number",  "unknown",       "variable-name", "script-name",  "parameter-name"};

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
        unsigned_number(p.line == 0 ? 0 : index_.offset({p.line - 1, p.column - 1}));
        close('}');
    }
    void span(std::string_view name, const SourceSpan& s) {
        key(name);
        open('{');
        position("start", s.begin);
        position("end", s.end);
        close('}');
    }
    void host(const HostPlace& place) {
        key("host");
        if (!place.placed) return null();
        open('{');
        key("definition");
        number(place.definition);
        key("begin");
        unsigned_number(place.begin);
        key("end");
        unsigned_number(place.end);
        key("resultBegin");
        unsigned_number(place.result_begin);
        key("resultEnd");
        unsigned_number(place.result_end);
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

void write_words(Writer& w, const Analysis& a) {
    w.key("words");
    w.open('[');
    for (const AnalysedWord& word : a.words) {
        w.open('{');
        w.key("kind");
        w.string(word_kind_names.at(static_cast<std::size_t>(word.kind)));
        w.key("text");
        w.string(word.text);
        w.span("span", word.span);
        if (word.keyword != nullptr) w.keyword(word.keyword);
        if (word.declaration >= 0) {
            w.key("declaration");
            w.number(word.declaration);
        }
        if (word.parameter >= 0) {
            w.key("parameter");
            w.number(word.parameter);
        }
        if (word.kind == WordKind::script) {
            w.key("signature");
            w.number(word.signature);
        }
        w.close('}');
    }
    w.close(']');
}

void write_terms(Writer& w, const Analysis& a) {
    w.key("terms");
    w.open('[');
    for (const AnalysedTerm& term : a.terms) {
        w.open('{');
        w.span("span", term.span);
        w.keyword(term.keyword);
        w.key("missing");
        w.boolean(term.missing);
        w.key("parent");
        w.number(term.parent);
        w.key("operand");
        w.number(term.operand);
        w.key("line");
        w.unsigned_number(term.line);
        w.key("firstWord");
        w.unsigned_number(term.first_word);
        w.key("wordCount");
        w.unsigned_number(term.word_count);
        w.host(term.host);
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
        w.unsigned_number(line.source_line);
        w.key("inDefinition");
        w.boolean(line.in_definition);
        w.key("abandoned");
        w.boolean(line.abandoned);
        w.key("firstTerm");
        w.unsigned_number(line.first_term);
        w.key("termCount");
        w.unsigned_number(line.term_count);
        w.host(line.host);
        w.close('}');
    }
    w.close(']');
}

void write_findings(Writer& w, const Analysis& a) {
    w.key("findings");
    w.open('[');
    for (const Finding& f : a.findings) {
        w.open('{');
        w.key("severity");
        w.string(severity_names.at(static_cast<std::size_t>(f.severity)));
        w.key("code");
        w.string(f.code);
        w.key("text");
        w.string(f.text);
        w.position("position", f.position);
        w.key("length");
        w.unsigned_number(f.length);
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

void write_declarations(Writer& w, const Analysis& a) {
    w.key("declarations");
    w.open('[');
    for (const DeclaredName& d : a.declarations) {
        w.open('{');
        w.key("kind");
        w.string(d.kind == Declaration::Kind::script ? "script" : "variable");
        w.key("name");
        w.string(d.name);
        w.position("position", d.position);
        w.position("keywordPosition", d.keyword_position);
        if (d.kind == Declaration::Kind::script) {
            w.key("argumentCount");
            w.number(d.argument_count);
            w.key("parameters");
            w.open('[');
            for (const std::string& p : d.parameters) w.string(p);
            w.close(']');
            w.key("lastLine");
            w.unsigned_number(d.last_line);
        }
        w.close('}');
    }
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

}  // namespace

std::size_t utf8_length(std::string_view text) {
    const auto c = static_cast<unsigned char>(text[0]);
    std::size_t n = 0;
    std::uint32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF) { n = 2; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { n = 3; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 4; min = 0x10000; }
    if (n == 0 || text.size() < n) return 0;
    std::uint32_t code = c & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto d = static_cast<unsigned char>(text[i]);
        if ((d & 0xC0) != 0x80) return 0;
        code = (code << 6) | (d & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < min || code > 0x10FFFF || surrogate ? 0 : n;
}


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
            const std::size_t n = utf8_length(text.substr(i));
            if (n == 0) {
                append_escape(out, c);
            } else {
                out += text.substr(i, n);
                i += n;
                continue;
            }
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

std::string analysis_json(const Analysis& analysis, std::string_view source) {
    std::string out;
    Writer w(out, source);
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
    w.close('}');
    out += '\n';
    return out;
}

}  // namespace kelvo
