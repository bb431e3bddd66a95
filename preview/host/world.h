// Everything the host functions read and change during a run: the canvas
// and the drawing state, the random numbers, the shapes and messages kept,
// and the steps left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "preview/canvas/canvas.h"
#include "preview/canvas/shape.h"
#include "preview/faults/fault.h"
#include "preview/host/random.h"
#include "preview/host/settings.h"

namespace kelvo::preview {

// A show_message of the run, for the caller to show.
struct Message {
    std::string text;            // at most kept_text_bytes of it
    std::size_t length = 0;      // all of it
    Range range;                 // the show_message call
    std::size_t call = no_call;  // its entry in the trace, if it has one
};

class Budget {
public:
    explicit Budget(std::uint64_t limit) : limit_(limit) {}
    // Takes the steps; false once more have been taken than the budget holds.
    bool spend(std::uint64_t steps) {
        used_ += steps;
        return used_ <= limit_;
    }
    bool exhausted() const { return used_ > limit_; }
    std::uint64_t used() const { return used_ < limit_ ? used_ : limit_; }
    std::uint64_t limit() const { return limit_; }

private:
    std::uint64_t used_ = 0;
    std::uint64_t limit_;
};

struct DrawState {
    int colour = 0;  // black
    double alpha = 1;
    bool primitive_open = false;
    PrimitiveKind primitive = PrimitiveKind::pointlist;
    std::vector<Vertex> vertices;
};

struct World {
    explicit World(const Settings& given)
        : settings(given), budget(given.step_budget), canvas(given.background), random(given.seed) {}

    const Settings& settings;
    Budget budget;
    Canvas canvas;
    Random random;
    DrawState draw;
    std::vector<Shape> shapes;
    std::size_t shapes_dropped = 0;
    std::vector<Message> messages;
    std::size_t messages_dropped = 0;
    bool game_ended = false;
};

}  // namespace kelvo::preview
