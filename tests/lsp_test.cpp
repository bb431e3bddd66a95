// The language server as an editor meets it: `kelvo --lsp` in a process of
// its own, spoken to with framed messages over its standard input and output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

// One server process; every read waits at most a few seconds.
class Server {
public:
    explicit Server(const std::vector<std::string>& extra_args = {}) {
        errors_file_ = std::tmpfile();
        errors_ = errors_file_ != nullptr ? fileno(errors_file_) : -1;
        int to_server[2];
        int from_server[2];
        if (pipe(to_server) != 0 || pipe(from_server) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(to_server[0], 0);
            dup2(from_server[1], 1);
            dup2(errors_ >= 0 ? errors_ : open("/dev/null", O_WRONLY), 2);
            close(to_server[1]);
            close(from_server[0]);
            std::vector<char*> argv{const_cast<char*>(KELVO_TOOL_PATH), const_cast<char*>("--lsp")};
            for (const std::string& a : extra_args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(to_server[0]);
        close(from_server[1]);
        in_ = to_server[1];
        out_ = from_server[0];
    }
    ~Server() {
        if (errors_file_ != nullptr) std::fclose(errors_file_);
        if (in_ >= 0) close(in_);
        if (out_ >= 0) close(out_);
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Bytes as they are, no framing added.
    void send_bytes(const std::string& bytes) {
        ASSERT_EQ(write(in_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void send_raw(const std::string& body) {
        const std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        ASSERT_EQ(write(in_, framed.data(), framed.size()), static_cast<ssize_t>(framed.size()));
    }
    void send(const json& message) { send_raw(message.dump()); }
    void request(int id, const std::string& method, const json& params = json::object()) {
        send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
    }
    void notify(const std::string& method, const json& params = json::object()) {
        send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }

    // The next message's text, or nullopt when none comes in time.
    std::optional<std::string> receive_text() {
        std::string headers;
        while (headers.find("\r\n\r\n") == std::string::npos) {
            char c;
            if (!read_byte(c)) return std::nullopt;
            headers += c;
        }
        const std::string prefix = "Content-Length: ";
        EXPECT_EQ(headers.rfind(prefix, 0), 0u) << "not a framed message: " << headers;
        const std::size_t length = std::stoul(headers.substr(prefix.size()));
        std::string body;
        for (char c; body.size() < length && read_byte(c);) body += c;
        return body;
    }
    // The next message, or nullopt when none comes in time.
    std::optional<json> receive() {
        const std::optional<std::string> text = receive_text();
        if (!text) return std::nullopt;
        return json::parse(*text);
    }

    // What the server wrote to standard error so far.
    std::string errors() const {
        std::string text;
        char chunk[4096];
        for (off_t at = 0;;) {
            const ssize_t n = pread(errors_, chunk, sizeof chunk, at);
            if (n <= 0) return text;
            text.append(chunk, static_cast<std::size_t>(n));
            at += n;
        }
    }

    // The server's peak resident memory, in kB.
    long peak_memory_kb() const {
        std::FILE* status = std::fopen(("/proc/" + std::to_string(pid_) + "/status").c_str(), "r");
        if (status == nullptr) return -1;
        char line[256];
        long kb = -1;
        while (std::fgets(line, sizeof line, status) != nullptr)
            if (std::sscanf(line, "VmHWM: %ld", &kb) == 1) break;
        std::fclose(status);
        return kb;
    }

    // The answer to request `id` (notifications before it are kept).
    json answer(int id) {
        for (std::optional<json> m = receive(); m; m = receive()) {
            if (m->contains("id") && (*m)["id"] == id) return *m;
            notifications.push_back(*m);
        }
        ADD_FAILURE() << "no answer to request " << id;
        return {};
    }

    // The next diagnostics published for a document.
    json diagnostics_for(const std::string& uri) {
        for (std::size_t i = 0; i < notifications.size(); ++i) {
            if (notifications[i].value("method", "") == "textDocument/publishDiagnostics" &&
                notifications[i]["params"]["uri"] == uri) {
                json found = notifications[i]["params"]["diagnostics"];
                notifications.erase(notifications.begin() + static_cast<std::ptrdiff_t>(i));
                return found;
            }
        }
        for (std::optional<json> m = receive(); m; m = receive()) {
            if (m->value("method", "") == "textDocument/publishDiagnostics" && (*m)["params"]["uri"] == uri)
                return (*m)["params"]["diagnostics"];
            notifications.push_back(*m);
        }
        ADD_FAILURE() << "no diagnostics for " << uri;
        return {};
    }

    // The exit status once the server has ended, or -1.
    int wait_for_exit() {
        for (int i = 0; i < 500; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                waited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10'000);
        }
        return -1;
    }

    void initialize(const json& options = json::object(), const json& capabilities = json::object()) {
        request(1, "initialize", {{"processId", nullptr}, {"rootUri", nullptr}, {"capabilities", capabilities},
                                  {"initializationOptions", options}});
        const json reply = answer(1);
        ASSERT_TRUE(reply.contains("result")) << reply.dump();
        notify("initialized");
    }

    std::vector<json> notifications;

private:
    bool read_byte(char& c) {
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0) return false;
        return read(out_, &c, 1) == 1;
    }

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    bool waited_ = false;
    int errors_ = -1;
    std::FILE* errors_file_ = nullptr;
};

const char* const uri = "file:///work/bounce.kelvo";

json position(int line, int character) {
    return {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}};
}

json range(int line, int start, int end) {
    return {{"start", {{"line", line}, {"character", start}}}, {"end", {{"line", line}, {"character", end}}}};
}

void open(Server& server, const std::string& text) {
    server.notify("textDocument/didOpen",
                  {{"textDocument", {{"uri", uri}, {"languageId", "kelvo"}, {"version", 1}, {"text", text}}}});
}

const std::string script =
    "function bounce 2 pos limit\n"  // 0
    "return pos\n"                   // 1
    "end\n"                          // 2
    "var x 10\n"                     // 3
    "circle x 20 8 false\n"          // 4
    "x = bounce x 480\n"             // 5
    "message player\n";              // 6

TEST(LanguageServer, DiagnosticsWithRangesThenNoneOnceFixed) {
    Server server;
    server.initialize();
    open(server, "var x 1\nx = y\nabs 1 else\ncirlce\n");
    const json found = server.diagnostics_for(uri);
    ASSERT_EQ(found.size(), 4u) << found.dump(2);
    EXPECT_EQ(found[0]["message"], "Unknown variable: y");
    EXPECT_EQ(found[0]["severity"], 1);
    EXPECT_EQ(found[0]["range"], range(1, 4, 5));
    EXPECT_EQ(found[1]["message"], "'else' and the rest of the line are not translated: a line holds one term");
    EXPECT_EQ(found[1]["severity"], 2);
    EXPECT_EQ(found[1]["range"], range(2, 6, 10));
    EXPECT_EQ(found[2]["message"], "Unknown variable: cirlce");
    EXPECT_EQ(found[2]["range"], range(3, 0, 6));
    EXPECT_EQ(found[3]["message"], "did you mean 'circle'?");
    EXPECT_EQ(found[3]["severity"], 3);

    server.notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                             {"contentChanges", {{{"text", "var x 1\nx = x\n{\n}\n"}}}}});
    EXPECT_EQ(server.diagnostics_for(uri), json::array());

    server.notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 3}}},
                                             {"contentChanges", {{{"text", "zz\n"}}}}});
    EXPECT_EQ(server.diagnostics_for(uri).size(), 1u);
    server.notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
    EXPECT_EQ(server.diagnostics_for(uri), json::array());
}

