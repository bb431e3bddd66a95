// Where a word stands after bytes that are and are not UTF-8, against the
// columns written by hand in tests/text/columns.txt: in the language
// server's every encoding, in the source map, and in the text module that
// both use. (web/test/columns.test.mjs holds the playground's module to the
// same table.)
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "library/analysis.h"
#include "library/line_index.h"
#include "library/source_map.h"
#include "lsp/protocol.h"
#include "lsp_in_process.h"

namespace kelvo::lsp {
namespace {

using nlohmann::json;

struct ColumnCase {
    std::string written;  // as the table writes the bytes
    std::string bytes;
    std::size_t utf8 = 0;
    std::size_t utf16 = 0;
    std::size_t utf32 = 0;
};

void PrintTo(const ColumnCase& c, std::ostream* out) { *out << c.written; }

int hex(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size()) {
            out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<ColumnCase> table() {
    std::ifstream in(KELVO_TEXT_DIR "/columns.txt");
    std::vector<ColumnCase> cases;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line.substr(0, line.find(" #")));
        ColumnCase c;
        fields >> c.written >> c.utf8 >> c.utf16 >> c.utf32;
        c.bytes = unescaped(c.written);
        cases.push_back(c);
    }
    return cases;
}

std::string script(const ColumnCase& c) { return "message \"" + c.bytes + "\"; zz\n"; }

class Columns : public testing::TestWithParam<ColumnCase> {};

TEST_P(Columns, TheTextModuleCountsTheUnitsOfTheBytes) {
    const ColumnCase& c = GetParam();
    const std::string text = script(c);
    const LineIndex index(text, LineIndex::Ends::any);
    const std::size_t zz = text.find("zz");
    EXPECT_EQ(index.place(zz, Encoding::utf8).column, c.utf8);
    EXPECT_EQ(index.place(zz, Encoding::utf16).column, c.utf16);
    EXPECT_EQ(index.place(zz, Encoding::utf32).column, c.utf32);
    // And back.
    EXPECT_EQ(index.offset({0, c.utf16}, Encoding::utf16), zz);
    EXPECT_EQ(index.offset({0, c.utf32}, Encoding::utf32), zz);
}

// The server's one conversion of places, for every row; through the
// protocol where the bytes can travel in its JSON at all (a client sends a
// document as UTF-8: bytes that are no UTF-8 reach the server only as
// U+FFFD).
TEST_P(Columns, TheLanguageServerPlacesTheWordInEveryEncoding) {
    const ColumnCase& c = GetParam();
    const std::string text = script(c);
    for (const auto& [encoding, name, column] : {std::tuple{Encoding::utf8, "utf-8", c.utf8},
                                                 {Encoding::utf16, "utf-16", c.utf16},
                                                 {Encoding::utf32, "utf-32", c.utf32}}) {
        const Document document(text, encoding);
        EXPECT_EQ(document.place(text.find("zz")).character, column) << name;
        EXPECT_EQ(document.offset({0, column}), text.find("zz")) << name;
        if (!is_utf8(text)) continue;
        InProcess server({}, {{"capabilities", {{"general", {{"positionEncodings", {name}}}}}}});
        const json diagnostics = server.open("file:///c.kelvo", text);
        ASSERT_EQ(diagnostics.size(), 1u) << name << diagnostics.dump();
        EXPECT_EQ(diagnostics[0]["range"]["start"], (json{{"line", 0}, {"character", column}})) << name;
        EXPECT_EQ(diagnostics[0]["range"]["end"], (json{{"line", 0}, {"character", column + 2}})) << name;
    }
}

// The source column of the segment that begins host line `host_line`, from
// the map's "mappings" (each segment's fields relative to the last's).
std::int64_t source_column_of_line(const std::string& mappings, std::size_t host_line) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::int64_t column = 0;
    std::size_t line = 0;
    std::vector<std::int64_t> fields;
    std::int64_t value = 0;
    int shift = 0;
    for (const char ch : mappings + ";") {
        if (ch == ',' || ch == ';') {
            if (fields.size() >= 4) column += fields[3];
            if (line == host_line && !fields.empty()) return column;
            fields.clear();
            if (ch == ';') ++line;
            continue;
        }
        const auto digit = static_cast<std::int64_t>(digits.find(ch));
        value += (digit & 31) << shift;
        shift += 5;
        if ((digit & 32) != 0) continue;
        fields.push_back((value & 1) != 0 ? -(value >> 1) : value >> 1);
        value = 0;
        shift = 0;
    }
    return -1;
}

TEST_P(Columns, TheSourceMapCountsUtf16Units) {
    const ColumnCase& c = GetParam();
    const Analysis analysis = analyse(script(c));
    const json map = json::parse(source_map_json(SourceMap(analysis), {"c.host", "c.kelvo", false}));
    // Host line 1 is the empty text of `zz`'s line, which maps to `zz`.
    EXPECT_EQ(source_column_of_line(map["mappings"].get<std::string>(), 1), static_cast<std::int64_t>(c.utf16));
}

std::string row_name(const testing::TestParamInfo<ColumnCase>& row) { return "row" + std::to_string(row.index); }

INSTANTIATE_TEST_SUITE_P(Table, Columns, testing::ValuesIn(table()), row_name);

}  // namespace
}  // namespace kelvo::lsp
