// What holds after every run of the preview host, whatever the host text:
// the fuzz target aborts on a broken rule, the tests report it.
#pragma once

#include <string>
#include <string_view>

#include "library/analysis.h"
#include "preview/linked/linked.h"
#include "preview/preview.h"

namespace kelvo::fuzz {

// The first rule the run breaks, or the empty text: it stays within its
// budget and its caps, every range lies inside the host text, a text that
// did not run says why and made no call, and the frame is whole.
std::string preview_problem(const preview::HostRun& run, std::string_view host, const preview::Settings& settings);

// The first rule the linking of an analysis's run breaks, or the empty
// text: one place for each record, each in the source, its word inside its
// term; and the host's argument counts, each call in the host text and each
// warning among the merged findings once.
std::string linked_problem(const Analysis& analysis, const preview::LinkedRun& linked);

}  // namespace kelvo::fuzz
