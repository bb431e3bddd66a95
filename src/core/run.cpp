#include "core/run.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/messages.h"
#include "core/source_reader.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo {

namespace {

// Translates the one term of a line and sends its text and a line feed to
// the open definition or to the main code. A line abandoned by the nesting
// limit contributes only its line feed.
void translate_line(std::string& main_code) {
    const bool was_in_script = state.in_script;
    std::string& text = state.line_text;
    text.clear();
    state.term_depth = 0;
    state.line_abandoned = false;
    translate_term(text);
    if (state.line_abandoned) text.clear();
    std::string& destination = was_in_script ? state.script_text : main_code;
    destination += text;
    destination += '\n';
    state.line_abandoned = false;
}

// Puts every stored definition, as name='body', in front of the main code.
void prepend_definitions(std::string& result) {
    if (state.script_bodies.empty()) return;
    std::string definitions;
    for (const ScriptBody& definition : state.script_bodies) {
        definitions += definition.name;
        definitions += "='";
        definitions += definition.body;
        definitions += "'\n";
    }
    result.insert(0, definitions);
}

}  // namespace

const std::string& translate_source(std::optional<std::string> source) {
    reset_run();
    register_handlers();
    register_constants();
    std::string& result = state.result;
    result.clear();
    if (!source) report(Message::cannot_open_source, source_file_name);
    read_source(source ? std::move(*source) : std::string());

    for (std::size_t i = 0; i < state.source_lines.size(); ++i) {
        state.current_line = state.source_lines[i];
        if (state.current_line == "\n") continue;
        state.current_line_number = state.source_line_numbers[i];
        translate_line(result);
    }
    state.current_line = {};
    state.current_line_number = 0;
    prepend_definitions(result);
    return result;
}

std::optional<std::string> read_file(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;  // a directory opens on some systems, then fails to read
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

bool write_text_file(const char* path, std::string_view text) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    bool written = true;
#ifdef _WIN32
    std::string chunk;
    std::size_t start = 0;
    while (written && start < text.size()) {
        const std::size_t stop = std::min(text.size(), start + (std::size_t{1} << 16));
        chunk.clear();
        for (std::size_t i = start; i < stop; ++i) {
            if (text[i] == '\n') chunk += '\r';
            chunk += text[i];
        }
        written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
        start = stop;
    }
#else
    written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
#endif
    written = std::fflush(file) == 0 && written;
    return std::fclose(file) == 0 && written;
}

const std::string& run_in_working_directory() {
    const std::string source_path(source_file_name);
    const std::string output_path(output_file_name);
    const std::string& result = translate_source(read_file(source_path.c_str()));
    if (!write_text_file(output_path.c_str(), result)) report(Message::cannot_write_output, output_file_name);
    return result;
}

}  // namespace kelvo
