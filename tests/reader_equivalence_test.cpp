// The run translates each line as the reader cuts it, straight into the
// result; the reader cuts the lines in place and copies runs of plain bytes
// in one piece. Both are held here against the plain forms they replace, on
// generated sources full of the bytes and words where the two could part.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/source_reader.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "library/files.h"
#include "library/run.h"
#include "test_support.h"

namespace kelvo {
namespace {

struct Lines {
    std::vector<std::string> text;
    std::vector<std::size_t> numbers;
    bool operator==(const Lines&) const = default;
};

// The reader one character at a time, as text mode hands them out.
Lines reference_lines(const std::string& bytes) {
    Lines out;
    const std::size_t end = std::min(bytes.find('\x1a'), bytes.size());
    std::size_t read = 0;
    std::size_t physical = 1;
    const auto next = [&]() -> int {
        if (read == end) return -1;
        char c = bytes[read++];
        if (c == '\r' && read < end && bytes[read] == '\n') c = bytes[read++];
        if (c == '\n') ++physical;
        return static_cast<unsigned char>(c);
    };
    std::string line;
    std::size_t number = 1;
    bool quoted = false;
    const auto end_line = [&] {
        out.text.push_back(line);
        out.numbers.push_back(number);
        line.clear();
        number = physical;
    };
    for (int c = next(); c != -1; c = next()) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ';') {
            line += '\n';
            end_line();
        } else if (c == '/') {
            const int d = next();
            if (d == -1) {
                line += '/';
                break;
            }
            if (d != '/') {
                line += '/';
                line += static_cast<char>(d);
                continue;
            }
            int e = next();
            while (e != -1 && e != '\n' && e != '\0') e = next();
            if (e == -1) break;
            line += static_cast<char>(e);
            if (e == '\n') end_line();
        } else {
            line += static_cast<char>(c);
            if (c == '\n') end_line();
        }
    }
    if (!line.empty()) {
        out.text.push_back(line);
        out.numbers.push_back(number);
    }
    return out;
}

std::string random_source(std::mt19937& random, std::size_t words) {
    static const std::vector<std::string> pieces = {
        "abs", "line", "circle", "var", "x", "y", "function", "end", "f", "2", "a", "b", "if", "while", "+", "-",
        "=", "+=", "{", "}", "\"", "\"hi there\"", ";", "/", "//", "\n", "\r\n", "\r", " ", "\t", std::string(1, '\0'),
        "pi", "red", "print", "return", "12", "007", "repeat", "else", "case", "%", "sqrt", "merge_color",
        "undefined", "\"\"", "\"a;b\"", "/\n", "x=5", "ln ln ln ln ln ln ln", "f 1 2", "abs end", "var 5 1"};
    std::string out;
    for (std::size_t i = 0; i < words; ++i) {
        out += random() % 400 == 0 ? std::string("\x1a") : pieces[random() % pieces.size()];
        if (random() % 2 == 0) out += ' ';
    }
    return out;
}

// The lines the library's reader cuts.
Lines library_lines(std::string bytes) {
    SourceReader reader(bytes);
    Lines got;
    SourceLine line;
    while (reader.next_line(line)) {
        got.text.emplace_back(line.text);
        got.numbers.push_back(line.number);
    }
    return got;
}

TEST(ReaderEquivalence, CutsTheSameLinesAsTheCharacterReader) {
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = random_source(random, 1 + random() % 60);
        ASSERT_EQ(library_lines(bytes), reference_lines(bytes)) << "source: " << ::testing::PrintToString(bytes);
    }
}

struct RunOutcome {
    std::string result;
    std::string errors;
    bool operator==(const RunOutcome&) const = default;
};

RunOutcome outcome(const std::string& result) { return {result, state.error_text}; }

