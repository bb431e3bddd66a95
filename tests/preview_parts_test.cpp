// The parts of the preview host one by one: the fault messages, the table
// of host functions against the keyword table, the numbers as the host
// shows them, the clock and its frames, the random numbers, the caps of
// what a run keeps, the SVG of a frame and the deepest run the limits let
// through. Every expectation is written by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "preview/preview.h"
#include "preview/values/value.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::test {
namespace {

using namespace kelvo::preview;

// ---- faults

TEST(PreviewFaults, EachKindHasItsCodeName) {
    const std::vector<std::string> codes = {
        "parse-error",    "do-without-until", "nesting-too-deep", "wrong-argument-count", "unknown-function",
        "unset-variable", "division-by-zero", "text-for-number",  "number-for-text",      "mixed-operands",
        "math-error",     "bad-argument",     "no-primitive",     "vertex-limit",         "call-depth",
        "step-budget"};
    ASSERT_EQ(fault_kinds().size(), codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(fault_kinds()[i].code, codes[i]);
        EXPECT_EQ(static_cast<std::size_t>(fault_kinds()[i].kind), i);
        EXPECT_EQ(code_name(fault_kinds()[i].kind), codes[i]);
        EXPECT_EQ(fault_kinds()[i].stops_run, codes[i] == "step-budget");
    }
}

Fault fault_of(FaultKind kind, std::string name = {}) {
    Fault fault;
    fault.kind = kind;
    fault.name = std::move(name);
    return fault;
}

TEST(PreviewFaults, MessagesAreMadeFromTheFields) {
    Fault parse = fault_of(FaultKind::parse_error);
    parse.expected = Expected::value;
    parse.found = ",";
    EXPECT_EQ(fault_message(parse), "cannot read the host text: expected a value, found ','");
    parse.expected = Expected::closing_bracket;
    parse.found.clear();
    EXPECT_EQ(fault_message(parse), "cannot read the host text: expected ')', found the end of the line");

    Fault count = fault_of(FaultKind::wrong_argument_count, "merge_color");
    count.given = 2;
    count.least = count.most = 3;
    EXPECT_EQ(fault_message(count), "'merge_color' takes 3 arguments, not 2");
    count.name = "power";
    count.given = 1;
    count.least = count.most = 2;
    EXPECT_EQ(fault_message(count), "'power' takes 2 arguments, not 1");
    count.name = "degtorad";
    count.given = 2;
    count.least = count.most = 1;
    EXPECT_EQ(fault_message(count), "'degtorad' takes 1 argument, not 2");
    count.name = "max";
    count.given = 0;
    count.least = 1;
    count.most = 16;
    EXPECT_EQ(fault_message(count), "'max' takes 1 to 16 arguments, not 0");

    Fault typed = fault_of(FaultKind::text_for_number, "sqrt");
    typed.position = 1;
    EXPECT_EQ(fault_message(typed), "argument 1 of 'sqrt' is a text where a number is needed");
    typed = fault_of(FaultKind::text_for_number, "repeat");
    EXPECT_EQ(fault_message(typed), "the operand of 'repeat' is a text where a number is needed");
    typed = fault_of(FaultKind::number_for_text, "string_length");
    typed.position = 1;
    EXPECT_EQ(fault_message(typed), "argument 1 of 'string_length' is a number where a text is needed");

    Fault limited = fault_of(FaultKind::step_budget);
    limited.limit = 1000;
    EXPECT_EQ(fault_message(limited), "the run used up its 1000 steps here");
    limited.kind = FaultKind::call_depth;
    limited.limit = 32;
    EXPECT_EQ(fault_message(limited), "execute_string nested deeper than 32");
    limited.kind = FaultKind::nesting_too_deep;
    limited.limit = 100;
    EXPECT_EQ(fault_message(limited), "nested deeper than 100 levels");
    limited.kind = FaultKind::vertex_limit;
    limited.limit = 65536;
    EXPECT_EQ(fault_message(limited), "a primitive holds at most 65536 vertices");

    EXPECT_EQ(fault_message(fault_of(FaultKind::do_without_until, "do")),
              "a do loop needs a closing until, which no keyword writes: the text does not run");
    EXPECT_EQ(fault_message(fault_of(FaultKind::unknown_function, "nosuch")), "the host has no function 'nosuch'");
    EXPECT_EQ(fault_message(fault_of(FaultKind::unset_variable, "speed")), "'speed' is read before any assignment");
    EXPECT_EQ(fault_message(fault_of(FaultKind::division_by_zero, "/")), "'/' by zero");
    EXPECT_EQ(fault_message(fault_of(FaultKind::mixed_operands, "+")), "'+' between a text and a number");
    EXPECT_EQ(fault_message(fault_of(FaultKind::math_error, "sqrt")), "'sqrt' gives no number for these arguments");
    EXPECT_EQ(fault_message(fault_of(FaultKind::no_primitive, "draw_vertex")), "'draw_vertex' with no primitive begun");
    Fault bad = fault_of(FaultKind::bad_argument, "draw_primitive_begin");
    bad.position = 1;
    EXPECT_EQ(fault_message(bad), "argument 1 of 'draw_primitive_begin' is a number 'draw_primitive_begin' cannot take");
}

// ---- the host functions

struct Counts {
    const char* name;
    int least;
    int most;
};

// The argument counts the host takes, written out once more by hand.
const std::vector<Counts> host_counts = {
    {"abs", 1, 1}, {"arcsin", 1, 1}, {"arctan", 1, 1}, {"arctan2", 2, 2}, {"ceil", 1, 1},
    {"clipboard_get_text", 0, 0}, {"cos", 1, 1}, {"degtorad", 1, 1}, {"draw_arrow", 5, 5}, {"draw_circle", 4, 4},
    {"draw_circle_color", 6, 6}, {"draw_clear", 1, 1}, {"draw_ellipse", 5, 5}, {"draw_ellipse_color", 7, 7},
    {"draw_getpixel", 2, 2}, {"draw_line", 4, 4}, {"draw_line_color", 6, 6}, {"draw_line_width", 5, 5},
    {"draw_line_width_color", 7, 7}, {"draw_point", 2, 2}, {"draw_point_color", 3, 3}, {"draw_primitive_begin", 1, 1},
    {"draw_primitive_end", 0, 0}, {"draw_rectangle", 5, 5}, {"draw_rectangle_color", 9, 9}, {"draw_roundrect", 5, 5},
    {"draw_roundrect_color", 9, 9}, {"draw_set_alpha", 1, 1}, {"draw_set_color", 1, 1}, {"draw_text", 3, 3},
    {"draw_text_color", 8, 8}, {"draw_triangle", 7, 7}, {"draw_vertex", 2, 4}, {"execute_string", 1, 17},
    {"exp", 1, 1}, {"f_triangle_color", 10, 10}, {"floor", 1, 1}, {"frac", 1, 1}, {"game_end", 0, 0},
    {"lengthdir_x", 2, 2}, {"lengthdir_y", 2, 2}, {"ln", 1, 1}, {"log10", 1, 1}, {"log2", 1, 1}, {"logn", 2, 2},
    {"make_color_hsv", 3, 3}, {"make_color_rgb", 3, 3}, {"max", 1, 16}, {"mean", 1, 16}, {"median", 1, 16},
    {"merge_color", 3, 3}, {"min", 1, 16}, {"point_direction", 4, 4}, {"point_distance", 4, 4}, {"power", 2, 2},
    {"radtodeg", 1, 1}, {"random", 1, 1}, {"round", 1, 1}, {"show_message", 1, 1}, {"sign", 1, 1}, {"sin", 1, 1},
    {"sqr", 1, 1}, {"sqrt", 1, 1}, {"string_char_at", 2, 2}, {"string_copy", 3, 3}, {"string_count", 2, 2},
    {"string_delete", 3, 3}, {"string_digits", 1, 1}, {"string_height", 1, 1}, {"string_insert", 3, 3},
    {"string_length", 1, 1}, {"string_width", 1, 1}, {"tan", 1, 1},
};

TEST(PreviewHostFunctions, TheTableHoldsEveryFunctionWithTheHostsCounts) {
    ASSERT_EQ(host_functions().size(), host_counts.size());
    for (std::size_t i = 0; i < host_counts.size(); ++i) {
        const HostFunction& row = host_functions()[i];
        EXPECT_EQ(row.name, host_counts[i].name);
        EXPECT_EQ(row.least, host_counts[i].least) << row.name;
        EXPECT_EQ(row.most, host_counts[i].most) << row.name;
        EXPECT_EQ(find_host_function(row.name), i);
        EXPECT_FALSE(row.summary.empty()) << row.name;
        EXPECT_EQ(row.call == nullptr, row.name == "execute_string") << row.name;
    }
    EXPECT_FALSE(find_host_function("nosuch"));
    EXPECT_FALSE(find_host_function("draw_circle_"));
    EXPECT_FALSE(find_host_function(""));
}

// Every host name that a keyword writes is a function of the table; those
// whose operand count the host does not take are exactly these four.
TEST(PreviewHostFunctions, EveryHostNameOfTheVocabularyIsKnown) {
    const std::set<std::string> other_counts = {"power", "degtorad", "radtodeg", "merge_color"};
    std::set<std::string> found;
    std::size_t calls = 0;
    for (const KeywordRow& row : keyword_table()) {
        if (row.kind != KeywordKind::call) continue;  // statements are the host's own words, not functions
        ++calls;
        const auto index = find_host_function(row.host_name);
        ASSERT_TRUE(index) << row.keyword << " calls " << row.host_name;
        const HostFunction& function = host_functions()[*index];
        if (row.operand_count < function.least || row.operand_count > function.most) found.insert(std::string(row.keyword));
    }
    EXPECT_EQ(calls, 74U);  // the built-in calls
    EXPECT_EQ(found, other_counts);
    for (const char* text : {"draw_primitive_end()", "game_end()"}) {
        const HostRun run = run_host(std::string("draw_primitive_begin(pr_pointlist)\n") + text + "\n");
        EXPECT_TRUE(run.faults.empty()) << text;
        EXPECT_EQ(run.trace.size(), 2U) << text;
    }
}

// The names the constant table stands for are the host's constants (or its
// call clipboard_get_text()).
TEST(PreviewHostFunctions, EveryHostNameOfTheConstantsIsKnown) {
    std::size_t names = 0;
    for (const ConstantRow& row : constant_table()) {
        const char first = row.text.empty() ? '0' : row.text[0];
        if (first >= '0' && first <= '9') continue;
        ++names;
        if (row.text == "clipboard_get_text()") {
            EXPECT_TRUE(find_host_function("clipboard_get_text"));
            continue;
        }
        EXPECT_TRUE(find_host_constant(row.text)) << row.name << " stands for " << row.text;
    }
    EXPECT_EQ(names, 18U);  // three colours, eight clock names, the clipboard, six primitive kinds
}

TEST(PreviewHostFunctions, ArgumentKindsRepeatTheLastLetter) {
    const HostFunction& text = host_functions()[*find_host_function("draw_text_color")];
    EXPECT_EQ(argument_kind(text, 0), 'n');
    EXPECT_EQ(argument_kind(text, 2), 'a');
    EXPECT_EQ(argument_kind(text, 7), 'n');
    const HostFunction& run = host_functions()[*find_host_function("execute_string")];
    EXPECT_EQ(argument_kind(run, 0), 't');
    EXPECT_EQ(argument_kind(run, 16), 'a');
    const HostFunction& end = host_functions()[*find_host_function("game_end")];
    EXPECT_EQ(argument_kind(end, 0), 'a');
}

// ---- values

TEST(PreviewValues, NumbersShowWholeOrWithTwoDecimals) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0, "0"},          {-0.0, "0"},        {7, "7"},           {-12, "-12"},   {2.5, "2.50"},
        {-2.5, "-2.50"},   {1.0 / 3, "0.33"},  {0.005, "0.01"},    {0.004, "0.00"}, {-0.004, "0.00"},
        {99.999, "100.00"}, {1e15, "1000000000000000"}, {123456789012.25, "123456789012.25"}, {1e20, "100000000000000000000"},
    };
    for (const auto& [number, text] : cases) EXPECT_EQ(number_text(number), text) << number;
}

