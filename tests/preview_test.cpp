// The preview host against expectations written by hand in
// tests/preview/*.txt: a host text (or a source script and the host text it
// translates to), then the calls the run makes, the faults it meets, the
// messages it shows, the shapes it draws and chosen pixels of the frame.
// The format is described in tests/preview/README.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "case_file.h"
#include "library/session.h"
#include "preview/preview.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

namespace fs = std::filesystem;
using namespace kelvo::preview;

struct Case {
    std::string file;
    int line = 0;
    std::string name;
    bool from_source = false;
    std::string text;           // the host text, or the source
    std::string expected_host;  // of a source: its translation
    std::vector<GlobalArgument> globals;
    Settings settings;
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;  // name, its lines
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.file << ":" << c.line << ": " << c.name; }

std::string in_quotes(std::string_view text) { return quoted(text, true); }

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return buffer;
}

// "clock 2024-05-06 07:08:09"
Clock clock_of(const std::string& date, const std::string& time) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(date.c_str(), "%d-%d-%d", &year, &month, &day) != 3 ||
        std::sscanf(time.c_str(), "%d:%d:%d", &hour, &minute, &second) != 3) {
        throw std::runtime_error("a clock is written YYYY-MM-DD HH:MM:SS");
    }
    return clock_at(year, month, day, hour, minute, second);
}

// A quoted value on a settings line.
std::string value_of(std::istringstream& words) {
    std::string rest;
    std::getline(words, rest);
    const std::size_t open = rest.find('"');
    const std::size_t close = rest.rfind('"');
    if (open == std::string::npos || close == open) throw std::runtime_error("a value is written between double quotes");
    return unescape(rest.substr(open + 1, close - open - 1));
}

bool setting(Case& c, const std::string& word, std::istringstream& words) {
    Settings& s = c.settings;
    std::string a, b;
    if (word == "budget") words >> s.step_budget;
    else if (word == "seed") words >> s.seed;
    else if (word == "background") words >> s.background;
    else if (word == "running") words >> s.clock.running_ms;
    else if (word == "trace-limit") words >> s.trace_limit;
    else if (word == "shape-limit") words >> s.shape_limit;
    else if (word == "message-limit") words >> s.message_limit;
    else if (word == "fault-limit") words >> s.fault_limit;
    else if (word == "clipboard") s.clipboard = value_of(words);
    else if (word == "clock") {
        const std::int64_t running = s.clock.running_ms;
        words >> a >> b;
        s.clock = clock_of(a, b);
        s.clock.running_ms = running;
    } else if (word == "real" || word == "string") {
        words >> a;
        c.globals.push_back({word == "real" ? GlobalArgument::Kind::real : GlobalArgument::Kind::string, unescape(a),
                             value_of(words)});
    } else return false;
    return true;
}

// A section's line as the run's lines are written: only \*N{TEXT} is
// expanded, every other escape stays as in_quotes() writes it.
std::string expanded(std::string_view line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line.substr(i, 2) != "\\*") {
            out += line[i];
            continue;
        }
        const std::size_t open = line.find('{', i);
        const std::size_t close = line.find('}', open);
        if (open == std::string_view::npos || close == std::string_view::npos) throw std::runtime_error("\\*N{TEXT} unclosed");
        const int times = std::stoi(std::string(line.substr(i + 2, open - i - 2)));
        for (int n = 0; n < times; ++n) out += line.substr(open + 1, close - open - 1);
        i = close;
    }
    return out;
}

// A heading of a case: a text, a setting, or a section of expectations
// (the rest of its line, if any, is the section's first line).
void read_heading(Case& c, const std::string& line, const std::vector<std::string>& block) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "host" || word == "source") {
        c.from_source = word == "source";
        c.text = CaseFile::text_of(block);
    } else if (word == "translation") {
        c.expected_host = CaseFile::text_of(block);
    } else if (!setting(c, word, words)) {
        std::string rest;
        std::getline(words, rest);
        c.sections.push_back({word, {}});
        if (!rest.empty()) c.sections.back().second.push_back(rest.substr(1));
        for (const std::string& text : block) c.sections.back().second.push_back(expanded(text));
    }
}

std::vector<Case> load(const fs::path& path) { return load_cases<Case>(path, read_heading); }

std::vector<Case> all_cases() { return cases_in(KELVO_PREVIEW_DIR, load); }

// Places in the host text as LINE:COLUMN (both from 1, columns in bytes).
class Places {
public:
    explicit Places(std::string_view text) : text_(text) {
        starts_.push_back(0);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') starts_.push_back(i + 1);
        }
    }
    std::string place(std::size_t offset) const {
        const auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
        const auto line = static_cast<std::size_t>(next - starts_.begin());
        return std::to_string(line) + ":" + std::to_string(offset - starts_[line - 1] + 1);
    }
    // "L:C-L:C" and the bytes between, quoted.
    std::string range(Range range) const {
        if (range.end < range.begin || range.end > text_.size()) return "bad-range(" + std::to_string(range.begin) + "," + std::to_string(range.end) + ")";
        return place(range.begin) + "-" + place(range.end) + " " + in_quotes(text_.substr(range.begin, range.end - range.begin));
    }

private:
    std::string_view text_;
    std::vector<std::size_t> starts_;
};

std::string shown(const TracedValue& value) {
    switch (value.kind) {
    case TracedValue::Kind::number: return number(value.number);
    case TracedValue::Kind::text:
        return in_quotes(value.text) + (value.length > value.text.size() ? "...(" + std::to_string(value.length) + ")" : "");
    case TracedValue::Kind::nothing: return "nothing";
    }
    return {};
}

