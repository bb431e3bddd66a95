// Allocation failures inside the exports, with the counting allocator of this
// executable: every allocation of a small run is made to fail in turn. The
// library must report "Internal error", leak nothing, and translate the next
// run as if nothing had happened.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "KelvoScriptparser.h"
#include "core/messages.h"
#include "core/state.h"
#include "library/run.h"
#include "counting_allocator.h"
#include "scratch_directory.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

namespace alloc = allocator;

constexpr std::string_view internal_error = "Internal error\n";

// Touches definitions, parameters, variables, script calls, a string global,
// quoted text and messages with and without detail.
constexpr std::string_view small_run =
    "function f 1 a\n"
    "return a\n"
    "end\n"
    "var x 5\n"
    "circle x 2 f 3 \"hi there\"\n"
    "who\n"
    "oops\n"
    "an_unknown_word_longer_than_any_short_text\n"
    "function g -1\n"
    "end\n"
    "abs\n";

class AllocationFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ScratchDirectory::write("test.txt", std::string(small_run));
        prepare();
        Parser();  // the first run of the process also makes the runtime's one-time allocations
        restore_loaded_state();
        baseline_ = alloc::live_allocations();
    }
    void TearDown() override {
        alloc::disarm();
        restore_loaded_state();
    }

    // A freshly loaded library with the host's global argument set.
    static void prepare() {
        restore_loaded_state();
        state.listener = &silent;
        Parser_add_global_arg_string("who", "Ann");
    }

    // The messages of a failed run: those the whole run reports, cut after
    // some whole message, then "Internal error".
    static void expect_cut_short(std::string_view errors, std::string_view full_run, std::size_t n) {
        ASSERT_GE(errors.size(), internal_error.size()) << "allocation " << n;
        EXPECT_EQ(errors.substr(errors.size() - internal_error.size()), internal_error) << "allocation " << n;
        const std::string_view before = errors.substr(0, errors.size() - internal_error.size());
        EXPECT_EQ(full_run.substr(0, before.size()), before) << "allocation " << n;
        EXPECT_TRUE(before.empty() || before.back() == '\n') << "allocation " << n << ": a message was cut";
    }

    // One run with memory to spare: what every later run must give again,
    // and how many allocations it makes. The live allocations after it,
    // with the state restored, are the baseline every failed run returns to.
    struct Reference {
        std::string text;
        std::string errors;
        std::size_t allocations = 0;
    };
    Reference reference_run() {
        prepare();
        const std::size_t first = alloc::allocations();
        const char* text = Parser();
        Reference reference;
        reference.allocations = alloc::allocations() - first;  // the run's own, not the copies below
        reference.text = text;
        reference.errors = state.error_text;
        restore_loaded_state();
        baseline_ = alloc::live_allocations();
        return reference;
    }

    ScratchDirectory directory_;
    std::size_t baseline_ = 0;
};

TEST_F(AllocationFailure, EveryAllocationOfARunMayFailAndTheNextRunIsRight) {
    const auto [expected, expected_errors, run_allocations] = reference_run();
    ASSERT_NE(expected.find("execute_string(f,3)"), std::string::npos) << expected;
    ASSERT_GT(run_allocations, 10u);

    for (std::size_t n = 1; n <= run_allocations; ++n) {
        prepare();
        alloc::fail_at(n);
        const char* failed = Parser();
        alloc::disarm();
        ASSERT_TRUE(alloc::refused()) << "allocation " << n;
        EXPECT_STREQ(failed, "") << "allocation " << n;
        expect_cut_short(Parser_last_error(), expected_errors, n);
        EXPECT_FALSE(state.in_script) << "allocation " << n << ": the failed run left a definition open";

        const std::size_t errors_before = state.error_text.size();
        EXPECT_EQ(std::string(Parser()), expected) << "allocation " << n;
        EXPECT_EQ(state.error_text.substr(errors_before), expected_errors) << "allocation " << n;
        EXPECT_EQ(ScratchDirectory::read("temp.txt"), expected) << "allocation " << n;

        restore_loaded_state();
        ASSERT_EQ(alloc::live_allocations(), baseline_) << "allocation " << n << " leaked";
    }
}

TEST_F(AllocationFailure, NoMemoryLeftAtAllFromSomePointOn) {
    const auto [expected, expected_errors, run_allocations] = reference_run();

    for (std::size_t n = 1; n <= run_allocations; ++n) {
        prepare();
        alloc::fail_at(n, true);
        const char* failed = Parser();
        alloc::disarm();
        EXPECT_STREQ(failed, "") << "allocation " << n;
        // "Internal error" itself may find no room; whatever is there is whole.
        const std::string_view errors = Parser_last_error();
        if (errors.size() >= internal_error.size() &&
            errors.substr(errors.size() - internal_error.size()) == internal_error) {
            expect_cut_short(errors, expected_errors, n);
        } else {
            EXPECT_EQ(expected_errors.substr(0, errors.size()), errors) << "allocation " << n;
            EXPECT_TRUE(errors.empty() || errors.back() == '\n') << "allocation " << n << ": a message was cut";
        }
        EXPECT_EQ(std::string(Parser()), expected) << "allocation " << n;

        restore_loaded_state();
        ASSERT_EQ(alloc::live_allocations(), baseline_) << "allocation " << n << " leaked";
    }
}

