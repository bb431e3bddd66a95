#include "core/messages.h"

#include "core/diagnostics.h"
#include "core/source_reader.h"
#include "core/state.h"

namespace kelvo {

namespace {

struct MessageText {
    std::string_view text;
    bool takes_detail;
};

MessageText text_of(Message message) {
    switch (message) {
        case Message::unexpected_symbol: return {"Unexpected symbol: ", true};
        case Message::unknown_variable: return {"Unknown variable: ", true};
        case Message::wrong_argument_count:
            return {"Wrong number of arguments to function or script.", false};
        case Message::if_not_operator: return {"is not operator help:'if var0 operator var1'", false};
        case Message::while_not_operator:
            return {"is not operator help:'while var0 operator var1'", false};
        case Message::negative_argument_size: return {"Negative function argument size", false};
        case Message::nesting_too_deep: return {"Nesting too deep", false};
        case Message::cannot_open_source: return {"Cannot open source file: ", true};
        case Message::cannot_write_output: return {"Cannot write output file: ", true};
        case Message::internal_error: return {"Internal error", false};
    }
    return {"Internal error", false};
}

void tell_hook(Message message, std::string_view text, std::string_view at) {
    Report r{message, text, {}, at.size()};
    const SourceReader* reader = state.run.reader;
    if (reader != nullptr) r.position = {reader->line_number(), 0};
    state.diagnostics->message(r);
}

}  // namespace

void report(Message message, std::string_view detail, std::string_view at) {
    if (state.run.line_abandoned) return;
    const MessageText m = text_of(message);
    const std::size_t offset = state.error_text.size();
    try {
        state.error_text += m.text;
        if (m.takes_detail) state.error_text += detail;
        state.error_text += '\n';
    } catch (...) {
        // Out of memory: the message goes whole or not at all.
        state.error_text.resize(offset);
        throw;
    }
    if (state.diagnostics != nullptr) {
        const std::string_view added = std::string_view(state.error_text).substr(offset);
        tell_hook(message, added.substr(0, added.size() - 1), at);
    }
}

}  // namespace kelvo
