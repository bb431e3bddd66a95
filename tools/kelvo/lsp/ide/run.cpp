// The run: the document's host text run in the preview host, linked to the
// source by the preview's own linking of a run (preview/linked/).
#include "ide.h"

namespace kelvo::ide {

preview::LinkedRun run(const Subject& s, const RunRequest& request) {
    preview::Settings settings;
    settings.clock = preview::clock_at_frame({request.start, 0}, request.frame);
    settings.seed = request.seed;
    return preview::run_linked(s.analysis, settings);
}

std::optional<Span> term_span(const preview::SourcePlace& place) {
    if (!place.found) return std::nullopt;
    return span_of(place.term_bytes);
}

std::optional<Span> word_span(const preview::SourcePlace& place) {
    if (!place.found) return std::nullopt;
    return span_of(place.word);
}

}  // namespace kelvo::ide
