#include "library/line_index.h"

#include <algorithm>

namespace kelvo {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

}  // namespace

LineIndex::LineIndex(std::string_view text, Ends ends) : text_(text) {
    starts_.push_back(text.starts_with(byte_order_mark) ? byte_order_mark.size() : 0);
    if (ends == Ends::line_feeds) {
        for (std::size_t i = text.find('\n', starts_.front()); i != std::string_view::npos; i = text.find('\n', i + 1))
            starts_.push_back(i + 1);
        return;
    }
    for (std::size_t i = starts_.front(); i < text.size(); ++i) {
        if (text[i] == '\n') {
            starts_.push_back(i + 1);
        } else if (text[i] == '\r' && ends == Ends::any) {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            starts_.push_back(i + 1);
        }
    }
}

LineIndex::Place LineIndex::place(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const auto line = static_cast<std::size_t>(after - starts_.begin()) - (after == starts_.begin() ? 0 : 1);
    return {line, offset - std::min(offset, starts_[line])};
}

std::size_t LineIndex::offset(Place place) const {
    if (place.line >= starts_.size()) return text_.size();
    const std::string_view text = line(place.line);
    return starts_[place.line] + std::min(place.column, text.size());
}

}  // namespace kelvo