TEST(LanguageServer, GlobalArgumentsFromTheInitializationOptions) {
    Server server;
    server.initialize({{"define", {{"speed", "2"}}}, {"defineString", {{"player", "Ann"}}}});
    open(server, "message player\nabs speed\nmessage nobody\n");
    const json found = server.diagnostics_for(uri);
    ASSERT_EQ(found.size(), 1u) << found.dump(2);
    // What follows from the unknown word, as a line of its message: this
    // client shows no related information.
    EXPECT_EQ(found[0]["message"],
              "Unknown variable: nobody\nso the first operand of 'message' is empty in the host text: the engine rejects "
              "the call");
}

// The warnings of a newcomer's traps, each at its word with its code, in
// UTF-16 columns after a character outside the BMP.
TEST(LanguageServer, TheTrapsOfTheFirstWeekAtTheirWords) {
    Server server;
    server.initialize();
    open(server, "{\n    // c\nvar i 0\nwhile 1 = sign 10 - i\nmessage \"\U0001F600\" + 1\n}\n}\n");
    const json found = server.diagnostics_for(uri);
    std::vector<std::pair<std::string, json>> got;
    for (const json& d : found) got.emplace_back(d["code"], d["range"]);
    const std::vector<std::pair<std::string, json>> expected = {
        {"comment-after-blanks", range(1, 4, 8)},
        {"comment-first-column", range(1, 4, 8)},
        {"unexpected-symbol", range(1, 7, 8)},
        {"operator-after-value", range(3, 18, 19)},
        {"chain-idiom", range(3, 18, 19)},
        {"operator-after-value", range(4, 13, 14)},
        {"chain-idiom", range(4, 13, 14)},
        {"block-not-open", range(6, 0, 1)},
        {"stray-closer", range(6, 0, 1)},
    };
    EXPECT_EQ(got, expected) << found.dump(2);
    EXPECT_EQ(found[0]["severity"], 2);
    EXPECT_EQ(found[3]["severity"], 2);
    EXPECT_EQ(found[4]["message"], "declare the value first: `var limit 10`, then `sign limit - i`");
    EXPECT_EQ(found[4]["severity"], 3);

    // A definition left open is an error; a block left open, a warning.
    server.notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                             {"contentChanges", {{{"text", "{\nfunction f 0\n"}}}}});
    const json open_ones = server.diagnostics_for(uri);
    ASSERT_EQ(open_ones.size(), 3u) << open_ones.dump(2);
    EXPECT_EQ(open_ones[0]["code"], "block-left-open");
    EXPECT_EQ(open_ones[0]["severity"], 2);
    EXPECT_EQ(open_ones[0]["range"], range(0, 0, 1));
    EXPECT_EQ(open_ones[2]["code"], "definition-left-open");
    EXPECT_EQ(open_ones[2]["severity"], 1);
    EXPECT_EQ(open_ones[2]["range"], range(1, 0, 8));
}

