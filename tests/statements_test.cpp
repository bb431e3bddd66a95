#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KelvoScriptparser.h"
#include "statements/scripts.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

constexpr const char* missing = "Unexpected symbol: \n";
constexpr const char* wrong_count = "Wrong number of arguments to function or script.\n";
constexpr const char* if_help = "is not operator help:'if var0 operator var1'\n";
constexpr const char* while_help = "is not operator help:'while var0 operator var1'\n";

using Counts = std::vector<std::int32_t>;
using Statements = TranslatorTest;

TEST_F(Statements, BlockAndFlowKeywords) {
    struct Case {
        const char* source;
        const char* text;
        std::string messages;
    };
    const Case cases[] = {
        {"{", "{", ""},
        {"}", "}", ""},
        {"} else", "}", ""},
        {"else", "else ", ""},
        {"do", "do ", ""},
        {"continue 1", "continue;", ""},
        {"break now", "break;", ""},
        {"default x", "default:", ""},
        {"case 3", "case 3:", ""},
        {"case \"a\"", "case \"a\":", ""},
        {"case", "case :", missing},
        {"repeat 4", "repeat(4)", ""},
        {"repeat", "repeat()", missing},
        {"switch abs 2", "switch(abs(2))", ""},
        {"return 1 2", "return(1)", ""},
        {"if 2 = 2", "if(2 =2) ", ""},
        {"while 1 + 1", "while(1 +1) ", ""},
        {"if distance 0 0 3 4 = 5", "if(point_distance(0,0,3,4) =5) ", ""},
        {"if 1 < 2", "if(1 2) ", std::string("Unknown variable: <\n") + if_help},
        {"while 1 == 2", "while(1 2) ", std::string("Unknown variable: ==\n") + while_help},
        {"if", "if( ) ", std::string(missing) + missing + if_help + missing},
        {"while a b c", "while( ) ",
         std::string("Unknown variable: a\nUnknown variable: b\n") + while_help + "Unknown variable: c\n"},
        {"if \"=\" 1", "if(\"=\" 1) ", std::string(if_help) + missing},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(term(c.source), c.text) << c.source;
        EXPECT_EQ(errors(), c.messages) << c.source;
    }
}

TEST_F(Statements, BranchExample) {
    EXPECT_EQ(translate("if 2 = 2\n{\nmessage \"yes\"\n}\nelse\n{\nmessage \"no\"\n}\n"),
              "if(2 =2) \n{\nshow_message(\"yes\")\n}\nelse \n{\nshow_message(\"no\")\n}\n");
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(translate("if 1 = 1; {\n}\n"), "if(1 =1) \n{\n}\n");
}

TEST_F(Statements, ConditionsAfterAVariableTakeTheOperatorIntoTheFirstOperand) {
    EXPECT_EQ(translate("var x 0\nif x = 1\nif 1 = x\nwhile x\n"),
              "x = 0\nif(x=1 ) \nif(1 =x) \nwhile(x ) \n");
    EXPECT_EQ(errors(), std::string(missing) + if_help + missing + missing + while_help + missing);
}

TEST_F(Statements, VarDeclaresAndRefuses) {
    Parser_add_global_arg_string("who", "Ann");
    Parser_add_global_arg_real("speed", "3");
    EXPECT_EQ(translate("var x 5\nvar x 7\nx\nvar pi 3\nvar if 1\nvar who 1\nvar speed 1\n"
                        "var y abs z\ny\n"),
              "x = 5\n\nx\n\n\n\n\ny = abs()\ny\n");
    EXPECT_EQ(errors(), "Unknown variable: z\n");
    // A refused name still has its value translated and reported.
    EXPECT_EQ(translate("var pi qq\n"), "\n");
    EXPECT_EQ(errors(), "Unknown variable: qq\n");
}

TEST_F(Statements, VarWithoutAValueDeclaresNothing) {
    EXPECT_EQ(translate("var z\nz\nvar z 1\nz\n"), "z = \n\nz = 1\nz\n");
    EXPECT_EQ(errors(), std::string(missing) + "Unknown variable: z\n");
}

