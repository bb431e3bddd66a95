// The preview's linked layer: the host's argument counts found in host text
// alone, a host range at its source term, the run linked whole, the shapes
// under each pixel, and how a call is written. Every expectation is written
// by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/analysis.h"
#include "preview/linked/linked.h"

namespace kelvo::test {
namespace {

using namespace kelvo::preview;

// ---- argument counts from the host text alone

struct CountCase {
    const char* what;
    std::string host;
    std::vector<std::string> found;  // each call's text, its given count
};

std::vector<std::string> found_in(const std::string& host) {
    std::vector<std::string> found;
    for (const ArgumentCountCall& call : argument_count_calls(host)) {
        found.push_back(host.substr(call.range.begin, call.range.end - call.range.begin) + " " + std::to_string(call.given) +
                        " " + std::string(host_functions()[call.function].name));
    }
    return found;
}

TEST(PreviewArgumentCounts, FoundInTheHostTextAlone) {
    const std::string long_text(3 << 20, 'x');
    const CountCase cases[] = {
        {"none", "draw_circle(1,2,3,0)\nx = max(1,2,3)\ngame_end()\n", {}},
        {"the four the vocabulary writes", "x=power(2)\nx=degtorad(1,2)\nx=radtodeg(1,2)\ndraw_set_color(merge_color(255,55295))\n",
         {"power(2) 1 power", "degtorad(1,2) 2 degtorad", "radtodeg(1,2) 2 radtodeg", "merge_color(255,55295) 2 merge_color"}},
        {"nested: both, in the order of the text", "x = abs(power(1),2)\n", {"abs(power(1),2) 2 abs", "power(1) 1 power"}},
        {"no argument where one is taken", "show_message()\n", {"show_message() 0 show_message"}},
        {"an empty argument still counts", "draw_circle(,0,0)\n", {"draw_circle(,0,0) 3 draw_circle"}},
        {"a range of counts", "x = min(1)\nx = max(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)\n",
         {"max(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17) 17 max"}},
        {"a script of more than sixteen parameters", "execute_string(f,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)\n",
         {"execute_string(f,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17) 18 execute_string"}},
        {"in the body of a script", "f='x=power(3)\nreturn(x)\n'\n\nexecute_string(f, 0)\n", {"power(3) 1 power"}},
        {"not in a double-quoted text", "show_message(\"power(2)\")\n", {}},
        {"not a function the host lacks, nor a statement", "nosuch(1,2)\nif(1) x=1\nrepeat(3) x=1\n", {}},
        {"in the head of a statement", "if(power(1)) x=1\n", {"power(1) 1 power"}},
        {"across a line feed inside the brackets", "x = power(1\n)\n", {"power(1\n) 1 power"}},
        {"a bracket that closes nothing, and one never closed", ")\nx = power(2\n", {}},
        {"after a text longer than a piece", "x = \"" + long_text + "\"\nx = power(2)\n", {"power(2) 1 power"}},
        {"inside a body longer than a piece", "f='" + long_text + "\npower(4)\n'\n", {"power(4) 1 power"}},
    };
    for (const CountCase& c : cases) EXPECT_EQ(found_in(c.host), c.found) << c.what;
}

// ---- host ranges at their source terms

std::string place_text(const Analysis& a, const SourcePlace& place) {
    if (!place.found) return "nowhere";
    return std::to_string(place.position.line) + ":" + std::to_string(place.position.column) + " " +
           std::string(a.bytes(place.term_bytes)) + (place.term < 0 ? " (a word)" : "");
}

std::string at(const Analysis& a, const SourceLinks& links, std::string_view host_part, std::size_t from = 0) {
    const std::size_t begin = a.host.find(host_part, from);
    EXPECT_NE(begin, std::string::npos) << host_part;
    return place_text(a, links.at({begin, begin + host_part.size()}));
}

TEST(PreviewSourceLinks, ARangeBelongsToTheInnermostTermThatHoldsIt) {
    const Analysis a = analyse("function f 1 p\nreturn sqrt p\nend\nvar x 0\nx = f abs 4\ncolor merge_color red gold\n");
    ASSERT_EQ(a.host, "f='p=argument0\nreturn(sqrt(p))\n'\n\nx = 0\nx=execute_string(f,abs(4))\n"
                      "draw_set_color(merge_color(255,55295))\n");
    const SourceLinks links(a);
    EXPECT_EQ(at(a, links, "merge_color(255,55295)"), "6:7 merge_color red gold");
    EXPECT_EQ(at(a, links, "draw_set_color(merge_color(255,55295))"), "6:1 color merge_color red gold");
    EXPECT_EQ(at(a, links, "55295"), "6:23 gold");
    EXPECT_EQ(at(a, links, "execute_string(f,abs(4))"), "5:5 f abs 4");
    EXPECT_EQ(at(a, links, "abs(4)"), "5:7 abs 4");
    // In the body, the line it came from.
    EXPECT_EQ(at(a, links, "sqrt(p)"), "2:8 sqrt p");
    // A range no term holds whole: the term that holds its first byte.
    const std::size_t call = a.host.find("abs(4)");
    EXPECT_EQ(place_text(a, links.at({call, a.host.size()})), "5:7 abs 4");
    // The prologue line: its parameter name on the function line, a word.
    EXPECT_EQ(at(a, links, "p=argument0"), "1:14 p (a word)");
    // The closing quote of the body: no source line wrote it.
    EXPECT_EQ(place_text(a, links.at({a.host.find("'\n"), a.host.find("'\n") + 1})), "nowhere");
}

TEST(PreviewSourceLinks, TheRunLinkedWhole) {
    const Analysis a = analyse("circle 10 10 5 false\nmessage \"hi\"\n");
    const LinkedRun linked = run_linked(a);
    ASSERT_EQ(linked.run.trace.size(), 2u);
    ASSERT_EQ(linked.trace.size(), 2u);
    EXPECT_EQ(place_text(a, linked.trace[0]), "1:1 circle 10 10 5 false");
    EXPECT_EQ(place_text(a, linked.trace[1]), "2:1 message \"hi\"");
    ASSERT_EQ(linked.shapes.size(), 1u);
    EXPECT_EQ(place_text(a, linked.shapes[0]), "1:1 circle 10 10 5 false");
    ASSERT_EQ(linked.messages.size(), 1u);
    EXPECT_EQ(place_text(a, linked.messages[0]), "2:1 message \"hi\"");
    EXPECT_TRUE(linked.faults.empty());
}

// ---- the argument counts as warnings, and merged with the translation's

TEST(PreviewHostChecks, WarningsAtTheirTermsMergedByPlace) {
    const Analysis a = analyse("message zz\nmessage power 2\nmessage zz\nmessage zz abs\n");
    const HostChecks checks = host_checks(a);
    ASSERT_EQ(checks.findings.size(), 1u);
    const Report& r = checks.findings[0].report;
    EXPECT_EQ(r.code, Code::host_argument_count);
    EXPECT_EQ(r.severity(), Severity::warning);
    EXPECT_EQ(r.position().line, 2u);
    EXPECT_EQ(r.position().column, 9u);
    EXPECT_EQ(r.length(), 5u);
    EXPECT_EQ(report_text(r), "'power' takes 2 arguments in the host, not 1: the engine rejects this call when it runs");
    EXPECT_EQ(code_name(r.code), "host-argument-count");
    std::vector<std::string> merged;
    for (const Finding* f : merged_findings(a, checks)) merged.push_back(std::to_string(f->report.position().line) + " " +
                                                                         std::string(code_name(f->code())));
    // An operand left empty by the unknown word follows it as its note.
    EXPECT_EQ(merged, (std::vector<std::string>{"1 unknown-variable", "1 empty-operand", "2 host-argument-count",
                                                "3 unknown-variable", "3 empty-operand", "4 unknown-variable",
                                                "4 empty-operand", "4 words-left"}));
}

// ---- which shape drew each pixel

TEST(PreviewShapeOwners, TheLastShapeOverAPixelOwnsIt) {
    const Analysis a = analyse("circle 100 100 10 false\nrectangle 100 100 120 120 false\ncircle 300 300 10 true\n");
    const LinkedRun linked = run_linked(a);
    ASSERT_EQ(linked.run.shapes.size(), 3u);
    const std::vector<std::uint32_t> owners = shape_owners(linked.run);
    ASSERT_EQ(owners.size(), 640u * 480u);
    const auto owner = [&](int x, int y) { return owners[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)]; };
    EXPECT_EQ(owner(95, 95), 1u);    // the first circle alone
    EXPECT_EQ(owner(100, 100), 2u);  // under the rectangle drawn after it
    EXPECT_EQ(owner(120, 120), 2u);  // the rectangle's far corner
    EXPECT_EQ(owner(310, 300), 3u);  // on the outline of the last circle
    EXPECT_EQ(owner(300, 300), 0u);  // inside the outline: nothing drawn
    EXPECT_EQ(owner(0, 0), 0u);
}

// ---- a call as one line

TEST(PreviewCallText, NamesArgumentsAndWhatItGave) {
    const Analysis a = analyse("message sqrt 16\nvar n 0\nn -= 1\nmessage sqrt n\n");
    const LinkedRun linked = run_linked(a);
    std::vector<std::string> lines;
    for (const TraceEntry& entry : linked.run.trace) lines.push_back(call_text(linked.run, entry));
    EXPECT_EQ(lines, (std::vector<std::string>{"sqrt(16) => 4", "show_message(4)", "sqrt(-1) => host-math-error"}));
    TracedValue text;
    text.kind = TracedValue::Kind::text;
    text.text = std::string("a\"\\\n\x1b") + std::string(40, 'z');
    text.length = 100;
    // The first 32 bytes shown: five before the z, then 27 of them.
    EXPECT_EQ(value_text(text), "\"a\\\"\\\\\\n\\x1bzzzzzzzzzzzzzzzzzzzzzzzzzzz\"...(100 bytes)");
    EXPECT_EQ(shown_code(FaultKind::step_budget), "host-step-budget");
}

}  // namespace
}  // namespace kelvo::test
