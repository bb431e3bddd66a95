// The definitions of a run: written into room in front of the main code as
// they come when nothing listens, waiting apart when a listener is told
// offsets into the main code. Held against results written out by the rules
// of the language (each definition name='body' in front, in the order of its
// `end`, a line feed for each `function` line in the main code), for files
// read in pieces of every size, and against the run with a listener.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/stored_definitions.h"
#include "library/run.h"
#include "test_support.h"

namespace kelvo {
namespace {

// ---- the store alone -------------------------------------------------------

TEST(StoredDefinitions, WithoutRoomTheyWaitAndGoInFrontAtTheEnd) {
    StoredDefinitions store;
    std::string result;
    store.begin(result, false);
    result += "m1\n";
    store.store("a", "p=argument0\n", "x\n");
    store.store("b", "", "\ny\n");
    EXPECT_FALSE(store.wants_room());
    store.make_room(10, 100);
    EXPECT_EQ(store.main_code_begins(), 0u);
    EXPECT_EQ(store.waiting(), "a='p=argument0\nx\n'\nb='\ny\n'\n");
    result += "m2\n";
    store.finish();
    EXPECT_EQ(result, "a='p=argument0\nx\n'\nb='\ny\n'\nm1\nm2\n");
    EXPECT_EQ(store.waiting(), "");
    EXPECT_EQ(store.first_name(), "a");
}

TEST(StoredDefinitions, AFewSmallOnesWaitWithoutMovingTheMainCode) {
    StoredDefinitions store;
    std::string result;
    store.begin(result, true);
    for (int i = 0; i < 100; ++i) {
        result += "m\n";
        store.store("s", "", "1\n");
        ASSERT_TRUE(store.wants_room());
        store.make_room(static_cast<std::size_t>(i + 1) * 10, 100'000);
        ASSERT_EQ(store.main_code_begins(), 0u);
    }
    store.finish();
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += "s='1\n'\n";
    for (int i = 0; i < 100; ++i) expected += "m\n";
    EXPECT_EQ(result, expected);
}

TEST(StoredDefinitions, RoomIsMadeAndFilledAndWhatIsLeftIsClosed) {
    StoredDefinitions store;
    std::string result;
    store.begin(result, true);
    result += "m1\n";
    const std::string big(5000, 'x');
    store.store("big", "", big);
    store.make_room(100, 10'000);
    EXPECT_FALSE(store.wants_room());
    const std::size_t main_begins = store.main_code_begins();
    ASSERT_GT(main_begins, 5007u);
    EXPECT_EQ(result.substr(0, 5007), "big='" + big + "'\n");
    EXPECT_EQ(result.substr(main_begins), "m1\n");
    store.store("s", "q=argument0\n", "2\n");  // fits: written in front at once
    EXPECT_EQ(store.waiting(), "");
    EXPECT_EQ(store.main_code_begins(), main_begins);
    result += "m2\n";
    store.finish();
    EXPECT_EQ(result, "big='" + big + "'\ns='q=argument0\n2\n'\nm1\nm2\n");
    EXPECT_EQ(store.first_name(), "big");
}

// A definition too big for the room left waits, and every one after it waits
// behind it, also one that would fit.
TEST(StoredDefinitions, OneThatDoesNotFitKeepsTheOrder) {
    StoredDefinitions store;
    std::string result;
    store.begin(result, true);
    result += "m1\n";
    store.store("a", "", std::string(5000, 'a'));
    store.make_room(100, 10'000);
    const std::size_t room = store.main_code_begins() - 5005;
    store.store("b", "", std::string(room, 'b'));
    EXPECT_EQ(store.waiting().size(), room + 5);
    store.store("c", "", "c");
    EXPECT_EQ(store.waiting(), "b='" + std::string(room, 'b') + "'\nc='c'\n");
    store.finish();
    EXPECT_EQ(result, "a='" + std::string(5000, 'a') + "'\nb='" + std::string(room, 'b') + "'\nc='c'\nm1\n");
}

TEST(StoredDefinitions, OnceTheWholeSourceIsReadTheEndMakesTheRoom) {
    StoredDefinitions store;
    std::string result;
    store.begin(result, true);
    result += "m1\n";
    store.store("a", "", std::string(5000, 'a'));
    store.make_room(10'000, 10'000);
    EXPECT_EQ(store.main_code_begins(), 0u);
    EXPECT_TRUE(store.wants_room());
    store.finish();
    EXPECT_EQ(result, "a='" + std::string(5000, 'a') + "'\nm1\n");
}

// The room grows within what the result has reserved, where that leaves
// room for the main code still to come: the result is not moved.
TEST(StoredDefinitions, RoomStaysWithinTheReserve) {
    StoredDefinitions store;
    std::string result;
    result.reserve(100'000);
    const char* const buffer = result.data();
    store.begin(result, true);
    result.append(30'000, 'm');
    store.store("a", "", std::string(5000, 'a'));
    store.make_room(40'000, 50'000);
    EXPECT_FALSE(store.wants_room());
    EXPECT_EQ(result.data(), buffer);
    EXPECT_LE(store.main_code_begins() + 30'000 + 7'500, result.capacity());
    store.finish();
    EXPECT_EQ(result, "a='" + std::string(5000, 'a') + "'\n" + std::string(30'000, 'm'));
}

// Outside a run (no result to write into) definitions wait; the reset
// forgets them and the first name.
TEST(StoredDefinitions, ClearForgetsEverything) {
    StoredDefinitions store;
    store.store("a", "", "1\n");
    EXPECT_EQ(store.waiting(), "a='1\n'\n");
    store.clear();
    EXPECT_EQ(store.waiting(), "");
    EXPECT_EQ(store.first_name(), "");
    store.store("b", "", "");
    EXPECT_EQ(store.first_name(), "b");
    EXPECT_EQ(store.waiting(), "b=''\n");
}

// ---- whole runs ------------------------------------------------------------

// A scratch file for the source, removed afterwards.
class SourceFile {
public:
    explicit SourceFile(const std::string& bytes)
        : path_(std::filesystem::temp_directory_path() /
                ("kelvo_definitions_" + std::to_string(::getpid()) + "_" + std::to_string(count_++) + ".txt")) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file == nullptr) return;
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        EXPECT_EQ(std::fclose(file), 0);
    }
    ~SourceFile() { std::filesystem::remove(path_); }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    const char* path() const { return path_.c_str(); }

private:
    static inline int count_ = 0;
    std::filesystem::path path_;
};

struct Outcome {
    std::string result;
    std::string errors;
    std::string standard_output;  // the argument counts of `end`
    bool operator==(const Outcome&) const = default;
};

// A run as Parser makes it, with nothing listening, over the file read
// `piece` bytes at a time; standard output taken for the run.
Outcome plain_run(const SourceFile& file, std::size_t piece) {
    Outcome out;
    const std::size_t errors_before = state.error_text.size();
    out.standard_output = test::captured_standard_output([&] { out.result = translate_file(file.path(), piece); });
    out.errors = state.error_text.substr(errors_before);
    return out;
}

// The same bytes given whole to a run with a listener, which keeps the
// definitions apart until the end: the plain reading of the file.
Outcome told_run(const std::string& bytes) {
    test::Recorder recorder;
    state.listener = &recorder;
    Outcome out;
    const std::size_t errors_before = state.error_text.size();
    out.result = translate(bytes);
    out.errors = state.error_text.substr(errors_before);
    for (const std::int32_t count : recorder.counts) out.standard_output += std::to_string(count) + "\n";
    state.listener = nullptr;
    return out;
}

// Both runs over `source`, from a freshly loaded library: the plain one over
// pieces of each size, and the one with a listener.
void expect_runs_give(const std::string& source, const Outcome& expected, const std::vector<std::size_t>& pieces) {
    const SourceFile file(source);
    for (const std::size_t piece : pieces) {
        restore_loaded_state();
        EXPECT_EQ(plain_run(file, piece), expected) << "piece " << piece;
    }
    restore_loaded_state();
    EXPECT_EQ(told_run(source), expected);
    restore_loaded_state();
}

// Three thousand small definitions, each among main code and each across
// the boundaries of small pieces: the room is made several times over.
TEST(DefinitionRuns, ManySmallOnesAmongMainCode) {
    std::string source;
    Outcome expected;
    std::string main_code;
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string(i);
        source += "function s" + n + " 1 p\nreturn p\nend\nabs " + n + "\n";
        // After the first, each body begins with the empty line of the `end` before it.
        expected.result += "s" + n + "='p=argument0\n" + (i == 0 ? "" : "\n") + "return(p)\n'\n";
        main_code += "\nabs(" + n + ")\n";
        expected.standard_output += "1\n";
    }
    expected.result += main_code;
    expect_runs_give(source, expected, {1, 7, 64, 4096, reading_piece});
}

// One definition of nearly a megabyte, three times the piece Parser reads,
// between main code; then a short one, which fits in front.
TEST(DefinitionRuns, OneLongerThanAPiece) {
    std::string source = "abs 1\nfunction big 2 a b\n";
    std::string body = "a=argument0\nb=argument1\n";
    for (int i = 0; i < 100'000; ++i) {
        source += "sqrt " + std::to_string(i % 1000) + "\n";
        body += "sqrt(" + std::to_string(i % 1000) + ")\n";
    }
    source += "end\nabs 2\nfunction small 0\nreturn 3\nend\nabs 4";
    const Outcome expected{"big='" + body + "'\nsmall='\nreturn(3)\n'\nabs(1)\n\nabs(2)\n\nabs(4)\n", "", "2\n0\n"};
    ASSERT_GT(source.size(), 3 * reading_piece);
    expect_runs_give(source, expected, {4096, reading_piece});
}

// A definition left open at the end is not in that run's result; the next
// run begins inside it and its first `end` stores it under the kept name,
// with only the next run's text and no prologue.
TEST(DefinitionRuns, OneLeftOpenAtTheEnd) {
    std::string source;
    std::string definitions;
    std::string main_code;
    for (int i = 0; i < 2000; ++i) {
        const std::string n = std::to_string(i);
        source += "function s" + n + " 0\nabs " + n + "\nend\n";
        definitions += "s" + n + "='" + (i == 0 ? "" : "\n") + "abs(" + n + ")\n'\n";
        main_code += "\n";
    }
    source += "abs 9\nfunction open 1 q\nreturn sqrt q\n";
    Outcome expected{definitions + main_code + "abs(9)\n\n", "", ""};
    for (int i = 0; i < 2000; ++i) expected.standard_output += "0\n";
    for (const std::size_t piece : {std::size_t{64}, reading_piece}) {
        restore_loaded_state();
        const SourceFile first(source);
        EXPECT_EQ(plain_run(first, piece), expected) << "piece " << piece;
        EXPECT_TRUE(state.in_script);
        const SourceFile second("abs 5\nend\nabs 6\n");
        EXPECT_EQ(plain_run(second, piece), (Outcome{"open='abs(5)\n'\nabs(6)\n", "", ""})) << "piece " << piece;
        EXPECT_FALSE(state.in_script);
    }
    restore_loaded_state();
}

// Generated sources of many definitions: of every length, nested `function`
// lines, short parameter lists, a refused name, `end` inside main lines and
// inside definition lines, left open at the end. The run with nothing
// listening, over pieces of every size, translates like the plain reading.
std::string many_definitions(std::mt19937& random) {
    static const std::vector<std::string> lines = {
        "abs 1", "sqrt pi", "x = 2", "var x 0", "circle 1 2 3 4", "print 1 2 \"a;b\"", "abs end", "a", "b",
        "return a", "if a - 1", "{", "}", "undefined", "// only a comment", "abs 2 // and a comment", "f 1 2",
        "g 3", "", "sqrt end", "abs 1; abs 2; abs 3"};
    std::string out;
    const int parts = 50 + static_cast<int>(random() % 400);
    for (int i = 0; i < parts; ++i) {
        switch (random() % 8) {
            case 0: out += "function f 2 a b\n"; break;
            case 1: out += "function g 1 a\n"; break;
            case 2: out += "function h 3 a\n"; break;  // too few names: closes again
            case 3: out += "function pi 0\n"; break;   // a refused name: stays open
            case 4: out += "end\n"; break;
            default: {
                const int length = static_cast<int>(random() % (random() % 8 == 0 ? 400 : 12));
                for (int j = 0; j < length; ++j) out += lines[random() % lines.size()] + "\n";
            }
        }
    }
    return out;
}

TEST(DefinitionRuns, PlainRunOverPiecesTranslatesLikeThePlainReading) {
    std::mt19937 random(41);
    for (int round = 0; round < 60; ++round) {
        const std::string source = many_definitions(random);
        restore_loaded_state();
        const Outcome expected = told_run(source);
        const SourceFile file(source);
        for (const std::size_t piece : {std::size_t{5}, std::size_t{64}, std::size_t{4096}, reading_piece}) {
            restore_loaded_state();
            ASSERT_EQ(plain_run(file, piece), expected) << "piece " << piece << ", round " << round;
        }
    }
    restore_loaded_state();
}

}  // namespace
}  // namespace kelvo