TEST(PreviewValues, NumberLiterals) {
    EXPECT_EQ(read_number("007"), 7);
    EXPECT_EQ(read_number("2.5"), 2.5);
    EXPECT_EQ(read_number(".5"), 0.5);
    EXPECT_EQ(read_number("10."), 10);
    EXPECT_EQ(read_number("0"), 0);
    EXPECT_EQ(read_number("9007199254740993"), 9007199254740992.0);
    EXPECT_NEAR(*read_number("3.141592653589793238462643383279502884197169399375105820974944592"), 3.141592653589793,
                1e-15);
    // Read from the first 19 significant digits: as near as a double holds.
    EXPECT_NEAR(*read_number("1" + std::string(300, '0')) / 1e300, 1, 1e-14);
    EXPECT_FALSE(read_number("1" + std::string(400, '0')));
}

TEST(PreviewValues, WholeNumbersRoundHalvesAwayFromZeroWithinBounds) {
    EXPECT_EQ(whole(2.5), 3);
    EXPECT_EQ(whole(-2.5), -3);
    EXPECT_EQ(whole(2.4), 2);
    EXPECT_EQ(whole(1e300), 4611686018427387904LL);
    EXPECT_EQ(whole(-1e300), -4611686018427387904LL);
}

// ---- the clock, frames and random numbers

