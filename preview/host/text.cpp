// Texts, their positions counted from 1 as the host counts them. Positions
// and counts are rounded to whole numbers; a position below 1 counts as 1.
#include <algorithm>
#include <iterator>
#include <string>

#include "preview/canvas/font.h"
#include "preview/host/call.h"
#include "preview/host/implementations.h"

namespace kelvo::preview {

namespace {

// A position from 1 as an offset into a text of `size` bytes, at most its end.
std::size_t offset_of(double position, std::size_t size) {
    const long long from_one = whole(position);
    if (from_one <= 1) return 0;
    return std::min(static_cast<std::size_t>(from_one - 1), size);
}

std::size_t count_of(double count) {
    const long long n = whole(count);
    return n <= 0 ? 0 : static_cast<std::size_t>(n);
}

void give_text(Call& call, std::string_view text) {
    if (call.afford_bytes(text.size())) call.give_text(std::string(text));
}

}  // namespace

void host_string_length(Call& call) { call.give(static_cast<double>(call.text(0).size())); }

// The byte at the position, or the empty text outside the text.
void host_string_char_at(Call& call) {
    const std::string_view text = call.text(0);
    const long long position = whole(call.number(1));
    if (position < 1 || static_cast<unsigned long long>(position) > text.size()) {
        call.give_text({});
        return;
    }
    call.give_text(std::string(1, text[static_cast<std::size_t>(position - 1)]));
}

void host_string_copy(Call& call) {
    const std::string_view text = call.text(0);
    const std::size_t from = offset_of(call.number(1), text.size());
    give_text(call, text.substr(from, count_of(call.number(2))));
}

// How often the first text stands in the second, without overlaps; 0 for
// the empty text.
void host_string_count(Call& call) {
    const std::string_view part = call.text(0);
    const std::string_view text = call.text(1);
    if (!call.afford_bytes(text.size())) return;
    double count = 0;
    if (!part.empty()) {
        for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + part.size())) {
            ++count;
        }
    }
    call.give(count);
}

void host_string_delete(Call& call) {
    const std::string_view text = call.text(0);
    const std::size_t from = offset_of(call.number(1), text.size());
    const std::size_t count = std::min(count_of(call.number(2)), text.size() - from);
    if (!call.afford_bytes(text.size() - count)) return;
    std::string result(text.substr(0, from));
    result += text.substr(from + count);
    call.give_text(std::move(result));
}

// The first text put into the second before the position (after its end
// for a position past it).
void host_string_insert(Call& call) {
    const std::string_view part = call.text(0);
    const std::string_view text = call.text(1);
    const std::size_t at = offset_of(call.number(2), text.size());
    if (!call.afford_bytes(part.size() + text.size())) return;
    std::string result(text.substr(0, at));
    result += part;
    result += text.substr(at);
    call.give_text(std::move(result));
}

void host_string_digits(Call& call) {
    const std::string_view text = call.text(0);
    if (!call.afford_bytes(text.size())) return;
    std::string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits), [](char c) { return c >= '0' && c <= '9'; });
    call.give_text(std::move(digits));
}

void host_string_width(Call& call) {
    std::string scratch;
    const auto text = call.shown(0, scratch);
    if (text) call.give(static_cast<double>(measure(*text).columns * cell_width));
}

void host_string_height(Call& call) {
    std::string scratch;
    const auto text = call.shown(0, scratch);
    if (text) call.give(static_cast<double>(measure(*text).lines * cell_height));
}

}  // namespace kelvo::preview
