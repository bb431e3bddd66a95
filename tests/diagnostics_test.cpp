// What a listening tool hears of a run: where each message points, the
// warnings for the language's silent traps and the notes after a report.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "library/run.h"
#include "library/session.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

using namespace std::string_literals;

// A report as the table below writes it: its kind, place, word length and
// the start of its text.
struct Expected {
    Severity severity;
    std::size_t line;
    std::size_t column;
    std::size_t length;
    std::string text;  // the report's text starts with this
};

constexpr Severity E = Severity::error;
constexpr Severity W = Severity::warning;
constexpr Severity N = Severity::note;

struct Case {
    const char* what;
    std::string source;
    std::vector<Expected> reports;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

std::string describe(const Recorder::Message& m) {
    const char* kind = m.severity == E ? "error" : m.severity == W ? "warning" : "note";
    return std::string(kind) + " " + std::to_string(m.position.line) + ":" + std::to_string(m.position.column) +
           " (" + std::to_string(m.length) + ") " + m.text;
}

class Reports : public TranslatorTest, public ::testing::WithParamInterface<Case> {};

TEST_P(Reports, PointAtTheirWord) {
    const Case& c = GetParam();
    Parser_add_global_arg_real("minus", "-2");
    Parser_add_global_arg_string("player", "Ann");
    translate(c.source);
    const auto& got = recorder.messages;
    std::string all;
    for (const auto& m : got) all += describe(m) + "\n";
    ASSERT_EQ(got.size(), c.reports.size()) << all;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Expected& e = c.reports[i];
        EXPECT_EQ(got[i].severity, e.severity) << i << ": " << all;
        EXPECT_EQ(got[i].position.line, e.line) << i << ": " << all;
        EXPECT_EQ(got[i].position.column, e.column) << i << ": " << all;
        EXPECT_EQ(got[i].length, e.length) << i << ": " << all;
        EXPECT_EQ(got[i].text.substr(0, e.text.size()), e.text) << i << ": " << all;
    }
}

const std::string nested_1001 = [] {
    std::string line;
    for (int i = 0; i < 1000; ++i) line += "abs ";
    return line + "1\n";
}();

INSTANTIATE_TEST_SUITE_P(
    EveryMessage, Reports,
    ::testing::Values(
        Case{"unknown word", "abs 1\n  zz\n", {{E, 2, 3, 2, "Unknown variable: zz"}}},
        Case{"missing operands of a call",
             "circle 1 2\n",
             // The keyword's note once, after the first message; what follows
             // from the missing words, as notes of them.
             {{E, 1, 11, 0, "Unexpected symbol: "},
              {N, 1, 1, 6, "'circle' takes 4 operands (x y r outline); this line gives it 2"},
              {N, 1, 1, 6, "so operand 3 of 'circle' is 0 in the host text (Wrong number of arguments to function or script.)"},
              {N, 1, 11, 0, "operand 4 of 'circle' finds no word either (Unexpected symbol: )"},
              {N, 1, 1, 6, "so operand 4 of 'circle' is 0 in the host text (Wrong number"}}},
        Case{"missing term past trailing blanks and a comment",
             "abs   // why\n",
             {{E, 1, 4, 0, "Unexpected symbol: "},
              {N, 1, 1, 3, "'abs' takes 1 operand (x); this line gives it 0"},
              {N, 1, 1, 3, "so the first operand of 'abs' is empty in the host text: the engine rejects the call"}}},
        Case{"missing argument of a script call",
             "function f 2 a b\nend\n f 1\n",
             {{E, 3, 5, 0, "Unexpected symbol: "},
              {N, 3, 2, 1, "'f' takes 2 operands (a b); this line gives it 1"},
              {N, 3, 2, 1, "so argument 2 of 'f' is empty in the host text: the engine rejects the call (Wrong number"}}},
        Case{"short parameter list", "  function g 2 a\n", {{E, 1, 3, 8, "Wrong number of arguments"}}},
        Case{"no operator in a condition", "if 1 abs 2 3\n", {{E, 1, 6, 3, "is not operator help:'if"}}},
        Case{"no operator left in a condition",
             "while 1\n",
             {{E, 1, 8, 0, "Unexpected symbol: "},
              {N, 1, 1, 5, "'while' takes 3 operands (left operator right); this line gives it 1"},
              {E, 1, 8, 0, "is not operator help:'while"},
              {N, 1, 8, 0, "operand 3 of 'while' finds no word either (Unexpected symbol: )"}}},
        Case{"negative count", "function g minus a\nend\n", {{E, 1, 12, 5, "Negative function argument size"}}},
        Case{"nesting limit", nested_1001, {{E, 1, 4001, 1, "Nesting too deep"}}},
        Case{"after a semicolon", "a; zz\n",
             {{E, 1, 1, 1, "Unknown variable: a"}, {E, 1, 4, 2, "Unknown variable: zz"}}},
        Case{"second physical line of a continued line",
             "var x 4\nx = x /\n  nope\n",
             {{E, 3, 3, 4, "Unknown variable: nope"}}},
        Case{"CR LF", "abs 1\r\nzz\r\n", {{E, 2, 1, 2, "Unknown variable: zz"}}},
        Case{"after a comment that a zero byte ends", "abs //c\0zz\n"s,
             {{E, 1, 8, 3, "Unknown variable: \0zz"s}, {N, 1, 1, 3, "so the first operand of 'abs' is empty"}}},
        Case{"a word around a comment that a zero byte ends: its whole span", "\"//\0\n"s,
             {{W, 1, 2, 2, "'//' starts a comment also inside"},
              {W, 1, 1, 1, "this double quote is not closed"},
              {N, 1, 1, 1, "the string runs on into line 2 and to the end of the file: from there on, a ';' ends a line"},
              {E, 1, 1, 4, "Unknown variable: \"\0"s}}},
        Case{"a tab is one byte", "\tzz\n", {{E, 1, 2, 2, "Unknown variable: zz"}}}));

