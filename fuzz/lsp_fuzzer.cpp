// The language server as a client's bytes meet it: the input is the byte
// stream on its standard input, read by the framing and handed message by
// message to a fresh server.
//
// Checks: every message the server sends is one JSON object (an id it sends
// back is the request's own text, a number or a string, or null); a message
// gets at most one answer, and that answer carries the message's top-level
// id; the reader stops at the end of the input; the server's parse of each
// message agrees with the JSON parser's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz_checks.h"
#include "lsp/framing.h"
#include "lsp/json_limits.h"
#include "lsp/server.h"

namespace {

using kelvo::fuzz::require;

class Bytes final : public kelvo::lsp::ByteSource {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
    std::size_t read(char* into, std::size_t size) override {
        // Odd pieces, so that every boundary of the reader is crossed.
        const std::size_t n = std::min({size, bytes_.size(), std::size_t{4093}});
        bytes_.copy(into, n);
        bytes_.remove_prefix(n);
        return n;
    }

private:
    std::string_view bytes_;
};

constexpr std::string_view answer_start = R"({"jsonrpc":"2.0","id":)";

void check_message(std::string_view text, std::string_view body, bool& answered) {
    if (!text.starts_with(answer_start)) {
        require(nlohmann::json::accept(text), "a notification that is no JSON");
        return;
    }
    require(!answered, "two answers to one message");
    answered = true;
    // The id is written back as it came, which JSON allows but the parser
    // here may not take (1e400): checked apart, the rest with 0 instead.
    const std::optional<std::string_view> sent = kelvo::lsp::top_level_id(body);
    const std::string_view rest = text.substr(answer_start.size());
    std::string_view id = rest.substr(0, rest.starts_with("null,") ? 4 : sent ? sent->size() : 0);
    require(id == "null" || (sent && id == *sent), "an answer with another id than its message's");
    const std::string without_id = std::string(answer_start) + "0" + std::string(rest.substr(id.size()));
    require(nlohmann::json::accept(without_id), "an answer that is no JSON");
}

// What a parse gives: the value's text, or the kind of exception.
std::string parsed(std::string_view body, std::size_t long_enough) {
    try {
        return long_enough == 0 ? nlohmann::json::parse(body).dump() : kelvo::lsp::parse_message(body, long_enough).dump();
    } catch (const nlohmann::json::parse_error&) {
        return "parse error";
    } catch (const nlohmann::json::out_of_range&) {
        return "out of range";
    }
}

// The server's parse decodes long strings itself: with a low bar for "long",
// so that the fuzzer's short strings take that way, it must agree with the
// parser's own.
void check_parse(std::string_view body) {
    if (kelvo::lsp::nesting_depth(body) > kelvo::lsp::deepest_nesting) return;
    require(parsed(body, 2) == parsed(body, 0), "a message parsed otherwise than by the parser");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes input(std::string_view(reinterpret_cast<const char*>(data), size));
    kelvo::lsp::MessageReader reader(input, [](std::string_view what) { require(!what.empty(), "an empty complaint"); });
    kelvo::lsp::Server server(kelvo::lsp::Globals{});
    int messages = 0;
    while (const auto body = reader.next()) {
        require(++messages <= static_cast<int>(size), "more messages than bytes");
        check_parse(*body);
        bool answered = false;
        for (const std::string& text : server.handle(*body)) check_message(text, *body, answered);
        if (server.exit_requested()) break;
    }
    return 0;
}
