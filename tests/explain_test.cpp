// The explanation pages (docs/messages/pages.txt, kelvo --explain): one for
// every code a report can carry, and each page's scripts through the tool:
// the wrong one gives its code, the mended one does not.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "case_file.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;

// Every code of the translation's reports and of the host's faults, written
// out here by hand.
const std::vector<std::string> message_codes = {
    "unexpected-symbol", "unknown-variable",   "wrong-argument-count", "not-operator",      "negative-argument-size",
    "nesting-too-deep",  "cannot-open-source", "cannot-write-output",  "internal-error",
};
const std::vector<std::string> warning_codes = {
    "words-left",           "variable-takes-operator", "quote-runs-on",    "comment-in-string",
    "name-refused",         "nested-function",         "definition-left-open", "block-left-open",
    "block-not-open",       "operator-after-value",    "empty-operand",    "comment-after-blanks",
    "end-without-function", "host-argument-count",
};
const std::vector<std::string> note_codes = {
    "did-you-mean", "no-comparison-words", "missing-operands", "unsigned-numbers", "host-name",
    "block-closer", "quote-carried",       "declared-later",   "chain-idiom",      "close-block",
    "stray-closer", "give-operand",        "comment-first-column", "empty-text",   "declared-without-value",
    "declare-first",
};
const std::vector<std::string> fault_codes = {
    "host-parse-error",    "host-do-without-until", "host-nesting-too-deep", "host-wrong-argument-count",
    "host-unknown-function", "host-unset-variable", "host-division-by-zero", "host-text-for-number",
    "host-number-for-text", "host-mixed-operands",  "host-math-error",       "host-bad-argument",
    "host-no-primitive",   "host-vertex-limit",     "host-call-depth",       "host-step-budget",
};
// The codes that no script causes: the library's file faults and its own.
const std::set<std::string> without_scripts = {"cannot-open-source", "cannot-write-output", "internal-error"};

struct Page {
    std::string code;
    int line = 0;
    std::string message, args, wrong, mended, none, fix;
};

void PrintTo(const Page& p, std::ostream* out) { *out << "pages.txt:" << p.line << ": " << p.code; }

std::string joined(const std::vector<std::string>& block) {
    std::string text;
    for (const std::string& line : block) text += line + "\n";
    return text;
}

std::vector<Page> read_pages() {
    kelvo::test::CaseFile file(fs::path(KELVO_SOURCE_DIR) / "docs/messages/pages.txt");
    std::vector<Page> pages;
    std::string heading;
    std::vector<std::string> block;
    while (file.next(heading, block)) {
        if (heading.rfind("page ", 0) == 0) {
            pages.push_back({heading.substr(5), file.line(), {}, {}, {}, {}, {}, {}});
            continue;
        }
        if (pages.empty()) file.fail("a part before the first page");
        Page& p = pages.back();
        const std::string text = joined(block);
        if (heading == "message") p.message = block.empty() ? "" : block.front();
        else if (heading == "args") p.args = block.empty() ? "" : block.front();
        else if (heading == "wrong") p.wrong = text;
        else if (heading == "mended") p.mended = text;
        else if (heading == "none") p.none = text;
        else if (heading == "fix") p.fix = text;
        else if (heading != "summary" && heading != "meaning" && heading != "why") file.fail("no part " + heading);
    }
    return pages;
}

using Outcome = kelvo::test::ToolOutcome;
using kelvo::test::slurp;

// Runs kelvo in a scratch folder of its own, with `script` as s.kelvo.
class Tool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kelvo-explain-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    Outcome run(const std::vector<std::string>& args, const std::string& script = {}) const {
        std::ofstream(root_ / "s.kelvo", std::ios::binary) << script;
        fs::create_directories(root_ / ".captured");
        return kelvo::test::run_tool(kelvo::test::ToolRun(KELVO_TOOL_PATH, root_, root_ / ".captured"), args);
    }
    fs::path root_;
};