TEST_F(AllocationFailure, GlobalArgumentsThatFindNoRoomAreReportedAndCanBeGivenAgain) {
    const std::string long_value(1000, 'v');  // beyond any small-string buffer
    ScratchDirectory::write("test.txt", "a_rather_long_global_name_beyond_small_strings\n");
    for (const bool real : {true, false}) {
        const auto give = [real](const char* name, const char* value) {
            return real ? Parser_add_global_arg_real(name, value) : Parser_add_global_arg_string(name, value);
        };
        prepare();
        const std::size_t first = alloc::allocations();
        give("a_rather_long_global_name_beyond_small_strings", long_value.c_str());
        const std::size_t call_allocations = alloc::allocations() - first;
        ASSERT_GE(call_allocations, 2u);
        restore_loaded_state();
        baseline_ = alloc::live_allocations();

        for (std::size_t n = 1; n <= call_allocations; ++n) {
            prepare();
            alloc::fail_at(n);
            const double returned = give("a_rather_long_global_name_beyond_small_strings", long_value.c_str());
            alloc::disarm();
            EXPECT_TRUE(alloc::refused()) << "allocation " << n;
            EXPECT_EQ(returned, 0.0);
            EXPECT_EQ(std::string(Parser_last_error()), internal_error) << "allocation " << n;
            EXPECT_EQ(give("a_rather_long_global_name_beyond_small_strings", "7"), 0.0);
            EXPECT_EQ(std::string(Parser()), real ? "7\n" : "\"7\"\n") << "allocation " << n;
            restore_loaded_state();
            ASSERT_EQ(alloc::live_allocations(), baseline_) << "allocation " << n << " leaked";
        }
    }
}

TEST(MessageUnderAllocationFailure, IsStoredWholeOrNotAtAll) {
    // Every allocation that reporting one message makes is refused in turn,
    // with the error text full to its capacity so that each append must grow it.
    const std::string detail(100, 'd');
    const std::string message = "Unknown variable: " + detail + "\n";
    for (std::size_t n = 1; n <= 8; ++n) {
        restore_loaded_state();
        state.error_text.assign(state.error_text.capacity(), 'e');
        state.error_text.back() = '\n';
        const std::string before = state.error_text;
        bool thrown = false;
        alloc::fail_at(n);
        try {
            report(Code::unknown_variable, detail);
        } catch (const std::bad_alloc&) {
            thrown = true;
        }
        alloc::disarm();
        if (thrown) {
            EXPECT_EQ(state.error_text, before) << "allocation " << n;
        } else {
            EXPECT_EQ(state.error_text, before + message) << "allocation " << n;
        }
    }
    restore_loaded_state();
}

// How many runs the steady-memory test makes; valgrind runs it with fewer.
std::size_t steady_runs() {
    const char* text = std::getenv("KELVO_STEADY_RUNS");
    return text == nullptr ? 100000 : std::strtoull(text, nullptr, 10);
}

TEST(SteadyMemory, ManyRunsInOneProcessHoldNoMoreMemoryThanTheFirst) {
    ScratchDirectory directory;
    ScratchDirectory::write("test.txt", std::string(small_run));
    restore_loaded_state();
    state.listener = &silent;
    Parser_add_global_arg_string("who", "Ann");
    Parser_add_global_arg_real("speed", "2");
    const std::string expected = Parser();
    const std::size_t runs = steady_runs();
    // The error text grows by design; everything else must stay as it was
    // after the first few runs.
    const auto held = [] { return alloc::live_bytes() - (state.error_text.capacity() + 1); };
    for (int warm_up = 0; warm_up < 10; ++warm_up) Parser();
    const std::size_t live_after_warm_up = alloc::live_allocations();
    const std::size_t held_after_warm_up = held();
    for (std::size_t run = 0; run < runs; ++run) {
        const char* result = Parser();
        if (expected != result) FAIL() << "run " << run << " gave other text";
    }
    EXPECT_EQ(alloc::live_allocations(), live_after_warm_up);
    EXPECT_EQ(held(), held_after_warm_up);
    restore_loaded_state();
}

// Every variable and parameter name of a run is listed for the run reset.
// That list must grow by doubling: grown by one at a time, a run with many
// names copied the whole list once per name.
TEST(RunScopedNames, TakeFarFewerAllocationsThanNames) {
    constexpr std::size_t names = 20000;
    std::string source;
    for (std::size_t i = 0; i < names; ++i) source += "var v" + std::to_string(i) + " 1\n";
    restore_loaded_state();
    state.listener = &silent;
    kelvo::translate(std::string("var warm 1\n"));  // the tables of the vocabulary
    const std::size_t before = alloc::allocations();
    kelvo::translate(std::move(source));
    EXPECT_LT(alloc::allocations() - before, names / 10);
    EXPECT_EQ(state.names.find("v19999")->variable(), "1");
    restore_loaded_state();
}

}  // namespace
}  // namespace kelvo::test
