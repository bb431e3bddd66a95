#include "core/word_cursor.h"

#include <cstddef>

#include "core/state.h"

namespace kelvo {

bool read_quoted_after_quote(std::string_view& line) {
    const std::size_t s = line.find_first_not_of('"');  // a run of opening quotes counts as one
    if (s == std::string_view::npos) return false;
    const std::size_t e = line.find('"', s);
    if (e == std::string_view::npos) return false;
    state.quoted_text = line.substr(s, e - s);
    std::size_t rest = e;  // text glued to the closing quote goes with the string
    while (rest < line.size() && !is_whitespace(line[rest])) ++rest;
    line.remove_prefix(rest);
    return true;
}

}  // namespace kelvo