// The messages that follow from a missing operand go with it, as related
// information where the client shows that, past the note that explains it.
TEST(LanguageServer, WhatFollowsFromAMessageIsItsRelatedInformation) {
    Server server;
    server.initialize({}, {{"textDocument", {{"publishDiagnostics", {{"relatedInformation", true}}}}}});
    open(server, "circle 10 20\n");
    const json found = server.diagnostics_for(uri);
    ASSERT_EQ(found.size(), 2u) << found.dump(2);
    EXPECT_EQ(found[0]["message"], "Unexpected symbol: ");
    EXPECT_EQ(found[0]["severity"], 1);
    EXPECT_EQ(found[0]["range"], range(0, 0, 6));
    EXPECT_EQ(found[1]["message"], "'circle' takes 4 operands (x y r outline); this line gives it 2");
    EXPECT_EQ(found[1]["severity"], 3);
    const json location = {{"uri", uri}, {"range", range(0, 0, 6)}};
    EXPECT_EQ(found[0]["relatedInformation"],
              json::array({{{"location", location},
                            {"message", "so operand 3 of 'circle' is 0 in the host text (Wrong number of arguments to "
                                        "function or script.)"}},
                           {{"location", location},
                            {"message", "operand 4 of 'circle' finds no word either (Unexpected symbol: )"}},
                           {{"location", location},
                            {"message", "so operand 4 of 'circle' is 0 in the host text (Wrong number of arguments to "
                                        "function or script.)"}}}))
        << found.dump(2);
}

TEST(LanguageServer, HoverTellsWhatAWordIs) {
    Server server;
    server.initialize({{"defineString", {{"player", "Ann"}}}});
    open(server, script + "function open 1 q\nq\nnobody\n");
    server.diagnostics_for(uri);
    struct Case {
        int line, character;
        std::string contains;
    };
    const Case cases[] = {
        {4, 2, "circle x y r outline  \u2192  draw_circle(x,y,r,outline)"},
        {4, 2, "4 operands"},
        {4, 16, "```\n0\n```\n\nConstant"},
        {5, 0, "var x 10"},
        {5, 6, "function bounce 2 pos limit"},
        {1, 8, "Parameter 0 of `bounce`"},
        {8, 0, "Parameter 0 of `open`"},
        {6, 10, "\"Ann\""},
    };
    int id = 10;
    for (const Case& c : cases) {
        server.request(id, "textDocument/hover", position(c.line, c.character));
        const json reply = server.answer(id++);
        ASSERT_TRUE(reply["result"].is_object()) << c.contains << ": " << reply.dump();
        const std::string text = reply["result"]["contents"]["value"];
        EXPECT_NE(text.find(c.contains), std::string::npos) << text;
    }
    // Outside its definition a parameter's name is nothing.
    server.request(id, "textDocument/hover", position(3, 0));
    EXPECT_NE(server.answer(id)["result"]["contents"]["value"].get<std::string>().find("Keyword"), std::string::npos);
    // A name the run does not know is unknown there, as its diagnostic says.
    server.request(++id, "textDocument/hover", position(9, 2));
    EXPECT_EQ(server.answer(id)["result"]["contents"]["value"].get<std::string>().rfind("Unknown here", 0), 0u);
}

