// The preview host for JavaScript: the C functions that web/wasm/kelvo.js
// calls to run a script in the playground's Run pane. A run translates the
// buffer (with the globals added since the last call), keeps the analysis,
// and runs its host text as one frame; further frames run the kept
// analysis again with the clock moved on, without translating anything.
//
// What a run gives goes out as parts, as the translator's do: a JSON
// summary, the trace and the shapes as unsigned 32-bit numbers (places as
// offsets into the source as JavaScript holds it, in UTF-16 code units),
// the trace's lines of text, and the frame's pixels as RGBA bytes.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export.h"
#include "library/analysis.h"
#include "library/analysis_json.h"
#include "library/line_index.h"
#include "module.h"
#include "preview/linked/linked.h"

namespace {

namespace preview = kelvo::preview;

enum RunPart : int { summary = 0, trace = 1, texts = 2, shapes = 3, pixels = 4, owners = 5, run_part_count = 6 };

// The last run: its analysis (which its places look into) and what it gave.
struct Kept {
    kelvo::Analysis analysis;
    std::unique_ptr<kelvo::LineIndex> source;  // for UTF-16 offsets
    preview::LinkedRun linked;
    bool owners_made = false;
};

Kept kept;
std::array<std::string, run_part_count> parts;

void append_u32(std::string& out, std::size_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 0xFF);
}

std::size_t units(std::size_t offset) { return kept.source->units_before(offset, kelvo::Encoding::utf16); }

// A place as five numbers: the term's begin and end, the word's, and the
// line (0: no source term wrote the host text).
void append_place(std::string& out, const preview::SourcePlace& place) {
    if (!place.found) {
        for (int i = 0; i < 5; ++i) append_u32(out, 0);
        return;
    }
    append_u32(out, units(place.term_bytes.begin));
    append_u32(out, units(place.term_bytes.end));
    append_u32(out, units(place.word.begin));
    append_u32(out, units(place.word.end));
    append_u32(out, place.position.line);
}

void append_place_json(std::string& out, const preview::SourcePlace& place) {
    if (!place.found) {
        out += "-1,-1,0,0";
        return;
    }
    out += std::to_string(units(place.term_bytes.begin)) + ',' + std::to_string(units(place.term_bytes.end)) + ',' +
           std::to_string(place.position.line) + ',' + std::to_string(place.position.column);
}

//   {"ran", "gameEnded", "steps", "dropped": {trace, shapes, messages, faults},
//    "faults": [[code, text, from, to, line, column], ...],
//    "messages": [[text, from, to, line, column], ...]}
std::string summary_json() {
    const preview::LinkedRun& l = kept.linked;
    const preview::HostRun& run = l.run;
    std::string out = "{\"ran\":" + std::string(run.ran ? "true" : "false");
    out += ",\"gameEnded\":" + std::string(run.game_ended ? "true" : "false");
    out += ",\"steps\":" + std::to_string(run.steps);
    out += ",\"dropped\":{\"trace\":" + std::to_string(run.trace_dropped) + ",\"shapes\":" +
           std::to_string(run.shapes_dropped) + ",\"messages\":" + std::to_string(run.messages_dropped) +
           ",\"faults\":" + std::to_string(run.faults_dropped) + "},\"faults\":[";
    for (std::size_t i = 0; i < run.faults.size(); ++i) {
        out += i == 0 ? "[" : ",[";
        kelvo::append_json_string(out, preview::shown_code(run.faults[i].kind));
        out += ',';
        kelvo::append_json_string(out, preview::fault_message(run.faults[i]));
        out += ',';
        append_place_json(out, l.faults[i]);
        out += ']';
    }
    out += "],\"messages\":[";
    for (std::size_t i = 0; i < run.messages.size(); ++i) {
        out += i == 0 ? "[" : ",[";
        kelvo::append_json_string(out, run.messages[i].text);
        out += ',';
        append_place_json(out, l.messages[i]);
        out += ']';
    }
    out += "]}";
    return out;
}

// Each call: its place and how many execute_string calls it runs inside;
// its text a line of the texts part.
void trace_parts() {
    const preview::LinkedRun& l = kept.linked;
    parts[trace].clear();
    parts[texts].clear();
    for (std::size_t i = 0; i < l.run.trace.size(); ++i) {
        append_place(parts[trace], l.trace[i]);
        append_u32(parts[trace], static_cast<std::size_t>(l.run.trace[i].depth));
        if (i > 0) parts[texts] += '\n';
        parts[texts] += preview::call_text(l.run, l.run.trace[i]);
    }
}