TEST(PreviewClock, PartsOfADate) {
    const ClockParts parts = parts_of(clock_at(2024, 5, 6, 7, 8, 9));
    EXPECT_EQ(parts.year, 2024);
    EXPECT_EQ(parts.month, 5);
    EXPECT_EQ(parts.day, 6);
    EXPECT_EQ(parts.hour, 7);
    EXPECT_EQ(parts.minute, 8);
    EXPECT_EQ(parts.second, 9);
    EXPECT_EQ(parts.weekday, 1);  // a Monday
    EXPECT_EQ(parts_of(Clock{}).weekday, 4);  // 1970-01-01, a Thursday
    const ClockParts before = parts_of(clock_at(1969, 12, 31, 23, 59, 59));
    EXPECT_EQ(before.year, 1969);
    EXPECT_EQ(before.day, 31);
    EXPECT_EQ(before.weekday, 3);
    EXPECT_EQ(before.second, 59);
    EXPECT_EQ(parts_of(clock_at(2000, 3, 1, 0, 0, 0)).weekday, 3);
    EXPECT_EQ(clock_at(1970, 1, 2, 0, 0, 1).wall_ms, 86'401'000);
}

TEST(PreviewClock, FramesAreAThirtiethOfASecondApart) {
    Clock first = clock_at(2024, 12, 31, 23, 59, 59);
    first.running_ms = 500;
    EXPECT_EQ(clock_at_frame(first, 0).wall_ms, first.wall_ms);
    EXPECT_EQ(clock_at_frame(first, 1).wall_ms, first.wall_ms + 33);
    EXPECT_EQ(clock_at_frame(first, 2).wall_ms, first.wall_ms + 66);
    EXPECT_EQ(clock_at_frame(first, 30).running_ms, 1500);
    const ClockParts next_year = parts_of(clock_at_frame(first, 30));
    EXPECT_EQ(next_year.year, 2025);
    EXPECT_EQ(next_year.month, 1);
    EXPECT_EQ(next_year.day, 1);
    EXPECT_EQ(next_year.second, 0);
}

