#include "preview/preview.h"

#include <utility>

#include "preview/canvas/raster.h"
#include "preview/interpreter/interpreter.h"
#include "preview/svg/svg.h"

namespace kelvo::preview {

HostRun run_host(std::string_view host, const Settings& settings) {
    World world(settings);
    Interpreter interpreter(world);
    interpreter.run(host);
    HostRun run;
    run.ran = interpreter.ran();
    run.game_ended = world.game_ended;
    run.out_of_steps = world.budget.exhausted();
    run.steps = world.budget.used();
    run.trace = std::move(interpreter.trace());
    run.trace_dropped = interpreter.trace_dropped();
    run.shapes = std::move(world.shapes);
    run.shapes_dropped = world.shapes_dropped;
    run.faults = std::move(interpreter.faults());
    run.faults_dropped = interpreter.faults_dropped();
    run.messages = std::move(world.messages);
    run.messages_dropped = world.messages_dropped;
    run.background = settings.background;
    run.canvas = std::move(world.canvas);
    return run;
}

std::string frame_svg(const HostRun& run) { return svg_document(run.shapes, run.background, run.shapes_dropped); }

std::vector<std::uint32_t> shape_owners(const HostRun& run) {
    // Colour numbers are the owners: 24 bits hold every index the caps allow.
    Canvas owners(0);
    for (std::size_t i = 0; i < run.shapes.size() && i < 0xFFFFFE; ++i) {
        if (run.shapes[i].alpha <= 0 && run.shapes[i].kind != ShapeKind::primitive) continue;
        Shape marked = run.shapes[i];
        const int owner = static_cast<int>(i + 1);
        marked.colours.fill(owner);
        marked.alpha = 1;
        for (Vertex& v : marked.vertices) {
            v.colour = owner;
            v.alpha = 1;
        }
        draw(owners, marked, marked.text);
    }
    std::vector<std::uint32_t> out(static_cast<std::size_t>(canvas_width) * canvas_height);
    for (int y = 0; y < canvas_height; ++y)
        for (int x = 0; x < canvas_width; ++x)
            out[static_cast<std::size_t>(y) * canvas_width + static_cast<std::size_t>(x)] =
                static_cast<std::uint32_t>(owners.colour_at(x, y));
    return out;
}

}  // namespace kelvo::preview