TEST(LanguageServer, CompletionOffersTheVocabularyAndWhatIsDeclaredAbove) {
    Server server;
    server.initialize({{"define", {{"speed", "2"}}}});
    open(server, script + "var late 1\n");
    server.diagnostics_for(uri);
    server.request(2, "textDocument/completion", position(4, 0));
    const json items = server.answer(2)["result"]["items"];
    std::size_t keywords = 0, constants = 0;
    std::vector<std::string> others;
    for (const json& item : items) {
        if (item["kind"] == 14) {
            ++keywords;
        } else if (item["kind"] == 21) {
            ++constants;
        } else {
            others.push_back(item["label"]);
        }
        if (item["label"] == "circle") {
            EXPECT_EQ(item["detail"], "4 operands: draw_circle(x,y,r,outline)");
        }
    }
    EXPECT_EQ(keywords, 92u);
    EXPECT_EQ(constants, 57u + 1u);  // and the global argument
    EXPECT_EQ(others, (std::vector<std::string>{"bounce", "x"}));  // not `late`, declared further down
}

TEST(LanguageServer, DefinitionAndDocumentSymbols) {
    Server server;
    server.initialize();
    open(server, script);
    server.diagnostics_for(uri);
    server.request(2, "textDocument/definition", position(5, 7));
    EXPECT_EQ(server.answer(2)["result"], (json{{"uri", uri}, {"range", range(0, 9, 15)}}));
    server.request(3, "textDocument/definition", position(4, 7));
    EXPECT_EQ(server.answer(3)["result"], (json{{"uri", uri}, {"range", range(3, 4, 5)}}));
    server.request(4, "textDocument/definition", position(4, 1));
    EXPECT_TRUE(server.answer(4)["result"].is_null());

    server.request(5, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    const json symbols = server.answer(5)["result"];
    ASSERT_EQ(symbols.size(), 2u) << symbols.dump(2);
    EXPECT_EQ(symbols[0]["name"], "bounce");
    EXPECT_EQ(symbols[0]["kind"], 12);
    EXPECT_EQ(symbols[0]["range"]["end"]["line"], 2);
    EXPECT_EQ(symbols[0]["selectionRange"], range(0, 9, 15));
    EXPECT_EQ(symbols[1]["name"], "x");
    EXPECT_EQ(symbols[1]["kind"], 13);
}

// kelvo/hostText: the host text of the open document as it stands, with the
// map back to it; a document that is not open is bad parameters.
TEST(LanguageServer, HostTextWithItsSourceMap) {
    Server server;
    server.initialize();
    open(server, "function f 1 p\nreturn p\nend\nmessage \"\u00e9\"; f 2\n");
    server.diagnostics_for(uri);
    server.request(7, "kelvo/hostText", {{"textDocument", {{"uri", uri}}}});
    const json reply = server.answer(7);
    ASSERT_TRUE(reply.contains("result")) << reply.dump();
    const json& result = reply["result"];
    EXPECT_EQ(result["uri"], uri);
    EXPECT_EQ(result["text"], "f='p=argument0\nreturn(p)\n'\n\nshow_message(\"\u00e9\")\nexecute_string(f,2)\n");
    const json& map = result["map"];
    EXPECT_EQ(map["version"], 3);
    EXPECT_EQ(map["sources"], json::array({uri}));
    EXPECT_FALSE(map.contains("sourcesContent"));
    EXPECT_EQ(map["names"], json::array({"function", "f", "p", "return", "end", "message"}));
    // f=' at f (0:9), p=argument0 at p (0:13); return(p) at 1:0, p at 1:7,
    // ) back at return; nothing for '; the empty line at function (0:0);
    // show_message("é") at message (3:0), the string at 3:8, ) back at
    // message at column 16 (é is one unit); f 2 at 3:13 (é one unit), 2 at 3:15.
    EXPECT_EQ(map["mappings"], "AAASC,GAAIC;AACbC,OAAOD,CAAPC;;AADAH;AAGAK,aAAQ,GAARA;AAAaJ,iBAAE,CAAFA");
    // The same pieces as links, each with the whole source word: the string's
    // quotes are in it; é is one UTF-16 unit in the document and in the host.
    const auto range = [](int line, int start, int end) {
        return json{{"start", {{"line", line}, {"character", start}}}, {"end", {{"line", line}, {"character", end}}}};
    };
    const json& links = result["links"];
    ASSERT_EQ(links.size(), 13u) << links.dump();
    EXPECT_EQ(links[0], (json{{"host", range(0, 0, 3)}, {"source", range(0, 9, 10)}}));
    EXPECT_EQ(links[1], (json{{"host", range(0, 3, 14)}, {"source", range(0, 13, 14)}}));
    EXPECT_EQ(links[5], (json{{"host", range(2, 0, 1)}, {"source", nullptr}}));
    EXPECT_EQ(links[6], (json{{"host", range(3, 0, 0)}, {"source", range(0, 0, 8)}}));
    EXPECT_EQ(links[8], (json{{"host", range(4, 13, 16)}, {"source", range(3, 8, 11)}}));
    EXPECT_EQ(links[9], (json{{"host", range(4, 16, 17)}, {"source", range(3, 0, 7)}}));
    EXPECT_EQ(links[11], (json{{"host", range(5, 17, 18)}, {"source", range(3, 15, 16)}}));

    server.notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                             {"contentChanges", {{{"text", "message 1\n"}}}}});
    server.diagnostics_for(uri);
    server.request(8, "kelvo/hostText", {{"textDocument", {{"uri", uri}}}});
    EXPECT_EQ(server.answer(8)["result"]["text"], "show_message(1)\n");

    server.request(9, "kelvo/hostText", {{"textDocument", {{"uri", "file:///nowhere.kelvo"}}}});
    EXPECT_EQ(server.answer(9)["error"]["code"], -32602);
}

