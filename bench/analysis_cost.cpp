// kelvo_analysis_cost: what the tools' analysis of a source costs against a
// plain run of the same text, in memory (no files): the median time of each
// (an analysis made afresh, and one made in the room of the last, as the
// language server makes it at each change), and the bytes the analysis holds per byte of source once it is made.
//
//   kelvo_analysis_cost [BYTES] [REPETITIONS]
//   kelvo_analysis_cost BYTES 1 plain|analysis    one of them once, for an
//                                                 instruction count (callgrind)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "library/analysis.h"
#include "library/session.h"
#include "counted_memory.h"
#include "shapes.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t bytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const int reps = argc > 2 ? std::atoi(argv[2]) : 15;
    const std::string source = kelvo::bench::mixed_script(bytes);
    // Without a listener, `end` writes its counts to standard output.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    if (argc > 3) {
        const std::string only = argv[3];
        if (only == "plain") return kelvo::translate_source(source, {}).host.empty() ? 1 : 0;
        if (only == "analysis") return kelvo::analyse(source).host.empty() ? 1 : 0;
        return 2;
    }
    std::vector<double> plain, analysed, reused;
    std::size_t held = 0;
    kelvo::Analysis kept;
    for (int i = 0; i < reps; ++i) {
        std::string copy = source;
        auto start = Clock::now();
        const std::size_t size = kelvo::translate_source(std::move(copy), {}).host.size();
        plain.push_back(seconds_since(start));
        if (size == 0) return 1;

        kept = kelvo::Analysis();
        const std::size_t before = kelvo::bench::live_bytes();
        start = Clock::now();
        kept = kelvo::analyse(source);
        analysed.push_back(seconds_since(start));
        held = kelvo::bench::live_bytes() - before;

        // As the language server makes it at each change: in the room of the last one.
        start = Clock::now();
        kept = kelvo::analyse(source, {}, std::move(kept));
        reused.push_back(seconds_since(start));
    }
    const double p = median(plain);
    const double a = median(analysed);
    const double r = median(reused);
    std::fprintf(stderr, "source: %zu bytes (mixed script), median of %d runs each\n", source.size(), reps);
    std::fprintf(stderr, "plain run:  %.2f ms\n", p * 1e3);
    std::fprintf(stderr, "analysis:   %.2f ms  (%.2f times the plain run)\n", a * 1e3, a / p);
    std::fprintf(stderr, "analysis made in the room of the last one: %.2f ms  (%.2f times the plain run)\n", r * 1e3, r / p);
    std::fprintf(stderr, "held:       %.1f MB, %.1f bytes per source byte (the result, its messages and the records)\n",
                 static_cast<double>(held) / 1e6, static_cast<double>(held) / static_cast<double>(source.size()));
    return 0;
}
