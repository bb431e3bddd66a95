// The language server's parts in the test's own process: the framing over
// every way a sender can get it wrong, what is read of a message before it
// is parsed, the checks on positions, and the ranges of every answer over
// generated documents.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "seeded_random.h"
#include "lsp/framing.h"
#include "lsp/json_limits.h"
#include "lsp/server.h"
#include "lsp_in_process.h"

namespace kelvo::lsp {
namespace {

using nlohmann::json;
using namespace std::string_literals;

// Bytes in pieces of a given size, to cross every boundary the reader meets.
class Pieces final : public ByteSource {
public:
    Pieces(std::string bytes, std::size_t piece) : bytes_(std::move(bytes)), piece_(piece) {}
    std::size_t read(char* into, std::size_t size) override {
        const std::size_t n = std::min({size, piece_, bytes_.size() - at_});
        bytes_.copy(into, n, at_);
        at_ += n;
        return n;
    }

private:
    std::string bytes_;
    std::size_t piece_;
    std::size_t at_ = 0;
};

struct FramingCase {
    const char* what;
    std::string input;
    std::vector<std::string> bodies;
    std::size_t complaints;
};

void PrintTo(const FramingCase& c, std::ostream* out) { *out << c.what; }

class Framing : public testing::TestWithParam<FramingCase> {};

TEST_P(Framing, ReadsTheBodiesAndComplainsOncePerFault) {
    const FramingCase& c = GetParam();
    for (const std::size_t piece : {std::size_t{1} << 16, std::size_t{7}, std::size_t{1}}) {
        if (piece == 1 && c.input.size() > 1000000) continue;  // byte by byte only where it is quick
        Pieces source(c.input, piece);
        std::vector<std::string> complaints;
        MessageReader reader(source, [&](std::string_view what) { complaints.emplace_back(what); });
        std::vector<std::string> bodies;
        while (const auto body = reader.next()) bodies.push_back(*body);
        EXPECT_EQ(bodies, c.bodies) << "pieces of " << piece;
        std::string told;
        for (const std::string& line : complaints) told += line + "\n";
        EXPECT_EQ(complaints.size(), c.complaints) << "pieces of " << piece << ":\n" << told;
    }
}

const std::string then = "Content-Length: 3\r\n\r\n[1]";

INSTANTIATE_TEST_SUITE_P(
    Headers, Framing,
    testing::Values(
        FramingCase{"plain", "Content-Length: 2\r\n\r\n{}" + then, {"{}", "[1]"}, 0},
        FramingCase{"names in any case, blanks around values, other headers",
                    "content-LENGTH:   2 \t\r\nCONTENT-TYPE:application/vscode-jsonrpc; charset=utf-8 \r\n"
                    "X-Other: 9\r\n\r\n{}",
                    {"{}"},
                    0},
        FramingCase{"a trailing blank after the number", "Content-Length: 2 \r\n\r\n{}" + then, {"{}", "[1]"}, 0},
        FramingCase{"lines ended by LF alone", "Content-Length: 2\n\n{}", {"{}"}, 0},
        FramingCase{"empty lines between messages", "\r\n\r\nContent-Length: 2\r\n\r\n{}\r\n" + then,
                    {"{}", "[1]"}, 0},
        FramingCase{"nothing at all", "", {}, 0},
        FramingCase{"a body that names the header inside a string",
                    "Content-Length: 27\r\n\r\n{\"t\":\"Content-Length: 5\\\"\"}" + then,
                    {"{\"t\":\"Content-Length: 5\\\"\"}", "[1]"}, 0},
        FramingCase{"a body as large as the limit is taken",
                    "Content-Length: 67108864\r\n\r\n" + std::string(67108864, ' ') + then,
                    {std::string(67108864, ' '), "[1]"}, 0}));

INSTANTIATE_TEST_SUITE_P(
    Faults, Framing,
    testing::Values(
        FramingCase{"a stray blank after the body", "Content-Length: 2\r\n\r\n{} " + then, {"{}", "[1]"}, 1},
        FramingCase{"no Content-Length", "Content-Type: x\r\n\r\n{}" + then, {"[1]"}, 1},
        FramingCase{"a negative Content-Length", "Content-Length: -2\r\n\r\n{}" + then, {"[1]"}, 1},
        FramingCase{"a Content-Length that is no number", "Content-Length: two\r\n\r\n{}" + then, {"[1]"}, 1},
        FramingCase{"an empty Content-Length", "Content-Length:\r\n\r\n{}" + then, {"[1]"}, 1},
        FramingCase{"two Content-Lengths that differ", "Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}" + then,
                    {"[1]"}, 1},
        FramingCase{"a line that is no header", "hello\r\n\r\n{}" + then, {"[1]"}, 1},
        FramingCase{"a header line longer than the limit", std::string(10000, 'x') + then, {"[1]"}, 1},
        FramingCase{"just above the limit, no body sent", "Content-Length: 67108865\r\n\r\n" + then, {"[1]"}, 1},
        FramingCase{"2.5 GB announced", "Content-Length: 2500000000\r\n\r\n" + then, {"[1]"}, 1},
        FramingCase{"a length past 64 bits", "Content-Length: 99999999999999999999999999\r\n\r\n" + then, {"[1]"},
                    1},
        FramingCase{"above the limit, the body skipped", "Content-Length: 67108865\r\n\r\n" +
                                                             std::string(67108865, '7') + then,
                    {"[1]"}, 1},
        FramingCase{"a body shorter than announced", "Content-Length: 10\r\n\r\n{}" + then, {"{}", "[1]"}, 1},
        FramingCase{"a body that ends inside the next header's name", "Content-Length: 7\r\n\r\n{}" + then,
                    {"{}", "[1]"}, 1},
        FramingCase{"a body longer than announced (characters counted, not bytes)",
                    "Content-Length: 9\r\n\r\n{\"a\":\"\xC3\xA9\"}" + then, {"{\"a\":\"\xC3\xA9\"", "[1]"}, 1},
        FramingCase{"bytes before the first header", "garbage" + then, {"[1]"}, 1},
        FramingCase{"the input ends inside a body", "Content-Length: 5\r\n\r\n{}", {}, 1},
        FramingCase{"the input ends inside a header", "Content-Len", {}, 1},
        FramingCase{"bytes without any header", std::string(100000, 'z'), {}, 1}));

struct IdCase {
    std::string message;
    std::optional<std::string> id;
};

TEST(MessageText, TheTopLevelIdAsItWasSent) {
    const IdCase cases[] = {
        {R"({"id":5})", "5"},
        {R"( { "jsonrpc" : "2.0" , "id" : -12 , "method":"x"})", "-12"},
        {R"({"jsonrpc":"2.0","params":{"id":99},"id":5,"method":"x")", "5"},
        {R"({"id":18446744073709551616,"method":"x"})", "18446744073709551616"},
        {R"({"id":1e400})", "1e400"},
        {R"({"id":"a\"b}"})", R"("a\"b}")"},
        {R"({"id":"a\\","x":"\\\""})", R"("a\\")"},
        {R"({"x":"\\\"","id":"\\\\\\"})", R"("\\\\\\")"},
        {R"({"\u0069d":7})", "7"},
        {R"({"id":1,"id":2})", "2"},
        {R"({"params":{"id":99},"method":"x"})", std::nullopt},
        {R"({"params":[{"id":99}],"id":)", std::nullopt},
        {R"({"id":12)", std::nullopt},  // it might go on
        {R"({"id":[1]})", std::nullopt},
        {R"({"id":null})", std::nullopt},
        {R"({"id":true})", std::nullopt},
        {R"({"id":01})", std::nullopt},
        {R"({"id":-})", std::nullopt},
        {"{\"id\":\"\xFF\"}", std::nullopt},
        {R"([{"id":1}])", std::nullopt},
        {R"("id":1)", std::nullopt},
    };
    for (const IdCase& c : cases) {
        const std::optional<std::string_view> got = top_level_id(c.message);
        EXPECT_EQ(got ? std::optional<std::string>(*got) : std::nullopt, c.id) << c.message;
    }
}

