// "Did you mean": the known name closest to a word that names nothing, and
// the keywords whose host name the word is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

// Where the unknown word stands: the first word of a line is most likely a
// keyword, and the words after it on the line its operands.
struct SuggestionContext {
    bool line_start = false;
    std::int32_t operands = -1;  // the words after it on the line, at a line start
};

struct KeywordRow;

struct Suggestion {
    std::string word;
    SuggestionContext context;
    std::string meant;  // the closest name, or empty
    // The keywords that call the host function `word`, in byte order: none,
    // one ('circle'), or two ('min2' and 'min3'; no host name has more).
    std::array<const KeywordRow*, 2> host_of{};
};

// Searches of one run, as compilers keep them: each distinct word (in its
// context) is searched once, and after the first `limit` words no more, so
// that a source full of unknown words costs no more than a look at each name
// per search.
struct SuggestionSearches {
    static constexpr std::size_t limit = 100;
    std::vector<Suggestion> found;
};

// What the word may have meant: a keyword, constant, string constant,
// variable declared so far, script, or (inside an open definition) parameter
// name that differs from `word` only in the case of its letters or by at most
// two edits (fewer for short words); the closest, of equals at a line's
// start a keyword, one that takes as many operands as the line gives first,
// and then the first in byte order. Also the keywords whose host name the
// word is. Null once the searches are spent.
const Suggestion* suggestion_for(std::string_view word, SuggestionContext context);

}  // namespace kelvo