// kelvo/run: the document run in the preview host, each call and fault at
// its source term; the host's argument count also among the diagnostics.
TEST(LanguageServer, RunWithTheTraceTheFaultsAndTheFrame) {
    Server server;
    server.initialize();
    open(server, "circle 10 20 8 false\nmessage power 2\n");
    const json diagnostics = server.diagnostics_for(uri);
    ASSERT_EQ(diagnostics.size(), 1u) << diagnostics.dump();
    EXPECT_EQ(diagnostics[0]["code"], "host-argument-count");
    EXPECT_EQ(diagnostics[0]["range"], range(1, 8, 13));
    server.request(7, "kelvo/run", {{"textDocument", {{"uri", uri}}}, {"frame", 0}});
    const json reply = server.answer(7);
    ASSERT_TRUE(reply.contains("result")) << reply.dump();
    const json& run = reply["result"];
    ASSERT_EQ(run["trace"].size(), 1u) << run.dump();
    EXPECT_EQ(run["trace"][0]["call"], "draw_circle");
    EXPECT_EQ(run["trace"][0]["arguments"], json::array({10, 20, 8, 0}));
    EXPECT_EQ(run["trace"][0]["range"], range(0, 0, 20));
    ASSERT_EQ(run["faults"].size(), 1u);
    EXPECT_EQ(run["faults"][0]["code"], "host-wrong-argument-count");
    EXPECT_EQ(run["faults"][0]["range"], range(1, 8, 15));
    EXPECT_EQ(run["messages"], json::array());
    EXPECT_NE(run["svg"].get<std::string>().find("data-call=\"0\""), std::string::npos);
    server.request(8, "kelvo/run", {{"textDocument", {{"uri", "file:///nowhere.kelvo"}}}});
    EXPECT_EQ(server.answer(8)["error"]["code"], -32602);
}

TEST(LanguageServer, KeepsServingAfterBadMessages) {
    Server server;
    server.request(1, "textDocument/hover", position(0, 0));
    EXPECT_EQ(server.answer(1)["error"]["code"], -32002);  // not initialized yet
    server.initialize();
    server.send_raw("{\"jsonrpc\": \"2.0\", \"id\": 7, \"method\": ");
    EXPECT_EQ(server.answer(7)["error"]["code"], -32700);
    server.send_raw("not json at all");
    server.send_raw("[1, 2]");
    server.request(8, "workspace/nothing");
    const json unknown = server.answer(8);
    EXPECT_EQ(unknown["error"]["code"], -32601);
    server.request(9, "textDocument/hover", {{"textDocument", {{"uri", uri}}}});
    EXPECT_EQ(server.answer(9)["error"]["code"], -32602);
    server.request(10, "shutdown");
    EXPECT_TRUE(server.answer(10)["result"].is_null());
    EXPECT_TRUE(server.notifications.empty()) << server.notifications.front().dump();
}

TEST(LanguageServer, NothingButTheProtocolReachesStandardOutput) {
    Server server;
    server.initialize();
    // Each `end` writes an argument count where no listener takes it.
    open(server, "function f 3 a b c\nend\nfunction g 0\nend\n");
    EXPECT_EQ(server.diagnostics_for(uri), json::array());
    server.request(2, "shutdown");
    EXPECT_TRUE(server.answer(2)["result"].is_null());  // read as a framed message: no stray bytes came first
}

TEST(LanguageServer, ExitStatusTellsWhetherShutdownCameFirst) {
    {
        Server server;
        server.initialize();
        server.request(2, "shutdown");
        server.answer(2);
        server.notify("exit");
        EXPECT_EQ(server.wait_for_exit(), 0);
    }
    {
        Server server;
        server.initialize();
        server.notify("exit");
        EXPECT_EQ(server.wait_for_exit(), 1);
    }
}

// The bytes that once stopped the server or made it answer wrongly, each
// sent as it was: the server goes on, and answers the next request.

std::string framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Sends the bytes, then a request: its answer must be the next message.
void expect_answers_after(Server& server, const std::string& bytes, int id, const std::string& what) {
    server.send_bytes(bytes);
    server.request(id, "textDocument/documentSymbol", {{"textDocument", {{"uri", "file:///none"}}}});
    const std::optional<json> next = server.receive();
    ASSERT_TRUE(next.has_value()) << what << ": the server does not answer";
    EXPECT_EQ((*next)["id"], id) << what << ": " << next->dump();
}

