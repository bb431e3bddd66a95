#include <gtest/gtest.h>

#include <string>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "library/run.h"
#include "scratch_directory.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

using TranslationRun = TranslatorTest;

TEST_F(TranslationRun, SkipsBareLineFeedsAndTranslatesBlankLines) {
    EXPECT_EQ(translate("\n// only a comment\n\n"), "");
    EXPECT_EQ(translate("abs 1\n\nabs 2"), "abs(1)\nabs(2)\n");
    EXPECT_EQ(translate("  \nabs 1 2 3\n"), "\nabs(1)\n");
    EXPECT_EQ(errors(), "Unexpected symbol: \n");
}

TEST_F(TranslationRun, PutsDefinitionsAheadOfTheMainCode) {
    EXPECT_EQ(translate("m1\nfunction a 0\nabs 1\nend\nfunction b 0\nend\nm2\n"),
              "a='abs(1)\n'\nb='\n'\n\n\n\n\n");
    EXPECT_EQ(errors(), "Unknown variable: m1\nUnknown variable: m2\n");
}

TEST_F(TranslationRun, StringGlobalsSurviveRunsAndEmptyUndefines) {
    Parser_add_global_arg_string("who", "Ann");
    EXPECT_EQ(translate("who\n"), "\"Ann\"\n");
    EXPECT_EQ(translate("who\n"), "\"Ann\"\n");
    Parser_add_global_arg_string("who", "");
    EXPECT_EQ(translate("who\n"), "\n");
    EXPECT_EQ(errors(), "Unknown variable: who\n");
}

TEST_F(TranslationRun, RealGlobalsSurviveRunsAndWinOverBuiltIns) {
    Parser_add_global_arg_real("speed", "2.5");
    Parser_add_global_arg_real("red", "7");
    EXPECT_EQ(translate("speed\nred\n"), "2.5\n7\n");
    EXPECT_EQ(translate("speed\nred\n"), "2.5\n7\n");
    Parser_add_global_arg_real("red", "");
    EXPECT_EQ(translate("red\nvar red 1\n"), "\nred = 1\n");
    EXPECT_EQ(errors(), "Unknown variable: red\n");
}

TEST_F(TranslationRun, VariablesLastOneRun) {
    EXPECT_EQ(translate("var x 5\nx = 1\n"), "x = 5\nx=1\n");
    EXPECT_EQ(translate("x = 1\n"), "\n");
    EXPECT_EQ(errors(), "Unknown variable: x\n");
}

TEST_F(TranslationRun, ScriptSignaturesSurviveRunsButBodiesDoNot) {
    translate("function f 1 a\nreturn a\nend\n");
    EXPECT_EQ(translate("f 3\n"), "execute_string(f,3)\n");
}

TEST_F(TranslationRun, ErrorTextAccumulatesAcrossRuns) {
    translate("a\n");
    translate("b\n");
    EXPECT_EQ(std::string(Parser_last_error()), "Unknown variable: a\nUnknown variable: b\n");
}

// Megabytes of messages, in two runs of which the second reads its source
// from a file in pieces: every message once, in order, the first run's kept.
TEST_F(TranslationRun, MegabytesOfMessagesKeepEveryOneInOrder) {
    std::string source;
    std::string expected;
    for (int i = 0; i < 40000; ++i) {
        const std::string name = "zz" + std::to_string(i % 10);
        source += "print 0 0 " + name + "\nabs 1\n";
        expected += "Unknown variable: " + name + "\nWrong number of arguments to function or script.\n";
    }
    ASSERT_GT(expected.size(), std::size_t{2} << 20);
    translate(source);
    EXPECT_TRUE(errors() == expected);
    ScratchDirectory scratch;
    ScratchDirectory::write("test.txt", source);
    kelvo::translate_file("test.txt", 4096);
    EXPECT_TRUE(errors() == expected);
    EXPECT_TRUE(state.error_text == expected + expected);
}

TEST_F(TranslationRun, UnreadableSourceIsReportedAndTranslatesAsEmpty) {
    EXPECT_EQ(kelvo::translate(std::nullopt), "");
    EXPECT_EQ(errors(), "Cannot open source file: test.txt\n");
}

TEST_F(TranslationRun, DiagnosticsNameThePhysicalLine) {
    translate("a;b\n\n// c\nabs\n");
    const auto& messages = recorder.messages;
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].position.line, 1u);
    EXPECT_EQ(messages[1].position.line, 1u);
    EXPECT_EQ(messages[2].position.line, 4u);
    EXPECT_EQ(messages[3].position.line, 4u);  // the notes on `abs`, which lacks its operand
    EXPECT_EQ(messages[4].position.line, 4u);
    EXPECT_EQ(messages[1].text, "Unknown variable: b");
}

TEST_F(TranslationRun, NullArgumentsAreEmptyTexts) {
    EXPECT_EQ(Parser_add_global_arg_string(nullptr, "x"), 0.0);
    EXPECT_EQ(Parser_add_global_arg_real("who", nullptr), 0.0);
    Parser_add_global_arg_string("who", "Ann");
    EXPECT_EQ(translate("who\n"), "\"Ann\"\n");  // an empty constant falls through to the string
}

}  // namespace
}  // namespace kelvo::test
