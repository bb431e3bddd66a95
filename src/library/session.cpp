#include "library/session.h"

#include <utility>

#include "core/state.h"
#include "library/run.h"

namespace kelvo {

namespace {

void apply(const GlobalArgument& global) {
    if (global.kind == GlobalArgument::Kind::real) {
        state.names.set_global_constant(global.name, global.value);
    } else {
        state.names.set_string_constant(global.name, global.value);
    }
}

// Installs a listener for one scope.
class Listening {
public:
    explicit Listening(Listener* listener) { state.listener = listener; }
    ~Listening() { state.listener = nullptr; }
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;
};

}  // namespace

Translation translate_source(std::optional<std::string> source, const SessionOptions& options) {
    if (options.start == StartFrom::loaded_state) restore_loaded_state();
    for (const GlobalArgument& global : options.globals) apply(global);
    const std::size_t before = state.error_text.size();
    const Listening listening(options.listener);
    const std::string& host = translate(std::move(source));
    return {host, std::string_view(state.error_text).substr(before)};
}

std::string_view error_text() { return state.error_text; }

}  // namespace kelvo
