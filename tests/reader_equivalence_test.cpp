// The run translates each line as the reader cuts it, straight into the
// result; the reader cuts the lines in place and copies runs of plain bytes
// in one piece, and Parser's run reads the file piece by piece. All are held
// here against the plain forms they replace (the character reader, the whole
// bytes), on generated sources full of the bytes and words where they could
// part, and with the bytes that need a closer look at every piece boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// Hands out the bytes of a string `piece` at a time, as a file does.
class StringFeed final : public SourceFeed {
public:
    explicit StringFeed(const std::string& bytes) : bytes_(bytes) {}
    std::size_t read(char* into, std::size_t size) override {
        const std::size_t got = std::min(size, bytes_.size() - at_);
        std::memcpy(into, bytes_.data() + at_, got);
        at_ += got;
        return got;
    }

private:
    const std::string& bytes_;
    std::size_t at_ = 0;
};

// Every line a reader cuts, with where its words stand in the file: each
// word's place, the point after its last word and the span of the whole line.
struct PlacedLines {
    Lines lines;
    std::vector<std::vector<std::size_t>> places;  // line and column, in pairs
    bool operator==(const PlacedLines&) const = default;
};

void add_place(std::vector<std::size_t>& to, SourcePosition at) {
    to.push_back(at.line);
    to.push_back(at.column);
}

PlacedLines cut_all(SourceReader& reader) {
    PlacedLines got;
    SourceLine line;
    while (reader.next_line(line)) {
        got.lines.text.emplace_back(line.text);
        got.lines.numbers.push_back(line.number);
        std::vector<std::size_t>& places = got.places.emplace_back();
        const std::string_view text = line.text;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t word = text.find_first_not_of(" \t\n", at);
            if (word == std::string_view::npos) break;
            at = std::min(text.find_first_of(" \t\n", word), text.size());
            add_place(places, reader.position_of(text.substr(word, at - word)));
        }
        add_place(places, reader.position_of(text.substr(text.size())));
        const SourceSpan span = reader.span_of(text);
        add_place(places, span.begin);
        add_place(places, span.end);
    }
    return got;
}

// The lines and places the library's reader cuts from the bytes given whole.
PlacedLines whole_lines(std::string bytes) {
    SourceReader reader(bytes);
    return cut_all(reader);
}

// The same from the bytes handed out `piece` at a time.
PlacedLines piece_lines(const std::string& bytes, std::size_t piece) {
    StringFeed feed(bytes);
    SourceReader reader(feed, piece);
    return cut_all(reader);
}

// The lines the library's reader cuts.
Lines library_lines(std::string bytes) { return whole_lines(std::move(bytes)).lines; }

TEST(ReaderEquivalence, CutsTheSameLinesAsTheCharacterReader) {
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = random_source(random, 1 + random() % 60);
        ASSERT_EQ(library_lines(bytes), reference_lines(bytes)) << "source: " << ::testing::PrintToString(bytes);
    }
}

// Pieces so small that every CR LF, `//`, `/` CR LF, quote and comment falls
// across a boundary somewhere: the same lines, numbers and places as whole.
TEST(ReaderEquivalence, PiecesCutTheSameLinesAndPlacesAsTheWhole) {
    std::mt19937 random(13);
    for (int round = 0; round < 1500; ++round) {
        const std::string bytes = random_source(random, 1 + random() % 60);
        const PlacedLines whole = whole_lines(bytes);
        ASSERT_EQ(whole.lines, reference_lines(bytes)) << "source: " << ::testing::PrintToString(bytes);
        for (const std::size_t piece : {1u, 2u, 3u, 5u, 16u, 17u, 64u})
            ASSERT_EQ(piece_lines(bytes, piece), whole)
                << "piece " << piece << ", source: " << ::testing::PrintToString(bytes);
    }
}

// Every byte that needs a closer look, and the pairs a reader must judge
// together, at each place from a little before a piece boundary to a little
// after it, behind plain bytes and behind an earlier line.
TEST(ReaderEquivalence, SpecialBytesAtAndAroundEveryPieceBoundary) {
    const std::string zero(1, '\0');
    const std::vector<std::string> specials = {
        "\"", ";", "/", "//", "\r", "\r\n", "\n", "/\n", "/\r\n", "\r\r\n", "\"x;y\"", "\"a//b\"", "// c\n",
        "//c" + zero + "d", "/;", "/\"", "\x1a", "a\r\x1a"};
    for (const std::size_t piece : {16u, 64u}) {
        for (const std::string& special : specials) {
            for (std::size_t before = piece - 4; before <= piece + 3; ++before) {
                for (const std::string& lead : {std::string(), std::string("abs 1;x\n")}) {
                    std::string bytes = lead + std::string(before - std::min(before, lead.size()), 'a');
                    bytes += special + " b\n" + std::string(piece + 5, 'c') + " \"q//\nd\r\n";
                    const PlacedLines whole = whole_lines(bytes);
                    ASSERT_EQ(whole.lines, reference_lines(bytes)) << "source: " << ::testing::PrintToString(bytes);
                    ASSERT_EQ(piece_lines(bytes, piece), whole)
                        << "piece " << piece << ", source: " << ::testing::PrintToString(bytes);
                }
            }
        }
    }
}

