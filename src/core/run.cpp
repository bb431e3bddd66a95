#include "core/run.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "core/large_pages.h"
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
// limit contributes only its line feed. Main code is translated straight into
// place; a line of a definition goes through `line_text`, since an `end`
// inside it takes `script_text` away while the line is still being built.
void translate_line(std::string& main_code) {
    const bool was_in_script = state.in_script;
    std::string& text = was_in_script ? state.line_text : main_code;
    const std::size_t start = was_in_script ? 0 : main_code.size();
    if (was_in_script) text.clear();
    state.term_depth = 0;
    state.line_abandoned = false;
    translate_term(text);
    if (state.line_abandoned) text.resize(start);
    if (was_in_script) {
        state.script_text += text;
        state.script_text += '\n';
    } else {
        main_code += '\n';
    }
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

namespace {

void start_run() {
    reset_run();
    register_handlers();
    register_constants();
    state.result.clear();
}

// Each line is translated as soon as the reader has cut it.
void translate_cut_line(std::string_view line, std::size_t line_number, void*) {
    if (line == "\n") return;
    state.current_line = line;
    state.current_line_number = line_number;
    translate_line(state.result);
}

void finish_run() {
    state.current_line = {};
    state.current_line_number = 0;
    prepend_definitions(state.result);
}

// Room for the usual output, so the main code is not moved as it grows;
// pages that stay unused cost no memory. Only a help: where the address space
// has no such room, the result grows as it needs.
void reserve_result(std::size_t source_size) {
    try {
        const std::size_t capacity = state.result.capacity();
        state.result.reserve(source_size + source_size / 2 + 64);
        if (state.result.capacity() != capacity) ask_for_large_pages(state.result);
    } catch (const std::bad_alloc&) {
    }
}

// What a run changes that outlives it, taken before a file is read so that a
// read failing halfway can be undone and the run made as if the file could
// not be read at all.
struct SurvivingState {
    std::size_t error_size = state.error_text.size();
    std::size_t signature_count = state.script_signatures.size();
    bool in_script = state.in_script;
    std::string current_script_name = state.current_script_name;

    void restore() const {
        state.error_text.resize(error_size);
        for (std::size_t i = signature_count; i < state.script_signatures.size(); ++i) {
            std::int32_t& first = state.names.entry(state.script_signatures[i].name).script;
            if (first >= static_cast<std::int32_t>(signature_count)) first = -1;
        }
        state.script_signatures.resize(signature_count);
        state.in_script = in_script;
        state.current_script_name = current_script_name;
    }
};

}  // namespace

const std::string& translate_source(std::optional<std::string> source) {
    start_run();
    if (!source) report(Message::cannot_open_source, source_file_name);
    state.source_text = source ? std::move(*source) : std::string();
    reserve_result(state.source_text.size());
    cut_source_lines(translate_cut_line, nullptr);
    finish_run();
    return state.result;
}

const std::string& translate_file(const char* path, std::size_t piece) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return translate_source(std::nullopt);
    // A directory opens on some systems, then fails to read (and tells a
    // size that is none): find out before anything else.
    if (std::fgetc(file) == EOF && std::ferror(file) != 0) {
        std::fclose(file);
        return translate_source(std::nullopt);
    }
    const SurvivingState before;
    start_run();
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0) reserve_result(static_cast<std::size_t>(size));
    }
    std::rewind(file);
    const bool read = cut_file_lines(file, piece, translate_cut_line, nullptr);
    std::fclose(file);
    if (!read) {
        before.restore();
        return translate_source(std::nullopt);
    }
    finish_run();
    return state.result;
}

std::optional<std::string> read_file(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return std::nullopt;
    constexpr std::size_t piece = std::size_t{1} << 16;
    std::string bytes(piece, '\0');
    std::size_t filled = std::fread(bytes.data(), 1, piece, file);
    // Once the first piece has come, a file that tells its size gets the rest
    // in one read straight into place, so the bytes are never copied; a file
    // without a size (or one that grows meanwhile) goes on piece by piece.
    if (filled == piece) {
        const long here = std::ftell(file);
        if (here >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
            const long size = std::ftell(file);
            if (std::fseek(file, here, SEEK_SET) != 0) {
                std::fclose(file);
                return std::nullopt;
            }
            if (size > here) {
                // One byte more than the size, so that meeting the end shows.
                bytes.resize(filled + static_cast<std::size_t>(size - here) + 1);
                filled += std::fread(bytes.data() + filled, 1, bytes.size() - filled, file);
            }
        } else {
            std::clearerr(file);  // no size to tell: a pipe or a device
        }
    }
    while (filled == bytes.size()) {
        bytes.resize(bytes.size() + piece);
        const std::size_t got = std::fread(bytes.data() + filled, 1, piece, file);
        filled += got;
        if (got < piece) break;
    }
    bytes.resize(filled);
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
    const std::string& result = translate_file(source_path.c_str());
    if (!write_text_file(output_path.c_str(), result)) report(Message::cannot_write_output, output_file_name);
    return result;
}

}  // namespace kelvo