TEST(MessageText, NestingDepthWithoutRecursion) {
    EXPECT_EQ(nesting_depth("1"), 0u);
    EXPECT_EQ(nesting_depth("[[]]"), 2u);
    EXPECT_EQ(nesting_depth(R"({"a":[{}],"b":"[[[["})"), 3u);
    EXPECT_EQ(nesting_depth("]]][["), 2u);
    EXPECT_EQ(nesting_depth(R"(["\\",["\"]]"]])"), 2u);
    EXPECT_EQ(nesting_depth(std::string(1000000, '[')), 1000000u);
}

// What a parse gives: the value, or the kind of exception.
std::string parsed(const std::function<json()>& parse) {
    try {
        return parse().dump();
    } catch (const json::parse_error&) {
        return "parse error";
    } catch (const json::out_of_range&) {
        return "out of range";
    }
}

// Long value strings are decoded apart from the rest of the message: the
// value, or the error, is the parser's own for each of these.
TEST(MessageText, LongStringsParseAsTheParserParsesThem) {
    const std::string filler(5000, 'a');  // long enough to be decoded apart
    const std::string cases[] = {
        // Taken apart: the escapes, and valid UTF-8 of each length.
        R"({"text":")" + filler + R"(\n\"\\\/\b\f\r\t"})",
        "{\"text\":\"" + filler + "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF\"}",
        R"({"text":")" + filler + R"(\u00e9\u20AC\ud83d\ude00\u0000\u001b"})",
        R"({"a":[")" + filler + R"(","short",")" + filler + R"(b"],"b":{"c":")" + filler + R"(c"}})",
        // Left to the parser: what it refuses.
        R"({"text":")" + filler + R"(\ud83d x"})",
        R"({"text":")" + filler + R"(\ude00"})",
        R"({"text":")" + filler + R"(\ud83d\u0041"})",
        R"({"text":")" + filler + R"(\u12"})",
        R"({"text":")" + filler + R"(\x"})",
        "{\"text\":\"" + filler + "\xFF\"}",
        "{\"text\":\"" + filler + "\xC0\x80\"}",
        "{\"text\":\"" + filler + "\xED\xA0\x80\"}",
        "{\"text\":\"" + filler + "\xF4\x90\x80\x80\"}",
        "{\"text\":\"" + filler + "\xE2\x82\"}",
        "{\"text\":\"" + filler + "\x01\"}",
        // A long member name stays with the parser; the rest is as broken as sent.
        R"({")" + filler + R"(":1})",
        R"({"text":")" + filler + R"(","n":1e400})",
        R"({"text":")" + filler + R"(",)",
        R"({"text":")" + filler + R"(")",
        // A message that holds a stand-in's text itself.
        R"({"text":")" + filler + R"(","b":"\u0000kelvo-long-string-0"})",
        R"({"b":"\u0000kelvo-long-string-1","text":")" + filler + R"(","c":")" + filler + R"("})",
    };
    for (const std::string& c : cases) {
        const std::string expected = parsed([&] { return json::parse(c); });
        EXPECT_EQ(parsed([&] { return parse_message(c); }), expected) << c.substr(0, 20) << "..." << c.substr(5000);
    }
    // Decoded by hand, not by the parser.
    EXPECT_EQ(parse_message(R"({"text":")" + filler + R"(\u00e9\ud83d\ude00\n"})")["text"],
              filler + "\xC3\xA9\xF0\x9F\x98\x80\n");
}


json at(const char* uri, const json& line, const json& character) {
    return {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}};
}