// Each frame is a run of its own: what one run set, the next does not see.
TEST(PreviewClock, NothingCarriesOverFromFrameToFrame) {
    const std::string host = "if(current_second=9) seen = 1\nshow_message(seen)\ndraw_point(1,1)\n";
    Settings settings;
    settings.clock = clock_at(2024, 5, 6, 7, 8, 9);
    const HostRun first = run_host(host, settings);
    ASSERT_EQ(first.messages.size(), 1U);
    EXPECT_EQ(first.messages[0].text, "1");
    settings.clock = clock_at_frame(settings.clock, 30);
    const HostRun second = run_host(host, settings);
    EXPECT_TRUE(second.messages.empty());
    ASSERT_EQ(second.faults.size(), 1U);
    EXPECT_EQ(second.faults[0].kind, FaultKind::unset_variable);
    EXPECT_EQ(second.canvas.colour_at(1, 1), 0);
    EXPECT_EQ(second.canvas.colour_at(2, 2), 0xFFFFFF);
}

TEST(PreviewRandom, TheSameSeedDrawsTheSameNumbersOnEveryMachine) {
    Random random(0);
    EXPECT_EQ(random.next(), 0xe220a8397b1dcdafULL);  // splitmix64's first number from 0
    EXPECT_EQ(random.next(), 0x6e789e6aa1b965f4ULL);
    const std::string host = "repeat(100) { x = random(10); if(x = x) show_message(x) }\n";
    Settings settings;
    settings.seed = 42;
    const HostRun first = run_host(host, settings);
    const HostRun again = run_host(host, settings);
    settings.seed = 43;
    const HostRun other = run_host(host, settings);
    ASSERT_EQ(first.trace.size(), 200U);
    bool differs = false;
    for (std::size_t i = 0; i < first.trace.size(); i += 2) {
        const double x = first.trace[i].result.number;
        EXPECT_GE(x, 0);
        EXPECT_LT(x, 10);
        EXPECT_EQ(x, again.trace[i].result.number);
        differs = differs || x != other.trace[i].result.number;
    }
    EXPECT_TRUE(differs);
}

