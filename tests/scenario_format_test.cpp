// The reader of the behaviour table's files: blocks, escapes, final line
// feeds, the per-run lines and the mistakes it must refuse.
#include <gtest/gtest.h>

#include <string>

#include "shared/scenario_file.h"

namespace {

class ScenarioFormat : public ::testing::Test {
protected:
    void TearDown() override { scenario_free(&list_); }

    // Parses `file`; on failure the message is in error_.
    bool parse(const std::string& file) {
        scenario_free(&list_);
        return scenario_parse(file.data(), file.size(), "t.txt", &list_, error_, sizeof error_) == 0;
    }
    const ScenarioRun& run(std::size_t scenario, std::size_t index) const {
        return list_.items[scenario].runs[index];
    }
    static std::string text(const ScenarioText& t) { return {t.data, t.size}; }

    ScenarioList list_{};
    char error_[256] = {};
};

TEST_F(ScenarioFormat, BlockLinesEndInLineFeedsUnlessTheyEndInABackslash) {
    ASSERT_TRUE(parse("scenario s\nsource\n| abs 1\n|\n|  two blanks\n| no end\\\nresult\n")) << error_;
    EXPECT_EQ(text(run(0, 0).source), "abs 1\n\n two blanks\nno end");
    EXPECT_EQ(text(run(0, 0).result), "");
    EXPECT_TRUE(run(0, 0).has_result);
}

TEST_F(ScenarioFormat, EscapesGiveAnyByte) {
    ASSERT_TRUE(parse("scenario s\nsource\n| a\\r\\n\\t\\0\\x1a\\xE9\\\\\\\"\\{\\}\\\\\nresult\n| \\*3{ab\\}}|\n"))
        << error_;
    EXPECT_EQ(text(run(0, 0).source), std::string("a\r\n\t\0\x1a\xe9\\\"{}\\\n", 13));
    EXPECT_EQ(text(run(0, 0).result), "ab}ab}ab}|\n");
}

TEST_F(ScenarioFormat, CarriageReturnsBeforeLineFeedsOfTheFileAreIgnored) {
    ASSERT_TRUE(parse("scenario s\r\nsource\r\n| x\r\nresult\r\n| y\\r\r\n")) << error_;
    EXPECT_EQ(text(run(0, 0).source), "x\n");
    EXPECT_EQ(text(run(0, 0).result), "y\r\n");
}

TEST_F(ScenarioFormat, RunsGlobalsAndFiles) {
    ASSERT_TRUE(parse("# comment\nscenario first one\nstring \"who\" \"A \\\"B\\\"\"\nreal null \"\"\n"
                      "source missing\noutput directory\nresult\nerrors\n| e\nstdout\n| 2\ntemp none\n"
                      "run\nreal \"x\" null\nresult\n| r\ntemp\n| t\ntemp windows\n| w\\\n"
                      "scenario second\nsource directory\nresult\n"))
        << error_;
    ASSERT_EQ(list_.count, 2u);
    EXPECT_STREQ(list_.items[0].name, "first one");
    EXPECT_STREQ(list_.items[0].file, "t.txt");
    ASSERT_EQ(list_.items[0].run_count, 2u);
    const ScenarioRun& first = run(0, 0);
    ASSERT_EQ(first.global_count, 2u);
    EXPECT_TRUE(first.globals[0].is_string);
    EXPECT_EQ(text(first.globals[0].name), "who");
    EXPECT_EQ(text(first.globals[0].value), "A \"B\"");
    EXPECT_FALSE(first.globals[1].is_string);
    EXPECT_TRUE(first.globals[1].name_is_null);
    EXPECT_FALSE(first.globals[1].value_is_null);
    EXPECT_EQ(first.source_kind, SCENARIO_SOURCE_MISSING);
    EXPECT_TRUE(first.output_directory);
    EXPECT_EQ(text(first.errors), "e\n");
    EXPECT_EQ(text(first.standard_output), "2\n");
    EXPECT_EQ(first.temp_kind, SCENARIO_TEMP_NONE);
    const ScenarioRun& second = run(0, 1);
    EXPECT_EQ(second.source_kind, SCENARIO_SOURCE_KEEP);
    EXPECT_TRUE(second.globals[0].value_is_null);
    EXPECT_EQ(second.temp_kind, SCENARIO_TEMP_TEXT);
    EXPECT_EQ(text(second.temp_windows), "w");
    EXPECT_EQ(run(1, 0).source_kind, SCENARIO_SOURCE_DIRECTORY);
}

TEST_F(ScenarioFormat, ExpectedTempFollowsThePlatform) {
    ASSERT_TRUE(parse("scenario s\nsource\nresult\n| a\n| b\nrun\nresult\n| r\ntemp\n| t\nrun\nresult\n"
                      "temp linux\n| l\ntemp windows\n| w\nrun\nresult\ntemp none\n"))
        << error_;
    const auto expected = [&](std::size_t index, int windows) {
        ScenarioText t{};
        if (scenario_expected_temp(&run(0, index), windows, &t) == 0) return std::string("(none)");
        std::string bytes = text(t);
        scenario_text_free(&t);
        return bytes;
    };
    EXPECT_EQ(expected(0, 0), "a\nb\n");
    EXPECT_EQ(expected(0, 1), "a\r\nb\r\n");
    EXPECT_EQ(expected(1, 0), "t\n");
    EXPECT_EQ(expected(1, 1), "t\r\n");
    EXPECT_EQ(expected(2, 0), "l\n");
    EXPECT_EQ(expected(2, 1), "w\n");
    EXPECT_EQ(expected(3, 0), "(none)");
}

TEST_F(ScenarioFormat, LineEndConversions) {
    ScenarioText t = scenario_to_crlf("a\nb\r\n", 5);
    EXPECT_EQ(text(t), "a\r\nb\r\r\n");
    scenario_text_free(&t);
    t = scenario_from_crlf("a\r\nb\r\rc\r", 8);
    EXPECT_EQ(text(t), "a\nb\r\rc\r");
    scenario_text_free(&t);
}

TEST_F(ScenarioFormat, RefusesMistakesWithTheirLine) {
    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"source\n", "t.txt:1: 'source' before the first scenario"},
        {"scenario s\nresult\n", "the first run of scenario 's' has no source"},
        {"scenario s\nsource\n", "has no result"},
        {"scenario s\nsource\nresult\nresult\n", "t.txt:4: a second result in one run"},
        {"scenario s\nsource\nresult\n|x\n", "t.txt:4: a | line needs a blank after the |"},
        {"scenario s\nsource\nresult\n\n| x\n", "t.txt:5: a | line that belongs to no block"},
        {"scenario s\nsource\n| a\\\n| b\nresult\n", "t.txt:4: a | line after one that ended without"},
        {"scenario s\nsource\n| \\q\nresult\n", "t.txt:3: unknown escape \\q"},
        {"scenario s\nsource\n| a \nresult\n", "t.txt:3: a | line ends in a blank or tab"},
        {"scenario s\nsource\n| \\x1\nresult\n", "two hexadecimal digits"},
        {"scenario s\nsource\n| \\*2{\\*2{a}}\nresult\n", "\\* inside"},
        {"scenario s\nsource\n| \\*2{a\nresult\n", "without its }"},
        {"scenario s\nstring \"a\nsource\nresult\n", "t.txt:2: a quoted text without its closing quote"},
        {"scenario s\nreal \"a\" \"b\" c\nsource\nresult\n", "words after the value"},
        {"scenario s\nsource maybe\nresult\n", "source takes nothing, missing or directory"},
        {"scenario s\nsource\nresult\nscenario s\nsource\nresult\n", "t.txt:4: a second scenario named 's'"},
        {"scenario s\nsource\nresult\nfoo\n", "t.txt:4: unknown line 'foo'"},
        {"scenario\n", "a scenario needs a name"},
        {"scenario 123456789 123456789 123456789 123456789 123456789 1234567\n", "of more than 56 characters"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(parse(c.file)) << c.file;
        EXPECT_NE(std::string(error_).find(c.message), std::string::npos) << c.file << "\n  got: " << error_;
    }
}

}  // namespace
