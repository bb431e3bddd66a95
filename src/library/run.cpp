#include "library/run.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "core/large_pages.h"
#include "core/messages.h"
#include "core/source_reader.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "core/word_cursor.h"
#include "library/files.h"
#include "library/source_file.h"
#include "library/layout.h"
#include "library/line_checks.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo {

namespace {

// The result buffer: the text of the last run, valid until the next.
std::string result;

// Room for the usual output, so the main code is not moved as it grows;
// pages that stay unused cost no memory. Only a help: where the address space
// has no such room, the result grows as it needs.
void reserve_result(std::size_t source_size) {
    try {
        const std::size_t capacity = result.capacity();
        result.reserve(source_size + source_size / 2 + 64);
        if (result.capacity() != capacity) ask_for_large_pages(result);
    } catch (const std::bad_alloc&) {
    }
}

// What a line tells of itself: nothing in a run that nobody listens to (it
// folds away), where its host text goes to a listener.
struct SilentLine {
    static bool careful() { return false; }
    static void begins(const SourceLine&, std::size_t) {}
    static void ends(TermOutcome, std::size_t, bool, bool) {}
};

struct ToldLine {
    Listener* listener;
    const SourceReader* reader;
    static bool careful() { return true; }
    void begins(const SourceLine& line, std::size_t start) const {
        state.run.log.begin_line(start);
        check_line_start(line.text, reader->comment_of_line());
    }
    void ends(TermOutcome outcome, std::size_t end, bool abandoned, bool in_definition) const {
        if (!abandoned) check_line_end(outcome);
        const LineLog& log = state.run.log;
        TranslatedLine line;
        line.begin = reader->line_begin();
        line.end = reader->line_end();
        line.host_begin = log.host_begin;
        line.host_end = end;
        line.in_definition = in_definition;
        line.abandoned = abandoned;
        line.joined_at = in_definition ? state.script_text.size() : 0;
        line.words = log.words;
        line.terms = log.terms;
        line.dropped = log.dropped;
        listener->line(line);
    }
};

// Translates the one term of a line and sends its text and a line feed to
// the open definition or to the main code. A line abandoned by the nesting
// limit contributes only its line feed. Main code is translated straight into
// place; a line of a definition goes through `line_text`, since an `end`
// inside it takes `script_text` away while the line is still being built.
template <class Tell>
void translate_line(const SourceLine& line, std::string& main_code, const Tell& tell) {
    if (line.text == "\n") return;
    state.current_line = line.text;
    const bool was_in_script = state.in_script;
    std::string& text = was_in_script ? state.run.line_text : main_code;
    const std::size_t start = was_in_script ? 0 : main_code.size();
    if (was_in_script) text.clear();
    state.run.term_depth = 0;
    state.run.line_abandoned = false;
    state.run.careful = tell.careful();
    tell.begins(line, start);
    const TermOutcome outcome = translate_term(text);
    const bool abandoned = state.run.line_abandoned;
    if (abandoned) text.resize(start);
    state.run.line_abandoned = false;
    tell.ends(outcome, text.size(), abandoned, was_in_script);
    if (was_in_script) {
        state.script_text += text;
        state.script_text += '\n';
        if (state.script_bodies.wants_room())
            state.script_bodies.make_room(state.run.reader->bytes_taken(), state.run.source_size);
    } else {
        main_code += '\n';
    }
}

// Every line of the source, told to the listener if one listens.
void translate_lines(SourceReader& reader, std::string& main_code) {
    SourceLine line;
    if (state.listener == nullptr) {
        while (reader.next_line(line)) translate_line(line, main_code, SilentLine{});
        return;
    }
    const ToldLine told{state.listener, &reader};
    while (reader.next_line(line)) translate_line(line, main_code, told);
}

// The run from its reset to its result, over the lines that `reader` cuts
// from `source_size` bytes (a file that could not be read: none).
void run(SourceReader& reader, std::size_t source_size, bool opened) {
    reset_run();
    register_handlers();
    register_constants();
    result.clear();
    state.run.source_size = source_size;
    if (!opened) report_file(Code::cannot_open_source, source_file_name);
    reserve_result(source_size);
    // Where nothing listens, the definitions are written into room in front
    // of the main code as they come; a listener is told offsets into the
    // main code, which then stays where it began.
    state.script_bodies.begin(result, state.listener == nullptr);

    state.run.reader = &reader;
    translate_lines(reader, result);
    if (state.listener != nullptr) state.listener->input_ends(reader.line_end());
    check_run_end();
    state.run.reader = nullptr;
    state.current_line = {};
    state.script_bodies.finish();
}

// The reports a listener hears go out once the run is over; a failed run's
// go nowhere.
void finish_reports() { state.run.reports.finish(); }
void drop_reports() noexcept { state.run.reports.drop(); }

// What a run leaves for the next one besides its messages. A run that fails
// inside gives it back as it found it: a definition the failed run opened
// must not swallow the next run's lines, nor its scripts stay callable.
class SurvivingState {
public:
    SurvivingState()
        : in_script_(state.in_script),
          current_script_name_(state.current_script_name),
          signature_count_(state.names.script_signature_count()),
          error_size_(state.error_text.size()) {}

    void restore() noexcept {
        state.in_script = in_script_;
        state.current_script_name.swap(current_script_name_);
        state.names.forget_script_signatures_from(signature_count_);
        state.run.reader = nullptr;
        state.current_line = {};
    }
    // And the messages: a run that is made again must not report twice.
    void restore_with_messages() noexcept {
        restore();
        if (state.error_text.size() > error_size_) state.error_text.resize(error_size_);
    }

private:
    bool in_script_;
    std::string current_script_name_;
    std::size_t signature_count_;
    std::size_t error_size_;
};

// The run over a file as its reader reads it; false, the run undone and its
// held reports dropped, when reading failed halfway.
bool run_over_file(SourceReader& reader, SourceFile& file) {
    SurvivingState before;
    try {
        run(reader, file.size(), true);
    } catch (...) {
        drop_reports();
        before.restore();
        throw;
    }
    if (file.failed()) {
        drop_reports();
        before.restore_with_messages();
        return false;
    }
    finish_reports();
    return true;
}

}  // namespace

const std::string& translate(std::optional<std::string> source) {
    SurvivingState before;
    try {
        const bool opened = source.has_value();
        std::string bytes = opened ? std::move(*source) : std::string();
        SourceReader reader(bytes);
        run(reader, bytes.size(), opened);
    } catch (...) {
        drop_reports();
        before.restore();
        throw;
    }
    finish_reports();
    return result;
}

const std::string& translate_file(const char* path, std::size_t piece) {
    SourceFile file(path);
    std::optional<SourceReader> reader;
    if (file.is_open()) reader.emplace(file, piece);  // with the first piece read
    if (!reader || file.failed() || !run_over_file(*reader, file)) return translate(std::nullopt);
    return result;
}

const std::string& last_result() { return result; }

const std::string& run_in_working_directory() {
    const std::string source_path(source_file_name);
    const std::string output_path(output_file_name);
    const std::string& text = translate_file(source_path.c_str());
    if (!write_text_file(output_path.c_str(), text)) report_file(Code::cannot_write_output, output_file_name);
    return text;
}

}  // namespace kelvo
