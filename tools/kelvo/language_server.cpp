// `kelvo --lsp`: the language server on standard input and output.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define kelvo_dup _dup
#define kelvo_dup2 _dup2
#define kelvo_fdopen _fdopen
#else
#include <unistd.h>
#define kelvo_dup dup
#define kelvo_dup2 dup2
#define kelvo_fdopen fdopen
#endif

#include "lsp/framing.h"
#include "lsp/server.h"
#include "options.h"

namespace kelvo::tool {

namespace {

// Standard output is the protocol's channel: the server writes to a copy of
// it, and file descriptor 1 itself goes to standard error, so that nothing
// else the process might print can ever reach the channel.
std::FILE* take_protocol_channel() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fflush(stdout);
    const int channel = kelvo_dup(1);
    if (channel < 0 || kelvo_dup2(2, 1) < 0) return nullptr;
    return kelvo_fdopen(channel, "wb");
}

}  // namespace

int serve_language(const std::vector<Define>& defines) {
    std::FILE* channel = take_protocol_channel();
    if (channel == nullptr) {
        std::fputs("kelvo: cannot take standard output for the language server\n", stderr);
        return 2;
    }
    lsp::Globals globals;
    for (const Define& d : defines) (d.as_string ? globals.text : globals.real).emplace_back(d.name, d.value);
    lsp::Server server(std::move(globals));
    lsp::MessageReader reader(stdin);
    while (const auto body = reader.next()) {
        for (const nlohmann::json& message : server.handle(*body)) {
            const std::string text = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            if (!lsp::write_message(channel, text)) return 1;
        }
        if (server.exit_requested()) break;
    }
    std::fclose(channel);
    return server.exit_status();
}

}  // namespace kelvo::tool