INSTANTIATE_TEST_SUITE_P(
    EveryWarning, Reports,
    ::testing::Values(
        Case{"words after the term", "{\n} else\n", {{W, 2, 3, 4, "'else' and the rest of the line"}}},
        Case{"no words after the term", "{\n}\nabs 1\nelse\n", {}},
        Case{"variable takes the operator",
             "var x 0\nif x = 1\n",
             {{W, 2, 4, 1, "'x = 1' is one operand"},
              {E, 2, 9, 0, "Unexpected symbol"},
              {N, 2, 1, 2, "'if' takes 3 operands (left operator right); this line gives it 1"},
              {E, 2, 9, 0, "is not operator"},
              {N, 2, 9, 0, "operand 3 of 'if' finds no word either"}}},
        Case{"operator before the variable", "var x 0\nif 1 = x\nwhile x\n",
             {{E, 3, 8, 0, "Unexpected symbol"},
              {N, 3, 1, 5, "'while' takes 3 operands (left operator right); this line gives it 1"},
              {E, 3, 8, 0, "is not operator"},
              {N, 3, 8, 0, "operand 3 of 'while' finds no word either"}}},
        Case{"quote runs on", "message \"abc\nabs 1\n",
             {{W, 1, 9, 1, "this double quote is not closed"},
              {N, 1, 9, 1, "the string runs on into line 2 and to the end of the file: from there on, a ';' ends a line only outside the "
                           "strings as the quotes pair up across the lines"},
              {E, 1, 9, 4, "Unknown variable: \"abc"},
              {N, 1, 1, 7, "so the first operand of 'message' is empty"}}},
        Case{"quote closed, or open only at the end", "message \"abc\"\nmessage \"abc",
             {{E, 2, 9, 4, "Unknown"}, {N, 2, 1, 7, "so the first operand"}}},
        Case{"comment inside a string",
             "message \"a // b\"\n",
             {{W, 1, 12, 2, "'//' starts a comment also inside"},
              {W, 1, 9, 1, "this double quote is not closed"},
              {N, 1, 9, 1, "the string runs on into line 2"},
              {E, 1, 9, 2, "Unknown variable: \"a"},
              {N, 1, 1, 7, "so the first operand"}}},
        Case{"slash and comment outside a string", "message \"a / b\"\nabs 1 // two\n", {}},
        Case{"var refuses a declared name", "var x 5\nvar x 7\n", {{W, 2, 5, 1, "'x' is already a variable"}}},
        Case{"var refuses a constant, a keyword, a global", "var pi 3\nvar if 1\nvar player 1\nvar minus 1\n",
             {{W, 1, 5, 2, "'pi' is a constant"},
              {W, 2, 5, 2, "'if' is a keyword"},
              {W, 3, 5, 6, "'player' is a global argument"},
              {W, 4, 5, 5, "'minus' is a global argument"}}},
        Case{"function refuses the first script's name",
             "function f 0\nend\nfunction f 1 a\nend\n",
             {{W, 3, 10, 1, "'f' is the first script of this run"}}},
        Case{"var takes a free name", "var y 7\nfunction g 0\nend\n", {}},
        Case{"function inside an open definition",
             "function f 0\n function g 0\nend\n",
             {{W, 2, 2, 8, "'function' inside the open definition of 'f'"}}},
        Case{"definitions one after another", "function f 0\nend\nfunction g 0\nend\n", {}},
        Case{"definition left open",
             "abs 1\n  function f 0\nabs 2\n",
             {{E, 2, 3, 8, "the definition of 'f' is still open"}}},
        Case{"definition closed again by a short parameter list", "function f 2 a\nabs 1\n",
             {{E, 1, 1, 8, "Wrong number"}}}));

