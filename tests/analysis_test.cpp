// The analysis of a run, against expectations written by hand in
// tests/analysis/*.txt: what each word resolved to, where each term begins
// and ends and what host text it became, and where each line's host text
// went. The format is described in tests/analysis/README.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <cctype>
#include <string>
#include <vector>

#include "case_file.h"
#include "library/analysis.h"
#include "library/analysis_json.h"
#include "library/line_index.h"
#include "vocabulary/keywords.h"

namespace kelvo::test {
namespace {

namespace fs = std::filesystem;

struct Case {
    std::string file;
    int line = 0;
    std::string name;
    std::string before;  // translated first, when given
    bool has_before = false;
    std::string source;
    bool no_final_line_feed = false;
    std::vector<GlobalArgument> globals;
    std::vector<std::pair<std::string, std::vector<std::string>>> expected;  // section, its lines
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.file << ":" << c.line << ": " << c.name; }

// A host text as the expectations write it: between double quotes, escaped.
std::string escaped(std::string_view text) { return quoted(text, false); }

std::vector<Case> load(const fs::path& path) {
    std::vector<Case> cases;
    CaseFile file(path);
    std::string line;
    std::vector<std::string> block;
    while (file.next(line, block)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "case") {
            cases.push_back({file.name(), file.line(), line.substr(5), {}, false, {}, false, {}, {}});
            if (!block.empty()) file.fail("a block line outside a block");
            continue;
        }
        if (cases.empty()) file.fail("a line before the first case");
        Case& c = cases.back();
        if (word == "source" || word == "before") {
            std::string rest;
            words >> rest;
            (word == "source" ? c.source : c.before) = CaseFile::text_of(block);
            c.has_before = c.has_before || word == "before";
            c.no_final_line_feed = c.no_final_line_feed || rest == "noeol";
        } else if (word == "real" || word == "string") {
            std::string name, value;
            words >> name >> value;
            if (!block.empty()) file.fail("a block after a global argument");
            c.globals.push_back({word == "real" ? GlobalArgument::Kind::real : GlobalArgument::Kind::string,
                                 unescape(name), unescape(value)});
        } else if (word == "words" || word == "terms" || word == "lines" || word == "findings") {
            c.expected.push_back({word, block});
        } else {
            file.fail("unknown line: " + line);
        }
    }
    return cases;
}

std::vector<Case> all_cases() { return cases_in(KELVO_ANALYSIS_DIR, load); }

std::string place(SourcePosition p) { return std::to_string(p.line) + ":" + std::to_string(p.column); }
// A byte offset of the source as line:column of the translator's lines.
std::string place(const Analysis& a, std::size_t offset) {
    const LineIndex lines(a.source, LineIndex::Ends::line_feeds);
    const LineIndex::Place p = lines.place(offset);
    return std::to_string(p.line + 1) + ":" + std::to_string(p.column + 1);
}
std::string span(const Analysis& a, Bytes b) { return place(a, b.begin) + "-" + place(a, b.end); }

std::string host_text(const Analysis& a, const HostPlace& h) {
    if (!h.placed()) return "nowhere";
    return escaped(a.host_text(h));
}

std::vector<std::string> render_words(const Analysis& a) {
    std::vector<std::string> out;
    for (const AnalysedWord& w : a.words) {
        std::string line = span(a, w.bytes) + " " + std::string(word_kind_name(w.kind)) + " " + escaped(a.text(w));
        if (w.declaration >= 0) line += " decl " + std::to_string(w.declaration);
        if (w.parameter() >= 0) line += " param " + std::to_string(w.parameter());
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> render_terms(const Analysis& a) {
    std::vector<std::string> out;
    for (const AnalysedTerm& t : a.terms) {
        std::size_t depth = 0;
        for (std::int32_t p = t.parent; p >= 0; p = a.terms[static_cast<std::size_t>(p)].parent) ++depth;
        std::string line(2 * depth, ' ');
        line += span(a, t.bytes) + " " + (t.keyword_row() != nullptr ? std::string(t.keyword_row()->keyword) : std::string("-"));
        if (t.missing) line += " missing";
        line += " #" + std::to_string(t.operand) + " => " + host_text(a, a.host_of(t));
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> render_lines(const Analysis& a) {
    std::vector<std::string> out;
    for (const AnalysedLine& l : a.lines) {
        std::string line = std::to_string(l.number) + " ";
        const HostPlace& host = a.host_of(l);
        if (!host.placed()) {
            line += "nowhere";
        } else if (host.definition < 0) {
            line += "main " + host_text(a, host);
        } else {
            const StoredDefinition& d = a.definitions[static_cast<std::size_t>(host.definition)];
            line += "def " + std::string(d.name) + "@" + std::to_string(host.begin) + " " + host_text(a, host);
        }
        if (l.abandoned) line += " abandoned";
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> render_findings(const Analysis& a) {
    std::vector<std::string> out;
    for (const Finding& f : a.findings)
        out.push_back(place(f.report.position()) + " " + std::string(severity_name(f.severity())) + " " +
                      std::string(code_name(f.code())));
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

class AnalysisTable : public testing::TestWithParam<Case> {};

// A script with a little of everything, whose analysis leaves room, texts
// and declarations behind for the next one to take over.
std::string busy_script() {
    std::string s;
    for (int i = 0; i < 50; ++i)
        s += "function f" + std::to_string(i) + " 2 a b\nmessage a b zz \"text\"\nend\nvar v" + std::to_string(i) +
             " 1\nmessage v" + std::to_string(i) + " -1\n";
    return s;
}

TEST_P(AnalysisTable, MatchesTheHandWrittenExpectations) {
    const Case& c = GetParam();
    std::string source = c.source;
    if (c.no_final_line_feed && !source.empty()) source.pop_back();
    const auto analysed = [&](Analysis room) {
        SessionOptions options;
        options.globals = c.globals;
        if (c.has_before) {
            analyse(c.before, options);
            options.globals.clear();
            options.start = StartFrom::current_state;
        }
        return analyse(source, options, std::move(room));
    };
    // Fresh, and in the room of an analysis no longer wanted, as the
    // language server makes them: the same either way.
    for (const bool reused : {false, true}) {
        const Analysis a = analysed(reused ? analyse(busy_script()) : Analysis{});
        for (const auto& [section, lines] : c.expected) {
            std::vector<std::string> got;
            if (section == "words") got = render_words(a);
            if (section == "terms") got = render_terms(a);
            if (section == "lines") got = render_lines(a);
            if (section == "findings") got = render_findings(a);
            EXPECT_EQ(joined(got), joined(lines)) << section << (reused ? " (in the room of another)" : "");
        }
    }
}

std::string case_name(const testing::TestParamInfo<Case>& info) {
    std::string name = fs::path(info.param.file).stem().string() + "_" + info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

// An analysis made in the room of one whose texts filled many chunks of its
// store, with texts of every length (one longer than a chunk), is the same
// as one made afresh.
TEST(Analysis, MadeInTheRoomOfAnotherItIsTheSameAsAFreshOne) {
    const auto script = [](int lines, std::size_t long_text) {
        std::string s = "message \"" + std::string(long_text, 'q') + "\"\n";
        for (int i = 0; i < lines; ++i) s += "var name" + std::to_string(i) + " " + std::to_string(i) + "\nmessage zz\n";
        return s;
    };
    const std::string first = script(3000, 10), second = script(4000, 70000), third = script(100, 3);
    Analysis room = analyse(first);
    for (const std::string* source : {&second, &third, &first}) {
        const std::string expected = analysis_json(analyse(*source));
        room = analyse(*source, {}, std::move(room));
        EXPECT_EQ(analysis_json(room), expected) << source->size();
    }
}

// An analysis is moved from where it is made to where it is kept: the
// names its records view stay inside the source it holds, however short
// the source (a short one could otherwise travel inside the string).
TEST(Analysis, MovedItsNamesStillLookIntoItsOwnSource) {
    for (const std::string source : {"var a 1\n", "var ab 1", "var name_of_some_length 1\nmessage name_of_some_length\n"}) {
        Analysis kept;
        kept = analyse(source, {}, std::move(kept));
        Analysis moved(std::move(kept));
        ASSERT_FALSE(moved.declarations.empty()) << source;
        const std::string_view name = moved.declarations.front().name;
        const char* const begin = moved.source.data();
        EXPECT_TRUE(name.data() >= begin && name.data() + name.size() <= begin + moved.source.size()) << source;
        EXPECT_EQ(name, source.substr(4, name.size())) << source;
    }
}

// A line past the nesting limit is given up whole: it keeps no host text,
// and the line after it is translated as usual.
TEST(Analysis, ALineAbandonedAtTheNestingLimitKeepsNoHostText) {
    std::string source;
    for (int i = 0; i < 1001; ++i) source += "abs ";
    source += "1\nmessage 2\n";
    const Analysis a = analyse(source);
    ASSERT_EQ(render_lines(a), (std::vector<std::string>{"1 main \"\" abandoned", "2 main \"show_message(2)\""}));
    ASSERT_EQ(a.terms.size(), 1000u + 2u);  // the limit's terms, then the message and its operand
    for (std::size_t i = 0; i < 1000; ++i) {
        EXPECT_EQ(host_text(a, a.host_of(a.terms[i])), "\"\"") << i;
        EXPECT_EQ(a.terms[i].bytes.begin, 4 * i) << i;
    }
    EXPECT_EQ(a.host, "\nshow_message(2)\n");
}

struct JsonCase {
    std::string_view bytes;
    std::string_view json;
};

// Texts go into JSON whole: valid UTF-8 as it is, every other byte as the
// character of its number.
TEST(AnalysisJson, KeepsEveryByteOfATextAndStaysValid) {
    const JsonCase cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"\n\r\t\x1b\x7f", "\"\\n\\r\\t\\u001b\\u007f\""},
        {std::string_view("\0", 1), "\"\\u0000\""},
        {"\xc3\xa9 \xf0\x9f\x98\x80", "\"\xc3\xa9 \xf0\x9f\x98\x80\""},  // é and an emoji
        {"\xe9t\xe9", "\"\\u00e9t\\u00e9\""},                                 // Latin-1 bytes
        {"\xc3", "\"\\u00c3\""},                                                 // a cut character
        {"\xc0\xaf", "\"\\u00c0\\u00af\""},                                     // an overlong form
        {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},                         // a surrogate
    };
    for (const JsonCase& c : cases) {
        std::string out;
        append_json_string(out, c.bytes);
        EXPECT_EQ(out, c.json) << escaped(c.bytes);
    }
}

TEST(AnalysisJson, WritesTheDocumentedObject) {
    const std::string source = "var x 1\nmessage x\n";
    const std::string json = analysis_json(analyse(source));
    const std::string_view expected_start =
        R"({"version":1,"host":"x = 1\nshow_message(x)\n","messages":"","words":[)"
        R"({"kind":"keyword","text":"var","span":{"start":{"line":1,"column":1,"offset":0},)"
        R"("end":{"line":1,"column":4,"offset":3}},"keyword":"var"},)";
    EXPECT_EQ(json.substr(0, expected_start.size()), expected_start);
    EXPECT_NE(json.find(R"({"kind":"variable","text":"x","span":{"start":{"line":2,"column":9,"offset":16},)"
                        R"("end":{"line":2,"column":10,"offset":17}},"declaration":0})"),
              std::string::npos);
    EXPECT_NE(json.find(R"("keyword":null,"missing":false,"parent":2,"operand":0,"line":1,"firstWord":4,)"
                        R"("wordCount":1,"host":{"definition":-1,"begin":19,"end":20,"resultBegin":19,"resultEnd":20}})"),
              std::string::npos);
    EXPECT_TRUE(json.ends_with(R"("declarations":[{"kind":"variable","name":"x","position":{"line":1,"column":5,"offset":4},)"
                               R"("keywordPosition":{"line":1,"column":1,"offset":0}}],"definitions":[],)"
                               R"("dropped":[],"comments":[],"continuations":[],"byteOrderMark":false,)"
                               R"("inputEnd":{"line":3,"column":1,"offset":18}})"
                               "\n"));
}

INSTANTIATE_TEST_SUITE_P(Table, AnalysisTable, testing::ValuesIn(all_cases()), case_name);

}  // namespace
}  // namespace kelvo::test
