// What the language server answers, each feature with exact places: the
// client's position encoding (non-ASCII text, characters outside the Basic
// Multilingual Plane among it), answers that agree with the diagnostics,
// and the properties that rename and formatting keep the translation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "seeded_random.h"
#include "library/analysis.h"
#include "library/line_index.h"
#include "library/session.h"
#include "lsp/ide/ide.h"
#include "lsp/server.h"
#include "lsp_in_process.h"

namespace kelvo::lsp {
namespace {

using nlohmann::json;

const char* const uri = "file:///f.kelvo";

// A server in this process with two globals, initialized with given
// parameters, asked about the one document `uri`.
class Client : public InProcess {
public:
    explicit Client(json init = {{"capabilities", json::object()}})
        : InProcess(Globals{{GlobalArgument::Kind::real, "speed", "2"}, {GlobalArgument::Kind::string, "player", "Ann"}},
                    std::move(init)) {}

    json result(const std::string& method, json params) {
        params["textDocument"] = {{"uri", uri}};
        const json answer = request(method, std::move(params));
        EXPECT_TRUE(answer.contains("result")) << method << ": " << answer;
        return answer.value("result", json());
    }
    json error(const std::string& method, json params) {
        params["textDocument"] = {{"uri", uri}};
        return request(method, std::move(params)).value("error", json());
    }
    using InProcess::open;
    json open(const std::string& text) { return open(uri, text); }
    const json& capabilities() const { return initialize_answer().at("result").at("capabilities"); }
};

json at(int line, int character) { return {{"position", {{"line", line}, {"character", character}}}}; }

json range(int line, int start, int end) {
    return {{"start", {{"line", line}, {"character", start}}}, {"end", {{"line", line}, {"character", end}}}};
}

json whole(int lines) {
    return {{"range", {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", lines}, {"character", 0}}}}}};
}

json offering(const std::vector<std::string>& encodings) {
    return {{"capabilities", {{"general", {{"positionEncodings", encodings}}}}}};
}

// ---- positions in the negotiated encoding ----------------------------------

struct EncodingCase {
    std::vector<std::string> offered;
    const char* chosen;
    int zzz;    // where `zzz` begins in `message "é😀"; message zzz`
    int quote;  // where the closing quote stands
};

TEST(Encodings, EveryPlaceCountsTheNegotiatedUnits) {
    // `message "` is 9 units; é is 2 bytes, 1 UTF-16 unit, 1 code point; 😀
    // is 4 bytes, 2 UTF-16 units (a surrogate pair), 1 code point.
    const EncodingCase cases[] = {
        {{}, "utf-16", 23, 12},
        {{"utf-16"}, "utf-16", 23, 12},
        {{"utf-8"}, "utf-8", 26, 15},
        {{"utf-32"}, "utf-32", 22, 11},
        {{"utf-32", "utf-8"}, "utf-32", 22, 11},
        {{"latin-1", "utf-8"}, "utf-8", 26, 15},
    };
    for (const EncodingCase& c : cases) {
        const std::string what = json(c.offered).dump();
        Client client(offering(c.offered));
        EXPECT_EQ(client.capabilities()["positionEncoding"], c.chosen) << what;
        const json found = client.open("message \"\u00e9\U0001F600\"; message zzz\n");
        ASSERT_EQ(found.size(), 1u) << what << found;
        EXPECT_EQ(found[0]["range"], range(0, c.zzz, c.zzz + 3)) << what;
        const json hover = client.result("textDocument/hover", at(0, c.zzz));
        EXPECT_EQ(hover["range"], range(0, c.zzz, c.zzz + 3)) << what;
        EXPECT_NE(hover["contents"]["value"].get<std::string>().find("Unknown here"), std::string::npos) << what;
        // `message` right after the string and `; `; the string, quotes included, as a token.
        EXPECT_EQ(client.result("textDocument/hover", at(0, c.quote + 3))["range"], range(0, c.quote + 3, c.quote + 10))
            << what;
        const json tokens = client.result("textDocument/semanticTokens/full", json::object())["data"];
        EXPECT_EQ(tokens[6], 8) << what;
        EXPECT_EQ(tokens[7], c.quote + 1 - 8) << what;
        EXPECT_EQ(client.result("textDocument/hover", at(0, c.zzz - 2))["range"], range(0, c.zzz - 8, c.zzz - 1))
            << what;
    }
}

// ---- the run and the host's argument counts ---------------------------------

// A script whose host text runs: a user script, a circle, a message beyond
// ASCII, and a colour the host refuses for its argument count. In UTF-16
// `merge_color` begins at 19 on line 6 (é is one unit), in UTF-8 at 20.
const std::string running =
    "function f 1 p\n"                                   // 0
    "return sqrt p\n"                                    // 1
    "end\n"                                              // 2
    "var x 0\n"                                          // 3
    "x = f 4\n"                                          // 4
    "circle x 10 2 false\n"                              // 5
    "message \"\u00e9\"; color merge_color red gold\n";  // 6

TEST(Run, EveryCallFaultMessageAndShapeAtItsSourceTerm) {
    for (const auto& [offered, merge] : {std::pair{std::vector<std::string>{}, 19}, {{"utf-8"}, 20}}) {
        const std::string what = json(offered).dump();
        Client client(offering(offered));
        const json diagnostics = client.open(running);
        // The host's argument count, without running, among the diagnostics.
        ASSERT_EQ(diagnostics.size(), 1u) << what << diagnostics;
        EXPECT_EQ(diagnostics[0]["code"], "host-argument-count") << what;
        EXPECT_EQ(diagnostics[0]["severity"], 2) << what;
        EXPECT_EQ(diagnostics[0]["range"], range(6, merge, merge + 11)) << what;
        EXPECT_EQ(diagnostics[0]["message"],
                  "'merge_color' takes 3 arguments in the host, not 2: the engine rejects this call when it runs");

        const json run = client.result("kelvo/run", json::object());
        const json& trace = run["trace"];
        ASSERT_EQ(trace.size(), 4u) << what << trace;
        // The script call at `f 4`, the sqrt inside its body at `sqrt p`.
        EXPECT_EQ(trace[0]["call"], "execute_string") << what;
        EXPECT_EQ(trace[0]["range"], range(4, 4, 7)) << what;
        EXPECT_EQ(trace[0]["word"], range(4, 4, 5)) << what;
        EXPECT_EQ(trace[0]["arguments"], json::array({"p=argument0\nreturn(sqrt(p))\n", 4})) << what;
        EXPECT_EQ(trace[0]["result"], 2) << what;
        EXPECT_EQ(trace[1]["call"], "sqrt") << what;
        EXPECT_EQ(trace[1]["range"], range(1, 7, 13)) << what;
        EXPECT_EQ(trace[1]["depth"], 1) << what;
        EXPECT_EQ(trace[1]["text"], "sqrt(4) => 2") << what;
        EXPECT_EQ(trace[2]["text"], "draw_circle(2, 10, 2, 0)") << what;
        EXPECT_EQ(trace[2]["range"], range(5, 0, 19)) << what;
        EXPECT_EQ(trace[2]["result"], nullptr) << what;
        EXPECT_EQ(trace[3]["arguments"], json::array({"\u00e9"})) << what;
        EXPECT_EQ(trace[3]["range"], range(6, 0, merge - 8)) << what;
        // The refused call is a fault at its term, and no call of the trace.
        ASSERT_EQ(run["faults"].size(), 1u) << what;
        EXPECT_EQ(run["faults"][0]["code"], "host-wrong-argument-count") << what;
        EXPECT_EQ(run["faults"][0]["message"], "'merge_color' takes 3 arguments, not 2") << what;
        EXPECT_EQ(run["faults"][0]["severity"], 1) << what;
        EXPECT_EQ(run["faults"][0]["range"], range(6, merge, merge + 20)) << what;
        EXPECT_EQ(run["faults"][0]["word"], range(6, merge, merge + 11)) << what;
        EXPECT_EQ(run["messages"], json::array({{{"range", range(6, 0, merge - 8)}, {"word", range(6, 0, 7)}, {"text", "\u00e9"}}}))
            << what;
        EXPECT_EQ(run["shapes"], json::array({{{"range", range(5, 0, 19)}, {"word", range(5, 0, 6)}, {"call", 2}}})) << what;
        EXPECT_EQ(run["svg"].get<std::string>().rfind("<svg ", 0), 0u) << what;
        EXPECT_NE(run["svg"].get<std::string>().find("data-call=\"2\""), std::string::npos) << what;
        EXPECT_EQ(run["ran"], true) << what;
    }
}

TEST(Run, AFrameMovesTheClockOnAndBadFramesAreRefused) {
    Client client;
    client.open("print 0 0 c_time\nprint 0 20 c_hour\n");
    const auto texts = [&](json params) {
        const json run = client.result("kelvo/run", std::move(params));
        std::vector<std::string> out;
        for (const json& call : run["trace"]) out.push_back(call["text"]);
        return out;
    };
    EXPECT_EQ(texts(json::object()), (std::vector<std::string>{"draw_text(0, 0, 0)", "draw_text(0, 20, 0)"}));
    // Frame 30 is a second on; a game that starts at 1970-01-01 05:00.
    EXPECT_EQ(texts({{"frame", 30}, {"start", 5 * 3600 * 1000}}),
              (std::vector<std::string>{"draw_text(0, 0, 1000)", "draw_text(0, 20, 5)"}));
    EXPECT_EQ(client.error("kelvo/run", {{"frame", -1}})["code"], -32602);
    EXPECT_EQ(client.error("kelvo/run", {{"frame", "one"}})["code"], -32602);
    EXPECT_EQ(client.error("kelvo/run", {{"start", 1e300}})["code"], -32602);
}

TEST(Run, ACallLeftEmptyByAMessageIsNoWarningOfItsOwn) {
    Client client;
    const json found = client.open("message zz\nmessage power 2\n");
    ASSERT_EQ(found.size(), 2u) << found;
    EXPECT_EQ(found[0]["code"], "unknown-variable");
    EXPECT_EQ(found[1]["code"], "host-argument-count");
    EXPECT_EQ(found[1]["range"], range(1, 8, 13));
}

// ---- answers from the analysis ----------------------------------------------

// Names that are not ASCII, a character outside the BMP, and a comment.
const std::string script =
    "var gr\u00f6\u00dfe 10\n"                           // 0
    "function fl\u00e4che 2 breite h\u00f6he\n"          // 1
    "return breite\n"                                    // 2
    "end\n"                                              // 3
    "circle gr\u00f6\u00dfe 20 sqrt 25 1\n"              // 4
    "message fl\u00e4che gr\u00f6\u00dfe 3 // gr\u00f6\u00dfe \u2603\n"  // 5
    "repeat 3\n"                                         // 6
    "{\n"                                                // 7
    "message \"\U0001F600\"\n"                           // 8
    "}\n";                                               // 9

TEST(Answers, DefinitionHoverAndCompletionFromTheAnalysis) {
    Client client;
    ASSERT_EQ(client.open(script), json::array());
    // A parameter goes to its name on the `function` line; a variable to its `var`.
    EXPECT_EQ(client.result("textDocument/definition", at(2, 8)), (json{{"uri", uri}, {"range", range(1, 18, 24)}}));
    EXPECT_EQ(client.result("textDocument/definition", at(5, 16)), (json{{"uri", uri}, {"range", range(0, 4, 9)}}));
    EXPECT_EQ(client.result("textDocument/definition", at(5, 9)), (json{{"uri", uri}, {"range", range(1, 9, 15)}}));
    // Nothing inside a comment.
    EXPECT_TRUE(client.result("textDocument/hover", at(5, 26)).is_null());
    EXPECT_TRUE(client.result("textDocument/definition", at(5, 26)).is_null());
    EXPECT_EQ(client.result("textDocument/completion", at(5, 26))["items"], json::array());
    // The keyword of a term also shows the host text the term became.
    const std::string circle = client.result("textDocument/hover", at(4, 2))["contents"]["value"];
    EXPECT_NE(circle.find("```\ncircle x y r outline  \u2192  draw_circle(x,y,r,outline)\n```"), std::string::npos) << circle;
    EXPECT_NE(circle.find("Here it becomes:\n\n```\ndraw_circle(gr\u00f6\u00dfe,20,sqrt(25),1)\n```"), std::string::npos) << circle;
    const std::string call = client.result("textDocument/hover", at(5, 10))["contents"]["value"];
    EXPECT_NE(call.find("function fl\u00e4che 2 breite h\u00f6he"), std::string::npos) << call;
    EXPECT_NE(call.find("execute_string(fl\u00e4che,gr\u00f6\u00dfe,3)"), std::string::npos) << call;
    // Completion inside the definition offers its parameters; outside, not.
    std::vector<std::string> inside, outside;
    const json in_definition = client.result("textDocument/completion", at(2, 7));
    for (const json& item : in_definition["items"])
        if (item["kind"] != 14 && item["kind"] != 21) inside.push_back(item["label"]);
    const json below = client.result("textDocument/completion", at(4, 0));
    for (const json& item : below["items"])
        if (item["kind"] != 14 && item["kind"] != 21) outside.push_back(item["label"]);
    EXPECT_EQ(inside, (std::vector<std::string>{"breite", "h\u00f6he", "gr\u00f6\u00dfe", "fl\u00e4che"}));
    EXPECT_EQ(outside, (std::vector<std::string>{"gr\u00f6\u00dfe", "fl\u00e4che"}));
}

// Completion inside a comment offers nothing: where Neovim 0.7 and Eglot ask
// on the first line of tests/editors/clients/board.kelvo (UTF-16 unit 10,
// in "an"), right after the `//`, at the line's end and past it, at the end
// of a comment before a CR LF and of one that ends the document.
TEST(Answers, NoCompletionInsideAComment) {
    const std::string text =
        "// Gr\u00fc\u00dfe an die Spieler \U0001F3AF: the score board\n"  // 0
        "message 1 // note\r\n"                                             // 1
        "message 2 // end";                                                   // 2
    struct Case {
        const char* encoding;
        int line, character;
        bool offered;
    };
    const Case cases[] = {
        {"utf-16", 0, 10, false}, {"utf-16", 0, 2, false}, {"utf-16", 0, 43, false}, {"utf-16", 0, 60, false},
        {"utf-8", 0, 12, false},  {"utf-8", 0, 47, false}, {"utf-32", 0, 42, false}, {"utf-16", 1, 17, false},
        {"utf-16", 2, 16, false}, {"utf-16", 1, 8, true},  {"utf-16", 2, 9, true},   {"utf-16", 1, 0, true},
    };
    for (const Case& c : cases) {
        Client client(offering({c.encoding}));
        client.open(text);
        const json items = client.result("textDocument/completion", at(c.line, c.character))["items"];
        EXPECT_EQ(!items.empty(), c.offered) << c.encoding << " " << c.line << ":" << c.character << " " << items.size();
    }
}

TEST(Answers, ANameUsedBeforeItsDeclarationIsUnknownThere) {
    Client client;
    const json found = client.open("message double 1 2\nmessage later\nfunction double 2 a b\nreturn a\nend\nvar later 1\n");
    ASSERT_GE(found.size(), 4u) << found;
    EXPECT_EQ(found[0]["message"],
              "Unknown variable: double\nso the first operand of 'message' is empty in the host text: the engine rejects "
              "the call");
    for (const auto& [line, character] : {std::pair{0, 9}, std::pair{1, 9}}) {
        const std::string text = client.result("textDocument/hover", at(line, character))["contents"]["value"];
        EXPECT_EQ(text.rfind("Unknown here", 0), 0u) << text;
        EXPECT_TRUE(client.result("textDocument/definition", at(line, character)).is_null());
        EXPECT_EQ(client.result("textDocument/references", at(line, character)), json::array());
    }
    // Where they are declared they are known.
    EXPECT_EQ(client.result("textDocument/definition", at(3, 7)), (json{{"uri", uri}, {"range", range(2, 18, 19)}}));
}

TEST(Answers, HoverInPlainTextWhereTheClientAsksForIt) {
    Client client(json{{"capabilities", {{"textDocument", {{"hover", {{"contentFormat", {"plaintext", "markdown"}}}}}}}}});
    client.open(script);
    const json hover = client.result("textDocument/hover", at(4, 2));
    EXPECT_EQ(hover["contents"]["kind"], "plaintext");
    const std::string text = hover["contents"]["value"];
    EXPECT_EQ(text.find("```"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("circle x y r outline  \u2192  draw_circle(x,y,r,outline)\n\nKeyword, 4 operands", 0), 0u) << text;
}

TEST(Answers, AMissingOperandIsShownOnItsKeyword) {
    Client client;
    const json found = client.open("message\n  circle 1 2 3\n");
    ASSERT_GE(found.size(), 3u) << found;
    EXPECT_EQ(found[0]["code"], "unexpected-symbol");
    EXPECT_EQ(found[0]["range"], range(0, 0, 7));
    EXPECT_EQ(found[2]["code"], "unexpected-symbol");
    EXPECT_EQ(found[2]["range"], range(1, 2, 8));
}

// ---- signature help and inlay hints -----------------------------------------

TEST(Signatures, WhichOperandOfWhichKeywordOrScript) {
    Client client;
    client.open(script);
    struct Case {
        int line, character;
        const char* label;
        int active;
    };
    const Case cases[] = {
        {4, 3, "circle x y r outline", 0},  {4, 7, "circle x y r outline", 0},
        {4, 14, "circle x y r outline", 1}, {4, 16, "circle x y r outline", 2},
        {4, 22, "sqrt x", 0},               {4, 25, "circle x y r outline", 3},
        {5, 16, "fl\u00e4che breite h\u00f6he", 0},   {5, 21, "fl\u00e4che breite h\u00f6he", 1},
        {5, 3, "message text", 0},
    };
    for (const Case& c : cases) {
        const json help = client.result("textDocument/signatureHelp", at(c.line, c.character));
        ASSERT_TRUE(help.is_object()) << c.line << ":" << c.character;
        EXPECT_EQ(help["signatures"][0]["label"], c.label) << c.line << ":" << c.character;
        EXPECT_EQ(help["activeParameter"], c.active) << c.line << ":" << c.character;
    }
    EXPECT_TRUE(client.result("textDocument/signatureHelp", at(7, 0)).is_null());
}

TEST(InlayHints, TheOperandNameBeforeEachOperandOfACall) {
    Client client;
    client.open(script);
    std::vector<std::tuple<int, int, std::string>> got;
    for (const json& hint : client.result("textDocument/inlayHint", whole(10)))
        got.emplace_back(hint["position"]["line"], hint["position"]["character"], hint["label"]);
    const std::vector<std::tuple<int, int, std::string>> expected = {
        {4, 7, "x:"}, {4, 13, "y:"}, {4, 16, "r:"}, {4, 24, "outline:"}, {5, 15, "breite:"}, {5, 21, "h\u00f6he:"}};
    EXPECT_EQ(got, expected);
    // A range of one line.
    EXPECT_EQ(client.result("textDocument/inlayHint", {{"range", range(5, 0, 30)}}).size(), 2u);
    // Turned off by an initialization option.
    Client off(json{{"capabilities", json::object()}, {"initializationOptions", {{"inlayHints", false}}}});
    EXPECT_FALSE(off.capabilities().contains("inlayHintProvider"));
    off.open(script);
    EXPECT_EQ(off.result("textDocument/inlayHint", whole(10)), json::array());
}

// ---- semantic tokens ---------------------------------------------------------

// The tokens as (line, character, length, type, modifiers), decoded from the
// protocol's relative numbers.
std::vector<std::tuple<int, int, int, std::string, int>> decode(const json& tokens, const json& legend) {
    std::vector<std::tuple<int, int, int, std::string, int>> out;
    const std::vector<int> data = tokens["data"];
    int line = 0, character = 0;
    for (std::size_t i = 0; i + 4 < data.size(); i += 5) {
        character = data[i] == 0 ? character + data[i + 1] : data[i + 1];
        line += data[i];
        out.emplace_back(line, character, data[i + 2], legend["tokenTypes"][static_cast<std::size_t>(data[i + 3])], data[i + 4]);
    }
    return out;
}

TEST(SemanticTokens, WhatEachWordIsAndTheWordsALineDrops) {
    Client client(offering({"utf-32"}));
    const json legend = client.capabilities()["semanticTokensProvider"]["legend"];
    EXPECT_EQ(legend["tokenModifiers"], (json{"declaration", "dropped", "readonly", "defaultLibrary"}));
    client.open(script + "} else\nmessage player speed true\n");
    const auto tokens = decode(client.result("textDocument/semanticTokens/full", json::object()), legend);
    constexpr int decl = 1, dropped = 2, readonly = 4, library = 8;
    const std::vector<std::tuple<int, int, int, std::string, int>> expected = {
        {0, 0, 3, "declarationKeyword", library}, {0, 4, 5, "variable", decl}, {0, 10, 2, "number", 0},
        {1, 0, 8, "declarationKeyword", library}, {1, 9, 6, "function", decl}, {1, 16, 1, "number", 0},
        {1, 18, 6, "parameter", decl}, {1, 25, 4, "parameter", decl},
        {2, 0, 6, "keyword", library}, {2, 7, 6, "parameter", 0},
        {3, 0, 3, "declarationKeyword", library},
        {4, 0, 6, "callKeyword", library}, {4, 7, 5, "variable", 0}, {4, 13, 2, "number", 0},
        {4, 16, 4, "callKeyword", library}, {4, 21, 2, "number", 0}, {4, 24, 1, "number", 0},
        {5, 0, 7, "callKeyword", library}, {5, 8, 6, "function", 0}, {5, 15, 5, "variable", 0},
        {5, 21, 1, "number", 0}, {5, 23, 10, "comment", 0},
        {6, 0, 6, "keyword", library}, {6, 7, 1, "number", 0},
        {7, 0, 1, "keyword", library},
        {8, 0, 7, "callKeyword", library}, {8, 8, 3, "string", 0},
        {9, 0, 1, "keyword", library},
        {10, 0, 1, "keyword", library}, {10, 2, 4, "comment", dropped},
        {11, 0, 7, "callKeyword", library}, {11, 8, 6, "stringGlobal", readonly},
        {11, 15, 5, "comment", dropped}, {11, 21, 4, "comment", dropped}};
    EXPECT_EQ(tokens, expected);
    // A range: the tokens of lines 4 and 5 only.
    const auto part = decode(client.result("textDocument/semanticTokens/range", {{"range", {{"start", {{"line", 4}, {"character", 0}}}, {"end", {{"line", 6}, {"character", 0}}}}}}), legend);
    EXPECT_EQ(part, std::vector(expected.begin() + 11, expected.begin() + 22));
}

// Lines of ASCII only around one that is not: each line counts its own units
// (the line drops the word after the string).
TEST(SemanticTokens, PlacesInEachEncodingOnLinesWithAndWithoutNonAscii) {
    struct Case {
        const char* encoding;
        int string_length, second_zz;
    };
    for (const Case& c : {Case{"utf-16", 5, 14}, Case{"utf-32", 4, 13}, Case{"utf-8", 8, 17}}) {
        Client client(offering({c.encoding}));
        const json legend = client.capabilities()["semanticTokensProvider"]["legend"];
        client.open("message zz\nmessage \"\u00e9\U0001F600\" zz\nmessage zz\n");
        const auto tokens = decode(client.result("textDocument/semanticTokens/full", json::object()), legend);
        const std::vector<std::tuple<int, int, int, std::string, int>> expected = {
            {0, 0, 7, "callKeyword", 8}, {0, 8, 2, "variable", 0},
            {1, 0, 7, "callKeyword", 8}, {1, 8, c.string_length, "string", 0}, {1, c.second_zz, 2, "comment", 2},
            {2, 0, 7, "callKeyword", 8}, {2, 8, 2, "variable", 0}};
        EXPECT_EQ(tokens, expected) << c.encoding;
    }
}

// ---- references, highlights, rename -----------------------------------------

TEST(References, OfVariablesScriptsAndParameters) {
    Client client;
    client.open(script);
    const auto lines = [&](const json& found) {
        std::vector<json> ranges;
        for (const json& f : found) ranges.push_back(f["range"]);
        return ranges;
    };
    EXPECT_EQ(lines(client.result("textDocument/references", {{"position", {{"line", 4}, {"character", 8}}}, {"context", {{"includeDeclaration", true}}}})),
              (std::vector<json>{range(0, 4, 9), range(4, 7, 12), range(5, 15, 20)}));
    EXPECT_EQ(lines(client.result("textDocument/references", {{"position", {{"line", 0}, {"character", 5}}}, {"context", {{"includeDeclaration", false}}}})),
              (std::vector<json>{range(4, 7, 12), range(5, 15, 20)}));
    EXPECT_EQ(lines(client.result("textDocument/references", {{"position", {{"line", 1}, {"character", 19}}}, {"context", {{"includeDeclaration", true}}}})),
              (std::vector<json>{range(1, 18, 24), range(2, 7, 13)}));
    const json highlights = client.result("textDocument/documentHighlight", at(5, 9));
    ASSERT_EQ(highlights.size(), 2u) << highlights;
    EXPECT_EQ(highlights[0], (json{{"range", range(1, 9, 15)}, {"kind", 3}}));
    EXPECT_EQ(highlights[1], (json{{"range", range(5, 8, 14)}, {"kind", 2}}));
    EXPECT_EQ(client.result("textDocument/documentHighlight", at(4, 2)), json::array());  // a keyword
}

TEST(Rename, RefusesWhatWouldChangeTheMeaning) {
    Client client;
    client.open(script + "message player speed\nabs true\n");
    EXPECT_EQ(client.result("textDocument/prepareRename", at(0, 5)), (json{{"range", range(0, 4, 9)}, {"placeholder", "gr\u00f6\u00dfe"}}));
    for (const json& place : {at(4, 2), at(11, 5), at(10, 10), at(4, 14), at(5, 26)})
        EXPECT_EQ(client.error("textDocument/prepareRename", place)["code"], -32803) << place;
    const std::pair<const char*, const char*> refused[] = {
        {"circle", "keyword"}, {"true", "constant"}, {"player", "global"}, {"speed", "global"},
        {"fl\u00e4che", "already"}, {"breite", "already"}, {"a b", "blank"}, {"a\tb", "blank"},
        {"a;b", "';'"}, {"a\"b", "'\"'"}, {"a//b", "'//'"}, {"", "empty"}, {"12", "number"}, {"+=", "operator"}};
    for (const auto& [name, why] : refused) {
        json params = at(4, 8);
        params["newName"] = name;
        const json error = client.error("textDocument/rename", params);
        EXPECT_EQ(error["code"], -32803) << name;
        EXPECT_NE(error["message"].get<std::string>().find(why), std::string::npos) << name << ": " << error;
    }
    json params = at(4, 8);
    params["newName"] = "ma\u00df";
    const json edits = client.result("textDocument/rename", params)["changes"][uri];
    ASSERT_EQ(edits.size(), 3u) << edits;
    EXPECT_EQ(edits[0], (json{{"range", range(0, 4, 9)}, {"newText", "ma\u00df"}}));
    EXPECT_EQ(edits[2], (json{{"range", range(5, 15, 20)}, {"newText", "ma\u00df"}}));
}

// A word its line drops (after an unknown first word, or after the line's
// one term) is renamed with the name it spells where that name is known;
// not before the declaration, not where a parameter hides it, not inside a
// string or a comment, not as part of a longer word.
const std::string dropping =
    "cirlce score 1\n"                      // 0: before the declaration
    "var score 0\n"                         // 1
    "var other 0 score\n"                   // 2
    "cirlce score 20 8 false\n"             // 3
    "message 1 \"score\" score // score\n"  // 4
    "function f 1 score\n"                  // 5
    "zz score\n"                            // 6: the parameter
    "end\n"                                 // 7
    "zz scores xscore score;\n";            // 8

TEST(Rename, TheWordsALineDropsThatSpellTheName) {
    Client client;
    client.open(dropping);
    const auto ranges = [](const json& edits) {
        std::vector<json> found;
        for (const json& e : edits) found.push_back(e["range"]);
        return found;
    };
    const std::vector<json> variable = {range(1, 4, 9), range(2, 12, 17), range(3, 7, 12), range(4, 18, 23),
                                        range(8, 17, 22)};
    // From its declaration, and from a word a line drops.
    for (const json& place : {at(1, 5), at(3, 9), at(8, 20)}) {
        json params = place;
        params["newName"] = "points";
        const json edits = client.result("textDocument/rename", params)["changes"][uri];
        EXPECT_EQ(ranges(edits), variable) << place;
        EXPECT_EQ(client.result("textDocument/prepareRename", place)["placeholder"], "score") << place;
        EXPECT_EQ(ranges(client.result("textDocument/documentHighlight", place)), variable) << place;
    }
    json params = at(6, 4);
    params["newName"] = "p";
    EXPECT_EQ(ranges(client.result("textDocument/rename", params)["changes"][uri]),
              (std::vector<json>{range(5, 13, 18), range(6, 3, 8)}));
    // A dropped word before the declaration, a string, a comment name nothing.
    for (const json& place : {at(0, 9), at(4, 13), at(4, 30)})
        EXPECT_EQ(client.error("textDocument/prepareRename", place)["code"], -32803) << place;
    // A new name that a dropped word spells is in use.
    params = at(1, 5);
    params["newName"] = "xscore";
    EXPECT_NE(client.error("textDocument/rename", params)["message"].get<std::string>().find("already used"),
              std::string::npos);
}

// ---- quick fixes, folding, formatting, documents ----------------------------

// `y = y + 1` with `y` never declared: declaring it is the fix to take.
TEST(CodeActions, AnUndeclaredNameBeforeAnOperatorWordIsDeclared) {
    Client client;
    client.open("repeat 2\n{\n  y = y + 1\n}\n");
    const json actions = client.result("textDocument/codeAction", {{"range", range(2, 2, 2)}, {"context", {{"diagnostics", json::array()}}}});
    ASSERT_EQ(actions.size(), 1u) << actions;
    EXPECT_EQ(actions[0]["title"], "Declare 'y' with 'var y 0' above its first use");
    EXPECT_EQ(actions[0]["isPreferred"], true);
    EXPECT_EQ(actions[0]["edit"]["changes"][uri][0], (json{{"range", range(2, 0, 0)}, {"newText", "  var y 0\n"}}));
}

TEST(CodeActions, EachQuickFixWithItsEdit) {
    Client client;
    const std::string text = "var x 1\n  cirlce 1 2 3 false\n  message zzz\nmessage zzz\nfunction open 1 q\nreturn q";
    client.open(text);
    const json actions = client.result("textDocument/codeAction", {{"range", range(0, 0, 0)}, {"context", {{"diagnostics", json::array()}}}});
    EXPECT_EQ(actions, json::array());
    const auto edit_of = [](const json& action) { return action["edit"]["changes"][uri][0]; };
    const json typo = client.result("textDocument/codeAction", {{"range", range(1, 3, 3)}, {"context", {{"diagnostics", json::array()}}}});
    ASSERT_EQ(typo.size(), 2u) << typo;
    EXPECT_EQ(typo[0]["title"], "Declare 'cirlce' with 'var cirlce 0' above its first use");
    EXPECT_EQ(typo[1]["title"], "Change to 'circle'");
    EXPECT_EQ(typo[1]["kind"], "quickfix");
    EXPECT_EQ(typo[1]["isPreferred"], true);
    EXPECT_EQ(typo[1]["diagnostics"][0]["message"], "did you mean 'circle'?");
    EXPECT_EQ(edit_of(typo[1]), (json{{"range", range(1, 2, 8)}, {"newText", "circle"}}));
    const json unknown = client.result("textDocument/codeAction", {{"range", range(3, 9, 9)}, {"context", {{"diagnostics", json::array()}}}});
    ASSERT_EQ(unknown.size(), 1u) << unknown;
    EXPECT_EQ(unknown[0]["title"], "Declare 'zzz' with 'var zzz 0' above its first use");
    EXPECT_EQ(edit_of(unknown[0]), (json{{"range", range(2, 0, 0)}, {"newText", "  var zzz 0\n"}}));
    const json open = client.result("textDocument/codeAction", {{"range", range(4, 0, 0)}, {"context", {{"diagnostics", json::array()}}}});
    ASSERT_EQ(open.size(), 1u) << open;
    EXPECT_EQ(open[0]["title"], "Add the missing 'end' of 'open'");
    EXPECT_EQ(edit_of(open[0]), (json{{"range", range(5, 8, 8)}, {"newText", "\nend\n"}}));
}

TEST(Folding, BlocksAndDefinitions) {
    Client client;
    client.open(script + "repeat 2\n{\n{\nexit\n}\n}\n");
    EXPECT_EQ(client.result("textDocument/foldingRange", json::object()),
              (json{{{"startLine", 1}, {"endLine", 2}}, {{"startLine", 7}, {"endLine", 8}},
                    {{"startLine", 11}, {"endLine", 14}}, {{"startLine", 12}, {"endLine", 13}}}));
}

TEST(Formatting, IndentsBlocksAndBodiesAsTheClientSays) {
    Client client;
    client.open("function f 1 p\nreturn p\nend\nrepeat 2\n{\n    message \"a\n  b\"\n\t{\nexit\n }\n}\n");
    json options = {{"options", {{"tabSize", 2}, {"insertSpaces", true}}}};
    EXPECT_EQ(client.result("textDocument/formatting", options),
              (json{{{"range", range(1, 0, 0)}, {"newText", "  "}},
                    {{"range", range(5, 0, 4)}, {"newText", "  "}},
                    {{"range", range(7, 0, 1)}, {"newText", "  "}},
                    {{"range", range(8, 0, 0)}, {"newText", "    "}},
                    {{"range", range(9, 0, 1)}, {"newText", "  "}}}));
    options = {{"options", {{"tabSize", 8}, {"insertSpaces", false}}}, {"range", range(8, 0, 1)}};
    EXPECT_EQ(client.result("textDocument/rangeFormatting", options),
              (json{{{"range", range(8, 0, 0)}, {"newText", "\t\t"}}}));
}

// A comment line inside a block stays where it is: blanks before it would
// make a line of blanks, whose term is missing. Empty lines stay empty.
TEST(Formatting, LeavesCommentLinesAndEmptyLinesAlone) {
    Client client;
    client.open("repeat 2\n{\n// draw one\n\ncircle 1 2 3 false\n; message 1\n}\n");
    const json options = {{"options", {{"tabSize", 4}, {"insertSpaces", true}}}};
    EXPECT_EQ(client.result("textDocument/formatting", options),
              (json{{{"range", range(4, 0, 0)}, {"newText", "    "}}}));
}

TEST(Documents, AChangeOfAnUnknownDocumentIsIgnoredASaveAccepted) {
    Client client;
    EXPECT_TRUE(client.send({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
                             {"params", {{"textDocument", {{"uri", uri}, {"version", 2}}}, {"contentChanges", {{{"text", "zz\n"}}}}}}}).empty());
    EXPECT_EQ(client.request("textDocument/hover", {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 0}, {"character", 0}}}})["error"]["code"], -32602);
    client.open("zz\n");
    EXPECT_TRUE(client.send({{"jsonrpc", "2.0"}, {"method", "textDocument/didSave"}, {"params", {{"textDocument", {{"uri", uri}}}}}}).empty());
    EXPECT_TRUE(client.capabilities()["textDocumentSync"]["save"].is_object());
}

// ---- properties over generated scripts ---------------------------------------

// Scripts of statements that use the names ka, kb, ké (variables), kg (a
// script) and kd, ke (its parameters), with blocks, definitions,
// quotes across lines, comments and lines that drop words, indented at
// random.
std::string generated_script(std::uint64_t seed) {
    static const char* const statements[] = {
        "var ka 1", "var kb ka", "function kg 2 kd ke", "return kd", "message ke", "end",
        "{", "}", "repeat ka", "message kg ka 2", "ka = kb + 1", "message \"x\n  y // z\"",
        "circle ka kb 3 false", "message kb // ka", "if 1 = ka", "zz", "message \"\u00e9\U0001F600\"",
        "message kd", "ka", "var k\u00e9 kb", "message k\u00e9", "zz ka kd", "message 1 kb",
        "// a comment of its own", "", "; message ka", "{", "}"};
    static const char* const indents[] = {"", "", " ", "\t", "    ", "  \t"};
    std::string text;
    test::SeededRandom generator(seed, 7);
    const auto random = [&](std::size_t bound) { return generator.below(bound); };
    const std::size_t count = 1 + random(16);
    for (std::size_t i = 0; i < count; ++i) {
        text += indents[random(std::size(indents))];
        text += statements[random(std::size(statements))];
        text += random(5) == 0 ? "\r\n" : "\n";
    }
    return text;
}

std::string translation(const std::string& text) {
    const Translation t = translate_source(text, {});
    return std::string(t.host) + "\n--- messages ---\n" + std::string(t.messages);
}

// What `kelvo` would exit with: 1 where the tools find an error.
int exit_status(const std::string& text) {
    const Analysis analysis = analyse(text);
    return std::any_of(analysis.findings.begin(), analysis.findings.end(),
                       [](const Finding& f) { return f.severity() == Severity::error; })
               ? 1
               : 0;
}

using ide::TextEdit;

std::string applied(const std::string& text, std::vector<TextEdit> edits) {
    std::sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) { return a.span.begin > b.span.begin; });
    std::string out = text;
    for (const TextEdit& e : edits) out.replace(e.span.begin, e.span.end - e.span.begin, e.text);
    return out;
}

// The features of a document of its own: its analysis and its lines.
struct Studied {
    explicit Studied(const std::string& text)
        : analysis(analyse(text)), lines(analysis.source, LineIndex::Ends::any),
          source_lines(analysis.source, LineIndex::Ends::line_feeds) {}
    ide::Subject subject() const { return {analysis, lines, source_lines, {}}; }
    Analysis analysis;
    LineIndex lines;
    LineIndex source_lines;
};

TEST(Properties, FormattingNeverChangesTheTranslation) {
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        const std::string text = generated_script(seed);
        const Studied studied(text);
        for (const ide::FormatOptions options : {ide::FormatOptions{2, true}, ide::FormatOptions{4, false}}) {
            const std::string formatted = applied(text, ide::format(studied.subject(), options, {0, text.size()}));
            EXPECT_EQ(translation(formatted), translation(text)) << json(text).dump() << "\nbecame\n" << json(formatted).dump();
            EXPECT_EQ(exit_status(formatted), exit_status(text)) << json(text).dump();
            // Formatting what is formatted changes nothing more.
            const Studied again(formatted);
            EXPECT_TRUE(ide::format(again.subject(), options, {0, formatted.size()}).empty()) << json(formatted).dump();
        }
    }
}