INSTANTIATE_TEST_SUITE_P(
    EveryNote, Reports,
    ::testing::Values(
        Case{"a keyword", "cirlce 1 2 3 4\n",
             {{E, 1, 1, 6, "Unknown variable: cirlce"},
              {N, 1, 1, 6, "did you mean 'circle'?"},
              {W, 1, 8, 1, "'1' and the rest"}}},
        Case{"a constant in another case", "Red\n",
             {{E, 1, 1, 3, "Unknown variable: Red"}, {N, 1, 1, 3, "did you mean 'red'?"}}},
        Case{"a variable declared before", "var speed 1\nspeeed\n",
             {{E, 2, 1, 6, "Unknown variable"}, {N, 2, 1, 6, "did you mean 'speed'?"}}},
        Case{"not a variable declared after", "speeed\nvar speed 1\n", {{E, 1, 1, 6, "Unknown variable"}}},
        Case{"a script", "function bounce 0\nend\nbounse\n",
             {{E, 3, 1, 6, "Unknown variable"}, {N, 3, 1, 6, "did you mean 'bounce'?"}}},
        Case{"a global argument", "playr\n", {{E, 1, 1, 5, "Unknown variable"}, {N, 1, 1, 5, "did you mean 'player'?"}}},
        Case{"nothing close", "zz\nqqqqqq\n", {{E, 1, 1, 2, "Unknown"}, {E, 2, 1, 6, "Unknown"}}},
        Case{"no comparison words",
             "if 1 < 2\n",
             {{E, 1, 6, 1, "Unknown variable: <"},
              {E, 1, 6, 1, "is not operator"},
              {N, 1, 6, 1, "the language has no comparison words: '<'"}}},
        Case{"== is none either",
             "while 1 == 2\n",
             {{E, 1, 9, 2, "Unknown variable: =="},
              {E, 1, 9, 2, "is not operator"},
              {N, 1, 9, 2, "the language has no comparison words: '=='"}}},
        Case{"no note for other words", "if 1 zz 2\n",
             {{E, 1, 6, 2, "Unknown variable: zz"}, {E, 1, 6, 2, "is not operator"}}}));

