#include "library/line_index.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace kelvo {

namespace {

// The first byte at or after `from` that is no ASCII, or `to`: eight bytes
// at a time, as most text is ASCII.
std::size_t next_wide_byte(std::string_view text, std::size_t from, std::size_t to) {
    constexpr std::uint64_t high_bits = 0x8080808080808080ULL;
    while (from + 8 <= to) {
        std::uint64_t group = 0;
        std::memcpy(&group, text.data() + from, 8);
        if ((group & high_bits) != 0) break;
        from += 8;
    }
    while (from < to && static_cast<unsigned char>(text[from]) < 0x80) ++from;
    return from;
}

// Where the lines that a lone CR ends begin (a CR that no LF follows).
std::vector<std::uint32_t> lone_cr_starts(std::string_view text, std::size_t from) {
    std::vector<std::uint32_t> starts;
    const char* data = text.data();
    for (const void* cr = std::memchr(data + from, '\r', text.size() - from); cr != nullptr;) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
        if (at + 1 == text.size() || text[at + 1] != '\n') starts.push_back(static_cast<std::uint32_t>(at + 1));
        cr = at + 1 < text.size() ? std::memchr(data + at + 1, '\r', text.size() - at - 1) : nullptr;
    }
    return starts;
}

}  // namespace

LineIndex::LineIndex(std::string_view text, Ends ends, Start start) : text_(text) {
    if (text.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("a text of 4 GiB or more has no line index");
    const bool skip = start == Start::after_byte_order_mark && starts_with_byte_order_mark(text);
    const std::size_t first = skip ? byte_order_mark.size() : 0;
    starts_.push_back(static_cast<std::uint32_t>(first));
    const char* data = text.data();
    for (const void* feed = std::memchr(data + first, '\n', text.size() - first); feed != nullptr;) {
        const auto next = static_cast<std::size_t>(static_cast<const char*>(feed) - data) + 1;
        starts_.push_back(static_cast<std::uint32_t>(next));
        feed = next < text.size() ? std::memchr(data + next, '\n', text.size() - next) : nullptr;
    }
    if (ends == Ends::any) {
        const std::vector<std::uint32_t> more = lone_cr_starts(text, first);
        if (!more.empty()) {
            const auto middle = static_cast<std::ptrdiff_t>(starts_.size());
            starts_.insert(starts_.end(), more.begin(), more.end());
            std::inplace_merge(starts_.begin(), starts_.begin() + middle, starts_.end());
        }
    }
    saved16_.push_back(0);
    saved32_.push_back(0);
    for (std::size_t at = next_wide_byte(text, first, text.size()); at < text.size();
         at = next_wide_byte(text, at, text.size())) {
        const Utf8Character c = utf8_character(text, at);
        const auto utf16 = static_cast<std::uint8_t>(units_of(c, Encoding::utf16));
        wide_.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint8_t>(c.length), utf16});
        saved16_.push_back(saved16_.back() + static_cast<std::uint32_t>(c.length - utf16));
        saved32_.push_back(saved32_.back() + static_cast<std::uint32_t>(c.length - 1));
        at += c.length;
    }
}

std::pair<std::size_t, std::size_t> LineIndex::last_character(std::size_t line) const {
    const std::size_t start = line_start(line);
    const std::size_t end = line_end(line);
    if (end == start) return {start, start};
    const auto continues = [this](std::size_t at) { return (static_cast<unsigned char>(text_[at]) & 0xC0) == 0x80; };
    // A byte that continues no sequence begins a character; a sequence is at
    // most 4 bytes, so a character that ends the line begins among its last 4.
    const std::size_t reach = end - std::min<std::size_t>(end - start, 4);
    std::size_t at = end - 1;
    while (at > reach && continues(at)) --at;
    if (continues(at)) return {end - 1, end};  // no sequence reaches the end: a byte of its own
    const std::string_view bytes = text_.substr(0, end);
    for (;;) {
        const std::size_t next = at + utf8_character(bytes, at).length;
        if (next >= end) return {at, end};
        at = next;
    }
}

std::size_t LineIndex::line_end(std::size_t line) const {
    if (line >= starts_.size()) return text_.size();
    const std::size_t start = starts_[line];
    std::size_t end = line + 1 < starts_.size() ? starts_[line + 1] : text_.size();
    if (end > start && text_[end - 1] == '\n') --end;
    if (end > start && text_[end - 1] == '\r') --end;
    return end;
}

