// The protocol's framing: each message is a header block, with at least a
// Content-Length line, an empty line, then that many bytes of JSON.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo::lsp {

class MessageReader {
public:
    explicit MessageReader(std::FILE* in) : in_(in) {}
    // The next message's body; nullopt at the end of the input. A header
    // block without a usable Content-Length is skipped.
    std::optional<std::string> next();

private:
    std::optional<std::string> header_line();
    std::FILE* in_;
};

// Writes one message, framed, and flushes it. False when the channel is gone.
bool write_message(std::FILE* out, std::string_view body);

}  // namespace kelvo::lsp
