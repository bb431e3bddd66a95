// The C entry of the language server's WebAssembly module
// (web/wasm/lsp_wasm.cpp), compiled natively: what JavaScript does through
// it, a body written into the buffer, handled, the answers read back, the
// exit and a fresh start.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
char* kelvo_lsp_buffer(std::size_t size);
std::size_t kelvo_lsp_handle(std::size_t size);
const char* kelvo_lsp_answer(std::size_t index);
std::size_t kelvo_lsp_answer_size(std::size_t index);
int kelvo_lsp_exit_status();
void kelvo_lsp_restart();
}

namespace {

// As kelvo_lsp.js does: room for more than the body, the body's bytes
// written at its start, then handled with the body's own size.
std::vector<std::string> handle(std::string_view body, std::size_t room_over = 16) {
    char* at = kelvo_lsp_buffer(body.size() + room_over);
    std::memcpy(at, body.data(), body.size());
    std::memset(at + body.size(), '}', room_over);  // what is past the body is not read
    const std::size_t count = kelvo_lsp_handle(body.size());
    std::vector<std::string> answers;
    for (std::size_t i = 0; i < count; ++i) answers.emplace_back(kelvo_lsp_answer(i), kelvo_lsp_answer_size(i));
    return answers;
}

constexpr std::string_view initialize =
    R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})";

TEST(LspWasmEntry, ASessionFromInitializeToExit) {
    kelvo_lsp_restart();
    const auto initialized = handle(initialize);
    ASSERT_EQ(initialized.size(), 1u);
    EXPECT_EQ(initialized[0].rfind(R"({"jsonrpc":"2.0","id":1,"result":{"capabilities":)", 0), 0u) << initialized[0];
    EXPECT_NE(initialized[0].find(R"("serverInfo":{"name":"kelvo")"), std::string::npos);

    // The text beyond ASCII goes through as its bytes: "größe" is 7 of them.
    const auto opened = handle(
        R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///g.kelvo",)"
        R"("languageId":"kelvo","version":1,"text":"var größe 1\ncirlce größe 1 2 3\n"}}})");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find(R"("method":"textDocument/publishDiagnostics")"), std::string::npos);
    EXPECT_NE(opened[0].find("Unknown variable: cirlce"), std::string::npos);

    const auto host = handle(
        R"({"jsonrpc":"2.0","id":2,"method":"kelvo/hostText","params":{"textDocument":{"uri":"file:///g.kelvo"}}})");
    ASSERT_EQ(host.size(), 1u);
    EXPECT_NE(host[0].find(R"("text":"größe = 1\n)"), std::string::npos) << host[0];

    EXPECT_EQ(kelvo_lsp_exit_status(), -1);
    EXPECT_EQ(handle(R"({"jsonrpc":"2.0","id":3,"method":"shutdown"})"),
              std::vector<std::string>{R"({"jsonrpc":"2.0","id":3,"result":null})"});
    EXPECT_TRUE(handle(R"({"jsonrpc":"2.0","method":"exit"})").empty());
    EXPECT_EQ(kelvo_lsp_exit_status(), 0);
}

TEST(LspWasmEntry, ExitWithoutShutdownIsAFailedExit) {
    kelvo_lsp_restart();
    handle(initialize);
    handle(R"({"jsonrpc":"2.0","method":"exit"})");
    EXPECT_EQ(kelvo_lsp_exit_status(), 1);
}

TEST(LspWasmEntry, ARestartForgetsTheDocumentsAndTheExit) {
    kelvo_lsp_restart();
    handle(initialize);
    handle(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///a.kelvo",)"
           R"("languageId":"kelvo","version":1,"text":"message 1\n"}}})");
    handle(R"({"jsonrpc":"2.0","method":"exit"})");
    kelvo_lsp_restart();
    EXPECT_EQ(kelvo_lsp_exit_status(), -1);
    handle(initialize);
    const auto asked = handle(
        R"({"jsonrpc":"2.0","id":2,"method":"kelvo/hostText","params":{"textDocument":{"uri":"file:///a.kelvo"}}})");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find(R"("error":)"), std::string::npos) << asked[0];
}

TEST(LspWasmEntry, BytesThatAreNoMessageGetAnErrorOrNothingAndTheServerGoesOn) {
    kelvo_lsp_restart();
    handle(initialize);
    const auto broken = handle(R"({"jsonrpc":"2.0","id":7,"method":)");
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_NE(broken[0].find("-32700"), std::string::npos) << broken[0];
    EXPECT_TRUE(handle("").size() <= 1u);
    const std::string bytes("\xff\x00\xfe", 3);
    EXPECT_TRUE(handle(bytes).size() <= 1u);
    EXPECT_EQ(handle(R"({"jsonrpc":"2.0","id":8,"method":"shutdown"})"),
              std::vector<std::string>{R"({"jsonrpc":"2.0","id":8,"result":null})"});
}

}  // namespace