// The notes that explain a message: each after the message it explains.
INSTANTIATE_TEST_SUITE_P(
    ExplainingNotes, Reports,
    ::testing::Values(
        Case{"missing operands of a call inside a call",
             "circle 1 abs\n",
             {{E, 1, 13, 0, "Unexpected symbol"},
              {N, 1, 10, 3, "'abs' takes 1 operand (x); this line gives it 0"},
              {N, 1, 10, 3, "so the first operand of 'abs' is empty in the host text"},
              // The first operand that circle itself misses is a message of its own.
              {E, 1, 13, 0, "Unexpected symbol"},
              {N, 1, 1, 6, "'circle' takes 4 operands (x y r outline); this line gives it 2"},
              {N, 1, 1, 6, "so operand 3 of 'circle' is 0"},
              {N, 1, 13, 0, "operand 4 of 'circle' finds no word either"},
              {N, 1, 1, 6, "so operand 4 of 'circle' is 0"}}},
        Case{"an operand that is an unknown word is given",
             "circle 1 2 3 zz\n",
             {{E, 1, 14, 2, "Unknown variable: zz"},
              {N, 1, 1, 6, "so operand 4 of 'circle' is 0 in the host text (Wrong number of arguments to function or script.)"}}},
        Case{"a flow keyword of one operand", "repeat\n",
             {{E, 1, 7, 0, "Unexpected symbol"}, {N, 1, 1, 6, "'repeat' takes 1 operand (count); this line gives it 0"}}},
        Case{"no operand note for var", "var x\n", {{E, 1, 6, 0, "Unexpected symbol"}}},
        Case{"a script of this run, declared twice", "function f 1 a\nend\nfunction f 2 a b\nend\nf\n",
             {{W, 3, 10, 1, "'f' is the first script"},
              {E, 5, 2, 0, "Unexpected symbol"},
              {N, 5, 1, 1, "'f' takes 1 operand (a); this line gives it 0"},
              {N, 5, 1, 1, "so argument 1 of 'f' is empty in the host text: the engine rejects the call (Wrong number"}}},
        Case{"signed and decimal numbers",
             "message -1\nmessage +2\nmessage 3.5\nmessage .5\nmessage -0.25\nmessage 1.2.3\n",
             {{E, 1, 9, 2, "Unknown variable: -1"},
              {N, 1, 9, 2, "'-1' is no number: numbers are unsigned whole numbers (see "
                           "docs/guide.md#write-a-negative-number-or-a-fraction)"},
              {N, 1, 1, 7, "so the first operand of 'message' is empty"},
              {E, 2, 9, 2, "Unknown variable: +2"},
              {N, 2, 9, 2, "'+2' is no number"},
              {N, 2, 1, 7, "so the first operand"},
              {E, 3, 9, 3, "Unknown variable: 3.5"},
              {N, 3, 9, 3, "'3.5' is no number"},
              {N, 3, 1, 7, "so the first operand"},
              {E, 4, 9, 2, "Unknown variable: .5"},
              {N, 4, 9, 2, "'.5' is no number"},
              {N, 4, 1, 7, "so the first operand"},
              {E, 5, 9, 5, "Unknown variable: -0.25"},
              {N, 5, 9, 5, "'-0.25' is no number"},
              {N, 5, 1, 7, "so the first operand"},
              {E, 6, 9, 5, "Unknown variable: 1.2.3"},
              {N, 6, 1, 7, "so the first operand"}}},
        Case{"blocks close with a brace",
             "endif\nEndWhile\nfi\nmessage done\nendx\n",
             {{E, 1, 1, 5, "Unknown variable: endif"},
              {N, 1, 1, 5, "blocks close with '}'"},
              {E, 2, 1, 8, "Unknown variable: EndWhile"},
              {N, 2, 1, 8, "blocks close with '}'"},
              {E, 3, 1, 2, "Unknown variable: fi"},
              {N, 3, 1, 2, "blocks close with '}'"},
              {E, 4, 9, 4, "Unknown variable: done"},
              {N, 4, 9, 4, "blocks close with '}'"},
              {N, 4, 1, 7, "so the first operand of 'message' is empty"},
              {E, 5, 1, 4, "Unknown variable: endx"},
              {N, 5, 1, 4, "did you mean 'end'?"}}},
        Case{"host names",
             "message show_message\nmin\ndraw_vertex\n",
             {{E, 1, 9, 12, "Unknown variable: show_message"},
              {N, 1, 9, 12, "'show_message' is the host name of 'message'"},
              {N, 1, 1, 7, "so the first operand of 'message' is empty"},
              {E, 2, 1, 3, "Unknown variable: min"},
              {N, 2, 1, 3, "'min' is the host name of 'min2' and 'min3'"},
              {E, 3, 1, 11, "Unknown variable: draw_vertex"},
              {N, 3, 1, 11, "'draw_vertex' is the host name of 'vertex' and 'vertex_color'"}}},
        // pink (a colour), point and print are each one edit from pint.
        Case{"at a line's start a keyword of as many operands wins a tie",
             "pint 1 2 \"x y\"\npint 1 2\nmessage pint\n",
             {{E, 1, 1, 4, "Unknown variable: pint"},
              {N, 1, 1, 4, "did you mean 'print'?"},
              {W, 1, 6, 1, "'1' and the rest"},
              {E, 2, 1, 4, "Unknown variable: pint"},
              {N, 2, 1, 4, "did you mean 'point'?"},
              {W, 2, 6, 1, "'1' and the rest"},
              {E, 3, 9, 4, "Unknown variable: pint"},
              {N, 3, 9, 4, "did you mean 'pink'?"},
              {N, 3, 1, 7, "so the first operand of 'message' is empty"}}},
        Case{"a variable declared after its use",
             "message total\nzz\nabs 1 else\nvar total 0\nmessage total\n",
             {{E, 1, 9, 5, "Unknown variable: total"},
              {N, 1, 9, 5, "'total' is declared on line 4, after this use"},
              {N, 1, 1, 7, "so the first operand of 'message' is empty"},
              {E, 2, 1, 2, "Unknown variable: zz"},
              {W, 3, 7, 4, "'else' and the rest"}}},
        Case{"a script declared after its call", "  f\nfunction f 0\nend\n",
             {{E, 1, 3, 1, "Unknown variable: f"}, {N, 1, 3, 1, "'f' is declared on line 2, after this use"}}},
        Case{"the name a var line declares is not yet declared in its value", "var x x\n",
             {{E, 1, 7, 1, "Unknown variable: x"}}},
        Case{"a declaration after the use takes the place of the guess", "speeed\nvar speeed 1\nvar speed 2\nspeeed\n",
             {{E, 1, 1, 6, "Unknown variable: speeed"},
              {N, 1, 1, 6, "'speeed' is declared on line 2, after this use"}}},
        Case{"a quote left open shifts the quotes of later lines",
             "message \"see http://x.org\"\nmessage \"ok\"\n",
             // One warning, at the quote that opened the string; the second
             // line's quotes, though closed, go unwarned.
             {{W, 1, 19, 2, "'//' starts a comment"},
              {W, 1, 9, 1, "this double quote is not closed"},
              {N, 1, 9, 1, "the string runs on into line 2 and to the end of the file"},
              {E, 1, 9, 4, "Unknown variable: \"see"},
              {N, 1, 1, 7, "so the first operand"},
              {W, 1, 14, 5, "'http:' and the rest"}}},
        Case{"a comment in the string a quote left open",
             "message \"abc\nabs 1 // x\n\"\nabs 2 // y\n",
             {{W, 1, 9, 1, "this double quote is not closed"},
              {N, 1, 9, 1, "the string runs on into line 2 and ends on line 3: on lines 2 to 3, a ';' ends a line only outside"},
              {E, 1, 9, 4, "Unknown variable: \"abc"},
              {N, 1, 1, 7, "so the first operand"},
              {W, 2, 7, 2, "'//' starts a comment"},
              {E, 3, 1, 1, "Unknown variable: \""}}},
        Case{"a string that runs on into one line only",
             "message \"abc\nabs 1 \" abs 2\nmessage \"x\"\n",
             {{W, 1, 9, 1, "this double quote is not closed"},
              {N, 1, 9, 1, "the string runs on into line 2 and ends there: on that line, a ';' ends a line only outside the strings"},
              {E, 1, 9, 4, "Unknown variable: \"abc"},
              {N, 1, 1, 7, "so the first operand"},
              // The run reads line 2 afresh, its quote a word of its own.
              {W, 2, 7, 1, "'\"' and the rest"}}},
        Case{"two strings left open, far apart: a warning for each",
             "message \"a\n\"\nmessage 1\nmessage \"b\n",
             {{W, 1, 9, 1, "this double quote is not closed"},
              {N, 1, 9, 1, "the string runs on into line 2 and ends there"},
              {E, 1, 9, 2, "Unknown variable: \"a"},
              {N, 1, 1, 7, "so the first operand"},
              {E, 2, 1, 1, "Unknown variable: \""},
              {W, 4, 9, 1, "this double quote is not closed"},
              {N, 4, 9, 1, "the string runs on into line 5 and to the end of the file"},
              {E, 4, 9, 2, "Unknown variable: \"b"},
              {N, 4, 1, 7, "so the first operand"}}}));

