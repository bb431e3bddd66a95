// The bytes of a document that the translator never reads as words: its
// comments, and where its double quotes run. The reading rules are the
// reader's: `//` starts a comment up to the line feed or a zero byte (inside
// quotes too), the byte after any other `/` is taken unexamined, a quote
// left open runs on across lines, and byte 0x1A ends the input.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "features.h"

namespace kelvo::lsp {

struct TextRegions {
    std::vector<Span> comments;  // from the first `/` up to the line end or the zero byte
    std::vector<Span> quotes;    // from a quote to its closing quote, included
    std::size_t end = 0;         // where the input ends (at 0x1A, or the text's end)
};

TextRegions text_regions(std::string_view text);

// The first of the two bytes at or after `at`, or npos: a plain loop, where
// find_first_of would search the set once for every byte of the text.
inline std::size_t find_either(std::string_view text, std::size_t at, char a, char b) {
    for (; at < text.size(); ++at)
        if (text[at] == a || text[at] == b) return at;
    return std::string_view::npos;
}

// Whether a sorted list of spans holds the offset (or ends right at it: a
// place at a comment's end is still in it).
bool in_spans(const std::vector<Span>& spans, std::size_t offset);

}  // namespace kelvo::lsp