TEST(Positions, OnlyIntegersOfTheProtocolsRangeOnAnExistingLine) {
    InProcess server;
    server.open("file:///p", "var x 1\nx\n");
    const json wrong[] = {1e300, -1, 1.5, "3", nullptr, true, json::array(), 2147483648u};
    for (const char* method : {"textDocument/hover", "textDocument/definition", "textDocument/completion"}) {
        for (const json& n : wrong) {
            EXPECT_EQ(server.request(method, at("file:///p", 0, n))["error"]["code"], -32602) << method << " " << n;
            EXPECT_EQ(server.request(method, at("file:///p", n, 0))["error"]["code"], -32602) << method << " " << n;
        }
        EXPECT_EQ(server.request(method, at("file:///p", 3, 0))["error"]["code"], -32602) << "past the last line";
        EXPECT_EQ(server.request(method, {{"textDocument", {{"uri", "file:///p"}}}})["error"]["code"], -32602);
        // A character past the line's end is its end, as the protocol says.
        EXPECT_TRUE(server.request(method, at("file:///p", 1, 2147483647)).contains("result")) << method;
        EXPECT_TRUE(server.request(method, at("file:///p", 2, 0)).contains("result")) << method;
    }
}

// The document's lines as the protocol counts them, written out here.
std::vector<std::string> protocol_lines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    if (text.starts_with("\xEF\xBB\xBF")) lines.front().erase(0, 3);
    return lines;
}

