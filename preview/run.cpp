#include "preview/preview.h"

#include <utility>

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

}  // namespace kelvo::preview
