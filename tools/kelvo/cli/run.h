// kelvo --run: the script translated and its host text run in the preview
// host, with what the run shows, calls and meets at the source terms that
// wrote it.
#pragma once

#include <string>

#include "library/analysis.h"
#include "options.h"
#include "printer.h"
#include "preview/linked/linked.h"

namespace kelvo::tool {

// Runs the source, FILE's bytes. The messages the script shows (and the
// trace, with --trace) go to standard output, printed as `out` says; the
// translation's reports and the host faults to standard error, as `err`
// says. The exit status is 1 when either has an error.
int run_script(const Options& options, const PrinterSettings& out, const PrinterSettings& err, std::string source);

// The reports of an analysis to a printer, with the warnings of the host
// checks merged in by place, and the argument counts of `end` in their
// order. `left_out`: checks that are not printed (the run met their calls).
void replay_findings(const Analysis& analysis, const preview::HostChecks& checks, Printer& printer,
                     const std::vector<preview::Range>& left_out = {});

}  // namespace kelvo::tool
