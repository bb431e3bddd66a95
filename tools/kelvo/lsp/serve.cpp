// `kelvo --lsp`: the language server on standard input and output.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define kelvo_dup _dup
#define kelvo_dup2 _dup2
#define kelvo_fdopen _fdopen
#define kelvo_read(into, size) _read(0, into, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)))
#else
#include <unistd.h>
#define kelvo_dup dup
#define kelvo_dup2 dup2
#define kelvo_fdopen fdopen
#define kelvo_read(into, size) ::read(0, into, size)
#endif

#include "lsp/framing.h"
#include "lsp/server.h"
#include "lsp/serve.h"

namespace kelvo::lsp {

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

// Standard input, read as it comes: a message is taken in as soon as its
// bytes are there.
class StandardInput final : public ByteSource {
public:
    std::size_t read(char* into, std::size_t size) override {
        for (;;) {
            const auto got = kelvo_read(into, size);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EINTR) return 0;
        }
    }
};

void complain(std::string_view what) {
    std::fprintf(stderr, "kelvo --lsp: %.*s\n", static_cast<int>(what.size()), what.data());
}

// The pages of the codes as installed beside this kelvo (docs/messages.md), as
// a file URI; empty where they are not.
std::string installed_explanations() {
#ifdef KELVO_INSTALLED_MESSAGES
    std::error_code error;
    if (!std::filesystem::is_regular_file(KELVO_INSTALLED_MESSAGES, error)) return {};
    std::string uri = "file://";
    for (const char c : std::string_view(KELVO_INSTALLED_MESSAGES)) {
        if (c == ' ') uri += "%20";
        else if (c == '%') uri += "%25";
        else uri += c;
    }
    return uri;
#else
    return {};
#endif
}

}  // namespace

int serve_language(std::vector<GlobalArgument> globals) {
    std::FILE* channel = take_protocol_channel();
    if (channel == nullptr) {
        std::fputs("kelvo: cannot take standard output for the language server\n", stderr);
        return 2;
    }
    Server server(std::move(globals), installed_explanations());
    StandardInput input;
    MessageReader reader(input, complain);
    while (const auto body = reader.next()) {
        for (const std::string& message : server.handle(*body))
            if (!write_message(channel, message)) return 1;
        if (server.exit_requested()) break;
    }
    std::fclose(channel);
    return server.exit_status();
}

}  // namespace kelvo::lsp
