// The preview host over host texts no one wrote by hand: the translations
// of the translate fuzzer's seeds and of generated scripts must run within
// the preview's rules and link to their sources (fuzz/preview_checks.h), and the examples' host texts
// must run with the faults they hold and no other.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "library/session.h"
#include "preview/preview.h"
#include "preview_checks.h"
#include "seeded_random.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

preview::Settings small_budget() {
    preview::Settings settings;
    settings.step_budget = 100'000;
    return settings;
}

TEST(PreviewOverFuzzSeeds, EveryTranslationRunsWithinTheRules) {
    std::vector<fs::path> seeds;
    for (const auto& entry : fs::directory_iterator(fs::path(KELVO_SOURCE_DIR) / "fuzz/corpus/translate")) {
        seeds.push_back(entry.path());
    }
    std::sort(seeds.begin(), seeds.end());
    ASSERT_GE(seeds.size(), 40U);
    const preview::Settings settings = small_budget();
    for (const fs::path& seed : seeds) {
        const Analysis analysis = analyse(slurp(seed));
        const preview::LinkedRun linked = preview::run_linked(analysis, settings);
        EXPECT_EQ(fuzz::preview_problem(linked.run, analysis.host, settings), "") << seed.filename();
        EXPECT_EQ(fuzz::linked_problem(analysis, linked), "") << seed.filename();
    }
}

// Lines of words the translator knows and words it does not, at random.
std::string generated_source(SeededRandom& random) {
    static const std::vector<std::string> words = {
        "var", "x", "y", "function", "f", "end", "if", "while", "repeat", "do", "switch", "case", "default", "break",
        "continue", "return", "{", "}", "else", "=", "+", "-", "*", "/", "%", "+=", "-=", "1", "0", "255", "7",
        "\"a'b\"", "\"text\"", "circle", "line", "print", "message", "color", "alpha", "rgb", "merge_color",
        "power", "degtorad", "sqrt", "random", "text_copy", "text_length", "primitive_begin", "vertex",
        "primitive_end", "trianglelist", "red", "white", "c_minute", "clipboard_get", "exit", "nosuch", "pi", ";"};
    std::string source;
    const std::size_t lines = 1 + random.below(30);
    for (std::size_t line = 0; line < lines; ++line) {
        const std::size_t count = 1 + random.below(8);
        for (std::size_t i = 0; i < count; ++i) source += words[random.below(words.size())] + " ";
        source += "\n";
    }
    return source;
}

TEST(PreviewOverGeneratedScripts, EveryTranslationRunsWithinTheRules) {
    SeededRandom random(20261209, 1);
    preview::Settings settings = small_budget();
    settings.step_budget = 20'000;
    std::size_t ran = 0;
    for (int i = 0; i < 1000; ++i) {
        const Analysis analysis = analyse(generated_source(random));
        const preview::LinkedRun linked = preview::run_linked(analysis, settings);
        ASSERT_EQ(fuzz::preview_problem(linked.run, analysis.host, settings), "") << analysis.host;
        ASSERT_EQ(fuzz::linked_problem(analysis, linked), "") << analysis.source;
        ran += linked.run.ran ? 1 : 0;
    }
    EXPECT_GT(ran, 20U);  // some scripts of words at random can be read, and so run
}

// The examples' host texts, checked by hand: only the demo holds a fault,
// its merge_color with two arguments.
TEST(PreviewOverExamples, TheExamplesRunWithTheirFaultsAndNoOther) {
    std::size_t examples = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(KELVO_SOURCE_DIR) / "examples/expected")) {
        if (entry.path().extension() != ".host") continue;
        ++examples;
        const std::string host = slurp(entry.path());
        const preview::HostRun run = preview::run_host(host);
        const std::string name = entry.path().stem().string();
        EXPECT_TRUE(run.ran) << name;
        EXPECT_FALSE(run.out_of_steps) << name;
        EXPECT_FALSE(run.trace.empty()) << name;
        if (name == "demo") {
            ASSERT_EQ(run.faults.size(), 1U);
            EXPECT_EQ(run.faults[0].kind, preview::FaultKind::wrong_argument_count);
            EXPECT_EQ(run.faults[0].name, "merge_color");
        } else {
            EXPECT_TRUE(run.faults.empty()) << name << ": " << preview::fault_message(run.faults[0]);
        }
        EXPECT_EQ(fuzz::preview_problem(run, host, preview::Settings{}), "") << name;
    }
    EXPECT_EQ(examples, 7U);
}

}  // namespace
}  // namespace kelvo::test