// The run as a list of stored lines, each term built in a buffer of its own
// and then appended to its destination.
RunOutcome reference_run(const std::string& bytes) {
    restore_loaded_state();
    state.listener = &test::silent;
    Lines lines = reference_lines(bytes);
    kelvo::translate(std::string());  // registration, as a run does it
    state.error_text.clear();
    std::string main_code;
    for (std::size_t i = 0; i < lines.text.size(); ++i) {
        if (lines.text[i] == "\n") continue;
        state.current_line = lines.text[i];
        const bool was_in_script = state.in_script;
        std::string text;
        state.run.term_depth = 0;
        state.run.line_abandoned = false;
        translate_term(text);
        if (state.run.line_abandoned) text.clear();
        std::string& destination = was_in_script ? state.script_text : main_code;
        destination += text;
        destination += '\n';
        state.run.line_abandoned = false;
    }
    std::string definitions;
    for (const ScriptBody& body : state.script_bodies) {
        definitions += body.name;
        definitions += "='";
        definitions += body.body;
        definitions += "'\n";
    }
    return outcome(definitions + main_code);
}

TEST(ReaderEquivalence, RunTranslatesLikeTheLineByLineRun) {
    std::mt19937 random(23);
    for (int round = 0; round < 1500; ++round) {
        const std::string bytes = random_source(random, 1 + random() % 80);
        const RunOutcome expected = reference_run(bytes);
        restore_loaded_state();
        state.listener = &test::silent;
        const std::string& result = kelvo::translate(bytes);
        ASSERT_EQ(outcome(result), expected) << "source: " << ::testing::PrintToString(bytes);
    }
    restore_loaded_state();
}

// The run over the file, as Parser reads it, translates like the bytes.
TEST(ReaderEquivalence, FileTranslatesLikeItsBytes) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "kelvo_reader_equivalence.txt";
    std::mt19937 random(31);
    for (int round = 0; round < 300; ++round) {
        const std::string bytes = random_source(random, 1 + random() % 80);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        ASSERT_EQ(std::fclose(file), 0);

        restore_loaded_state();
        state.listener = &test::silent;
        const RunOutcome expected = outcome(kelvo::translate(bytes));
        restore_loaded_state();
        state.listener = &test::silent;
        ASSERT_EQ(outcome(kelvo::translate(read_file(path.c_str()))), expected)
            << "source: " << ::testing::PrintToString(bytes);
    }
    std::filesystem::remove(path);
    restore_loaded_state();
}

// The reader looks at plain bytes several at a time: every byte that needs a
// closer look, at every place before, in and after such a group.
TEST(ReaderEquivalence, SpecialBytesAtEveryPlaceAroundLongPlainRuns) {
    for (const std::string special : {"\"", ";", "/", "//", "\r", "\r\n", "\n", "/\n", "\"x\""}) {
        for (std::size_t before = 0; before <= 40; ++before) {
            const std::string bytes =
                std::string(before, 'a') + special + std::string(40 - before, 'b') + " c\n" + std::string(33, 'd');
            ASSERT_EQ(library_lines(bytes), reference_lines(bytes)) << "source: " << ::testing::PrintToString(bytes);
        }
    }
    restore_loaded_state();
}

// A line of twenty megabytes, from a file: it comes out whole.
TEST(ReaderEquivalence, LongLineFromAFileComesOutWhole) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "kelvo_long_line.txt";
    std::string bytes = "print 1 2 \"";
    bytes.append(20'000'000, 'q');
    bytes += "\" // a comment\r\nabs 3\n";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
    restore_loaded_state();
    const std::string expected = kelvo::translate(bytes);
    EXPECT_EQ(expected.substr(0, 22), "draw_text(1,2,\"qqqqqqq");
    restore_loaded_state();
    EXPECT_EQ(kelvo::translate(read_file(path.c_str())), expected);
    std::filesystem::remove(path);
    restore_loaded_state();
}

TEST(ReaderEquivalence, EndInsideADefinitionLineKeepsItsTextOutOfTheBody) {
    restore_loaded_state();
    state.listener = &test::silent;
    EXPECT_EQ(kelvo::translate(std::string("function f 0\nabs 1\nabs end\nabs 2\n")), "f='abs(1)\n'\n\nabs(2)\n");
    restore_loaded_state();
}

}  // namespace
}  // namespace kelvo
