// Runs the built kelvo tool as a process, in a scratch directory per test.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "case_file.h"
#include "core/state.h"
#include "library/run.h"
#include "test_support.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using Outcome = kelvo::test::ToolOutcome;
using kelvo::test::slurp;

// What one run of the library makes of the source, with `end`'s counts dropped.
std::string library_translation(const std::string& source) {
    kelvo::restore_loaded_state();
    kelvo::test::Recorder quiet;
    kelvo::state.listener = &quiet;
    std::string result = kelvo::translate(source);
    kelvo::restore_loaded_state();
    return result;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kelvo-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        work_ = root_ / "work";
        fs::create_directory(work_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(work_ / "locked.txt", fs::perms::owner_all, ignored);
        fs::remove_all(root_, ignored);
    }

    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream(work_ / name, std::ios::binary) << bytes;
    }
    std::string get(const std::string& name) const { return slurp(work_ / name); }
    bool has(const std::string& name) const { return fs::exists(work_ / name); }

    // Runs kelvo in the work directory with the given standard input (none:
    // /dev/null) and standard output (none: captured); `unprivileged`:
    // without the capabilities by which root passes over file permissions
    // (the tool still runs as its user, and writes what that user owns).
    Outcome run(const std::vector<std::string>& args, const std::optional<std::string>& input = {},
                const char* stdout_path = nullptr, bool unprivileged = false) const {
        kelvo::test::ToolRun run(KELVO_TOOL_PATH, work_, root_);
        if (input) {
            run.input = root_ / "stdin";
            std::ofstream(*run.input, std::ios::binary) << *input;
        }
        if (stdout_path != nullptr) run.output_to = stdout_path;
        run.unprivileged = unprivileged;
        return kelvo::test::run_tool(run, args);
    }

    fs::path root_, work_;
};

std::string reason(int error) { return std::strerror(error); }

// Each message names the line and column where its word stands in the file.
struct LineCase {
    const char* what;
    std::string source;
    std::string messages;
};

const LineCase line_cases[] = {
    {"plain lines", "abs 1\nbad\n", "s.txt:2:1: Unknown variable: bad\n"},
    {"no final line feed", "abs 1\n\nbad", "s.txt:3:1: Unknown variable: bad\n"},
    {"lines cut by ;", "abs 1; one\nabs 2;two;qqq\n",
     "s.txt:1:8: Unknown variable: one\ns.txt:2:7: Unknown variable: two\ns.txt:2:11: Unknown variable: qqq\n"},
    {"; between quotes", "message \"a;b\"\nbad\n", "s.txt:2:1: Unknown variable: bad\n"},
    {"comments", "// c\n\n  // blanks before\nbad // c\n// c\nlast",
     "s.txt:3:3: warning: this line holds only blanks before its comment: it is translated as a line whose term is "
     "missing\n"
     "s.txt:3:3: note: start the comment in the first column: a line that holds only a comment from there makes no "
     "line at all\n"
     "s.txt:3:1: Unexpected symbol: \ns.txt:4:1: Unknown variable: bad\ns.txt:6:1: Unknown variable: last\n"},
    {"CR LF", "abs 1\r\n\r\nbad\r\nabs 2; two\r\n",
     "s.txt:3:1: Unknown variable: bad\ns.txt:4:8: Unknown variable: two\n"},
    {"/ and line feed", "var x 4\nx = x /\nnope\nbad\n",
     "s.txt:3:1: Unknown variable: nope\ns.txt:4:1: Unknown variable: bad\n"},
    {"/ and CR LF", "var x 4\r\nx = x /\r\n  nope\r\nbad\r\n",
     "s.txt:3:3: Unknown variable: nope\ns.txt:4:1: Unknown variable: bad\n"},
    {"inside a definition", "function f 1 a\nreturn a\nin_body\nend\nafter\n",
     "s.txt:3:1: Unknown variable: in_body\ns.txt:5:1: Unknown variable: after\n"},
    {"function line", "\n  function g 2 a\nabs 1\nend\n",
     "s.txt:2:3: Wrong number of arguments to function or script.\n"},
    {"zero byte", "abs 1\nab\0c\n"s, "s.txt:2:1: Unknown variable: ab\\x00c\n"s},
    // A byte-order mark at the start is no column of line 1; elsewhere, and
    // two of its three bytes, are bytes of a word.
    {"byte-order mark", "\xEF\xBB\xBFmessage zz\nbad\n",
     "s.txt:1:9: Unknown variable: zz\n"
     "s.txt:1:1: note: so the first operand of 'message' is empty in the host text: the engine rejects the call\n"
     "s.txt:2:1: Unknown variable: bad\n"},
    {"byte-order mark and CR LF", "\xEF\xBB\xBF  bad\r\nabs 1; two\r\n",
     "s.txt:1:3: Unknown variable: bad\ns.txt:2:8: Unknown variable: two\n"},
    {"byte-order mark and a comment", "\xEF\xBB\xBF// c\nbad\n", "s.txt:2:1: Unknown variable: bad\n"},
    {"byte-order mark in the middle", "abs 1\nmessage \xEF\xBB\xBFzz\n",
     "s.txt:2:9: Unknown variable: \xEF\xBB\xBFzz\n"
     "s.txt:2:1: note: so the first operand of 'message' is empty in the host text: the engine rejects the call\n"},
    {"two bytes of a byte-order mark", "\xEF\xBBqqq\n", "s.txt:1:1: Unknown variable: \xEF\xBBqqq\n"},
};

