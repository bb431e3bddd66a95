// The C entries of the playground's WebAssembly module that its Run pane
// calls (web/wasm/run_wasm.cpp, beside web/wasm/kelvo_wasm.cpp), compiled
// natively: what kelvo.js does through them, a source written into the
// buffer and run, the parts read back, another frame, the shape under a
// pixel, the translation's warnings of the host's argument counts, the
// choice of single warnings and the pages that explain the codes.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
char* kelvo_buffer(std::size_t size);
void kelvo_add_global(int is_string, std::size_t name_size, std::size_t value_size);
void kelvo_translate(std::size_t size, int with_analysis, int with_checks);
const char* kelvo_part(int part);
std::size_t kelvo_part_size(int part);
void kelvo_run(std::size_t size, double start, double frame, double seed);
void kelvo_run_frame(double start, double frame, double seed);
void kelvo_run_owners();
int kelvo_shape_at(int x, int y);
const char* kelvo_run_part(int part);
std::size_t kelvo_run_part_size(int part);
int kelvo_choose_warning(std::size_t name_size, std::size_t level_size);
int kelvo_explain(std::size_t size);
void kelvo_load_explanations();
}

namespace {

// The parts, as kelvo.js numbers them.
constexpr int summary = 0, trace = 1, texts = 2, shapes = 3, pixels = 4, owners = 5;
constexpr int reports = 2;  // the translation's summary
constexpr int explanation = 7;

std::size_t put(std::string_view bytes) {
    std::memcpy(kelvo_buffer(bytes.size()), bytes.data(), bytes.size());
    return bytes.size();
}

std::string part(int which) { return {kelvo_run_part(which), kelvo_run_part_size(which)}; }

std::vector<std::uint32_t> numbers(int which) {
    const std::string bytes = part(which);
    std::vector<std::uint32_t> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

// "é" is two bytes and one UTF-16 unit: the places after it count units.
const std::string script = "message \"\xc3\xa9\"; circle 100 100 10 false\ncolor merge_color red gold\n";

TEST(WasmRunEntry, ARunAndItsPartsAtTheSourceTermsInUtf16) {
    kelvo_run(put(script), 0, 0, 0);
    const std::string json = part(summary);
    EXPECT_NE(json.find("\"ran\":true"), std::string::npos) << json;
    // The fault at `merge_color red gold`: from 43 to 63, line 2, column 7.
    EXPECT_NE(json.find("\"faults\":[[\"host-wrong-argument-count\",\"'merge_color' takes 3 arguments, not 2\",43,63,2,7]]"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"messages\":[[\"\xc3\xa9\",0,11,1,1]]"), std::string::npos) << json;
    // Six numbers a call: the term, its word, its line, its depth.
    EXPECT_EQ(numbers(trace), (std::vector<std::uint32_t>{0, 11, 0, 7, 1, 0, 13, 36, 13, 19, 1, 0}));
    EXPECT_EQ(part(texts), "show_message(\"\xc3\xa9\")\ndraw_circle(100, 100, 10, 0)");
    EXPECT_EQ(numbers(shapes), (std::vector<std::uint32_t>{13, 36, 13, 19, 1}));
    // The frame, RGBA: white but for the circle, black at its centre.
    const std::string rgba = part(pixels);
    ASSERT_EQ(rgba.size(), 640u * 480u * 4u);
    const auto pixel = [&](int x, int y) { return rgba.substr((static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)) * 4, 4); };
    EXPECT_EQ(pixel(100, 100), std::string("\x00\x00\x00\xff", 4));
    EXPECT_EQ(pixel(0, 0), std::string("\xff\xff\xff\xff", 4));
    // The shape under a pixel, and none where none was drawn.
    EXPECT_EQ(kelvo_shape_at(100, 100), 0);
    EXPECT_EQ(kelvo_shape_at(0, 0), -1);
    EXPECT_EQ(kelvo_shape_at(-1, 5), -1);
    EXPECT_EQ(kelvo_shape_at(640, 5), -1);
    kelvo_run_owners();
    EXPECT_EQ(part(owners).size(), 640u * 480u * 4u);
}

TEST(WasmRunEntry, AnotherFrameRunsTheKeptScriptWithTheClockMovedOn) {
    const std::string clock = "print 0 0 c_time\nprint 0 20 c_second\n";
    const std::string_view name = "unused";
    const std::string value = "1";
    std::string both = std::string(name) + value;
    std::memcpy(kelvo_buffer(both.size()), both.data(), both.size());
    kelvo_add_global(0, name.size(), value.size());
    kelvo_run(put(clock), 5000, 0, 0);
    EXPECT_EQ(part(texts), "draw_text(0, 0, 0)\ndraw_text(0, 20, 5)");
    kelvo_run_frame(5000, 60, 0);
    EXPECT_EQ(part(texts), "draw_text(0, 0, 2000)\ndraw_text(0, 20, 7)");
    // Numbers past the clock's range are kept within it, not turned into faults.
    kelvo_run_frame(1e300, -5, 0);
    EXPECT_NE(part(summary).find("\"ran\":true"), std::string::npos);
}

TEST(WasmRunEntry, TheTranslationWarnsOfTheHostsArgumentCountsWhenAsked) {
    kelvo_translate(put(script), 0, 1);
    const std::string with = {kelvo_part(reports), kelvo_part_size(reports)};
    EXPECT_NE(with.find("[\"warning\",\"host-argument-count\",\"'merge_color' takes 3 arguments in the host, not 2: the "
                        "engine rejects this call when it runs\",2,7,44,11,43,54,\"merge_color\",\"3 arguments\",\"warning\",\"'merge_color' "
                        "takes 3 arguments in the host, not 2: the engine rejects this call when it runs\",43,54]"),
              std::string::npos)
        << with;
    kelvo_translate(put(script), 0, 0);
    const std::string without = {kelvo_part(reports), kelvo_part_size(reports)};
    EXPECT_EQ(without, "{\"reports\":[]}");
}

// As kelvo.js chooses a warning: the code, then the level, in the buffer.
int choose(std::string_view code, std::string_view level) {
    const std::string both = std::string(code) + std::string(level);
    put(both);
    return kelvo_choose_warning(code.size(), level.size());
}

std::string translated_reports(std::string_view source) {
    kelvo_translate(put(source), 0, 1);
    return {kelvo_part(reports), kelvo_part_size(reports)};
}

TEST(WasmRunEntry, AWarningTurnedOffGoesWithItsNotesForOneTranslation) {
    const std::string source = "power 2 3\n{\n";
    const std::string all = translated_reports(source);
    EXPECT_NE(all.find("\"block-left-open\""), std::string::npos) << all;
    EXPECT_NE(all.find("\"close-block\""), std::string::npos) << all;
    ASSERT_EQ(choose("block-left-open", "off"), 0);
    ASSERT_EQ(choose("words-left", "error"), 0);
    const std::string chosen = translated_reports(source);
    EXPECT_EQ(chosen.find("block-left-open"), std::string::npos) << chosen;
    EXPECT_EQ(chosen.find("close-block"), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("[\"error\",\"words-left\""), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("[\"warning\",\"host-argument-count\""), std::string::npos) << chosen;
    // The choice was for that translation only.
    EXPECT_EQ(translated_reports(source), all);
}

TEST(WasmRunEntry, AChoiceItCannotTakeIsRefusedWithTheReason) {
    EXPECT_EQ(choose("nope", "off"), 1);
    EXPECT_EQ(std::string(kelvo_part(explanation), kelvo_part_size(explanation)), "no warning has the code 'nope'");
    EXPECT_EQ(choose("words-left", "loud"), 1);
    EXPECT_EQ(choose("*", "off"), 0);
    const std::string none = translated_reports("power 2 3\n");
    EXPECT_EQ(none, "{\"reports\":[]}");
}

TEST(WasmRunEntry, ThePageOfACodeAndTheListOfThem) {
    const std::string code = "block-not-open";
    ASSERT_EQ(kelvo_explain(put(code)), 1);
    const std::string page(kelvo_part(explanation), kelvo_part_size(explanation));
    EXPECT_EQ(page.rfind("## block-not-open\n\n*Warning:* a `}` that closes no block\n", 0), 0U) << page;
    EXPECT_EQ(kelvo_explain(put("block-not-opened")), 0);
    kelvo_load_explanations();
    const std::string list(kelvo_part(explanation), kelvo_part_size(explanation));
    EXPECT_NE(list.find("{\"code\":\"host-step-budget\",\"kind\":\"host fault\",\"summary\":\"the run used up its steps\"}"),
              std::string::npos)
        << list;
    EXPECT_EQ(list.front(), '[');
    EXPECT_EQ(list.back(), ']');
}

}  // namespace