// Compares positions as (line, character) pairs.
std::pair<std::int64_t, std::int64_t> place(const json& position) {
    return {position.at("line").get<std::int64_t>(), position.at("character").get<std::int64_t>()};
}

// A range inside the document, its start not after its end.
void expect_range_inside(const json& range, const std::vector<std::string>& lines, const std::string& what) {
    for (const char* end : {"start", "end"}) {
        const auto [line, character] = place(range.at(end));
        ASSERT_GE(line, 0) << what;
        ASSERT_LT(line, static_cast<std::int64_t>(lines.size())) << what << " " << range;
        EXPECT_GE(character, 0) << what;
        EXPECT_LE(character, static_cast<std::int64_t>(lines[static_cast<std::size_t>(line)].size()))
            << what << " " << range;
    }
    EXPECT_LE(place(range["start"]), place(range["end"])) << what << " " << range;
}

// Statements of the language and bytes that trouble it, joined by every
// kind of line end and by `;`.
std::string generated_document(std::uint64_t seed) {
    static const char* const statements[] = {
        "function a 0", "function b 2 p q", "function c 1 x", "end", "var x 1", "var y x", "var z",
        "x = y + 1", "message x", "return p", "zz", "circle x 2 3 false", "if x = 1", "{", "}", "abs abs",
        "f 1 2", "a", "\"s // t\"", "x //c", "\xC3\xA9", "\xEF\xBB\xBF", "/"};
    static const char* const joints[] = {"\n", "\n", "\r\n", "\r", "; ", ";", " ", "\t", "\n\n", "//\n"};
    std::string text;
    test::SeededRandom generator(seed, 1);
    const auto random = [&](std::size_t bound) { return generator.below(bound); };
    const std::size_t count = random(14);
    for (std::size_t i = 0; i < count; ++i) {
        text += statements[random(std::size(statements))];
        if (random(8) == 0) text += "\0"s;
        text += joints[random(std::size(joints))];
    }
    if (random(2) == 0 && !text.empty()) text.pop_back();  // a last line without its end
    return text;
}

