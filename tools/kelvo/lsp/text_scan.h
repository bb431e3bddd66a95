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

// Whether a sorted list of spans holds the offset (or ends right at it: a
// place at a comment's end is still in it).
bool in_spans(const std::vector<Span>& spans, std::size_t offset);

}  // namespace kelvo::lsp
