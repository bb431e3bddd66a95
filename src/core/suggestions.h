// "Did you mean": the known name closest to a word that names nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvo {

// Searches of one run, as compilers keep them: each distinct word is searched
// once, and after the first `limit` words no more, so that a source full of
// unknown words costs no more than a look at each name per search.
struct SuggestionSearches {
    static constexpr std::size_t limit = 100;
    std::vector<std::pair<std::string, std::string>> found;  // word, name meant
};

// A keyword, constant, string constant, variable declared so far, script, or
// (inside an open definition) parameter name that differs from `word` only
// in the case of its letters or by at most two edits (fewer for short
// words); the closest, and of equals the first in byte order. Empty when
// there is none.
std::string_view closest_name(std::string_view word);

}  // namespace kelvo
