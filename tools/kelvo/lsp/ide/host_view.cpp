// The host view: the host text of the document and where each piece of it
// came from, from the source map of the document's analysis.
#include <algorithm>
#include <cstring>

#include "ide.h"
#include "library/source_map.h"

namespace kelvo::ide {

namespace {

// Where the host line that holds `offset` ends, before its line feed.
std::size_t line_end(std::string_view host, std::size_t offset) {
    const void* feed = offset < host.size() ? std::memchr(host.data() + offset, '\n', host.size() - offset) : nullptr;
    return feed == nullptr ? host.size() : static_cast<std::size_t>(static_cast<const char*>(feed) - host.data());
}

}  // namespace

HostView host_view(const Subject& s) {
    const Analysis& a = s.analysis;
    HostView view{a.host, {}};
    std::vector<SourceMapSegment> segments;
    SourceMap(a).segments([&](const SourceMapSegment& segment) { segments.push_back(segment); });
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const SourceMapSegment& segment = segments[i];
        const std::size_t next = i + 1 < segments.size() ? segments[i + 1].offset : a.host.size();
        const Span host{segment.offset, std::min(next, line_end(a.host, segment.offset))};
        if (i + 1 < segments.size() && next == segment.offset) continue;  // the next one replaces it
        std::optional<Span> source;
        if (segment.origin.mapped) source = Span{segment.origin.offset, segment.origin.offset + segment.origin.length};
        view.links.push_back({source, host});
    }
    return view;
}

}  // namespace kelvo::ide