// The traps a newcomer meets in the first week: each warning or note at its
// place, and what follows from a message as a note of it.
INSTANTIATE_TEST_SUITE_P(
    FirstWeek, Reports,
    ::testing::Values(
        Case{"a block left open", "repeat 2\n{\nabs 1\n",
             {{W, 2, 1, 1, "this '{' is not closed by the end of the file: the block stays open in the host script"},
              {N, 2, 1, 1, "close it with a '}' on a line of its own"}}},
        Case{"the outer of two blocks left open", "{\n {\n }\n",
             {{W, 1, 1, 1, "this '{' is not closed"}, {N, 1, 1, 1, "close it with a '}'"}}},
        Case{"a closer with no block open", "abs 1\n}\n{\n}\n",
             {{W, 2, 1, 1, "this '}' closes no block: the host script gets a '}' that closes nothing"},
              {N, 2, 1, 1, "remove it, or open the block it closes with a '{' on a line of its own"}}},
        Case{"blocks that close", "if 1 = 1\n{\n{\n}\n}\nwhile 1 = 1 {\n", {{W, 6, 13, 1, "'{' and the rest"}}},
        Case{"an operator word after a number inside an operand", "var i 0\nwhile 1 = sign 10 - i\n",
             {{W, 2, 19, 1, "'-' and the rest of the line are not translated: an operator word joins a chain only "
                            "after a declared variable, and '10' is none"},
              {N, 2, 19, 1, "declare the value first: `var limit 10`, then `sign limit - i`"}}},
        Case{"after a constant at the line's start", "pi * 2\n",
             {{W, 1, 4, 1, "'*' and the rest of the line are not translated: an operator word joins a chain only "
                           "after a declared variable, and 'pi' is none"},
              {N, 1, 4, 1, "declare the value first: `var limit pi`, then `limit * 2`"}}},
        Case{"after a string", "message \"a\" + 1\n",
             {{W, 1, 13, 1, "'+' and the rest of the line are not translated: an operator word joins a chain only "
                            "after a declared variable, and '\"a\"' is none"},
              {N, 1, 13, 1, "declare the value first: `var limit \"a\"`, then `message limit + 1`"}}},
        Case{"after a variable the chain goes on", "var x 1\nmessage x + 1\n", {}},
        Case{"a word left after a number that is no operator", "message 1 kb\n", {{W, 1, 11, 2, "'kb' and the rest of the line are not translated: a line holds one term"}}},
        Case{"an undeclared name before an operator word", "y = y + 1\n",
             {{E, 1, 1, 1, "Unknown variable: y"},
              {N, 1, 1, 1, "'y' is no variable: an operator word joins a chain only after a declared one; declare it "
                           "first, as 'var y 0'"},
              {N, 1, 3, 1, "'=' and the rest of the line are not translated: a line holds one term"}}},
        Case{"an empty text", "var short \"\"\nmessage short\n",
             {{E, 1, 11, 2, "Unknown variable: \"\""},
              {N, 1, 11, 2, "the language has no empty text: '\"\"' is read as a word, and a string holds at least "
                            "one character; a text of one blank is '\" \"' (see docs/guide.md#text)"},
              {E, 2, 9, 5, "Unknown variable: short"},
              {N, 2, 9, 5, "'short' got no value from its 'var' on line 1: a 'var' whose value is empty declares "
                           "nothing"},
              {N, 2, 1, 7, "so the first operand of 'message' is empty in the host text: the engine rejects the call"}}},
        Case{"a comment after blanks", "repeat 2\n{\n    // count\n}\n",
             {{W, 3, 5, 8, "this line holds only blanks before its comment: it is translated as a line whose term "
                           "is missing"},
              {N, 3, 5, 8, "start the comment in the first column: a line that holds only a comment from there "
                           "makes no line at all"},
              {E, 3, 1, 0, "Unexpected symbol: "}}},
        Case{"a comment in the first column, and after a term", "// one\nabs 1 // two\n", {}},
        Case{"an empty first operand that no message explains", "alpha end\n",
             {{W, 1, 7, 3, "this 'end' closes no definition: it stores one without a name, which the host text "
                           "writes as a line the engine rejects"},
              {W, 1, 1, 5, "the first operand of 'alpha' is empty in the host text: the engine rejects the call"},
              {N, 1, 1, 5, "give 'alpha' a first operand that translates: an unsigned number, a declared variable, a "
                           "constant, a string or a call"}}},
        Case{"a fraction as a first operand", "alpha 0.5\n",
             {{E, 1, 7, 3, "Unknown variable: 0.5"},
              {N, 1, 7, 3, "'0.5' is no number: numbers are unsigned whole numbers"},
              {N, 1, 1, 5, "so the first operand of 'alpha' is empty in the host text: the engine rejects the call"}}},
        Case{"an unknown word as a later operand", "print 80 10 scroe\n",
             {{E, 1, 13, 5, "Unknown variable: scroe"},
              {N, 1, 1, 5, "so operand 3 of 'print' is 0 in the host text (Wrong number of arguments to function or "
                           "script.)"}}},
        Case{"an end that closes no definition", "end\nmessage 1\n",
             {{W, 1, 1, 3, "this 'end' closes no definition: it stores one without a name, which the host text "
                           "writes as a line the engine rejects"}}},
        Case{"a definition left open is an error", "function twice 1 n\nreturn n\n",
             {{E, 1, 1, 8, "the definition of 'twice' is still open at the end of the file"}}}));