// ---- what a run keeps

TEST(PreviewCaps, EachListStopsAtItsCapAndCountsTheRest) {
    Settings settings;
    settings.trace_limit = 3;
    settings.shape_limit = 2;
    settings.message_limit = 1;
    settings.fault_limit = 2;
    const HostRun run = run_host("repeat(5) { draw_point(0,0); show_message(1); x = y }\n", settings);
    EXPECT_EQ(run.trace.size(), 3U);
    EXPECT_EQ(run.trace_dropped, 7U);
    EXPECT_EQ(run.shapes.size(), 2U);
    EXPECT_EQ(run.shapes_dropped, 3U);
    EXPECT_EQ(run.messages.size(), 1U);
    EXPECT_EQ(run.messages_dropped, 4U);
    EXPECT_EQ(run.faults.size(), 2U);
    EXPECT_EQ(run.faults_dropped, 3U);
    EXPECT_EQ(run.canvas.colour_at(0, 0), 0);  // drawn, though past the list's cap
}

// A text that cannot be read never runs, also when the faults that say why
// are all past the cap.
TEST(PreviewCaps, ATextPastTheFaultCapStillDoesNotRun) {
    Settings settings;
    settings.fault_limit = 0;
    const HostRun none = run_host("x = \nshow_message(1)\n", settings);
    EXPECT_FALSE(none.ran);
    EXPECT_TRUE(none.messages.empty());
    EXPECT_EQ(none.faults_dropped, 1U);
    settings.fault_limit = 2;
    const HostRun two = run_host("x = \ny = \nz = \nw = \n", settings);
    EXPECT_FALSE(two.ran);
    EXPECT_EQ(two.faults.size(), 2U);
    EXPECT_EQ(two.faults_dropped, 1U);  // the reading stops at the first fault past the cap
}

TEST(PreviewCaps, TextsAreKeptToTheirFirstBytesWithTheirWholeLength) {
    const std::string long_text(5000, 'x');
    const HostRun run = run_host("s = \"" + long_text + "\"\nshow_message(s)\ndraw_text(0,0,s)\n");
    ASSERT_EQ(run.messages.size(), 1U);
    EXPECT_EQ(run.messages[0].text, std::string(4096, 'x'));
    EXPECT_EQ(run.messages[0].length, 5000U);
    ASSERT_EQ(run.trace.size(), 2U);
    EXPECT_EQ(run.trace[0].arguments[0].text, std::string(64, 'x'));
    EXPECT_EQ(run.trace[0].arguments[0].length, 5000U);
    ASSERT_EQ(run.shapes.size(), 1U);
    EXPECT_EQ(run.shapes[0].text.size(), 4096U);
    EXPECT_EQ(run.shapes[0].text_length, 5000U);
}

