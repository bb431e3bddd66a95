// The calls that reach past the canvas: the message the caller shows, the
// end of the game and the clipboard the caller gives.
#include "preview/host/call.h"
#include "preview/host/implementations.h"

namespace kelvo::preview {

// The message is kept for the caller (within the cap); the run goes on at
// once, as if it had been read.
void host_show_message(Call& call) {
    std::string scratch;
    const auto text = call.shown(0, scratch);
    if (!text) return;
    World& world = call.world();
    if (world.messages.size() >= world.settings.message_limit) {
        ++world.messages_dropped;
        return;
    }
    world.messages.push_back({std::string(text->substr(0, kept_text_bytes)), text->size(), call.range(), call.trace_entry()});
}

void host_game_end(Call& call) { call.world().game_ended = true; }

void host_clipboard_get_text(Call& call) {
    const std::string& clipboard = call.world().settings.clipboard;
    if (call.afford_bytes(clipboard.size())) call.give_text(clipboard);
}

}  // namespace kelvo::preview
