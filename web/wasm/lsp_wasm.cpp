// The language server for JavaScript: the C functions that web/wasm/kelvo_lsp.js
// calls in the WebAssembly module. The module takes one message body at a
// time and gives back the bodies of the messages to send; the framing of the
// protocol is left to the JavaScript side, which passes messages, not bytes.
//
// A body goes in through one buffer of the module's memory; the answers stay
// in the module's memory until the next call, for JavaScript to copy.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "export.h"
#include "lsp/server.h"

namespace {

std::string input;  // the buffer JavaScript writes into
std::vector<std::string> answers;
// The global arguments come with `initialize`, as the editor sends them.
std::unique_ptr<kelvo::lsp::Server> server = std::make_unique<kelvo::lsp::Server>(kelvo::lsp::Globals{});

}  // namespace

// The buffer, made room for `size` bytes, for JavaScript to fill.
KELVO_WASM_EXPORT char* kelvo_lsp_buffer(std::size_t size) {
    input.resize(size);
    return input.data();
}

// Handles the first `size` bytes of the buffer as one message body and
// returns how many messages it gave to send.
KELVO_WASM_EXPORT std::size_t kelvo_lsp_handle(std::size_t size) {
    input.resize(size);
    answers = server->handle(input);
    return answers.size();
}

KELVO_WASM_EXPORT const char* kelvo_lsp_answer(std::size_t index) { return answers.at(index).data(); }
KELVO_WASM_EXPORT std::size_t kelvo_lsp_answer_size(std::size_t index) { return answers.at(index).size(); }

// After `exit`: what `kelvo --lsp` would exit with (0 when `shutdown` came
// first, else 1); -1 while the server runs.
KELVO_WASM_EXPORT int kelvo_lsp_exit_status() { return server->exit_requested() ? server->exit_status() : -1; }

// A new server in place of the old one, with no document open: what starting
// `kelvo --lsp` again gives.
KELVO_WASM_EXPORT void kelvo_lsp_restart() {
    answers.clear();
    server = std::make_unique<kelvo::lsp::Server>(kelvo::lsp::Globals{});
}