TEST_F(Statements, WorkedExample) {
    const std::string program =
        "function add 2 a b\nvar r 0\nr = a\nr += b\nreturn r\nend\nvar total 0\n"
        "total = add 3 4\nmessage total\n";
    EXPECT_EQ(translate(program),
              "add='a=argument0\nb=argument1\nr = 0\nr=a\nr+=b\nreturn(r)\n'\n"
              "\ntotal = 0\ntotal=execute_string(add,3,4)\nshow_message(total)\n");
    EXPECT_EQ(counts, Counts{2});
    EXPECT_EQ(errors(), "");

    counts.clear();
    EXPECT_EQ(translate(program + "function neg 1 n\nreturn n\nend\n"),
              "add='a=argument0\nb=argument1\nr = 0\nr=a\nr+=b\nreturn(r)\n'\n"
              "neg='n=argument0\n\nreturn(n)\n'\n"
              "\ntotal = 0\ntotal=execute_string(add,3,4)\nshow_message(total)\n\n");
    EXPECT_EQ(counts, (Counts{2, 1}));
    EXPECT_EQ(errors(), "");
}

TEST_F(Statements, ScriptWithoutParameters) {
    EXPECT_EQ(translate("function f 0\nexit\nend\nf\n"), "f='game_end()\n'\n\nexecute_string(f, 0)\n");
    EXPECT_EQ(counts, Counts{0});
}

TEST_F(Statements, TwelveParametersGetTwelveProloguelines) {
    const std::string result = translate("function f 12 a b c d e f g h i j k l\nend\n");
    EXPECT_NE(result.find("\nk=argument10\nl=argument11\n'"), std::string::npos) << result;
    EXPECT_EQ(result.rfind("f='a=argument0\n", 0), 0u);
    EXPECT_EQ(counts, Counts{12});
}

TEST_F(Statements, ShortParameterListClosesTheDefinition) {
    // The definition is closed again, so the lines up to `end`, and `end`
    // itself, go to the main code.
    EXPECT_EQ(translate("function add 2 a\nabs 1\nend\nadd 1 2\n"), "add=''\n\nabs(1)\n\n\n");
    EXPECT_EQ(errors(), std::string(wrong_count) + "Unknown variable: add\n");
    EXPECT_TRUE(counts.empty());
}

TEST_F(Statements, FunctionAloneDeclaresAnEmptyName) {
    EXPECT_EQ(translate("function\nend\n"), "=''\n\n");
    EXPECT_EQ(errors(), missing);
    EXPECT_EQ(counts, Counts{0});
}

TEST_F(Statements, NegativeCountKeepsTheDefinitionOpen) {
    // -1 is no number: the count is 0 and f is declared without parameters.
    EXPECT_EQ(translate("function f -1 a\nabs 1\nend\nf\n"), "f='abs(1)\n'\n\nexecute_string(f, 0)\n");
    EXPECT_EQ(errors(), "Unknown variable: -1\n");
    Parser_add_global_arg_real("minus", "-2");
    EXPECT_EQ(translate("function g minus a\nabs 1\nend\ng\n"), "g='abs(1)\n'\n\n\n");
    EXPECT_EQ(errors(), "Negative function argument size\nUnknown variable: g\n");
}

TEST_F(Statements, CountsReadLikeAtoiAndSaturate) {
    struct Case {
        const char* text;
        std::int32_t count;
    };
    const Case cases[] = {{"", 0},           {"12", 12},          {"  -7abc", -7},      {"+3", 3},
                          {"abc", 0},        {"\"5\"", 0},        {"3.9", 3},           {"\t\n 8", 8},
                          {"- 4", 0},        {"2147483647", 2147483647},
                          {"99999999999", 2147483647},            {"-99999999999", -2147483647 - 1},
                          {"-2147483648", -2147483647 - 1}};
    for (const Case& c : cases) EXPECT_EQ(read_count(c.text), c.count) << c.text;
}

TEST_F(Statements, HugeCountsEndInTheirMessages) {
    EXPECT_EQ(translate("function f 99999999999 a b\nend\n"), "f=''\n\n\n");
    EXPECT_EQ(errors(), wrong_count);
    Parser_add_global_arg_real("huge", "-99999999999");
    EXPECT_EQ(translate("function f huge a b\nend\n"), "f=''\n\n");
    EXPECT_EQ(errors(), "Negative function argument size\n");
}