// The text with every whole `name` (no letter, digit, `_` or non-ASCII
// byte on either side) replaced.
std::string replaced_name(const std::string& text, std::string_view name, const std::string& by) {
    const auto part = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80; };
    std::string out;
    std::size_t at = 0;
    for (std::size_t found = text.find(name); found != std::string::npos; found = text.find(name, found + 1)) {
        const std::size_t end = found + name.size();
        if ((found > 0 && part(text[found - 1])) || (end < text.size() && part(text[end]))) continue;
        out += text.substr(at, found - at) + by;
        at = end;
    }
    return out + text.substr(at);
}

TEST(Properties, ARenameChangesOnlyTheName) {
    std::size_t renamed = 0;
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        const std::string text = generated_script(seed);
        const Studied studied(text);
        const Analysis& analysis = studied.analysis;
        for (const AnalysedWord& word : analysis.words) {
            const std::string word_text(analysis.text(word));
            const ide::Renamed edits = ide::rename(studied.subject(), word.bytes.begin, "omega");
            if (edits.refusal) continue;
            ++renamed;
            const std::string after = applied(text, edits.edits);
            const std::string expected = replaced_name(translation(text), word_text, "omega");
            // The name's other uses, unknown where they stand, stay as they were.
            std::string got = translation(after);
            const Analysis renamed_analysis = analyse(after);
            for (const AnalysedWord& other : renamed_analysis.words)
                if (other.kind == WordKind::unknown && renamed_analysis.text(other) == word_text) got.clear();
            if (got.empty()) continue;
            EXPECT_EQ(got, expected) << json(text).dump() << "\nrenaming " << word_text << " became\n" << json(after).dump();
            // Mending the lines that drop words (their unknown first word made
            // `message`) keeps it so: the dropped words were renamed too.
            // Where the mended text knows the name at all its places, so does the renamed one.
            const std::string mended_before = replaced_name(text, "zz", "message");
            const std::string mended_after = replaced_name(after, "zz", "message");
            const Analysis mended = analyse(mended_before);
            const auto unknown_name = [&](const AnalysedWord& other) {
                return other.kind == WordKind::unknown && mended.text(other) == word_text;
            };
            const std::vector<AnalysedWord>& mended_words = mended.words;
            if (std::any_of(mended_words.begin(), mended_words.end(), unknown_name)) continue;
            EXPECT_EQ(translation(mended_after), replaced_name(translation(mended_before), word_text, "omega"))
                << json(text).dump() << "\nrenaming " << word_text << " and mending became\n" << json(mended_after).dump();
        }
    }
    EXPECT_GT(renamed, 300u);
}

}  // namespace
}  // namespace kelvo::lsp