std::size_t LineIndex::line_of(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return after == starts_.begin() ? 0 : static_cast<std::size_t>(after - starts_.begin()) - 1;
}

std::size_t LineIndex::first_wide(std::size_t offset) const {
    const auto found = std::lower_bound(wide_.begin(), wide_.end(), offset,
                                        [](const Wide& w, std::size_t o) { return w.offset < o; });
    return static_cast<std::size_t>(found - wide_.begin());
}

std::size_t LineIndex::saved(std::size_t first, std::size_t last, Encoding encoding) const {
    const std::vector<std::uint32_t>& prefix = encoding == Encoding::utf16 ? saved16_ : saved32_;
    return prefix[last] - prefix[first];
}

std::size_t LineIndex::inside_character(std::size_t offset) const {
    const std::size_t k = first_wide(offset);
    if (k > 0 && wide_[k - 1].offset + wide_[k - 1].length > offset) return wide_[k - 1].offset;
    return offset;
}

std::size_t LineIndex::units(std::size_t from, std::size_t to, Encoding encoding) const {
    if (to <= from) return 0;
    if (encoding == Encoding::utf8) return to - from;
    return (to - from) - saved(first_wide(from), first_wide(to), encoding);
}

std::size_t LineIndex::units_before(std::size_t offset, Encoding encoding) const {
    offset = inside_character(std::min(offset, text_.size()));
    if (encoding == Encoding::utf8) return offset;
    return offset - saved(0, first_wide(offset), encoding);
}

LineIndex::Place LineIndex::place(std::size_t offset, Encoding encoding) const {
    const std::size_t line = line_of(offset);
    const std::size_t start = starts_[line];
    std::size_t at = std::clamp(offset, start, line_end(line));
    if (encoding == Encoding::utf8) return {line, at - start};
    at = inside_character(at);
    return {line, units(start, at, encoding)};
}

std::size_t LineIndex::offset(Place place, Encoding encoding) const {
    if (place.line >= starts_.size()) return text_.size();
    const std::size_t start = starts_[place.line];
    const std::size_t end = line_end(place.line);
    if (encoding == Encoding::utf8) return start + std::min(place.column, end - start);
    // The last wide character of the line whose units begin at or before the column.
    const std::size_t first = first_wide(start);
    const std::size_t last = first_wide(end);
    const auto units_before = [&](std::size_t k) { return (wide_[k].offset - start) - saved(first, k, encoding); };
    std::size_t low = first;
    std::size_t high = last;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (units_before(middle) <= place.column) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == first) return std::min(start + place.column, first < last ? std::size_t{wide_[first].offset} : end);
    const Wide& w = wide_[low - 1];
    const std::size_t before = units_before(low - 1);
    const std::size_t width = encoding == Encoding::utf16 ? w.utf16 : 1;
    if (place.column < before + width) return w.offset;
    return std::min(end, w.offset + w.length + (place.column - before - width));
}

void LineIndex::Forward::enter(std::size_t line) {
    line_ = line;
    start_ = index_.line_start(line);
    end_ = index_.line_end(line);
    next_start_ = line + 1 < index_.line_count() ? index_.line_start(line + 1) : index_.text_.size() + 1;
    line_wide_ = wide_ = index_.first_wide(start_);
    narrow_ = wide_ == index_.wide_.size() || index_.wide_[wide_].offset >= end_;
    last_ = start_;
}

LineIndex::Place LineIndex::Forward::operator()(std::size_t offset) {
    offset = std::min(offset, index_.text_.size());
    if (!started_ || offset < last_) {
        started_ = true;
        enter(index_.line_of(offset));
    }
    while (offset >= next_start_) enter(line_ + 1);
    const std::size_t at = std::clamp(offset, start_, end_);
    if (encoding_ == Encoding::utf8 || narrow_) return {line_, at - start_};
    const std::vector<Wide>& wide = index_.wide_;
    while (wide_ < wide.size() && wide[wide_].offset < at) ++wide_;
    last_ = std::max(last_, at);
    std::size_t k = wide_;
    std::size_t from = at;
    if (k > line_wide_ && wide[k - 1].offset + wide[k - 1].length > at) from = wide[--k].offset;  // inside a character
    return {line_, (from - start_) - index_.saved(line_wide_, k, encoding_)};
}

}  // namespace kelvo