TEST_F(Cli, MessagesCarryTheLineAndColumnOfTheirWord) {
    for (const LineCase& c : line_cases) {
        SCOPED_TRACE(c.what);
        put("s.txt", c.source);
        const Outcome o = run({"s.txt"});
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, c.messages);
        EXPECT_EQ(o.out, library_translation(c.source));
    }
}

TEST_F(Cli, CleanScriptExitsZeroWithTheLibrarysTranslation) {
    const std::string demo = slurp(KELVO_DEMO_PATH);
    put("demo.kelvo", demo);
    const Outcome o = run({"demo.kelvo"});
    EXPECT_EQ(o.status, 0);
    // No message; the one warning is of the host's argument count, which
    // merge_color's row writes otherwise.
    EXPECT_EQ(o.err,
              "demo.kelvo:34:7: warning: 'merge_color' takes 3 arguments in the host, not 2: the engine rejects this "
              "call when it runs\n");
    EXPECT_EQ(o.out, library_translation(demo));  // `end`'s argument count is not mixed in
    EXPECT_FALSE(has("temp.txt"));
}

TEST_F(Cli, ArgumentCountsGoToStandardErrorOnlyWhenAsked) {
    put("s.txt", "bad\nfunction f 2 a b\nend\nfunction g 0\nend\nbad\n");
    const Outcome quiet = run({"s.txt"});
    EXPECT_EQ(quiet.err, "s.txt:1:1: Unknown variable: bad\ns.txt:6:1: Unknown variable: bad\n");
    const Outcome shown = run({"--argument-counts", "s.txt"});
    EXPECT_EQ(shown.status, 1);
    EXPECT_EQ(shown.out, quiet.out);
    EXPECT_EQ(shown.err,
              "s.txt:1:1: Unknown variable: bad\ns.txt:3: argument count: 2\ns.txt:5: argument count: 0\n"
              "s.txt:6:1: Unknown variable: bad\n");
}

TEST_F(Cli, DefaultFileIsTestTxtAndTempTxtIsNeverTouched) {
    put("test.txt", "abs 1\n");
    Outcome o = run({});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "abs(1)\n");
    EXPECT_FALSE(has("temp.txt"));

    put("test.txt", "bad\n");
    put("temp.txt", "old");
    put("other.txt", "abs 2\n");
    o = run({"other.txt"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "abs(2)\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(get("temp.txt"), "old");
    EXPECT_EQ(get("test.txt"), "bad\n");
}

TEST_F(Cli, ReadsStandardInputAsBytes) {
    const std::string source = "abs 1\r\nbad\r\nab\0c\x1a ignored\n"s;
    const Outcome o = run({"-"}, source);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, library_translation(source));
    EXPECT_EQ(o.err, "<stdin>:2:1: Unknown variable: bad\n<stdin>:3:1: Unknown variable: ab\\x00c\n");
    EXPECT_EQ(run({"-"}, "").status, 0);
}

TEST_F(Cli, OutputFileTakesTheHostScript) {
    put("s.txt", "abs 1\nbad\n");
    put("out.txt", "something longer than the result\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-o", "out.txt", "s.txt"}, {"s.txt", "--output=out.txt"}, {"-oout.txt", "s.txt"}}) {
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, "s.txt:2:1: Unknown variable: bad\n");
        EXPECT_EQ(get("out.txt"), "abs(1)\n\n");
    }
    EXPECT_EQ(run({"-o", "-", "s.txt"}).out, "abs(1)\n\n");
}

