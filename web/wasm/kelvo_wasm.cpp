// The translator for JavaScript: the C functions that web/wasm/kelvo.js calls
// in the WebAssembly module. Bytes go in through one buffer of the module's
// memory and come out as parts that JavaScript copies before the next call.
//
// Every translation goes through the analysis entry point, from the state
// the library has right after loading, as the language server translates.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "library/analysis.h"
#include "library/analysis_json.h"
#include "library/line_index.h"
#include "library/session.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define KELVO_WASM_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE
#else
#define KELVO_WASM_EXPORT extern "C"
#endif

namespace {

// What a call leaves for JavaScript to read; see kelvo_part.
enum Part : int { host = 0, messages = 1, summary = 2, analysis = 3, tables = 4, part_count = 5 };

std::string input;  // the buffer JavaScript writes into
kelvo::SessionOptions options;
std::array<std::string, part_count> parts;

constexpr std::array<std::string_view, 3> severity_names = {"error", "warning", "note"};
constexpr std::array<std::string_view, 4> keyword_kind_names = {"call", "text", "flow", "declaration"};

void append_number(std::string& out, std::size_t value) {
    out += std::to_string(value);
    out += ',';
}

// The findings and the line map, which the playground needs on every
// keystroke, without the rest of the analysis:
//   {"reports":[[severity,code,text,line,column,offset,length],...],
//    "lines":[sourceLine,resultBegin,resultEnd,...]}
// Offsets are bytes of the source and of the result; lines whose host text
// stands nowhere in the result are left out of the map.
std::string summary_json(const kelvo::Analysis& a, std::string_view source) {
    const kelvo::LineIndex index(source, kelvo::LineIndex::Ends::line_feeds);
    std::string out = "{\"reports\":[";
    for (const kelvo::Finding& f : a.findings) {
        out += '[';
        kelvo::append_json_string(out, severity_names.at(static_cast<std::size_t>(f.severity)));
        out += ',';
        kelvo::append_json_string(out, f.code);
        out += ',';
        kelvo::append_json_string(out, f.text);
        out += ',';
        append_number(out, f.position.line);
        append_number(out, f.position.column);
        append_number(out, f.position.line == 0 ? 0 : index.offset({f.position.line - 1, f.position.column - 1}));
        out += std::to_string(f.length);
        out += "],";
    }
    if (out.back() == ',') out.pop_back();
    out += "],\"lines\":[";
    for (const kelvo::AnalysedLine& line : a.lines) {
        if (!line.host.placed) continue;
        append_number(out, line.source_line);
        append_number(out, line.host.result_begin);
        append_number(out, line.host.result_end);
    }
    if (out.back() == ',') out.pop_back();
    out += "]}";
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
    out += "]}";
    return out;
}

}  // namespace

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

// Translates the first `size` bytes of the buffer with the globals added
// since the last translation, which it then forgets. The analysis as JSON is
// made only when asked for: it is many times the size of the source.
KELVO_WASM_EXPORT void kelvo_translate(std::size_t size, int with_analysis) {
    input.resize(size);
    kelvo::SessionOptions these = std::exchange(options, {});
    these.start = kelvo::StartFrom::loaded_state;
    kelvo::Analysis a = kelvo::analyse(input, std::move(these));
    parts[summary] = summary_json(a, input);
    parts[analysis] = with_analysis != 0 ? kelvo::analysis_json(a, input) : std::string();
    parts[host] = std::move(a.host);
    parts[messages] = std::move(a.messages);
    input = std::string();
}

// The keyword and constant tables as JSON, into the `tables` part.
KELVO_WASM_EXPORT void kelvo_load_tables() { parts[tables] = tables_json(); }

KELVO_WASM_EXPORT const char* kelvo_part(int part) { return parts.at(static_cast<std::size_t>(part)).data(); }
KELVO_WASM_EXPORT std::size_t kelvo_part_size(int part) { return parts.at(static_cast<std::size_t>(part)).size(); }