TEST(LanguageServerFaults, NumbersOutOfRangeAnsweredAsUnreadable) {
    Server server;
    expect_answers_after(server, "Content-Length: 5\r\n\r\n1e400", 2, "before initialize");
    server.initialize();
    expect_answers_after(server, "Content-Length: 5\r\n\r\n1e400", 3, "after initialize");
    server.send_raw(R"({"jsonrpc":"2.0","id":1e400,"method":"shutdown"})");
    EXPECT_EQ(server.receive_text(), R"({"jsonrpc":"2.0","id":1e400,"error":{"code":-32700,)"
                                     R"("message":"a number in the message is too large"}})");
    server.send_raw(R"({"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":{"x":1e400}})");
    EXPECT_EQ(server.answer(4)["error"]["code"], -32700);
    expect_answers_after(server, framed(R"({"jsonrpc":"2.0","method":"x","params":[1e400]})"), 5, "notification");
}

TEST(LanguageServerFaults, DeepNestingIsRefusedUnparsed) {
    Server server;
    const std::string deep_id = "{\"id\":" + std::string(60000, '[') + std::string(60000, ']') + "}";
    expect_answers_after(server, framed(deep_id), 2, "an id nested 60,000 deep, before initialize");
    server.initialize();
    const std::string deep = std::string(1000000, '[') + std::string(1000000, ']');
    server.send_raw(R"({"jsonrpc":"2.0","id":3,"method":"textDocument/hover","params":)" + deep + "}");
    EXPECT_EQ(server.answer(3)["error"]["code"], -32700);
    expect_answers_after(server, framed(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":)" + deep + "}"),
                         4, "a notification nested 1,000,000 deep");
}

TEST(LanguageServerFaults, HugeContentLengthRefusedWithoutAllocating) {
    Server server;
    server.initialize();
    expect_answers_after(server, "Content-Length: 2500000000\r\n\r\n", 2, "2.5 GB announced");
    expect_answers_after(server, "Content-Length: 9999999999\r\n\r\n", 3, "10 GB announced");
    EXPECT_LT(server.peak_memory_kb(), 1'000'000);  // nothing near the announced size was taken
    const std::string told = server.errors();
    EXPECT_NE(told.find("64 MiB"), std::string::npos) << told;
}

TEST(LanguageServerFaults, FramingErrorsReadOnAtTheNextHeader) {
    // A stray blank after a body, then a whole session.
    {
        Server server;
        server.send_bytes("Content-Length: 2\r\n\r\n{} ");
        server.initialize();
        server.request(2, "shutdown");
        EXPECT_TRUE(server.answer(2)["result"].is_null());
        server.notify("exit");
        EXPECT_EQ(server.wait_for_exit(), 0);
        const std::string told = server.errors();
        EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;  // reported once
    }
    const std::string body = R"({"jsonrpc":"2.0","method":"x"})";
    const std::string faults[] = {
        "\r\n\r\n" + body,                                   // no Content-Length
        "Content-Length: -30\r\n\r\n" + body,                // negative
        "Content-Length: thirty\r\n\r\n" + body,             // no number
        "Content-Length: 99999999999999999999\r\n\r\n" + body,  // huge
        "Content-Length: 30 \r\n\r\n" + body,                // a trailing blank (allowed)
        "Content-Length: 40\r\n\r\n" + body,                 // shorter than announced
        "Content-Length: 20\r\n\r\n" + body,                 // longer than announced
        "Content-Length: 30\r\n\r\n{\"jsonrpc\":\"2.0\",\"method\":\"\u00e9\u00e9\"}",  // characters, not bytes
    };
    Server server;
    server.initialize();
    int id = 10;
    for (const std::string& bytes : faults) expect_answers_after(server, bytes, id++, json(bytes).dump());
}