TEST_F(Statements, RefusedFunctionNameStaysOpenWithoutSignature) {
    EXPECT_EQ(translate("function red 1 a\na\nend\nred\n"), "red='\n'\n\n255\n");
    EXPECT_EQ(errors(), "Unknown variable: a\n");
    EXPECT_TRUE(counts.empty());
}

TEST_F(Statements, OnlyTheFirstStoredDefinitionIsCompared) {
    EXPECT_EQ(translate("function a 0\nend\nfunction b 0\nend\nvar a 1\nvar b 2\nb\n"),
              "a=''\nb='\n'\n\n\n\nb = 2\nb\n");
}

TEST_F(Statements, RedefinitionsAreStoredAndTheFirstSignatureIsCalled) {
    // A second definition under the first one's name is refused at its
    // function line, yet stored; one under a later name is accepted, and a
    // call keeps the first signature of that name.
    EXPECT_EQ(translate("function a 0\nend\nfunction b 1 p\nend\nfunction b 2 p q\nend\nfunction a 1 z\nend\nb 7 8\n"),
              "a=''\nb='p=argument0\n\n'\nb='p=argument0\nq=argument1\n\n'\na='\n'\n\n\n\n\nexecute_string(b,7)\n");
    EXPECT_EQ(counts, (Counts{0, 1, 2}));
}

TEST_F(Statements, ParametersOfEarlierDefinitionsPassThrough) {
    EXPECT_EQ(translate("function f 1 p\nend\nfunction g 1 q\np\nq\nend\np\n"),
              "f='p=argument0\n'\ng='q=argument0\n\np\nq\n'\n\n\n\n");
    EXPECT_EQ(errors(), "Unknown variable: p\n");
}

TEST_F(Statements, FunctionInsideAnOpenDefinitionTakesItsText) {
    EXPECT_EQ(translate("function f 0\nabs 1\nfunction g 1 x\nx\nend\n"),
              "g='x=argument0\nabs(1)\n\nx\n'\n\n");
    EXPECT_EQ(counts, Counts{1});
}

TEST_F(Statements, EndWithoutDefinitionStoresOneAnyway) {
    EXPECT_EQ(translate("end\nabs 1\nend\n"), "=''\n=''\n\nabs(1)\n\n");
    EXPECT_TRUE(counts.empty());
}

TEST_F(Statements, OpenDefinitionContinuesIntoTheNextRun) {
    EXPECT_EQ(translate("function f 1 a\na\n"), "\n");
    EXPECT_EQ(counts, Counts{});
    // The next run starts inside the definition, without its text or names.
    EXPECT_EQ(translate("abs 1\na\nend\nabs 2\n"), "f='abs(1)\n\n'\nabs(2)\n");
    EXPECT_EQ(errors(), "Unknown variable: a\n");
    EXPECT_TRUE(counts.empty());  // the closing run did not open it: nothing written
    // Its signature was declared in the first run and stays callable.
    EXPECT_EQ(translate("f 5\n"), "execute_string(f,5)\n");
}

TEST_F(Statements, FirstSignatureWinsAcrossRuns) {
    translate("function f 1 a\nend\n");
    EXPECT_EQ(translate("function f 2 a b\nend\nf 1 2\n"), "f='a=argument0\nb=argument1\n'\n\nexecute_string(f,1)\n");
    // Variables are looked up before scripts.
    EXPECT_EQ(translate("var f 3\nf = 1\n"), "f = 3\nf=1\n");
}

TEST_F(Statements, ScriptCallsNeedAllTheirArguments) {
    EXPECT_EQ(translate("function s 3 a b c\nend\ns\n"), "s='a=argument0\nb=argument1\nc=argument2\n'\n\nexecute_string(s,,,)\n");
    EXPECT_EQ(errors(), std::string(missing) + wrong_count + missing + wrong_count + missing + wrong_count);
}

TEST_F(Statements, DeclarationsInsideADefinitionHoldForTheRestOfTheRun) {
    EXPECT_EQ(translate("function f 0\nvar v 1\nend\nv += 2\n"), "f='v = 1\n'\n\nv+=2\n");
}

}  // namespace
}  // namespace kelvo::test
