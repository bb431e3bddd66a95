#include "printer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/utf8.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kelvo::tool {

namespace {

constexpr std::string_view bold = "\x1b[1m";
constexpr std::string_view red = "\x1b[1;31m";
constexpr std::string_view magenta = "\x1b[1;35m";
constexpr std::string_view cyan = "\x1b[1;36m";
constexpr std::string_view green = "\x1b[1;32m";
constexpr std::string_view reset = "\x1b[0m";

// A source line longer than this shows only the part around its column.
constexpr std::size_t shown_width = 160;
constexpr std::size_t shown_before = 60;

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// A word of a report longer than this shows its start, "...", its end and
// its length.
constexpr std::size_t longest_word = 64;
constexpr std::size_t shown_start = 32;
constexpr std::size_t shown_end = 16;

bool is_control(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7F;
}

// A byte of a source line as it can stand on a terminal in its column:
// control bytes become '?'.
char shown(char c) { return is_control(c) ? '?' : c; }

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Moves a cut back to the start of a UTF-8 character, so that no character is
// shown in part.
std::size_t character_start(std::string_view text, std::size_t at) {
    for (std::size_t back = 0; back < 3 && at > 0 && is_continuation(static_cast<unsigned char>(text[at])); ++back) --at;
    return at;
}

void append_word(std::string& out, std::string_view word) {
    if (word.size() <= longest_word) return append_escaped(out, word);
    append_escaped(out, word.substr(0, character_start(word, shown_start)));
    out += "...";
    append_escaped(out, word.substr(character_start(word, word.size() - shown_end)));
    out += " (";
    out += std::to_string(word.size());
    out += " bytes)";
}

}  // namespace

void append_escaped(std::string& out, std::string_view bytes) {
    constexpr std::string_view digits = "0123456789abcdef";
    for (const char c : bytes) {
        if (!is_control(c)) {
            out += c;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        out += "\\x";
        out += digits[u >> 4];
        out += digits[u & 0xF];
    }
}

void append_safe(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && is_blank(text[end])) ++end;
        append_escaped(out, text.substr(i, end - i));
        i = end;
        while (end < text.size() && !is_blank(text[end])) ++end;
        append_word(out, text.substr(i, end - i));
        i = end;
    }
}

std::string escaped(std::string_view bytes) {
    std::string out;
    append_escaped(out, bytes);
    return out;
}

std::string_view severity_label(Severity severity) {
    switch (severity) {
        case Severity::warning: return "warning";
        case Severity::note: return "note";
        case Severity::error: break;
    }
    return {};
}

std::string shown_text(const Report& report) {
    std::string out;
    append_safe(out, report_text(report));
    return out;
}

bool is_terminal(int fd) {
#ifdef _WIN32
    return _isatty(fd) != 0;
#else
    return ::isatty(fd) != 0;
#endif
}

bool colours_wanted(int fd) {
    const char* no_color = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    if (no_color != nullptr && *no_color != '\0') return false;
    if (term != nullptr && std::strcmp(term, "dumb") == 0) return false;
    return is_terminal(fd);
}

Printer::Printer(const PrinterSettings& settings, std::string_view source)
    : settings_(settings), filter_(settings_.choice), source_(source) {}

void Printer::report(const Report& report) {
    bool show = false;
    const Severity severity = report.severity();
    const WarningLevel level = filter_.level_of(report);
    if (level == WarningLevel::off) {
        if (severity != Severity::note) last_shown_ = false;
        return;
    }
    switch (severity) {
        case Severity::error:
            ++messages_;
            show = settings_.messages;
            break;
        case Severity::warning:
            ++warnings_;
            if (level == WarningLevel::error) ++warning_errors_;
            show = settings_.warnings;
            break;
        case Severity::note:
            show = last_shown_;
            break;
    }
    if (severity != Severity::note) last_shown_ = show;
    if (show) print(severity, report.position(), report.length(), report_text(report));
}

void Printer::print_note(SourcePosition position, std::size_t length, std::string_view text) {
    print(Severity::note, position, length, text);
}