// The translation's reports as the page shows them: the kelvo tool's label
// and text, and where the page draws each one. A report about a missing
// word is drawn on the word whose operand is missing, or on the last
// character of its line.
struct Drawn {
    std::string_view name;
    std::string_view source;
    std::string_view expected;  // a report, from its label on
};

class WasmReportsDrawn : public testing::TestWithParam<Drawn> {};

TEST_P(WasmReportsDrawn, AsTheToolPrintsThemAndWhereTheyAreSeen) {
    kelvo_translate(put(GetParam().source), 0, 0);
    const std::string json = {kelvo_part(reports), kelvo_part_size(reports)};
    EXPECT_NE(json.find(GetParam().expected), std::string::npos) << json;
}

INSTANTIATE_TEST_SUITE_P(
    Reports, WasmReportsDrawn,
    testing::Values(
        // `circle` is short of two operands: the point after `2` is drawn on `circle`
        Drawn{"MissingOperandsOnTheirKeyword", "circle 1 2\n", "\"circle\",\"\",\"Unexpected symbol: \",0,6]"},
        Drawn{"AndTheNoteOfTheSecond", "circle 1 2\n", "\"circle\",\"note\",\"operand 4 of 'circle' finds no word either (Unexpected symbol: )\",0,6]"},
        // `var` without a name: on `var`, after the line's "é" (two bytes, one unit)
        Drawn{"ANameMissingAfterTextBeyondAscii", "message \"\xc3\xa9\"\nvar\n", "\"var\",\"\",\"Unexpected symbol: \",12,15]"},
        // a warning with its label; a note that follows from a message
        Drawn{"AWarningWithItsLabel", "var a 1\nvar a 2\n", "\"warning\",\"'a' is already a variable"},
        Drawn{"AConsequenceAsANote", "print 1 1 zz\n", "\"note\",\"so operand 3 of 'print' is 0 in the host text (Wrong number of arguments to "
                                "function or script.)\",0,5]"},
        // the tool shows a control byte escaped and a long word shortened
        Drawn{"AControlByteAndALongWord", "zz\x01" "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n",
              "\"\",\"Unknown variable: zz\\\\x01aaaaaaaaaaaaaaaaaaaaaaaaaaaaa...aaaaaaaaaaaaaaaa (75 bytes)\",0,75]"}),
    [](const testing::TestParamInfo<Drawn>& drawn) { return std::string(drawn.param.name); });

constexpr int lines = 5;

// A `function` line wrote the definition's name and its parameter prologue
// (up to its last line feed): the line map holds that place beside the
// line's own, four numbers each: line, its start, host begin and end.
TEST(WasmLineMap, AFunctionLineHoldsTheHeadAndPrologueOfItsDefinition) {
    kelvo_translate(put("function best 2 a b\nreturn a\nend\nfunction f 0\nreturn 1\nend\n"), 0, 0);
    const std::string bytes = {kelvo_part(lines), kelvo_part_size(lines)};
    std::vector<std::uint32_t> map(bytes.size() / 4);
    std::memcpy(map.data(), bytes.data(), map.size() * 4);
    // best='a=argument0\nb=argument1\nreturn(a)\n'\nf='\nreturn(1)\n'\n\n\n
    // `best='a=argument0\nb=argument1` is line 1's, `f='` line 4's.
    EXPECT_EQ(map, (std::vector<std::uint32_t>{1, 0, 58, 58, 1, 0, 0, 29, 2, 20, 30, 39, 3, 29, 45, 45,
                                               4, 33, 59, 59, 4, 33, 42, 45, 5, 46, 46, 55}));
}