using Listening = TranslatorTest;

// A script of an earlier run: its operand count is known, its names not.
TEST_F(Listening, ScriptOfAnEarlierRunTellsItsOperandCount) {
    translate("function f 2 a b\nend\n");
    recorder.messages.clear();
    translate("f 1\n");
    ASSERT_EQ(recorder.messages.size(), 3u);
    EXPECT_EQ(recorder.messages[1].text, "'f' takes 2 operands; this line gives it 1");
}

// The notes decided at the run's end reach a listener of a session too, in
// the order of the reports, with the argument counts where they were.
TEST_F(Listening, HeldReportsKeepTheirOrderWithTheArgumentCounts) {
    struct Ordered final : Listener {
        std::string heard;
        void report(const Report& r) override { heard += report_text(r) + "\n"; }
        void argument_count(std::int32_t count, std::size_t) override { heard += std::to_string(count) + "\n"; }
    } ordered;
    restore_loaded_state();
    SessionOptions options;
    options.listener = &ordered;
    translate_source("bounce 3\nfunction bounce 1 n\nend\nzz\nfunction g 2 a b\nend\n", options);
    EXPECT_EQ(ordered.heard,
              "Unknown variable: bounce\n"
              "'bounce' is declared on line 2, after this use\n"
              "'3' and the rest of the line are not translated: a line holds one term\n"
              "1\n"
              "Unknown variable: zz\n"
              "2\n");
    EXPECT_EQ(state.listener, nullptr);
}

