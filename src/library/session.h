// The one way in for tools: a translation of given bytes with given global
// arguments, told to a listener if one is given, and the analysis that a
// listener of the library's own makes of it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/listener.h"

namespace kelvo {

struct GlobalArgument {
    enum class Kind { real, string };
    Kind kind = Kind::real;
    std::string name;
    std::string value;
};

// Where a translation starts: from the state the library has right after
// loading (what a fresh process has), or from what earlier calls left.
enum class StartFrom { loaded_state, current_state };

struct SessionOptions {
    // Applied in the order given, exactly as Parser_add_global_arg_real and
    // Parser_add_global_arg_string apply them.
    std::vector<GlobalArgument> globals;
    StartFrom start = StartFrom::loaded_state;
    // Installed for this call only, and removed on every path.
    Listener* listener = nullptr;
};

struct Translation {
    std::string_view host;      // the result, valid until the next translation
    std::string_view messages;  // the messages this translation added to the error text
};

// One run over the bytes of a source file as stored (nullopt: the file could
// not be read, which is reported and translated as an empty file). Throws
// what the run throws (no memory), the listener removed.
Translation translate_source(std::optional<std::string> source, const SessionOptions& options);

// Every message since the library was loaded, as Parser_last_error returns it.
std::string_view error_text();

}  // namespace kelvo
