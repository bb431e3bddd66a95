// The pages that explain each code a report can carry, the translation's
// and the host's faults' (host-CODE): what the report means, why it comes,
// a script that causes it, the same script mended and the quick fix an
// editor offers. They are data (docs/messages/pages.txt), built into the
// tools; docs/messages.md is made from the same pages.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

struct ExplanationEntry {
    std::string_view code;     // "unknown-variable", "host-division-by-zero"
    std::string_view kind;     // "error", "warning", "note" or "host fault"
    std::string_view summary;  // one line
};

// Every page, in the order of the pages.
const std::vector<ExplanationEntry>& explanation_entries();

// The page of a code as Markdown, its heading the code itself (so that a
// link to docs/messages.md#CODE finds it); nothing for a code without one.
std::optional<std::string> explanation_page(std::string_view code);

// One line per code: the code, its kind and its summary, in columns.
std::string explanation_list();

// The code closest to a mistyped one, or the empty text when none is close.
std::string_view closest_explanation(std::string_view code);

}  // namespace kelvo