std::vector<std::string> trace_lines(const HostRun& run, const Places& places) {
    std::vector<std::string> lines;
    for (const TraceEntry& entry : run.trace) {
        std::string line = places.range(entry.range) + " " + std::string(entry.name) + "(";
        for (std::size_t i = 0; i < entry.arguments.size(); ++i) line += (i ? "," : "") + shown(entry.arguments[i]);
        line += ")";
        if (entry.result.kind != TracedValue::Kind::nothing) line += " => " + shown(entry.result);
        if (entry.depth != 0) line += " depth=" + std::to_string(entry.depth);
        if (entry.fault != no_fault) line += " fault=" + std::to_string(entry.fault);
        lines.push_back(line);
    }
    return lines;
}

// The expectations' words for what a parser wanted.
std::string expected_word(Expected expected) {
    static const char* const words[] = {"nothing",   "value",        "closing-bracket", "comma-or-bracket", "statement",
                                        "assignment", "opening-brace", "closing-brace",  "colon",            "closing-quote",
                                        "known-character", "readable-number", "line-end"};
    return words[static_cast<int>(expected)];
}

std::vector<std::string> fault_lines(const HostRun& run, const Places& places) {
    std::vector<std::string> lines;
    for (const Fault& fault : run.faults) {
        std::string line = places.range(fault.range) + " " + std::string(code_name(fault.kind));
        if (!fault.name.empty()) line += " name=" + fault.name;
        if (fault.kind == FaultKind::wrong_argument_count) {
            line += " given=" + std::to_string(fault.given) + " least=" + std::to_string(fault.least) +
                    " most=" + std::to_string(fault.most);
        }
        if (fault.position != 0) line += " position=" + std::to_string(fault.position);
        if (fault.limit != 0) line += " limit=" + std::to_string(fault.limit);
        if (fault.kind == FaultKind::parse_error || fault.kind == FaultKind::do_without_until) {
            if (fault.kind == FaultKind::parse_error) line += " expected=" + expected_word(fault.expected) + " found=" + in_quotes(fault.found);
            line += " at=" + places.range(fault.at);
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> message_lines(const HostRun& run, const Places& places) {
    std::vector<std::string> lines;
    for (const Message& message : run.messages) lines.push_back(places.range(message.range) + " " + in_quotes(message.text));
    return lines;
}

std::string shape_word(ShapeKind kind) {
    static const char* const words[] = {"clear", "point", "line", "circle", "ellipse", "rectangle",
                                        "roundrect", "arrow", "triangle", "text", "primitive"};
    return words[static_cast<int>(kind)];
}

std::vector<std::string> shape_lines(const HostRun& run, const Places& places) {
    std::vector<std::string> lines;
    for (const Shape& shape : run.shapes) lines.push_back(places.range(shape.range) + " " + shape_word(shape.kind));
    return lines;
}

std::string web_colour(int colour) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return buffer;
}

// "X,Y #rrggbb": the pixel as drawn.
std::vector<std::string> pixel_lines(const HostRun& run, const std::vector<std::string>& expected) {
    std::vector<std::string> lines;
    for (const std::string& line : expected) {
        int x = 0, y = 0;
        if (std::sscanf(line.c_str(), "%d,%d", &x, &y) != 2) throw std::runtime_error("a pixel is written X,Y #rrggbb");
        lines.push_back(std::to_string(x) + "," + std::to_string(y) + " " + web_colour(run.canvas.colour_at(x, y)));
    }
    return lines;
}

std::vector<std::string> run_lines(const HostRun& run) {
    return {std::string("ran=") + (run.ran ? "yes" : "no") + " ended=" + (run.game_ended ? "yes" : "no") +
            " out-of-steps=" + (run.out_of_steps ? "yes" : "no")};
}

std::vector<std::string> dropped_lines(const HostRun& run) {
    return {"trace=" + std::to_string(run.trace_dropped) + " shapes=" + std::to_string(run.shapes_dropped) +
            " messages=" + std::to_string(run.messages_dropped) + " faults=" + std::to_string(run.faults_dropped)};
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

class PreviewTable : public ::testing::TestWithParam<Case> {};

TEST_P(PreviewTable, MatchesTheHandWrittenExpectations) {
    const Case& c = GetParam();
    std::string host = c.text;
    if (c.from_source) {
        SessionOptions options;
        options.globals = c.globals;
        options.listener = &silent;  // the argument counts of `end` stay off standard output
        host = std::string(translate_source(c.text, options).host);
        ASSERT_FALSE(c.expected_host.empty()) << "a source case writes its translation";
        ASSERT_EQ(host, c.expected_host) << "the source does not translate to the host text written";
    }
    const preview::HostRun run = run_host(host, c.settings);
    const Places places(host);
    bool faults_checked = false;
    for (const auto& [section, expected] : c.sections) {
        std::vector<std::string> actual;
        if (section == "trace") actual = trace_lines(run, places);
        else if (section == "faults") {
            actual = fault_lines(run, places);
            faults_checked = true;
        }
        else if (section == "messages") actual = message_lines(run, places);
        else if (section == "shapes") actual = shape_lines(run, places);
        else if (section == "pixels") actual = pixel_lines(run, expected);
        else if (section == "run") actual = run_lines(run);
        else if (section == "dropped") actual = dropped_lines(run);
        else if (section == "steps") actual = {std::to_string(run.steps)};
        else FAIL() << "no such section: " << section;
        EXPECT_EQ(joined(actual), joined(expected)) << "section " << section;
    }
    if (!faults_checked) {
        EXPECT_EQ(joined(fault_lines(run, places)), "") << "faults the case does not expect";
    }
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
    std::string name = info.param.file.substr(0, info.param.file.find('.')) + "_";
    for (const char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Table, PreviewTable, ::testing::ValuesIn(all_cases()), case_name);

}  // namespace
}  // namespace kelvo::test