TEST(LanguageServerFaults, LinesEndAtALoneCarriageReturn) {
    Server server;
    server.initialize();
    open(server, "message \rzz");
    const json found = server.diagnostics_for(uri);
    ASSERT_EQ(found.size(), 1u) << found.dump();
    EXPECT_EQ(found[0]["message"],
              "Unknown variable: zz\nso the first operand of 'message' is empty in the host text: the engine rejects "
              "the call");
    EXPECT_EQ(found[0]["range"], range(1, 0, 2));
    // The translator reads a lone CR as a blank: its line 2 is the protocol's lines 1 and 2.
    server.notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                             {"contentChanges", {{{"text", "var bb 2\n\rvar cc 3\n\rbb cc\n"}}}}});
    server.diagnostics_for(uri);
    server.request(2, "textDocument/definition", position(4, 0));
    EXPECT_EQ(server.answer(2)["result"]["range"], range(0, 4, 6));
    // `cc` is a word the line leaves untranslated: it names nothing.
    server.request(5, "textDocument/definition", position(4, 3));
    EXPECT_TRUE(server.answer(5)["result"].is_null());
    server.request(3, "textDocument/hover", position(4, 0));
    EXPECT_EQ(server.answer(3)["result"]["range"], range(4, 0, 2));
    server.request(4, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    const json symbols = server.answer(4)["result"];
    ASSERT_EQ(symbols.size(), 2u) << symbols.dump();
    EXPECT_EQ(symbols[0]["selectionRange"], range(0, 4, 6));
    EXPECT_EQ(symbols[0]["range"], range(0, 0, 8));
    EXPECT_EQ(symbols[1]["selectionRange"], range(2, 4, 6));
    EXPECT_EQ(symbols[1]["range"], range(2, 0, 8));
}

TEST(LanguageServerFaults, ASymbolRangeHoldsItsNameAndEndsAfterItStarts) {
    Server server;
    server.initialize();
    open(server, "\nfunction a 0; function b 0\nend\n");
    server.diagnostics_for(uri);
    server.request(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    const json symbols = server.answer(2)["result"];
    ASSERT_EQ(symbols.size(), 2u) << symbols.dump();
    EXPECT_EQ(symbols[0]["name"], "a");
    EXPECT_EQ(symbols[0]["range"], range(1, 0, 26));
    EXPECT_EQ(symbols[0]["selectionRange"], range(1, 9, 10));
    EXPECT_EQ(symbols[1]["name"], "b");
    EXPECT_EQ(symbols[1]["range"], (json{{"start", {{"line", 1}, {"character", 0}}},
                                        {"end", {{"line", 2}, {"character", 3}}}}));
    EXPECT_EQ(symbols[1]["selectionRange"], range(1, 23, 24));
}

TEST(LanguageServerFaults, AWordAroundACommentCoversAllItsBytes) {
    Server server;
    server.initialize();
    open(server, std::string("\"//\0", 4));
    const json found = server.diagnostics_for(uri);
    ASSERT_EQ(found.size(), 2u) << found.dump();  // and the warning about `//` inside the string
    EXPECT_EQ(found[1]["message"], std::string("Unknown variable: \"\0", 20));
    EXPECT_EQ(found[1]["range"], range(0, 0, 4));
}

TEST(LanguageServerFaults, IdsComeBackAsTheyWereSent) {
    Server server;
    server.initialize();
    server.send_raw(R"({"jsonrpc":"2.0","params":{"id":99},"id":5,"method":"x")");
    EXPECT_EQ(server.receive_text(),
              R"({"jsonrpc":"2.0","id":5,"error":{"code":-32700,"message":"the message is no JSON"}})");
    const char* const ids[] = {"18446744073709551616", "-99999999999999999999999", "1.5e3", "\"\\u00e9x\"", "0"};
    for (const char* id : ids) {
        server.send_raw(std::string(R"({"jsonrpc":"2.0","id":)") + id + R"(,"method":"x"})");
        EXPECT_EQ(server.receive_text(), std::string(R"({"jsonrpc":"2.0","id":)") + id +
                                             R"(,"error":{"code":-32601,"message":"no method x"}})");
    }
    server.send_raw(R"({"jsonrpc":"2.0","id":[1],"method":"x"})");
    EXPECT_EQ(server.receive_text(), R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,)"
                                     R"("message":"an id is a number or a string"}})");
}

TEST(LanguageServerFaults, PositionsOfAnyTypeAreChecked) {
    Server server;
    server.initialize();
    open(server, script);
    server.diagnostics_for(uri);
    server.send_raw(R"({"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":)"
                    R"({"uri":"file:///work/bounce.kelvo"},"position":{"line":0,"character":1e300}}})");
    EXPECT_EQ(server.answer(2)["error"]["code"], -32602);
    server.request(3, "textDocument/hover", position(-1, 0));
    EXPECT_EQ(server.answer(3)["error"]["code"], -32602);
    server.request(4, "textDocument/hover", position(0, 0));
    EXPECT_TRUE(server.answer(4).contains("result"));
}

TEST(LanguageServerFaults, HeavyDocumentsPublishAThousandAndGoOnAnswering) {
    Server server;
    server.initialize();
    std::string text;
    for (int i = 0; i < 350000; ++i) text += "zz\n";
    open(server, text);
    const json found = server.diagnostics_for(uri);
    ASSERT_EQ(found.size(), 1001u);
    EXPECT_EQ(found[1000]["message"],
              "349000 more diagnostics are left out from here on: kelvo on the command line reports them all");
    server.notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                             {"contentChanges", {{{"text", text + "yy\n"}}}}});
    server.request(2, "textDocument/hover", position(349999, 0));
    EXPECT_TRUE(server.answer(2).contains("result"));
    EXPECT_EQ(server.diagnostics_for(uri).size(), 1001u);
}

}  // namespace

