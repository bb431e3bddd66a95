#include "text_scan.h"

#include <algorithm>

namespace kelvo::lsp {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// The end of a comment that starts at `at`: its line feed or zero byte.
std::size_t comment_end(std::string_view text, std::size_t at) {
    const std::size_t stop = find_either(text, at, '\n', '\0');
    if (stop == std::string_view::npos) return text.size();
    // A CR LF's CR is no part of the comment as editors show it.
    return stop > at && text[stop] == '\n' && text[stop - 1] == '\r' ? stop - 1 : stop;
}

}  // namespace

TextRegions text_regions(std::string_view text) {
    TextRegions regions;
    regions.end = std::min(text.find('\x1a'), text.size());
    text = text.substr(0, regions.end);
    bool quoted = false;
    std::size_t quote = 0;
    std::size_t at = text.starts_with(byte_order_mark) ? byte_order_mark.size() : 0;
    while (at < text.size()) {
        at = find_either(text, at, '"', '/');
        if (at == std::string_view::npos) break;
        if (text[at] == '"') {
            if (quoted) regions.quotes.push_back({quote, at + 1});
            quote = at++;
            quoted = !quoted;
            continue;
        }
        std::size_t next = at + 1;
        if (text.substr(next, 2) == "\r\n") ++next;
        if (next < text.size() && text[next] == '/') {
            const std::size_t end = comment_end(text, next);
            regions.comments.push_back({at, end});
            at = end + 1;
        } else {
            at = next + 1;  // the byte after a `/` is taken as it is
        }
    }
    if (quoted) regions.quotes.push_back({quote, text.size()});
    return regions;
}

bool in_spans(const std::vector<Span>& spans, std::size_t offset) {
    const auto after = std::upper_bound(spans.begin(), spans.end(), offset,
                                        [](std::size_t o, const Span& s) { return o < s.begin; });
    return after != spans.begin() && offset <= (after - 1)->end;
}

}  // namespace kelvo::lsp