// A text that doubles each turn stops at the budget, long before it could
// fill the memory: every byte made costs its share of a step.
TEST(PreviewCaps, TextsMadeCountAgainstTheBudget) {
    Settings settings;
    settings.step_budget = 100'000;
    const HostRun run = run_host("s = \"x\"\nrepeat(60) s = s + s\nshow_message(string_length(s))\n", settings);
    EXPECT_TRUE(run.out_of_steps);
    EXPECT_EQ(run.steps, 100'000U);
    EXPECT_TRUE(run.messages.empty());
    ASSERT_FALSE(run.faults.empty());
    EXPECT_EQ(run.faults.back().kind, FaultKind::step_budget);
}

// A long text read again and again (compared, searched) costs its bytes
// each time: a loop over it stops at the budget, not after hours.
TEST(PreviewCaps, TextsReadWholeCountAgainstTheBudget) {
    Settings settings;
    settings.step_budget = 100'000;
    const std::string text(10'000, 'x');
    for (const char* read : {"if(s = s) n += 1", "n += string_count(\"y\", s)", "switch(s) { case s: n += 1 }"}) {
        const HostRun run =
            run_host("s = \"" + text + "\"\nn = 0\nrepeat(1000000) " + read + "\nshow_message(n)\n", settings);
        EXPECT_TRUE(run.out_of_steps) << read;
        EXPECT_TRUE(run.messages.empty()) << read;
    }
}

// Reading a body costs 16 steps a byte (the program it becomes holds about
// as much), once: a body called again is not read again.
TEST(PreviewCaps, BodiesReadCountAgainstTheBudget) {
    const std::string body = "x = 1" + std::string(5995, ' ');  // 6,000 bytes
    const std::string host = "s = \"" + body + "\"\nexecute_string(s)\nexecute_string(s)\nshow_message(x)\n";
    Settings settings;
    settings.step_budget = 90'000;
    const HostRun short_of_steps = run_host(host, settings);
    EXPECT_TRUE(short_of_steps.out_of_steps);
    EXPECT_TRUE(short_of_steps.messages.empty());
    settings.step_budget = 110'000;
    const HostRun run = run_host(host, settings);
    EXPECT_FALSE(run.out_of_steps);
    ASSERT_EQ(run.messages.size(), 1U);
    EXPECT_GT(run.steps, 96'000U);
    EXPECT_LT(run.steps, 96'100U);
}

TEST(PreviewCaps, PixelsDrawnCountAgainstTheBudget) {
    Settings settings;
    settings.step_budget = 400'000;
    const HostRun run = run_host("while(1) draw_clear(0)\n", settings);
    EXPECT_TRUE(run.out_of_steps);
    // A clear looks at 307,200 pixels: 153,600 steps, and 5 more for the
    // loop's turn, its condition, the statement and the call with its
    // argument; the third clear runs out of steps before it draws.
    EXPECT_EQ(run.shapes.size(), 2U);
    EXPECT_EQ(run.faults.back().range.begin, 9U);  // the statement draw_clear(0)
}

// The deepest run the limits allow: execute_string 32 deep, each body
// nested as deep as a text may be, stays on the stack.
std::string nested_calls(std::string core, int levels) {
    for (int i = 0; i < levels; ++i) core = "abs(" + core + ")";
    return core;
}

TEST(PreviewCaps, TheDeepestRunTheLimitsAllowStaysOnTheStack) {
    // A statement is one level, each call one more.
    const HostRun deepest = run_host("x = " + nested_calls("1", preview::nesting_limit - 1) + "\n");
    EXPECT_TRUE(deepest.faults.empty());
    const HostRun too_deep = run_host("x = " + nested_calls("1", preview::nesting_limit) + "\n");
    ASSERT_EQ(too_deep.faults.size(), 1U);
    EXPECT_EQ(too_deep.faults[0].kind, FaultKind::nesting_too_deep);
    // execute_string 32 deep, each body as deep as a text may be.
    const std::string argument = nested_calls("argument0", preview::nesting_limit - 2);
    const HostRun run = run_host("f='x = execute_string(f," + argument + ")'\nx = execute_string(f,40)\n");
    ASSERT_EQ(run.faults.size(), 1U);
    EXPECT_EQ(run.faults[0].kind, FaultKind::call_depth);
    // The main text's call, then in each of the 32 bodies its calls of abs and execute_string.
    EXPECT_EQ(run.trace.size(), 1 + 32U * static_cast<std::size_t>(preview::nesting_limit - 1));
}

TEST(PreviewCaps, TheCanvasIsRedGreenBlueRowsFromTheTop) {
    Settings settings;
    settings.background = 0x123456;
    const HostRun run = run_host("draw_point_color(1,0,255)\n", settings);
    ASSERT_EQ(run.canvas.pixels().size(), 640U * 480U * 3U);
    EXPECT_EQ(run.canvas.pixels()[0], 0x56);
    EXPECT_EQ(run.canvas.pixels()[1], 0x34);
    EXPECT_EQ(run.canvas.pixels()[2], 0x12);
    EXPECT_EQ(run.canvas.pixels()[3], 0xFF);
    EXPECT_EQ(run.canvas.pixels()[4], 0);
    EXPECT_EQ(run.canvas.pixels()[5], 0);
    EXPECT_EQ(run.background, 0x123456);
}

// ---- texts that are no host script

TEST(PreviewHostile, BytesOfEveryKindAreReadWithoutHarm) {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    for (const std::string& host : {bytes, std::string("/* never closed"), std::string("x = \"never closed"),
                                    std::string("x = 1\r\nshow_message(x)\r\n"), std::string(1, '\0'),
                                    std::string(200, '('), std::string(200, '{'), std::string(200, '-') + "1"}) {
        const HostRun run = run_host(host);
        EXPECT_LE(run.steps, Settings{}.step_budget);
    }
    const HostRun crlf = run_host("x = 1\r\nshow_message(x)\r\n");
    ASSERT_EQ(crlf.messages.size(), 1U);
    EXPECT_EQ(crlf.messages[0].text, "1");
}

// ---- the SVG

TEST(PreviewSvg, AFrameAsWrittenByHand) {
    const std::string host =
        "draw_set_color(255)\n"
        "draw_rectangle(1,2,10,20,0)\n"
        "draw_set_alpha(0.5)\n"
        "draw_circle(50,60,5,1)\n"
        "draw_line_color(0,0,9,0,255,65280)\n"
        "draw_text(3,4,\"a<b\")\n";
    const std::string expected =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"480\" viewBox=\"0 0 640 480\">\n"
        "<rect width=\"640\" height=\"480\" fill=\"#ffffff\"/>\n"
        "<rect x=\"1\" y=\"2\" width=\"10\" height=\"19\" fill=\"#ff0000\" data-range=\"20-47\" data-call=\"1\"/>\n"
        "<ellipse cx=\"50.5\" cy=\"60.5\" rx=\"5\" ry=\"5\" stroke=\"#ff0000\" stroke-opacity=\"0.5\" fill=\"none\" "
        "stroke-width=\"1\" data-range=\"68-90\" data-call=\"3\"/>\n"
        "<defs><linearGradient id=\"g2\" gradientUnits=\"userSpaceOnUse\" x1=\"0.5\" y1=\"0.5\" x2=\"9.5\" y2=\"0.5\">"
        "<stop offset=\"0\" stop-color=\"#ff0000\"/><stop offset=\"1\" stop-color=\"#00ff00\"/></linearGradient></defs>\n"
        "<line x1=\"0.5\" y1=\"0.5\" x2=\"9.5\" y2=\"0.5\" stroke=\"url(#g2)\" stroke-width=\"1\" stroke-opacity=\"0.5\" "
        "stroke-linecap=\"square\" data-range=\"91-125\" data-call=\"4\"/>\n"
        "<text xml:space=\"preserve\" font-family=\"monospace\" font-size=\"13.33\" fill=\"#ff0000\" fill-opacity=\"0.5\" "
        "data-range=\"126-146\" data-call=\"5\"><tspan x=\"3\" y=\"16\">a&lt;b</tspan></text>\n"
        "</svg>\n";
    const HostRun run = run_host(host);
    EXPECT_EQ(frame_svg(run), expected);
    EXPECT_EQ(frame_svg(run_host(host)), frame_svg(run));
}

TEST(PreviewSvg, ShapesPastTheCapAreNamedInAComment) {
    Settings settings;
    settings.shape_limit = 1;
    const std::string svg = frame_svg(run_host("draw_point(0,0)\ndraw_point(1,1)\ndraw_point(2,2)\n", settings));
    EXPECT_NE(svg.find("<!-- 2 more shapes are drawn on the canvas but not listed -->\n</svg>\n"), std::string::npos);
    EXPECT_NE(svg.find("<rect x=\"0\" y=\"0\" width=\"1\" height=\"1\" fill=\"#000000\" data-range=\"0-15\" data-call=\"0\"/>"),
              std::string::npos);
}

TEST(PreviewSvg, TextBytesAreEscaped) {
    const std::string svg = frame_svg(run_host("draw_text(0,0,\"&\x01\xe9>\")\n"));
    EXPECT_NE(svg.find(">&amp;&#xFFFD;&#233;&gt;</tspan>"), std::string::npos) << svg;
}

}  // namespace
}  // namespace kelvo::test