// The answers about a whole document: tokens, hints, folds, edits.
void expect_whole_document_answers_inside(InProcess& server, const std::string& uri,
                                          const std::vector<std::string>& lines, const std::string& what) {
    const json document = {{"uri", uri}};
    const json everything = {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", lines.size()}, {"character", 0}}}};
    const json tokens = server.request("textDocument/semanticTokens/full", {{"textDocument", document}})["result"]["data"];
    std::int64_t line = 0, character = 0;
    for (std::size_t i = 0; i + 4 < tokens.size(); i += 5) {
        character = tokens[i] == 0 ? character + tokens[i + 1].get<std::int64_t>() : tokens[i + 1].get<std::int64_t>();
        line += tokens[i].get<std::int64_t>();
        const json range = {{"start", {{"line", line}, {"character", character}}},
                            {"end", {{"line", line}, {"character", character + tokens[i + 2].get<std::int64_t>()}}}};
        expect_range_inside(range, lines, what + " token");
        EXPECT_GT(tokens[i + 2], 0) << what;
    }
    for (const json& hint : json(server.request("textDocument/inlayHint", {{"textDocument", document}, {"range", everything}})["result"]))
        expect_range_inside({{"start", hint["position"]}, {"end", hint["position"]}}, lines, what);
    for (const json& fold : json(server.request("textDocument/foldingRange", {{"textDocument", document}})["result"])) {
        EXPECT_LT(fold["startLine"], fold["endLine"]) << what;
        EXPECT_LT(fold["endLine"].get<std::size_t>(), lines.size()) << what;
    }
    const json format = {{"textDocument", document}, {"options", {{"tabSize", 3}, {"insertSpaces", true}}}};
    for (const json& edit : json(server.request("textDocument/formatting", format)["result"]))
        expect_range_inside(edit["range"], lines, what);
    for (const json& action : json(server.request("textDocument/codeAction", {{"textDocument", document}, {"range", everything}, {"context", {{"diagnostics", json::array()}}}})["result"]))
        for (const json& edit : action["edit"]["changes"][uri]) expect_range_inside(edit["range"], lines, what);
}

TEST(Ranges, EveryAnswerStaysInsideItsDocument) {
    InProcess server;
    for (std::uint64_t seed = 1; seed <= 400; ++seed) {
        const std::string text = generated_document(seed);
        const std::string uri = "file:///g" + std::to_string(seed);
        const std::vector<std::string> lines = protocol_lines(text);
        const std::string what = "document " + json(text).dump();
        for (const json& d : server.open(uri, text)) expect_range_inside(d.at("range"), lines, what);
        const json symbols = server.request("textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
        for (const json& s : symbols.at("result")) {
            expect_range_inside(s.at("range"), lines, what);
            expect_range_inside(s.at("selectionRange"), lines, what);
            EXPECT_LE(place(s["range"]["start"]), place(s["selectionRange"]["start"])) << what << s;
            EXPECT_GE(place(s["range"]["end"]), place(s["selectionRange"]["end"])) << what << s;
        }
        expect_whole_document_answers_inside(server, uri, lines, what);
        for (std::size_t line = 0; line < lines.size(); ++line) {
            for (std::size_t character = 0; character <= lines[line].size() + 1; ++character) {
                const json place = at(uri.c_str(), line, character);
                const json hover = server.request("textDocument/hover", place)["result"];
                if (!hover.is_null()) expect_range_inside(hover.at("range"), lines, what);
                const json found = server.request("textDocument/definition", place);
                if (!found["result"].is_null()) expect_range_inside(found["result"].at("range"), lines, what);
                json references = place;
                references["context"] = {{"includeDeclaration", true}};
                for (const json& r : json(server.request("textDocument/references", references).at("result")))
                    expect_range_inside(r.at("range"), lines, what);
                for (const json& h : json(server.request("textDocument/documentHighlight", place).at("result")))
                    expect_range_inside(h.at("range"), lines, what);
                const json renamable = server.request("textDocument/prepareRename", place);
                if (renamable.contains("result")) expect_range_inside(renamable["result"].at("range"), lines, what);
            }
        }
    }
}

TEST(Diagnostics, AtMostAThousandAndOneThatCountsTheRest) {
    InProcess server;
    std::string text;
    for (int i = 0; i < 1500; ++i) text += "zz\n";
    text += "var x 1\nvar x 2\n";  // a warning among those left out
    const json list = server.open("file:///heavy", text);
    ASSERT_EQ(list.size(), 1001u);
    EXPECT_EQ(list[999]["range"]["start"]["line"], 999);
    EXPECT_EQ(list[1000]["message"],
              "501 more diagnostics are left out from here on: kelvo on the command line reports them all");
    EXPECT_EQ(list[1000]["severity"], 1);
    EXPECT_EQ(list[1000]["range"]["start"]["line"], 1000);
}

}  // namespace
}  // namespace kelvo::lsp
