// One call of a host function as its implementation sees it: the argument
// values (already of the kinds its table row asks for), the world, and the
// ways to give a result, to fail and to draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "preview/canvas/shape.h"
#include "preview/faults/fault.h"
#include "preview/host/world.h"
#include "preview/values/value.h"

namespace kelvo::preview {

// What went wrong inside a host function; the interpreter makes the fault.
struct Failure {
    FaultKind kind = FaultKind::math_error;
    int position = 0;
    std::uint64_t limit = 0;
};

class Call {
public:
    Call(World& world, std::span<const Value> arguments, Range range, std::size_t trace_entry)
        : world_(world), arguments_(arguments), range_(range), trace_entry_(trace_entry) {}

    World& world() { return world_; }
    Range range() const { return range_; }
    std::size_t trace_entry() const { return trace_entry_; }
    std::size_t count() const { return arguments_.size(); }
    const Value& argument(std::size_t i) const { return arguments_[i]; }
    double number(std::size_t i) const { return arguments_[i].number; }
    std::string_view text(std::size_t i) const { return arguments_[i].view(); }
    // An argument that may be a text or a number as the host shows it (a
    // number written into `scratch`), its bytes paid for as a text made;
    // nullopt when that used up the steps.
    std::optional<std::string_view> shown(std::size_t i, std::string& scratch);

    // The result; a number that is not finite fails the call (math_error).
    void give(double number);
    void give_text(std::string text) {
        result_ = Value::of_text(std::move(text));
        gave_ = true;
    }
    // Takes the steps for making, or reading whole, a text of this many
    // bytes, before it is done; false when the budget ran out (the call
    // then gives nothing).
    bool afford_bytes(std::size_t bytes);
    void fail(FaultKind kind, int position = 0, std::uint64_t limit = 0);
    // Charges the pixels the shape looks at, colours them and keeps the
    // shape (within the cap); `text` is the whole text of a text shape.
    void draw(Shape shape, std::string_view text = {});

    bool failed() const { return failed_; }
    const Failure& failure() const { return failure_; }
    const Value& result() const { return result_; }
    bool gave() const { return gave_; }

private:
    World& world_;
    std::span<const Value> arguments_;
    Range range_;
    std::size_t trace_entry_;
    Value result_;
    bool gave_ = false;
    bool failed_ = false;
    Failure failure_;
};

}  // namespace kelvo::preview