SourcePosition Printer::place_of(std::size_t offset) {
    if (!lines_) lines_.emplace(source_, LineIndex::Ends::line_feeds);
    const LineIndex::Place p = lines_->place(offset);
    return {p.line + 1, p.column + 1, offset};
}

void Printer::print_line(SourcePosition position, std::size_t length, std::string_view label, std::string_view text,
                         std::string_view code) {
    const bool error = label == "error";
    print_place(position.line, position.column);
    if (!label.empty()) {
        paint(error ? red : bold);
        text_ += label;
        text_ += ':';
        unpaint();
        text_ += ' ';
    }
    append_escaped(text_, text);
    if (!code.empty()) {
        text_ += " [";
        text_ += code;
        text_ += ']';
    }
    text_ += '\n';
    if (error && settings_.show_source && position.line != 0 && position.column != 0) print_source(position, length);
}

void Printer::argument_count(std::int32_t count, std::size_t line) {
    if (!settings_.argument_counts) return;
    print_place(line, 0);
    text_ += "argument count: ";
    text_ += std::to_string(count);
    text_ += '\n';
}

void Printer::paint(std::string_view colour) {
    if (settings_.color) text_ += colour;
}

void Printer::unpaint() {
    if (settings_.color) text_ += reset;
}

void Printer::print_place(std::size_t line, std::size_t column) {
    paint(bold);
    append_escaped(text_, settings_.file);
    text_ += ':';
    if (line != 0) {
        text_ += std::to_string(line);
        text_ += ':';
        if (column != 0) {
            text_ += std::to_string(column);
            text_ += ':';
        }
    }
    unpaint();
    text_ += ' ';
}

void Printer::print(Severity severity, SourcePosition position, std::size_t length, std::string_view text) {
    print_place(position.line, position.column);
    const std::string_view label = severity_label(severity);
    if (!label.empty()) {
        paint(severity == Severity::warning ? magenta : cyan);
        text_ += label;
        text_ += ':';
        unpaint();
        text_ += ' ';
    }
    if (severity == Severity::error) paint(red);
    append_safe(text_, text);
    if (severity == Severity::error) unpaint();
    text_ += '\n';
    if (settings_.show_source && position.line != 0 && position.column != 0) print_source(position, length);
}

// The source's lines are indexed when the first source line is shown.
std::string_view Printer::physical_line(std::size_t line) {
    if (!lines_) lines_.emplace(source_, LineIndex::Ends::line_feeds);
    return line == 0 ? std::string_view() : lines_->line(line - 1);
}

// The source line (or the part of a long one around the column), then a
// caret under the column and a tilde under each further byte of the word.
void Printer::print_source(SourcePosition position, std::size_t length) {
    const std::string_view line = physical_line(position.line);
    const std::size_t column = std::min(position.column - 1, line.size());
    const std::size_t from = line.size() > shown_width && column > shown_before ? column - shown_before : 0;
    const std::size_t to = std::min(line.size(), from + shown_width);
    const std::string_view part = line.substr(from, to - from);
    // In UTF-8 a character of several bytes takes one column on the screen,
    // else every byte does.
    const bool utf8 = is_utf8(part);
    const std::string_view ellipsis = from > 0 ? "..." : "";

    text_ += ellipsis;
    for (const char c : part) text_ += shown(c);
    if (to < line.size()) text_ += "...";
    text_ += '\n';

    std::string caret(ellipsis.size(), ' ');
    for (std::size_t i = from; i < column && i < to; ++i) {
        if (utf8 && is_continuation(static_cast<unsigned char>(line[i]))) continue;
        caret += line[i] == '\t' ? '\t' : ' ';
    }
    paint(green);
    text_ += caret;
    text_ += '^';
    const std::size_t end = std::min(to, column + std::max<std::size_t>(length, 1));
    for (std::size_t i = column + 1; i < end; ++i)
        if (!(utf8 && is_continuation(static_cast<unsigned char>(line[i])))) text_ += '~';
    unpaint();
    text_ += '\n';
}

}  // namespace kelvo::tool
