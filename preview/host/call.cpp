#include "preview/host/call.h"

#include <cmath>
#include <utility>

#include "preview/canvas/raster.h"

namespace kelvo::preview {

void Call::give(double number) {
    if (!std::isfinite(number)) {
        fail(FaultKind::math_error);
        return;
    }
    result_ = Value::of(number);
    gave_ = true;
}

bool Call::afford_bytes(std::size_t bytes) {
    return world_.budget.spend(bytes / text_bytes_per_step);
}

std::optional<std::string_view> Call::shown(std::size_t i, std::string& scratch) {
    const Value& value = arguments_[i];
    if (!value.is_text()) scratch = number_text(value.number);
    const std::string_view text = value.is_text() ? value.view() : std::string_view(scratch);
    if (!afford_bytes(text.size())) return std::nullopt;
    return text;
}

void Call::fail(FaultKind kind, int position, std::uint64_t limit) {
    failed_ = true;
    failure_ = {kind, position, limit};
}

void Call::draw(Shape shape, std::string_view text) {
    if (!world_.budget.spend(pixel_work(shape, text) / pixels_per_step)) return;
    preview::draw(world_.canvas, shape, text);
    if (world_.shapes.size() >= world_.settings.shape_limit) {
        ++world_.shapes_dropped;
        return;
    }
    shape.range = range_;
    shape.call = trace_entry_;
    shape.text_length = text.size();
    shape.text = std::string(text.substr(0, kept_text_bytes));
    world_.shapes.push_back(std::move(shape));
}

}  // namespace kelvo::preview