std::vector<std::string> words_of(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::vector<std::string> with(std::vector<std::string> first, const std::string& args) {
    for (std::string& w : words_of(args)) first.push_back(w);
    first.push_back("s.kelvo");
    return first;
}

// The lines of a text, each without the blanks at its end.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool has_line(const std::string& text, std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    const std::vector<std::string> lines = lines_of(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The codes of the reports in the tool's analysis (JSON).
std::set<std::string> analysis_codes(const std::string& json) {
    const std::string key = "\"code\":\"";
    std::set<std::string> codes;
    for (std::size_t at = json.find(key); at != std::string::npos; at = json.find(key, at)) {
        at += key.size();
        const std::size_t end = json.find('"', at);
        if (end == std::string::npos) break;
        codes.insert(json.substr(at, end - at));
    }
    return codes;
}

std::vector<std::string> all_codes() {
    std::vector<std::string> all;
    for (const auto* group : {&message_codes, &warning_codes, &note_codes, &fault_codes})
        all.insert(all.end(), group->begin(), group->end());
    return all;
}

TEST(Pages, EveryCodeHasOnePageAndNoPageIsForAnotherCode) {
    std::vector<std::string> paged;
    for (const Page& p : read_pages()) paged.push_back(p.code);
    std::vector<std::string> expected = all_codes();
    std::sort(expected.begin(), expected.end());
    std::sort(paged.begin(), paged.end());
    EXPECT_EQ(paged, expected);
}

TEST(Pages, OnlyTheCodesNoScriptCausesGoWithoutScripts) {
    for (const Page& p : read_pages()) {
        const bool listed = without_scripts.contains(p.code);
        EXPECT_EQ(!p.none.empty(), listed) << p.code;
        EXPECT_EQ(p.wrong.empty() && p.mended.empty() && p.message.empty(), listed) << p.code;
    }
}

TEST_F(Tool, ExplainListsEveryCodeWithItsKind) {
    const Outcome o = run({"--explain"});
    EXPECT_EQ(o.status, 0);
    std::set<std::string> listed;
    for (const std::string& line : lines_of(o.out)) {
        const std::vector<std::string> words = words_of(line);
        ASSERT_GE(words.size(), 3U) << line;
        listed.insert(words[0]);
        const std::string& c = words[0];
        const auto in = [&](const std::vector<std::string>& group) {
            return std::find(group.begin(), group.end(), c) != group.end();
        };
        const std::string kind = in(message_codes) || c == "definition-left-open" ? "error"
                                 : in(warning_codes)                          ? "warning"
                                 : in(note_codes)                             ? "note"
                                                                              : "host";
        EXPECT_EQ(words[1], kind) << line;
    }
    const std::vector<std::string> all = all_codes();
    EXPECT_EQ(listed, std::set<std::string>(all.begin(), all.end()));
}

TEST_F(Tool, ExplainPrintsThePageOfACode) {
    const Outcome o = run({"--explain", "block-not-open"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out.rfind("## block-not-open\n\n*Warning:* a `}` that closes no block\n", 0), 0U) << o.out;
    EXPECT_NE(o.out.find("\n    s.kelvo:1:1: warning: this '}' closes no block: the host script gets a '}' that closes "
                         "nothing\n"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("**The same script mended:**\n\n    {\n    }\n"), std::string::npos) << o.out;
    EXPECT_EQ(run({"--explain=block-not-open"}).out, o.out);

    const Outcome fix = run({"--explain", "definition-left-open"});
    EXPECT_NE(fix.out.find("**Quick fix** (the editor's light bulb): \"Add the missing 'end' of 'f'\""), std::string::npos);
    const Outcome none = run({"--explain", "internal-error"});
    EXPECT_NE(none.out.find("**No script causes it.**"), std::string::npos) << none.out;
    EXPECT_EQ(none.out.find("A script that causes it"), std::string::npos) << none.out;
}

TEST_F(Tool, AnUnknownCodeIsAUsageErrorWithTheClosestCode) {
    struct Case {
        std::string code, err;
    };
    const Case cases[] = {
        {"unknwn-variable", "kelvo: no report has the code 'unknwn-variable'; did you mean 'unknown-variable'? "
                            "(kelvo --explain lists the codes)\n"},
        {"division-by-zero", "kelvo: no report has the code 'division-by-zero'; did you mean "
                             "'host-division-by-zero'? (kelvo --explain lists the codes)\n"},
        {"xyzzy", "kelvo: no report has the code 'xyzzy' (kelvo --explain lists the codes)\n"},
    };
    for (const Case& c : cases) {
        const Outcome o = run({"--explain", c.code});
        EXPECT_EQ(o.status, 2) << c.code;
        EXPECT_EQ(o.out, "") << c.code;
        EXPECT_EQ(o.err, c.err) << c.code;
    }
    const Outcome two = run({"--explain", "words-left", "block-not-open"});
    EXPECT_EQ(two.status, 2);
}

class PageScripts : public Tool, public ::testing::WithParamInterface<Page> {};

// The wrong script gives the page's report, as the page prints it, and its
// code; the mended one neither.
TEST_P(PageScripts, TheWrongScriptGivesTheCodeAndTheMendedOneDoesNot) {
    const Page& p = GetParam();
    ASSERT_FALSE(p.wrong.empty());
    ASSERT_FALSE(p.mended.empty());
    ASSERT_FALSE(p.message.empty());
    if (std::find(fault_codes.begin(), fault_codes.end(), p.code) != fault_codes.end()) {
        const std::string shown = "[" + p.code + "]";
        const Outcome wrong = run(with({"--run", "--no-show-source"}, p.args), p.wrong);
        EXPECT_TRUE(has_line(wrong.err, p.message)) << wrong.err;
        EXPECT_NE(wrong.err.find(shown), std::string::npos) << wrong.err;
        EXPECT_EQ(wrong.status, 1);
        const Outcome mended = run(with({"--run", "--no-show-source"}, p.args), p.mended);
        EXPECT_EQ(mended.err.find(shown), std::string::npos) << mended.err;
        EXPECT_EQ(mended.status, 0) << mended.err;
        return;
    }
    const Outcome wrong = run(with({"--warnings", "--no-show-source"}, p.args), p.wrong);
    EXPECT_TRUE(has_line(wrong.err, p.message)) << wrong.err;
    const Outcome mended = run(with({"--warnings", "--no-show-source"}, p.args), p.mended);
    EXPECT_FALSE(has_line(mended.err, p.message)) << mended.err;
    if (p.code == "host-argument-count") {
        // A warning of the tools from the host text, which the analysis does
        // not hold: counted as an error, it shows in the exit status.
        EXPECT_EQ(run(with({"-Werror=host-argument-count"}, p.args), p.wrong).status, 1);
        EXPECT_EQ(run(with({"-Werror=host-argument-count"}, p.args), p.mended).status, 0);
        return;
    }
    EXPECT_TRUE(analysis_codes(run(with({"--analysis"}, p.args), p.wrong).out).contains(p.code));
    EXPECT_FALSE(analysis_codes(run(with({"--analysis"}, p.args), p.mended).out).contains(p.code));
}

std::vector<Page> pages_with_scripts() {
    std::vector<Page> pages;
    for (const Page& p : read_pages())
        if (!without_scripts.contains(p.code)) pages.push_back(p);
    return pages;
}

std::string page_name(const ::testing::TestParamInfo<Page>& info) {
    std::string name = info.param.code;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Pages, PageScripts, ::testing::ValuesIn(pages_with_scripts()), page_name);

}  // namespace