void shape_parts() {
    parts[shapes].clear();
    for (const preview::SourcePlace& place : kept.linked.shapes) append_place(parts[shapes], place);
}

void pixel_part() {
    const std::span<const std::uint8_t> rgb = kept.linked.run.canvas.pixels();
    std::string& out = parts[pixels];
    out.resize(rgb.size() / 3 * 4);
    for (std::size_t i = 0, j = 0; i + 2 < rgb.size(); i += 3, j += 4) {
        out[j] = static_cast<char>(rgb[i]);
        out[j + 1] = static_cast<char>(rgb[i + 1]);
        out[j + 2] = static_cast<char>(rgb[i + 2]);
        out[j + 3] = static_cast<char>(0xFF);
    }
}

// Frame `frame` of a game whose clock starts at `start` (milliseconds since
// 1970-01-01 00:00, local time), numbers as JavaScript holds them.
void run_frame(double start, double frame, double seed) {
    constexpr double furthest = 1e15;
    preview::Settings settings;
    const auto whole = [](double v, double low, double high) {
        return std::isfinite(v) ? std::fmin(std::fmax(std::floor(v), low), high) : low;
    };
    settings.clock = preview::clock_at_frame({static_cast<std::int64_t>(whole(start, -furthest, furthest)), 0},
                                             static_cast<std::int64_t>(whole(frame, 0, 1e12)));
    settings.seed = static_cast<std::uint64_t>(whole(seed, 0, 9e15));
    kept.linked = preview::run_linked(kept.analysis, settings);
    kept.owners_made = false;
    parts[owners].clear();
    parts[summary] = summary_json();
    trace_parts();
    shape_parts();
    pixel_part();
}

}  // namespace

// Translates and runs the first `size` bytes of the buffer.
KELVO_WASM_EXPORT void kelvo_run(std::size_t size, double start, double frame, double seed) {
    std::string& input = kelvo::wasm::input_buffer();
    input.resize(size);
    kelvo::SessionOptions these = kelvo::wasm::take_globals();
    these.start = kelvo::StartFrom::loaded_state;
    these.listener = nullptr;
    kept.source.reset();
    kept.analysis = kelvo::analyse(input, std::move(these), std::move(kept.analysis));
    kept.source = std::make_unique<kelvo::LineIndex>(kept.analysis.source, kelvo::LineIndex::Ends::line_feeds,
                                                      kelvo::LineIndex::Start::first_byte);
    input = std::string();
    run_frame(start, frame, seed);
}

// Another frame of the script the last kelvo_run translated.
KELVO_WASM_EXPORT void kelvo_run_frame(double start, double frame, double seed) {
    if (kept.source) run_frame(start, frame, seed);
}

// Which shape of the last run drew each pixel last, into the owners part:
// per pixel, rows from the top, the shape's index plus one (0: none). Made
// once for a run, when first asked for.
KELVO_WASM_EXPORT void kelvo_run_owners() {
    if (kept.owners_made || !kept.source) return;
    parts[owners].clear();
    parts[owners].reserve(static_cast<std::size_t>(preview::canvas_width) * preview::canvas_height * 4);
    for (const std::uint32_t owner : preview::shape_owners(kept.linked.run)) append_u32(parts[owners], owner);
    kept.owners_made = true;
}

// Which shape of the last run drew the pixel (x, y) last, or -1.
KELVO_WASM_EXPORT int kelvo_shape_at(int x, int y) {
    if (x < 0 || y < 0 || x >= preview::canvas_width || y >= preview::canvas_height || !kept.source) return -1;
    kelvo_run_owners();
    const std::size_t at = (static_cast<std::size_t>(y) * preview::canvas_width + static_cast<std::size_t>(x)) * 4;
    std::uint32_t owner = 0;
    for (std::size_t i = 4; i-- > 0;) owner = (owner << 8) | static_cast<unsigned char>(parts[owners][at + i]);
    return static_cast<int>(owner) - 1;
}

KELVO_WASM_EXPORT const char* kelvo_run_part(int part) { return parts.at(static_cast<std::size_t>(part)).data(); }
KELVO_WASM_EXPORT std::size_t kelvo_run_part_size(int part) { return parts.at(static_cast<std::size_t>(part)).size(); }
