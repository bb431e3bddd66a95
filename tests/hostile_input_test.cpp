// Sources that nobody writes on purpose: every byte value, zero bytes, lone
// carriage returns, the end-of-file byte, unterminated strings, giant lines,
// deep nesting through every path that nests, absurd counts, giant names.
#include <gtest/gtest.h>

#include <string>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "library/run.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

using HostileInput = TranslatorTest;

std::string byte_text(int value) { return std::string(1, static_cast<char>(value)); }

// What `abs B` gives for a byte B standing alone as its operand.
struct Expected {
    std::string result;
    std::string errors;
};

Expected abs_of_byte(int value) {
    const char b = static_cast<char>(value);
    switch (b) {
        case ' ': case '\t': case '\r': case '\n':  // whitespace: the operand is missing
        case ';':                                   // the line ends before the operand
        case '\x1a':                                // the input ends before the operand
            return {"abs()\n", "Unexpected symbol: \n"};
        case '0': case '1': case '2': case '3': case '4':
        case '5': case '6': case '7': case '8': case '9':  // a number
        case '+': case '-': case '*': case '/': case '%': case '=':  // an operator word
        case '{': case '}':                                            // fixed-text keywords
            return {"abs(" + byte_text(value) + ")\n", ""};
        default:  // every other byte, zero and bytes above 127 included, is an unknown word
            return {"abs()\n", "Unknown variable: " + byte_text(value) + "\n"};
    }
}

TEST_F(HostileInput, EveryByteValueAsAnOperand) {
    for (int value = 0; value < 256; ++value) {
        const Expected expected = abs_of_byte(value);
        EXPECT_EQ(translate("abs " + byte_text(value) + "\n"), expected.result) << "byte " << value;
        EXPECT_EQ(errors(), expected.errors) << "byte " << value;
    }
}

TEST_F(HostileInput, EveryByteValueInsideAQuotedString) {
    for (int value = 0; value < 256; ++value) {
        // A line feed ends the line even inside quotes, a quote ends the
        // string and the end-of-file byte ends the input: tested elsewhere.
        if (value == '\n' || value == '"' || value == 0x1a) continue;
        const std::string b = byte_text(value);
        EXPECT_EQ(translate("message \"a" + b + "z\"\n"), "show_message(\"a" + b + "z\")\n") << "byte " << value;
        EXPECT_EQ(errors(), "") << "byte " << value;
    }
}

TEST_F(HostileInput, EveryByteValueAloneOnALineLeavesNoTrace) {
    // A run over a line of one byte reports at most one whole message, and
    // the next line is translated as usual.
    for (int value = 0; value < 256; ++value) {
        const std::string result = translate(byte_text(value) + "\nabs 7\n");
        if (value == 0x1a) {
            EXPECT_EQ(result, "");
        } else if (value == '/') {  // a lone slash keeps the line feed after it: one line
            EXPECT_EQ(result, "/\n");
        } else {
            ASSERT_GE(result.size(), 7u) << "byte " << value;
            EXPECT_EQ(result.substr(result.size() - 7), "abs(7)\n") << "byte " << value;
        }
        const std::string messages = errors();
        EXPECT_TRUE(messages.empty() || messages.find('\n') == messages.size() - 1) << "byte " << value;
    }
}

TEST_F(HostileInput, ZeroBytesAreWordCharacters) {
    const std::string zero(1, '\0');
    EXPECT_EQ(translate("abs 1" + zero + zero + "\n"), "abs()\n");
    EXPECT_EQ(errors(), "Unknown variable: 1" + zero + zero + "\n");
    EXPECT_EQ(translate(std::string(5, '\0') + "\nabs 2\n"), "\nabs(2)\n");
    EXPECT_EQ(errors(), "Unknown variable: " + std::string(5, '\0') + "\n");
    // A zero byte ends a comment; the line goes on after it.
    EXPECT_EQ(translate("abs // c" + zero + " 3\n"), "abs()\n");
    EXPECT_EQ(errors(), "Unknown variable: " + zero + "\n");
    EXPECT_EQ(translate("message \"a" + zero + "b\"\n"), "show_message(\"a" + zero + "b\")\n");
    EXPECT_EQ(errors(), "");
}

TEST_F(HostileInput, LoneCarriageReturnsSeparateWordsButEndNoLine) {
    EXPECT_EQ(translate("abs\r1\n"), "abs(1)\n");
    EXPECT_EQ(translate("abs 1\rabs 2\n"), "abs(1)\n");
    EXPECT_EQ(translate("abs 1\r"), "abs(1)\n");
    EXPECT_EQ(translate("abs 1\r\r\nabs 2\r\n"), "abs(1)\nabs(2)\n");
    EXPECT_EQ(translate("\r"), "\n");
    EXPECT_EQ(errors(), "Unexpected symbol: \n");
}

TEST_F(HostileInput, EndOfFileByteEndsTheInput) {
    EXPECT_EQ(translate("abs 1\n\x1a" "abs 2\n"), "abs(1)\n");
    EXPECT_EQ(translate("abs 1\x1a 2\n"), "abs(1)\n");
    EXPECT_EQ(translate("\x1a"), "");
    EXPECT_EQ(translate("message \"a\x1a\"\n"), "show_message()\n");
    EXPECT_EQ(errors(), "Unknown variable: \"a\n");
}