TEST_F(Cli, DefinesActLikeTheGlobalArgumentExports) {
    put("s.txt", "message speed\nmessage who\nmessage red\nmessage eq\n");
    Outcome o = run({"--define", "speed=2.5", "--define-string", "who=Ann", "--define=red=7",
                     "--define-string=eq=a=b", "s.txt"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "show_message(2.5)\nshow_message(\"Ann\")\nshow_message(7)\nshow_message(\"a=b\")\n");

    o = run({"--define", "speed=1", "--define", "speed=2", "--define-string", "who=", "s.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "show_message(2)\nshow_message()\nshow_message(255)\nshow_message()\n");
}

TEST_F(Cli, QuietKeepsTheStatusAndDropsTheMessages) {
    put("s.txt", "bad\n");
    const Outcome o = run({"--quiet", "s.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "\n");
    EXPECT_EQ(run({"-q", "s.txt"}).err, "");
}

// A file that cannot be read or written: status 2 and one line naming it.
void expect_file_failure(const Outcome& o, const std::string& line) {
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "kelvo: " + line + "\n");
}

TEST_F(Cli, UnreadableSourcesFailWithTheReason) {
    expect_file_failure(run({"missing.txt"}), "cannot read missing.txt: " + reason(ENOENT));
    expect_file_failure(run({}), "cannot read test.txt: " + reason(ENOENT));
    fs::create_directory(work_ / "dir");
    expect_file_failure(run({"dir"}), "cannot read dir: " + reason(EISDIR));
}

TEST_F(Cli, SourceWithoutReadPermissionFails) {
    put("locked.txt", "abs 1\n");
    fs::permissions(work_ / "locked.txt", fs::perms::none);
    expect_file_failure(run({"locked.txt"}, {}, nullptr, true), "cannot read locked.txt: " + reason(EACCES));
}

TEST_F(Cli, UnwritableOutputFailsAfterTheMessages) {
    put("s.txt", "bad\n");
    fs::create_directory(work_ / "dir");
    Outcome o = run({"-o", "dir", "s.txt"});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "s.txt:1:1: Unknown variable: bad\nkelvo: cannot write dir: " + reason(EISDIR) + "\n");
    o = run({"-o", "no/such/out.txt", "s.txt"});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "s.txt:1:1: Unknown variable: bad\nkelvo: cannot write no/such/out.txt: " + reason(ENOENT) + "\n");
    if (fs::exists("/dev/full")) {
        put("ok.txt", "abs 1\n");
        expect_file_failure(run({"ok.txt"}, {}, "/dev/full"), "cannot write <stdout>: " + reason(ENOSPC));
    }
}

struct UsageCase {
    std::vector<std::string> args;
    std::string message;
};

TEST_F(Cli, UsageErrorsExitTwoWithOneLine) {
    put("a.txt", "abs 1\n");
    const UsageCase cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x", "a.txt"}, "unknown option '-x'"},
        {{"a.txt", "b.txt"}, "more than one FILE given: 'a.txt' and 'b.txt'"},
        {{"-o"}, "option -o needs an argument"},
        {{"a.txt", "--define"}, "option --define needs an argument"},
        {{"--define", "speed", "a.txt"}, "--define needs NAME=VALUE, got 'speed'"},
        {{"--define-string", "=x", "a.txt"}, "--define-string needs a NAME before '='"},
        {{"--quiet=yes", "a.txt"}, "option --quiet takes no argument"},
        {{"-o", "x", "-o", "y", "a.txt"}, "more than one output file given"},
        {{"--output=", "a.txt"}, "empty output file name"},
        {{""}, "empty file name"},
        {{"--source-map=", "a.txt"}, "empty source map file name"},
        {{"--locate", "0", "a.txt"},
         "--locate takes LINE[:COL] or SCRIPT:LINE[:COL] with LINE and COL from 1, not '0'"},
        {{"--locate", "f:", "a.txt"},
         "--locate takes LINE[:COL] or SCRIPT:LINE[:COL] with LINE and COL from 1, not 'f:'"},
        {{"--locate", ":3", "a.txt"},
         "--locate takes LINE[:COL] or SCRIPT:LINE[:COL] with LINE and COL from 1, not ':3'"},
        {{"--locate", "2:x", "a.txt"},
         "--locate takes LINE[:COL] or SCRIPT:LINE[:COL] with LINE and COL from 1, not '2:x'"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.message);
        expect_file_failure(run(c.args), c.message + " (see kelvo --help)");
    }
    EXPECT_FALSE(has("x"));
}

TEST_F(Cli, NamesOfDefinesHoldNoWhitespace) {
    put("a.txt", "abs 1\n");
    const UsageCase cases[] = {
        {{"--define", "a b=5", "a.txt"}, "--define needs a NAME without blanks, tabs or line ends, got 'a b'"},
        {{"--define-string", " who=x", "a.txt"},
         "--define-string needs a NAME without blanks, tabs or line ends, got ' who'"},
        {{"--define=a\tb=5", "a.txt"}, "--define needs a NAME without blanks, tabs or line ends, got 'a\tb'"},
        {{"--define-string", "who\n=x", "a.txt"},
         "--define-string needs a NAME without blanks, tabs or line ends, got 'who\\x0a'"},
        {{"--define", "=5", "a.txt"}, "--define needs a NAME before '='"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.message);
        expect_file_failure(run(c.args), c.message + " (see kelvo --help)");
    }
    // Whitespace in the value is the value's own.
    put("v.txt", "message who\n");
    EXPECT_EQ(run({"--define-string", "who=a b", "v.txt"}).out, "show_message(\"a b\")\n");
}

// -o naming the input file, under any of its names, would replace the script.
TEST_F(Cli, OutputThatIsTheInputIsRefused) {
    const std::string script = "message 1\n";
    put("s.txt", script);
    fs::create_directory(work_ / "sub");
    fs::create_symlink(work_ / "s.txt", work_ / "link.txt");
    fs::create_hard_link(work_ / "s.txt", work_ / "sub" / "hard.txt");
    const std::vector<std::vector<std::string>> refused = {
        {"-o", "s.txt", "s.txt"},           {"s.txt", "--output=./s.txt"},      {"-osub/../s.txt", "s.txt"},
        {"-o", "link.txt", "s.txt"},        {"-o", "s.txt", "link.txt"},        {"-o", "sub/hard.txt", "s.txt"},
        {"--analysis", "-o", "s.txt", "s.txt"}, {"-o", (work_ / "s.txt").string(), "s.txt"},
    };
    for (const std::vector<std::string>& args : refused) {
        SCOPED_TRACE(args[1]);
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_TRUE(o.err.starts_with("kelvo: the output file ")) << o.err;
        EXPECT_TRUE(o.err.ends_with(" (see kelvo --help)\n")) << o.err;
        EXPECT_EQ(get("s.txt"), script);
    }
    EXPECT_EQ(run({"-o", "s.txt", "s.txt"}).err, "kelvo: the output file s.txt is the input file s.txt (see kelvo --help)\n");
    // Another file, or a file of the same contents, is written.
    put("copy.txt", script);
    EXPECT_EQ(run({"-o", "copy.txt", "s.txt"}).status, 0);
    EXPECT_EQ(get("copy.txt"), "show_message(1)\n");
    EXPECT_EQ(run({"-o", "-", "s.txt"}).out, "show_message(1)\n");
    EXPECT_EQ(run({"-o", "s.txt", "-"}, script).status, 0);
    EXPECT_EQ(get("s.txt"), "show_message(1)\n");
}

// The tool prints control bytes of the source as escapes and long words in
// part; the library's error text keeps them as they are.
TEST_F(Cli, ReportsAreSafeOnATerminal) {
    const std::string long_word = std::string(40, 'a') + std::string(30, 'b') + std::string(30, 'c');
    const std::string utf8_word = "x" + [] { std::string s; for (int i = 0; i < 40; ++i) s += "\xC3\xA9"; return s; }();
    const std::string exactly_64(64, 'z');
    const std::string source = "message \x1b[31mRED\nmessage a\x7f\x01" "b\tc\n" + long_word + "\n" + utf8_word + "\n" +
                               exactly_64 + "\n";
    put("s.txt", source);
    const Outcome o = run({"s.txt"});
    EXPECT_EQ(o.status, 1);
    std::string accents_start, accents_end;
    for (int i = 0; i < 15; ++i) accents_start += "\xC3\xA9";
    for (int i = 0; i < 8; ++i) accents_end += "\xC3\xA9";
    EXPECT_EQ(o.err,
              "s.txt:1:9: Unknown variable: \\x1b[31mRED\n"
              "s.txt:1:1: note: so the first operand of 'message' is empty in the host text: the engine rejects the call\n"
              "s.txt:2:9: Unknown variable: a\\x7f\\x01b\n"
              "s.txt:2:1: note: so the first operand of 'message' is empty in the host text: the engine rejects the call\n"
              "s.txt:2:14: warning: 'c' and the rest of the line are not translated: a line holds one term\n"
              "s.txt:3:1: Unknown variable: " + std::string(32, 'a') + "..." + std::string(16, 'c') + " (100 bytes)\n"
              "s.txt:4:1: Unknown variable: x" + accents_start + "..." + accents_end + " (81 bytes)\n"
              "s.txt:5:1: Unknown variable: " + exactly_64 + "\n");
    EXPECT_EQ(o.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(run({"--color=always", "s.txt"}).err.find("\x1b[31mRED"), std::string::npos);

    // A file name is escaped, never cut.
    const std::string odd_name = "odd\x1b" + std::string(70, 'n') + ".txt";
    put(odd_name, "bad\n");
    EXPECT_EQ(run({odd_name}).err, "odd\\x1b" + std::string(70, 'n') + ".txt:1:1: Unknown variable: bad\n");
    EXPECT_EQ(run({"missing\x1b.txt"}).err, "kelvo: cannot read missing\\x1b.txt: " + reason(ENOENT) + "\n");

    kelvo::restore_loaded_state();
    kelvo::translate(source);
    EXPECT_EQ(kelvo::state.error_text, "Unknown variable: \x1b[31mRED\nUnknown variable: a\x7f\x01" "b\nUnknown variable: " +
                                           long_word + "\nUnknown variable: " + utf8_word +
                                           "\nUnknown variable: " + exactly_64 + "\n");
    kelvo::restore_loaded_state();
}

TEST_F(Cli, DoubleDashEndsTheOptions) {
    put("-o", "abs 1\n");
    const Outcome o = run({"--", "-o"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "abs(1)\n");
}

TEST_F(Cli, HelpAndVersion) {
    for (const char* help : {"--help", "-h"}) {
        const Outcome o = run({"bogus.txt", help});
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.err, "");
        EXPECT_TRUE(o.out.starts_with("Usage: kelvo [OPTIONS] [FILE]\n"));
        for (const char* topic :
             {"<stdin>", "--define-string", "argument count", "Exit status", "  2  ", "-w, --no-warnings"}) {
            EXPECT_NE(o.out.find(topic), std::string::npos) << topic;
        }
    }
    const Outcome o = run({"--version"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "kelvo (KelvoScriptparser) " KELVO_VERSION "\n");
}


// Warnings are printed unless -w or --no-warnings turns them off; they
// change the exit status only with --warnings=error.
TEST_F(Cli, WarningsByDefaultAndErrorsOnlyWithWarningsError) {
    put("s.txt", "abs 1 else\nvar x 5\nvar x 7\n");
    const std::string warnings =
        "s.txt:1:7: warning: 'else' and the rest of the line are not translated: a line holds one term\n"
        "s.txt:3:5: warning: 'x' is already a variable: this 'var' declares nothing and its line stays empty\n";
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"s.txt"}, {"--warnings", "s.txt"}, {"-w", "--warnings", "s.txt"}}) {
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.err, warnings);
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-w", "s.txt"}, {"--no-warnings", "s.txt"}, {"s.txt", "--warnings=error", "-w"}}) {
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.err, "");
        EXPECT_EQ(o.out, "abs(1)\nx = 5\n\n");
    }
    Outcome o = run({"--warnings=error", "s.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, warnings);
    EXPECT_EQ(o.out, run({"s.txt"}).out);
    o = run({"-w", "--warnings=error", "s.txt"});
    EXPECT_EQ(o.status, 1);
    put("clean.txt", "abs 1\n");
    EXPECT_EQ(run({"--warnings=error", "clean.txt"}).status, 0);
    // Warnings beside a message: the message decides.
    put("both.txt", "bad\nabs 1 else\n");
    o = run({"both.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err,
              "both.txt:1:1: Unknown variable: bad\n"
              "both.txt:2:7: warning: 'else' and the rest of the line are not translated: a line holds one term\n");
    expect_file_failure(run({"--warnings=all", "s.txt"}),
                        "--warnings takes no value or =error, not 'all' (see kelvo --help)");
    expect_file_failure(run({"-w=1", "s.txt"}), "unknown option '-w=1' (see kelvo --help)");
    expect_file_failure(run({"--no-warnings=yes", "s.txt"}), "option --no-warnings takes no argument (see kelvo --help)");
}

// A newcomer's script of the first week: no mistake passes in silence, and
// what follows from a message is a note of it.
TEST_F(Cli, EveryMistakeOfAFirstWeekScriptIsReported) {
    put("week.kelvo",
    "var i 0\n"
    "while 1 = sign 10 - i\n"
    "{\n"
    "i += 1\n"
    "if 1 = 1\n"
    "{\n"
    "    // count\n"
    "message \"done\n"
    "print 80 10 scroe\n"
    "circle 10 20\n"
    "alpha 0.5\n"
    "y = y + 1\n"
    "function twice 1 n\n"
    "return n + n\n");
    const Outcome o = run({"week.kelvo"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err,
              "week.kelvo:2:19: warning: '-' and the rest of the line are not translated: an operator word joins a chain only after a declared variable, and '10' is none\n"
              "week.kelvo:2:19: note: declare the value first: `var limit 10`, then `sign limit - i`\n"
              "week.kelvo:7:5: warning: this line holds only blanks before its comment: it is translated as a line whose term is missing\n"
              "week.kelvo:7:5: note: start the comment in the first column: a line that holds only a comment from there makes no line at all\n"
              "week.kelvo:7:1: Unexpected symbol: \n"
              "week.kelvo:8:9: warning: this double quote is not closed on its line: the string runs on into the following lines, where ';' no longer ends a line\n"
              "week.kelvo:8:9: note: the string runs on into line 9 and to the end of the file: from there on, a ';' ends a line only outside the strings as the quotes pair up across the lines\n"
              "week.kelvo:8:9: Unknown variable: \"done\n"
              "week.kelvo:8:1: note: so the first operand of 'message' is empty in the host text: the engine rejects the call\n"
              "week.kelvo:9:13: Unknown variable: scroe\n"
              "week.kelvo:9:1: note: so operand 3 of 'print' is 0 in the host text (Wrong number of arguments to function or script.)\n"
              "week.kelvo:10:13: Unexpected symbol: \n"
              "week.kelvo:10:1: note: 'circle' takes 4 operands (x y r outline); this line gives it 2\n"
              "week.kelvo:10:1: note: so operand 3 of 'circle' is 0 in the host text (Wrong number of arguments to function or script.)\n"
              "week.kelvo:10:13: note: operand 4 of 'circle' finds no word either (Unexpected symbol: )\n"
              "week.kelvo:10:1: note: so operand 4 of 'circle' is 0 in the host text (Wrong number of arguments to function or script.)\n"
              "week.kelvo:11:7: Unknown variable: 0.5\n"
              "week.kelvo:11:7: note: '0.5' is no number: numbers are unsigned whole numbers (see docs/guide.md#write-a-negative-number-or-a-fraction)\n"
              "week.kelvo:11:1: note: so the first operand of 'alpha' is empty in the host text: the engine rejects the call\n"
              "week.kelvo:12:1: Unknown variable: y\n"
              "week.kelvo:12:1: note: 'y' is no variable: an operator word joins a chain only after a declared one; declare it first, as 'var y 0'\n"
              "week.kelvo:12:3: note: '=' and the rest of the line are not translated: a line holds one term\n"
              "week.kelvo:14:10: warning: '+' and the rest of the line are not translated: an operator word joins a chain only after a declared variable, and 'n' is none\n"
              "week.kelvo:14:10: note: declare the value first: `var limit n`, then `return limit + n`\n"
              "week.kelvo:3:1: warning: this '{' is not closed by the end of the file: the block stays open in the host script\n"
              "week.kelvo:3:1: note: close it with a '}' on a line of its own\n"
              "week.kelvo:6:1: warning: this '{' is not closed by the end of the file: the block stays open in the host script\n"
              "week.kelvo:6:1: note: close it with a '}' on a line of its own\n"
              "week.kelvo:13:1: the definition of 'twice' is still open at the end of the file: it is not emitted, and it takes in the lines of the next run up to an 'end'\n");
}

TEST_F(Cli, NotesFollowTheirMessageAndDoNotChangeTheStatus) {
    put("s.txt", "var speed 1\nspeeed\nif 1 < 2\n");
    Outcome o = run({"s.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err,
              "s.txt:2:1: Unknown variable: speeed\n"
              "s.txt:2:1: note: did you mean 'speed'?\n"
              "s.txt:3:6: Unknown variable: <\n"
              "s.txt:3:6: is not operator help:'if var0 operator var1'\n"
              "s.txt:3:6: note: the language has no comparison words: '<' is none of the operator words "
              "+ - * / % = += -= *= /=\n");
    EXPECT_EQ(run({"-q", "s.txt"}).err, "");
    put("ok.txt", "var speed 1\nspeed = 2\n");
    EXPECT_EQ(run({"ok.txt"}).status, 0);
}

// The source line and a caret under the column, a tilde under the rest of
// the word; tabs stay tabs so the caret lines up, and a long line shows the
// part around its column.
TEST_F(Cli, ShowSourcePutsACaretUnderTheWord) {
    put("s.txt", "abs 1\n\tmessage zzz // note\r\ncircle 1 2\n" + std::string(300, ' ') + "qqq\n");
    const Outcome o = run({"--show-source", "s.txt"});
    const std::string far_part = "..." + std::string(60, ' ') + "qqq";
    EXPECT_EQ(o.err,
              "s.txt:2:10: Unknown variable: zzz\n"
              "\tmessage zzz // note\n"
              "\t        ^~~\n"
              "s.txt:2:2: note: so the first operand of 'message' is empty in the host text: the engine rejects the call\n"
              "\tmessage zzz // note\n"
              "\t^~~~~~~\n"
              "s.txt:3:11: Unexpected symbol: \n"
              "circle 1 2\n"
              "          ^\n"
              "s.txt:3:1: note: 'circle' takes 4 operands (x y r outline); this line gives it 2\n"
              "circle 1 2\n"
              "^~~~~~\n"
              "s.txt:3:1: note: so operand 3 of 'circle' is 0 in the host text (Wrong number of arguments to function or "
              "script.)\n"
              "circle 1 2\n"
              "^~~~~~\n"
              "s.txt:3:11: note: operand 4 of 'circle' finds no word either (Unexpected symbol: )\n"
              "circle 1 2\n"
              "          ^\n"
              "s.txt:3:1: note: so operand 4 of 'circle' is 0 in the host text (Wrong number of arguments to function or "
              "script.)\n"
              "circle 1 2\n"
              "^~~~~~\n"
              "s.txt:4:301: Unknown variable: qqq\n" +
                  far_part + "\n" + std::string(63, ' ') + "^~~\n");
    EXPECT_EQ(run({"--no-show-source", "s.txt"}).err.find('^'), std::string::npos);
}

TEST_F(Cli, ShowSourceLeavesOutAByteOrderMark) {
    put("s.txt", "\xEF\xBB\xBFmessage zz\n");
    EXPECT_EQ(run({"--show-source", "s.txt"}).err,
              "s.txt:1:9: Unknown variable: zz\n"
              "message zz\n"
              "        ^~\n"
              "s.txt:1:1: note: so the first operand of 'message' is empty in the host text: the engine rejects the call\n"
              "message zz\n"
              "^~~~~~~\n");
}

TEST_F(Cli, ColoursOnlyWhenAsked) {
    put("s.txt", "zz\nabs 1 else\n");
    const std::string plain = run({"--warnings", "s.txt"}).err;
    EXPECT_EQ(plain.find('\x1b'), std::string::npos);
    EXPECT_EQ(run({"--warnings", "--color=never", "s.txt"}).err, plain);
    const std::string coloured = run({"--warnings", "--color=always", "s.txt"}).err;
    EXPECT_EQ(coloured,
              "\x1b[1ms.txt:1:1:\x1b[0m \x1b[1;31mUnknown variable: zz\x1b[0m\n"
              "\x1b[1ms.txt:2:7:\x1b[0m \x1b[1;35mwarning:\x1b[0m 'else' and the rest of the line are not "
              "translated: a line holds one term\n");
    EXPECT_EQ(run({"--warnings", "--color", "s.txt"}).err, coloured);
    expect_file_failure(run({"--color=sometimes", "s.txt"}),
                        "--color takes auto, always or never, not 'sometimes' (see kelvo --help)");
}

TEST_F(Cli, ListsTheTablesAsMarkdown) {
    const Outcome keywords = run({"--list-keywords"});
    EXPECT_EQ(keywords.status, 0);
    EXPECT_TRUE(keywords.out.starts_with("| Keyword and operands | Operands | Host text | Remark |\n|---|---|---|---|\n"
                                         "| `line x1 y1 x2 y2` | 4 | `draw_line(x1,y1,x2,y2)` |  |\n"))
        << keywords.out;
    EXPECT_NE(keywords.out.find("| `circle x y r outline` | 4 | `draw_circle(x,y,r,outline)` |"), std::string::npos);
    EXPECT_NE(keywords.out.find("| `exit` | 0 | `game_end()` |"), std::string::npos);
    EXPECT_NE(keywords.out.find("| `function name count parameter...` | 2 + count |"), std::string::npos);
    const Outcome constants = run({"--list-constants"});
    EXPECT_TRUE(constants.out.starts_with("| Name | Text |\n|---|---|\n| `true` | `1` |\n")) << constants.out;
    EXPECT_NE(constants.out.find("| `gold` | `55295` |"), std::string::npos);
}

}  // namespace

namespace {

// --locate: the host place as an engine names it, the source place it comes
// from. Host text of locate.txt:
//   1 f='p=argument0      (f=' from f on line 1, the prologue line from p)
//   2 return(p)
//   3 '                   (from no source line)
//   4 12='                (12=' from 12 on line 5; its body is the end line's)
//   5 '
//   6                     (the function line of f)
//   7 show_message(execute_string(f,2))
//   8                     (the function line of 12; its end stays open)
struct LocateCase {
    const char* where;
    int status;
    const char* out;
};

const char* const locate_source =
    "function f 1 p\n"
    "return p\n"
    "end\n"
    "message f 2\n"
    "function 12 0; end\n";

const LocateCase locate_cases[] = {
    {"1", 0, "locate.txt:1:10: note: host line 1 comes from here\n"},
    {"1:4", 0, "locate.txt:1:14: note: host line 1, column 4 comes from here\n"},
    {"2:8", 0, "locate.txt:2:8: note: host line 2, column 8 comes from here\n"},
    {"3", 1, "locate.txt: note: host line 3 comes from no source line\n"},
    {"4", 0, "locate.txt:5:10: note: host line 4 comes from here\n"},
    {"5", 1, "locate.txt: note: host line 5 comes from no source line\n"},
    {"6", 0, "locate.txt:1:1: note: host line 6 comes from here\n"},
    {"7:14", 0, "locate.txt:4:9: note: host line 7, column 14 comes from here\n"},
    {"7:99", 0, "locate.txt:4:1: note: host line 7, column 99 comes from here\n"},
    {"8", 0, "locate.txt:5:1: note: host line 8 comes from here\n"},
    {"9", 1, "locate.txt: note: the host script has no line 9\n"},
    {"f:1", 0, "locate.txt:1:14: note: line 1 of script f comes from here\n"},
    {"f:2:2", 0, "locate.txt:2:1: note: line 2, column 2 of script f comes from here\n"},
    {"f:3", 1, "locate.txt: note: the body of script f has no line 3\n"},
    {"g:1", 1, "locate.txt: note: the host script defines no script g\n"},
    {"12:1:1", 0, "locate.txt:3:1: note: line 1, column 1 of script 12 comes from here\n"},
};

}  // namespace

TEST_F(Cli, LocateNamesTheSourcePlaceOfAHostPlace) {
    put("locate.txt", locate_source);
    ASSERT_EQ(run({"locate.txt"}).out,
              "f='p=argument0\nreturn(p)\n'\n12='\n'\n\nshow_message(execute_string(f,2))\n\n");
    for (const LocateCase& c : locate_cases) {
        SCOPED_TRACE(c.where);
        const Outcome o = run({"--locate", c.where, "--no-show-source", "locate.txt"});
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.out, c.out);
        EXPECT_EQ(o.err, "");
    }
    // With the source line and a caret under the whole word, by default.
    EXPECT_EQ(run({"--locate", "7:14", "locate.txt"}).out,
              "locate.txt:4:9: note: host line 7, column 14 comes from here\nmessage f 2\n        ^\n");
    EXPECT_EQ(run({"--locate", "1", "locate.txt"}).out,
              "locate.txt:1:10: note: host line 1 comes from here\nfunction f 1 p\n         ^\n");
}

TEST_F(Cli, SourceMapBesideTheHostScriptAndTheMessagesStillPrinted) {
    put("m.txt", "message 1\nbad\n");
    const Outcome o = run({"m.txt", "-o", "m.host", "--source-map", "maps/m.map"});
    EXPECT_EQ(o.status, 2);  // the folder maps/ does not exist
    EXPECT_EQ(o.err, "m.txt:2:1: Unknown variable: bad\nkelvo: cannot write maps/m.map: No such file or directory\n");
    const Outcome written = run({"m.txt", "-o", "m.host", "--source-map", "m.map"});
    EXPECT_EQ(written.status, 1);
    EXPECT_EQ(written.err, "m.txt:2:1: Unknown variable: bad\n");
    EXPECT_EQ(get("m.host"), "show_message(1)\n\n");
    EXPECT_EQ(get("m.map"),
              "{\"version\":3,\"file\":\"m.host\",\"sources\":[\"m.txt\"],"
              "\"sourcesContent\":[\"message 1\\nbad\\n\"],\"names\":[\"message\"],"
              "\"mappings\":\"AAAAA,aAAQ,CAARA;AACA\"}\n");
}

// ---- kelvo --run, against the hand-written cases of tests/run/ ---------------

namespace {

// A case: a script (a file of the source tree, or a text), the options, and
// what the tool must print and write (tests/run/README.md).
struct RunCase {
    std::string file;
    int line = 0;
    std::string name;
    std::string script_name = "s.kelvo";
    std::string script;
    std::vector<std::string> args;
    int status = 0;
    std::string out;
    std::string err;
    std::string frame;  // a file of the source tree the frame must equal, if any
};

void PrintTo(const RunCase& c, std::ostream* out) { *out << c.file << ":" << c.line << ": " << c.name; }

std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(kelvo::test::unescape(word));
    return words;
}

void read_run_heading(RunCase& c, const std::string& line, const std::vector<std::string>& block) {
    const std::vector<std::string> words = words_of(line);
    const std::string& word = words.at(0);
    if (word == "file" && words.size() == 2) {
        c.script_name = fs::path(words[1]).filename().string();
        c.script = slurp(fs::path(KELVO_SOURCE_DIR) / words[1]);
    } else if (word == "source") {
        c.script = kelvo::test::CaseFile::text_of(block);
    } else if (word == "args") {
        c.args.assign(words.begin() + 1, words.end());
    } else if (word == "status" && words.size() == 2) {
        c.status = std::stoi(words[1]);
    } else if (word == "stdout") {
        c.out = kelvo::test::CaseFile::text_of(block);
    } else if (word == "stderr") {
        c.err = kelvo::test::CaseFile::text_of(block);
    } else if (word == "frame" && words.size() == 2) {
        c.frame = words[1];
    } else {
        throw std::runtime_error("not a heading of a run case: " + line);
    }
}

std::vector<RunCase> load_run_cases(const fs::path& path) {
    return kelvo::test::load_cases<RunCase>(path, read_run_heading);
}

std::vector<RunCase> all_run_cases() { return kelvo::test::cases_in(KELVO_RUN_CASES_DIR, load_run_cases); }

class RunTable : public Cli, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunTable, PrintsAndWritesWhatTheCaseSays) {
    const RunCase& c = GetParam();
    put(c.script_name, c.script);
    std::vector<std::string> args = c.args;
    if (!c.frame.empty()) args.insert(args.end(), {"--frame", "frame.svg"});
    args.push_back(c.script_name);
    const Outcome o = run(args);
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(o.err, c.err);
    EXPECT_EQ(o.status, c.status);
    if (!c.frame.empty()) {
        ASSERT_TRUE(has("frame.svg"));
        // Written afresh, the frame is the one committed beside the examples.
        EXPECT_TRUE(get("frame.svg") == slurp(fs::path(KELVO_SOURCE_DIR) / c.frame))
            << "frame.svg differs from " << c.frame << ":\n" << get("frame.svg");
    }
}

std::string run_case_name(const ::testing::TestParamInfo<RunCase>& info) {
    std::string name = fs::path(info.param.file).stem().string() + "_" + info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, RunTable, ::testing::ValuesIn(all_run_cases()), run_case_name);

// Every example runs in a case of its own, and has its frame committed
// beside it and checked there.
TEST(RunTableCover, EveryExampleRunsWithItsFrame) {
    const std::vector<RunCase> cases = all_run_cases();
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(KELVO_SOURCE_DIR) / "examples")) {
        if (entry.path().extension() != ".kelvo") continue;
        const std::string name = entry.path().filename().string();
        const std::string frame = "examples/frames/" + entry.path().stem().string() + ".svg";
        const bool covered = std::any_of(cases.begin(), cases.end(), [&](const RunCase& c) {
            return c.script_name == name && c.frame == frame && !c.out.empty();
        });
        EXPECT_TRUE(covered) << name << " has no case in tests/run/ that runs it with its frame " << frame;
    }
}

}  // namespace