namespace {

std::vector<std::string> codes_of(const json& diagnostics) {
    std::vector<std::string> codes;
    for (const json& d : diagnostics) codes.push_back(d["code"].get<std::string>() + ":" + std::to_string(d["severity"].get<int>()));
    return codes;
}

const json code_description_support = {{"textDocument", {{"publishDiagnostics", {{"codeDescriptionSupport", true}}}}}};

}  // namespace

// Each diagnostic links to the page of its code, under the base the client
// names, when the client takes such links.
TEST(LanguageServer, DiagnosticsLinkToThePagesOfTheirCodes) {
    Server server;
    server.initialize({{"explanations", "https://example.test/docs/messages.md"}}, code_description_support);
    open(server, "power 2 3\nmessage zz\n");
    const json found = server.diagnostics_for(uri);
    ASSERT_EQ(found.size(), 3u) << found.dump(2);
    EXPECT_EQ(found[0]["codeDescription"], json({{"href", "https://example.test/docs/messages.md#host-argument-count"}}));
    EXPECT_EQ(found[1]["codeDescription"], json({{"href", "https://example.test/docs/messages.md#words-left"}}));
    EXPECT_EQ(found[2]["codeDescription"], json({{"href", "https://example.test/docs/messages.md#unknown-variable"}}));
}

TEST(LanguageServer, NoLinksForAClientThatTakesNone) {
    Server server;
    server.initialize({{"explanations", "https://example.test/docs/messages.md"}});
    open(server, "power 2 3\n");
    for (const json& d : server.diagnostics_for(uri)) EXPECT_FALSE(d.contains("codeDescription")) << d.dump();
}

// Without the option, only the pages installed beside the server are linked.
TEST(LanguageServer, WithoutTheOptionOnlyInstalledPagesAreLinked) {
    Server server;
    server.initialize({}, code_description_support);
    open(server, "power 2 3\n");
    for (const json& d : server.diagnostics_for(uri)) {
        if (!d.contains("codeDescription")) continue;
        const std::string href = d["codeDescription"]["href"];
        EXPECT_EQ(href.rfind("file://", 0), 0u) << href;
        EXPECT_NE(href.find("/docs/messages.md#"), std::string::npos) << href;
    }
}

// The option `warnings` chooses each warning as kelvo's -W options do: off
// (with its notes), on, or error; "*" for every warning.
TEST(LanguageServer, TheWarningsOptionChoosesEachWarning) {
    struct Case {
        json warnings;
        std::vector<std::string> codes;  // code:severity
    };
    const Case cases[] = {
        {json::object(), {"host-argument-count:2", "words-left:2", "block-left-open:2", "close-block:3"}},
        {{{"words-left", "off"}, {"block-left-open", "error"}}, {"host-argument-count:2", "block-left-open:1", "close-block:3"}},
        {{{"block-left-open", "off"}}, {"host-argument-count:2", "words-left:2"}},
        {{{"*", "off"}, {"words-left", "on"}}, {"words-left:2"}},
        {{{"*", "error"}, {"words-left", "off"}}, {"host-argument-count:1", "block-left-open:1", "close-block:3"}},
    };
    for (const Case& c : cases) {
        Server server;
        server.initialize({{"warnings", c.warnings}});
        open(server, "power 2 3\n{\n");
        EXPECT_EQ(codes_of(server.diagnostics_for(uri)), c.codes) << c.warnings.dump();
    }
}

// An entry the option cannot take is told, and the others still hold.
TEST(LanguageServer, AWarningsEntryItCannotTakeIsShownToTheAuthor) {
    Server server;
    server.initialize({{"warnings", {{"nope", "off"}, {"words-left", "loud"}, {"unknown-variable", "off"}, {"block-left-open", "off"}}}});
    open(server, "power 2 3\n{\n");
    EXPECT_EQ(codes_of(server.diagnostics_for(uri)), std::vector<std::string>({"host-argument-count:2", "words-left:2"}));
    std::vector<std::string> shown;
    for (const json& n : server.notifications)
        if (n.value("method", "") == "window/showMessage") shown.push_back(n["params"]["message"]);
    EXPECT_EQ(shown, std::vector<std::string>({
                         "kelvo: warnings: no warning has the code 'nope'",
                         "kelvo: warnings: 'unknown-variable' is the code of an error, not of a warning",
                         "kelvo: warnings: the warning words-left takes \"off\", \"on\" or \"error\", not \"loud\"",
                     }));
}