// Lines of many pieces, with quoted strings and comments running across
// the boundaries, after a short line and before one.
TEST(ReaderEquivalence, LinesLongerThanAPieceComeOutWhole) {
    std::string line = "print 1 2 \"";
    for (int i = 0; i < 300; ++i) line += i % 7 == 0 ? "x;y " : "word ";
    line += "\" // a comment";
    for (int i = 0; i < 300; ++i) line += " over";
    std::string semicolons;
    for (int i = 0; i < 300; ++i) semicolons += "abs " + std::to_string(i) + "; ";
    const std::string bytes =
        "abs 1\n" + line + "\r\n" + semicolons + "\nx /\r\n" + std::string(2000, 'y') + "\nabs 2";
    const PlacedLines whole = whole_lines(bytes);
    ASSERT_EQ(whole.lines, reference_lines(bytes));
    ASSERT_GT(whole.lines.text.at(1).size(), 1000u);
    for (const std::size_t piece : {7u, 64u, 100u, 256u, 1000u})
        EXPECT_EQ(piece_lines(bytes, piece), whole) << "piece " << piece;
}

struct RunOutcome {
    std::string result;
    std::string errors;
    std::vector<std::string> reports;  // what a listener heard, with places
    bool operator==(const RunOutcome&) const = default;
};

RunOutcome outcome(const std::string& result) { return {result, state.error_text, {}}; }

RunOutcome outcome(const std::string& result, const test::Recorder& heard) {
    RunOutcome out = outcome(result);
    for (const test::Recorder::Message& m : heard.messages)
        out.reports.push_back(std::to_string(m.position.line) + ":" + std::to_string(m.position.column) + "+" +
                              std::to_string(m.length) + " " + m.text);
    for (const std::int32_t count : heard.counts) out.reports.push_back("count " + std::to_string(count));
    return out;
}

void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

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
    // With a listener, the definitions wait apart until the run finishes.
    return outcome(std::string(state.script_bodies.waiting()) + main_code);
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

// The run over a file read piece by piece, with pieces so small that every
// CR LF, `//`, `/` CR LF and comment falls across a boundary somewhere, and at
// the size Parser reads: the same result, messages, reports and places.
TEST(ReaderEquivalence, FileReadPieceByPieceTranslatesLikeTheWholeSource) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "kelvo_reader_pieces.txt";
    std::mt19937 random(37);
    for (int round = 0; round < 400; ++round) {
        const std::string bytes = random_source(random, 1 + random() % 80);
        write_bytes(path, bytes);
        test::Recorder whole;
        restore_loaded_state();
        state.listener = &whole;
        const RunOutcome expected = outcome(kelvo::translate(bytes), whole);
        for (const std::size_t piece : std::initializer_list<std::size_t>{1, 2, 3, 5, 64, 4096, reading_piece}) {
            test::Recorder pieces;
            restore_loaded_state();
            state.listener = &pieces;
            ASSERT_EQ(outcome(kelvo::translate_file(path.c_str(), piece), pieces), expected)
                << "piece " << piece << ", source: " << ::testing::PrintToString(bytes);
        }
    }
    std::filesystem::remove(path);
    restore_loaded_state();
}

// A file that cannot be read translates as one that cannot be opened.
TEST(ReaderEquivalence, UnreadableFileTranslatesAsAMissingOne) {
    restore_loaded_state();
    state.listener = &test::silent;
    const RunOutcome missing = outcome(kelvo::translate(std::nullopt));
    for (const std::filesystem::path& path :
         {std::filesystem::temp_directory_path(), std::filesystem::temp_directory_path() / "kelvo_no_such_file.txt"}) {
        restore_loaded_state();
        state.listener = &test::silent;
        EXPECT_EQ(outcome(kelvo::translate_file(path.c_str(), 64)), missing) << path;
    }
    restore_loaded_state();
}

// The run over the file, as read whole, translates like the bytes.
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

// A line of twenty megabytes, from a file read whole and piece by piece: it
// comes out whole.
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
    restore_loaded_state();
    EXPECT_EQ(kelvo::translate_file(path.c_str()), expected);
    restore_loaded_state();
    EXPECT_EQ(kelvo::translate_file(path.c_str(), 4096), expected);
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
