// The host view: the host text of the document and where each term's text
// came from, from the analysis's record of host places.
#include "ide.h"

namespace kelvo::ide {

HostView host_view(const Subject& s) {
    const Analysis& a = s.analysis;
    HostView view{a.host, {}};
    for (const AnalysedTerm& t : a.terms) {
        const HostPlace& place = a.host_of(t);
        if (!place.placed() || place.end <= place.begin || t.word_count == 0) continue;
        const std::size_t begin = a.result_begin(place);
        view.links.push_back({span_of(a.words[t.first_word].bytes), {begin, begin + place.size()}});
    }
    return view;
}

}  // namespace kelvo::ide
