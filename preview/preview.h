// The preview host: runs host script text exactly as the translator writes
// it, so that a script's author sees what it does: what it draws, the
// messages it shows, every host call it makes and the faults the engine
// would meet. It is a tool of its own beside the translator; the library
// the engine loads never links it. Where the preview and the engine differ,
// the engine is right (docs/preview.md has every rule the preview keeps).
//
// One entry point: run_host(host text, settings) runs the text once, as one
// frame, on a fresh canvas; nothing carries over from one run to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "preview/canvas/canvas.h"
#include "preview/canvas/shape.h"
#include "preview/faults/fault.h"
#include "preview/host/clock.h"
#include "preview/host/constants.h"
#include "preview/host/functions.h"
#include "preview/host/settings.h"
#include "preview/host/world.h"
#include "preview/interpreter/trace.h"

namespace kelvo::preview {

struct HostRun {
    // The text could be read whole, so it ran (else `faults` say why not).
    bool ran = false;
    // game_end() was called: the game ends here, no later frame runs.
    bool game_ended = false;
    // The run used up its steps and stopped (the last fault says where).
    bool out_of_steps = false;
    std::uint64_t steps = 0;

    std::vector<TraceEntry> trace;
    std::size_t trace_dropped = 0;  // calls past the trace's cap
    std::vector<Shape> shapes;      // in drawing order
    std::size_t shapes_dropped = 0; // drawn on the canvas, but past the cap of the list
    std::vector<Fault> faults;      // in the order met
    std::size_t faults_dropped = 0;
    std::vector<Message> messages;  // of show_message, in order
    std::size_t messages_dropped = 0;

    int background = 0xFFFFFF;  // the canvas before the first drawing
    Canvas canvas;              // the frame as drawn (no pixels in a HostRun made by hand)
};

// Runs the host text once. `host` is the text as the translator writes it
// (the definitions block, then the main code); every range in the result
// is a byte range of it.
HostRun run_host(std::string_view host, const Settings& settings = {});

// The frame as an SVG document: the background, then every shape kept, in
// drawing order, each with its host range in `data-range="BEGIN-END"` (and
// `data-call="N"`, its entry in the trace). The same run always gives the
// same bytes.
std::string frame_svg(const HostRun& run);

// Which kept shape drew each pixel last, for a tool that finds a shape by a
// pixel of the frame: per pixel, rows from the top, the shape's index in
// `shapes` plus one, or 0 where none did (the background, a shape of no
// alpha, one past the cap of the list). The shapes are drawn again, each
// whole and in one colour of its own, with the rasteriser's own pixels.
std::vector<std::uint32_t> shape_owners(const HostRun& run);

}  // namespace kelvo::preview
