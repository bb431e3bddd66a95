// kelvo_diagnostics_cost: what the tool's reports cost over a plain run, on
// the same generated mixed script, in memory (no files): the run with no
// listener, as Parser makes it; with the tool's printer taking the messages,
// warnings and notes; and with the source lines shown as well.
//
//   kelvo_diagnostics_cost [BYTES] [REPETITIONS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "library/session.h"
#include "printer.h"
#include "shapes.h"

namespace {

using Clock = std::chrono::steady_clock;

enum class Listener { none, reports, reports_and_source };

struct Timing {
    double seconds;
    std::size_t reports;
};

Timing one_run(const std::string& source, Listener listener) {
    kelvo::tool::PrinterSettings settings;
    settings.file = "mixed.txt";
    settings.warnings = true;
    settings.show_source = listener == Listener::reports_and_source;
    const auto start = Clock::now();
    std::string bytes = source;  // the tool reads the bytes into a buffer of its own
    const std::string shown = settings.show_source ? bytes : std::string();
    kelvo::tool::Printer printer(settings, shown);
    // Without a listener, `end` writes its counts to standard output.
    kelvo::SessionOptions options;
    options.listener = listener == Listener::none ? nullptr : &printer;
    const std::size_t size = kelvo::translate_source(std::move(bytes), options).host.size();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (size == 0) std::abort();
    return {seconds, printer.text().size()};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t bytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50'000'000;
    const int reps = argc > 2 ? std::atoi(argv[2]) : 7;
    const std::string source = kelvo::bench::mixed_script(bytes);
    // The counts of `end` go to a file, not the terminal.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    std::vector<double> plain, reports, source_too;
    std::size_t report_bytes = 0, source_bytes = 0;
    for (int i = 0; i < reps; ++i) {
        plain.push_back(one_run(source, Listener::none).seconds);
        const Timing r = one_run(source, Listener::reports);
        reports.push_back(r.seconds);
        report_bytes = r.reports;
        const Timing s = one_run(source, Listener::reports_and_source);
        source_too.push_back(s.seconds);
        source_bytes = s.reports;
    }
    const double p = median(plain), r = median(reports), s = median(source_too);
    std::fprintf(stderr, "source: %zu bytes, median of %d runs each\n", source.size(), reps);
    std::fprintf(stderr, "plain run (no listener):                 %.3f s\n", p);
    std::fprintf(stderr, "positions, warnings, notes:              %.3f s  (+%.1f%%, %zu bytes of reports)\n", r,
                 100.0 * (r / p - 1.0), report_bytes);
    std::fprintf(stderr, "the same with the source lines shown:    %.3f s  (+%.1f%%, %zu bytes of reports)\n", s,
                 100.0 * (s / p - 1.0), source_bytes);
    return 0;
}