TEST_F(HostileInput, UnterminatedQuotes) {
    EXPECT_EQ(translate("message \"abc\n"), "show_message()\n");
    EXPECT_EQ(errors(), "Unknown variable: \"abc\n");
    EXPECT_EQ(translate("message \"\"\"\n"), "show_message()\n");
    EXPECT_EQ(errors(), "Unknown variable: \"\"\"\n");
    EXPECT_EQ(translate("message \""), "show_message()\n");
    EXPECT_EQ(errors(), "Unknown variable: \"\n");
    // The quote stays open across lines, so a later `;` cuts nothing.
    EXPECT_EQ(translate("message \"abc\nabs 1;abs 2\n"), "show_message()\nabs()\n");
    EXPECT_EQ(errors(), "Unknown variable: \"abc\nUnknown variable: 1;abs\n");
}

TEST_F(HostileInput, HugeLineOfBlanks) {
    std::string source = "abs";
    source.append(100'000'000, ' ');
    source += "1\n";
    EXPECT_EQ(kelvo::translate(std::move(source)), "abs(1)\n");
    EXPECT_EQ(errors(), "");
}

TEST_F(HostileInput, HugeLineOfWords) {
    // 100 MB of words after the first term: dropped without a message.
    std::string source = "abs 1";
    source.reserve(100'000'010);
    while (source.size() < 100'000'000) source += " zz";
    source += "\nabs 2";
    EXPECT_EQ(kelvo::translate(std::move(source)), "abs(1)\nabs(2)\n");
    EXPECT_EQ(errors(), "");
}

TEST_F(HostileInput, HugeQuotedString) {
    std::string text(10'000'000, 'q');
    EXPECT_EQ(kelvo::translate("message \"" + text + "\"\n"), "show_message(\"" + text + "\")\n");
    EXPECT_EQ(errors(), "");
}

std::string repeated(std::string_view piece, int times) {
    std::string text;
    text.reserve(piece.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

TEST_F(HostileInput, HugeNestingThroughScriptArguments) {
    EXPECT_EQ(translate("function f 1 a\nend\n" + repeated("f ", 1'000'000) + "\nabs 1\n"),
              "f='a=argument0\n'\n\n\nabs(1)\n");
    EXPECT_EQ(errors(), "Nesting too deep\n");
}

TEST_F(HostileInput, HugeNestingThroughConditions) {
    EXPECT_EQ(translate(repeated("if ", 1'000'000) + "\nabs 1\n"), "\nabs(1)\n");
    EXPECT_EQ(errors(), "Nesting too deep\n");
}

TEST_F(HostileInput, HugeNestingThroughAVariableChain) {
    EXPECT_EQ(translate("var x 1\nx" + repeated(" = x", 1'000'000) + "\nabs 1\n"), "x = 1\n\nabs(1)\n");
    EXPECT_EQ(errors(), "Nesting too deep\n");
}

TEST_F(HostileInput, HugeNestingInsideADefinition) {
    EXPECT_EQ(translate("function f 0\n" + repeated("abs ", 1'000'000) + "\nend\nabs 1\n"),
              "f='\n'\n\nabs(1)\n");
    EXPECT_EQ(errors(), "Nesting too deep\n");
}

TEST_F(HostileInput, AbsurdArgumentCounts) {
    // Saturated to the largest count: the parameter names run out first.
    EXPECT_EQ(translate("function f 99999999999 a\nabs 1\n"), "\nabs(1)\n");
    EXPECT_EQ(errors(), "Wrong number of arguments to function or script.\n");
    EXPECT_FALSE(state.in_script);
    EXPECT_EQ(translate("function g 2147483648 a\n"), "\n");
    EXPECT_EQ(errors(), "Wrong number of arguments to function or script.\n");
    // A signed word is no number of the language: the count is 0.
    EXPECT_EQ(translate("function h -99999999999\nend\nh\n"), "h=''\n\nexecute_string(h, 0)\n");
    EXPECT_EQ(errors(), "Unknown variable: -99999999999\n");
    // A host value can bring a negative count in.
    Parser_add_global_arg_real("n", "-99999999999");
    EXPECT_EQ(translate("function k n\nabs 1\n"), "\n");
    EXPECT_EQ(errors(), "Negative function argument size\n");
    EXPECT_TRUE(state.in_script);
    EXPECT_EQ(translate("end\nk\n"), "k=''\n\n");
    EXPECT_EQ(errors(), "Unknown variable: k\n");
    EXPECT_EQ(counts, std::vector<std::int32_t>{0});
}

TEST_F(HostileInput, MegabyteNames) {
    const std::string name(1'000'000, 'n');
    const std::string other(1'000'000, 'p');
    EXPECT_EQ(translate("var " + name + " 1\n" + name + " += 2\n"), name + " = 1\n" + name + "+=2\n");
    EXPECT_EQ(translate("function " + name + " 1 " + other + "\nreturn " + other + "\nend\n" + name + " 5\n"),
              name + "='" + other + "=argument0\nreturn(" + other + ")\n'\n\nexecute_string(" + name + ",5)\n");
    EXPECT_EQ(counts, std::vector<std::int32_t>{1});
    Parser_add_global_arg_string(other.c_str(), name.c_str());
    EXPECT_EQ(translate(other + "\n"), "\"" + name + "\"\n");
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(translate(std::string(1'000'000, 'u') + "\n"), "\n");
    EXPECT_EQ(errors(), "Unknown variable: " + std::string(1'000'000, 'u') + "\n");
}

}  // namespace
}  // namespace kelvo::test
