// The protocol's framing: each message is a header block (lines ending in
// CR LF, `Content-Length` among them), an empty line, then that many bytes
// of JSON.
//
// The reader never trusts the sender: a header block it cannot read, a
// Content-Length that is missing, no number or larger than the limit, and a
// body that runs into the next header are each reported once, and the
// reading goes on at the next `Content-Length` header. No JSON text holds
// that word outside a string, so a skipped body can be searched for it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo::lsp {

// The largest body the reader takes: a longer one is refused unread and
// skipped, never allocated.
constexpr std::size_t largest_body = std::size_t{64} << 20;  // 64 MiB

// Where the bytes come from.
class ByteSource {
public:
    ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;
    // Up to `size` bytes, as many as are there (waiting for at least one);
    // 0 at the end of the input.
    virtual std::size_t read(char* into, std::size_t size) = 0;

protected:
    ~ByteSource() = default;
};

class MessageReader {
public:
    // Told, in one line, of each framing error.
    using Complaint = std::function<void(std::string_view)>;

    MessageReader(ByteSource& source, Complaint complain) : source_(source), complain_(std::move(complain)) {}

    // The next message's body; nullopt at the end of the input.
    std::optional<std::string> next();

private:
    // What a header block said: the body's length, or why there is none.
    struct Header {
        std::optional<std::size_t> length;
        std::string error;
        std::size_t resume = 0;  // where to look for the next header after an error
    };

    bool fill();
    std::size_t line_feed(std::size_t pos);
    std::optional<Header> header_block();
    bool header_line(std::string_view line, Header& header) const;
    bool seek_header(std::size_t limit);
    std::optional<std::string> body(std::size_t length);
    void compact();

    ByteSource& source_;
    Complaint complain_;
    std::string buffer_;
    std::size_t at_ = 0;  // the bytes before it are read
    bool ended_ = false;
};

// Writes one message, framed, and flushes it. False when the channel is gone.
bool write_message(std::FILE* out, std::string_view body);

}  // namespace kelvo::lsp
