// How the kelvo tool shows what a run reports: FILE:LINE:COL: text, as
// compilers print it, with the source line and a caret when asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/warning_choice.h"
#include "library/line_index.h"
#include "library/session.h"

namespace kelvo::tool {

struct PrinterSettings {
    std::string_view file;        // the name the reports give
    bool messages = true;         // print the messages and their notes
    bool warnings = false;        // print the warnings and their notes
    WarningChoice choice;         // which warnings count, and which as errors
    bool argument_counts = false; // print what `end` writes
    bool show_source = false;     // the source line and a caret under each report
    bool color = false;           // colours for a terminal
};

class Printer final : public Listener {
public:
    // `source` is the file as stored, for the source lines (may be empty
    // when they are not shown).
    Printer(const PrinterSettings& settings, std::string_view source);

    void report(const Report& report) override;
    void argument_count(std::int32_t count, std::size_t line) override;
    // A note of the tool's own, printed whatever the settings say, about
    // `length` bytes at a place (line 0: about the file as a whole).
    void print_note(SourcePosition position, std::size_t length, std::string_view text);
    // The place of a byte offset of the source.
    SourcePosition place_of(std::size_t offset);
    // A line of the tool's own about `length` bytes at a place, printed
    // whatever the settings say: FILE:LINE:COL: LABEL: TEXT [CODE], without
    // the label or the code where they are empty. An "error" is coloured as
    // the messages are, and shows its source line where they do.
    void print_line(SourcePosition position, std::size_t length, std::string_view label, std::string_view text,
                    std::string_view code = {});

    std::size_t messages() const { return messages_; }
    std::size_t warnings() const { return warnings_; }
    // The warnings whose level is `error` (among warnings()).
    std::size_t warning_errors() const { return warning_errors_; }
    const std::string& text() const { return text_; }

private:
    void print(Severity severity, SourcePosition position, std::size_t length, std::string_view text);
    void print_place(std::size_t line, std::size_t column);
    void print_source(SourcePosition position, std::size_t length);
    std::string_view physical_line(std::size_t line);
    void paint(std::string_view colour);
    void unpaint();

    PrinterSettings settings_;
    WarningFilter filter_;
    std::string_view source_;
    std::optional<LineIndex> lines_;  // made when the first source line is shown
    std::size_t messages_ = 0;
    std::size_t warnings_ = 0;
    std::size_t warning_errors_ = 0;
    bool last_shown_ = false;  // a note goes with the report before it
    std::string text_;
};

// Bytes as they can stand on a terminal: each control byte but the tab
// (below 0x20, and 0x7F) as a visible escape such as \x1b.
void append_escaped(std::string& out, std::string_view bytes);
std::string escaped(std::string_view bytes);
// The text of a report as the tool prints it: escaped, and each word longer
// than 64 bytes as its start, "...", its end and its length. The library's
// own texts stay as they are.
void append_safe(std::string& out, std::string_view text);
// What the tool prints of a report after its place: the label of its
// severity ("warning", "note"; none for a message) and its text, safe.
std::string_view severity_label(Severity severity);
std::string shown_text(const Report& report);

// Whether a stream is a terminal that shows colours (and NO_COLOR is not set).
bool is_terminal(int fd);
bool colours_wanted(int fd);

}  // namespace kelvo::tool