TEST_F(Listening, WarningsAndNotesLeaveTheErrorTextAsItIs) {
    const std::string source = "} else\nvar x 0\nif x = 1\ncirlce\nif 1 < 2\nmessage \"a // b\"\n";
    translate(source);
    const std::string heard = errors();
    state.listener = nullptr;
    translate(source);
    EXPECT_EQ(errors(), heard);
}

TEST_F(Listening, MessagesWithoutAWordHaveNoPlace) {
    kelvo::translate(std::nullopt);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].position.line, 0u);
    EXPECT_EQ(recorder.messages[0].text, "Cannot open source file: test.txt");
}

TEST_F(Listening, EachDistinctWordIsSearchedOnceAndOnlyTheFirstHundred) {
    std::string source;
    for (int i = 0; i < 150; ++i) source += "cirlce" + std::to_string(i) + "\nredd\n";
    translate(source);
    std::size_t notes = 0;
    for (const auto& m : recorder.messages) notes += m.severity == N ? 1 : 0;
    // "redd" is searched once and suggested each time; the numbered words
    // are searched until the hundred searches are spent.
    EXPECT_EQ(notes, 150u);
    EXPECT_EQ(state.run.suggestions.found.size(), SuggestionSearches::limit);
}

}  // namespace
}  // namespace kelvo::test
