// Primitives: draw_primitive_begin(kind) opens one, each draw_vertex adds a
// point (with the current colour and alpha, or its own), and
// draw_primitive_end() draws them all as one shape.
#include <algorithm>

#include "preview/host/call.h"
#include "preview/host/implementations.h"

namespace kelvo::preview {

// A new primitive; one still open is dropped.
void host_draw_primitive_begin(Call& call) {
    const long long kind = whole(call.number(0));
    if (kind < static_cast<long long>(PrimitiveKind::pointlist) || kind > static_cast<long long>(PrimitiveKind::trianglefan)) {
        call.fail(FaultKind::bad_argument, 1);
        return;
    }
    DrawState& draw = call.world().draw;
    draw.primitive_open = true;
    draw.primitive = static_cast<PrimitiveKind>(kind);
    draw.vertices.clear();
}

// draw_vertex(x, y), or with the vertex's own colour (and alpha).
void host_draw_vertex(Call& call) {
    DrawState& draw = call.world().draw;
    if (!draw.primitive_open) {
        call.fail(FaultKind::no_primitive);
        return;
    }
    if (draw.vertices.size() >= vertex_limit) {
        call.fail(FaultKind::vertex_limit, 0, vertex_limit);
        return;
    }
    if (!call.afford_bytes(sizeof(Vertex))) return;  // the primitive keeps it
    Vertex vertex{call.number(0), call.number(1), draw.colour, draw.alpha};
    if (call.count() > 2) vertex.colour = colour_from_number(call.number(2));
    if (call.count() > 3) vertex.alpha = std::clamp(call.number(3), 0.0, 1.0);
    vertex.x = std::clamp(vertex.x, -1e7, 1e7);
    vertex.y = std::clamp(vertex.y, -1e7, 1e7);
    draw.vertices.push_back(vertex);
}

void host_draw_primitive_end(Call& call) {
    DrawState& draw = call.world().draw;
    if (!draw.primitive_open) {
        call.fail(FaultKind::no_primitive);
        return;
    }
    Shape shape;
    shape.kind = ShapeKind::primitive;
    shape.primitive = draw.primitive;
    shape.alpha = draw.alpha;
    shape.vertices = std::move(draw.vertices);
    draw.vertices.clear();
    draw.primitive_open = false;
    call.draw(std::move(shape));
}

}  // namespace kelvo::preview
