// kelvo_preview_run: what a run of the preview host costs, under Google
// Benchmark: each example's host text, host texts of about 100 KB (one that
// runs to its end, one that runs until its budget is spent, one the host
// cannot read), and runs that use up the whole default budget (a billion
// turns of repeat, a text that doubles, a canvas cleared again and again, a
// trace past its cap). The counter peak_bytes is the most memory the run
// held at once, counted by this program's operator new. BM_Linked*: what
// the tools pay for a run at the source terms (kelvo --run, kelvo/run, the
// playground's module): the source analysed, run, every record linked, the
// host's argument counts checked, and for the playground the shapes' owners.
//
//   kelvo_preview_run [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "library/analysis.h"
#include "library/session.h"
#include "preview/linked/linked.h"
#include "preview/preview.h"
#include "counted_memory.h"
#include "shapes.h"

namespace {

namespace fs = std::filesystem;

class Silent final : public kelvo::Listener {
public:
    void report(const kelvo::Report&) override {}
    void argument_count(std::int32_t, std::size_t) override {}
};
Silent silent;

std::string translated(const std::string& source) {
    kelvo::SessionOptions options;
    options.listener = &silent;
    return std::string(kelvo::translate_source(source, options).host);
}

// Calls `once` each iteration; the peak of memory it held is the highest of all.
template <typename Once>
void counted_runs(benchmark::State& bench, Once once) {
    std::size_t peak = 0;
    for (auto _ : bench) {
        const std::size_t before = kelvo::bench::live_bytes();
        kelvo::bench::reset_peak();
        once();
        peak = std::max(peak, kelvo::bench::peak_bytes() - before);
    }
    bench.counters["peak_bytes"] = static_cast<double>(peak);
}

// Runs the host text once per iteration.
void run(benchmark::State& bench, const std::string& host) {
    std::uint64_t steps = 0;
    std::size_t faults = 0;
    counted_runs(bench, [&] {
        const kelvo::preview::HostRun result = kelvo::preview::run_host(host);
        steps = result.steps;
        faults = result.faults.size();
        benchmark::DoNotOptimize(result.canvas.pixels().data());
    });
    bench.counters["steps"] = static_cast<double>(steps);
    bench.counters["faults"] = static_cast<double>(faults);
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations()) * static_cast<std::int64_t>(host.size()));
}

std::string example_host(const std::string& name) {
    std::ifstream in(fs::path(KELVO_SOURCE_DIR) / "examples/expected" / (name + ".host"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_PreviewExample(benchmark::State& bench, const char* name) { run(bench, example_host(name)); }
BENCHMARK_CAPTURE(BM_PreviewExample, clock, "clock")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewExample, countdown, "countdown")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewExample, demo, "demo")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewExample, greeting, "greeting")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewExample, health_bar, "health_bar")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewExample, menu, "menu")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewExample, starfield, "starfield")->Unit(benchmark::kMicrosecond);

// A source of about `bytes` bytes whose translation runs from start to end:
// a user script, variables, loops that draw, texts and maths, in blocks of
// a few dozen lines, each with names of its own.
std::string running_source(std::size_t bytes) {
    std::string source = "function step 2 pos limit\nvar next 0\nnext = next + pos\nnext += 1\nif limit - next\n{\n"
                         "return next\n}\nreturn 0\nend\n";
    for (std::size_t block = 0; source.size() < bytes; ++block) {
        const std::string n = std::to_string(block);
        source += "var x" + n + " " + std::to_string(block % 600) + "\nvar y" + n + " 20\nvar s" + n +
                  " \"Score:\"\nx" + n + " += 4\ny" + n + " = step y" + n + " 480\ncolor rgb " +
                  std::to_string(block % 256) + " 128 64\nrepeat 3\n{\ncircle x" + n + " y" + n +
                  " 8 false\nline x" + n + " y" + n + " 320 240\n}\nif 640 - x" + n + "\n{\nx" + n +
                  " -= 8\n}\nelse\n{\nx" + n + " = x" + n + "\n}\nprint 10 10 s" + n + "\nprint 90 10 x" + n +
                  "\nvar d" + n + " 0\nd" + n + " = distance 0 0 x" + n + " y" + n + "\nrectangle 5 5 d" + n +
                  " 40 true\nvar t" + n + " 0\nt" + n + " = text_length s" + n + "\n";
    }
    return source;
}

void BM_PreviewRunning100KB(benchmark::State& bench) { run(bench, translated(running_source(100'000))); }
BENCHMARK(BM_PreviewRunning100KB)->Unit(benchmark::kMillisecond);

// The benchmarks' mixed script (shape 1): its host text can be read, and
// its loops run and draw until the budget is spent.
void BM_PreviewMixed100KB(benchmark::State& bench) { run(bench, translated(kelvo::bench::mixed_script(100'000))); }
BENCHMARK(BM_PreviewMixed100KB)->Unit(benchmark::kMillisecond);

// The mixed script with a call that lost its operands at its end
// (`draw_circle(,0,0,0)`): its host text cannot be read, so nothing runs:
// the cost of reading it alone.
void BM_PreviewUnreadable100KB(benchmark::State& bench) {
    run(bench, translated(kelvo::bench::mixed_script(100'000) + "\ncircle\n"));
}
BENCHMARK(BM_PreviewUnreadable100KB)->Unit(benchmark::kMillisecond);

// Ten million steps: repeat keeps a count, not a list of its turns.
void BM_PreviewBillionTurns(benchmark::State& bench) { run(bench, "n = 0\nrepeat(1000000000) n+=1\n"); }
BENCHMARK(BM_PreviewBillionTurns)->Unit(benchmark::kMillisecond);

void BM_PreviewDoublingText(benchmark::State& bench) { run(bench, "s = \"x\"\nwhile(1) s = s + s\n"); }
BENCHMARK(BM_PreviewDoublingText)->Unit(benchmark::kMillisecond);

void BM_PreviewClearsForEver(benchmark::State& bench) { run(bench, "while(1) draw_clear(255)\n"); }
BENCHMARK(BM_PreviewClearsForEver)->Unit(benchmark::kMillisecond);

void BM_PreviewTraceCap(benchmark::State& bench) { run(bench, "while(1) draw_point(1,1)\n"); }
BENCHMARK(BM_PreviewTraceCap)->Unit(benchmark::kMillisecond);

// ---- a run at its source terms, as the tools make it -------------------------

std::string example_source(const std::string& name) {
    std::ifstream in(fs::path(KELVO_SOURCE_DIR) / "examples" / (name + ".kelvo"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<kelvo::GlobalArgument> example_globals(const std::string& name) {
    if (name != "greeting") return {};
    return {{kelvo::GlobalArgument::Kind::string, "player", "Ann"}, {kelvo::GlobalArgument::Kind::real, "speed", "2.5"}};
}

// Per iteration: the analysis, the linked run, the argument counts, and
// with `owners` the shape under each pixel (what a click in the Run pane
// asks for).
void linked(benchmark::State& bench, const std::string& source, const std::vector<kelvo::GlobalArgument>& globals,
            bool owners) {
    std::uint64_t steps = 0;
    std::size_t calls = 0;
    counted_runs(bench, [&] {
        kelvo::SessionOptions options;
        options.globals = globals;
        const kelvo::Analysis analysis = kelvo::analyse(source, options);
        const kelvo::preview::LinkedRun result = kelvo::preview::run_linked(analysis);
        const kelvo::preview::HostChecks checks = kelvo::preview::host_checks(analysis);
        if (owners) benchmark::DoNotOptimize(kelvo::preview::shape_owners(result.run).data());
        steps = result.run.steps;
        calls = result.trace.size();
        benchmark::DoNotOptimize(checks.findings.data());
    });
    bench.counters["steps"] = static_cast<double>(steps);
    bench.counters["calls"] = static_cast<double>(calls);
}

void BM_LinkedExample(benchmark::State& bench, const char* name) {
    linked(bench, example_source(name), example_globals(name), false);
}
BENCHMARK_CAPTURE(BM_LinkedExample, clock, "clock")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LinkedExample, countdown, "countdown")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LinkedExample, demo, "demo")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LinkedExample, greeting, "greeting")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LinkedExample, health_bar, "health_bar")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LinkedExample, menu, "menu")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LinkedExample, starfield, "starfield")->Unit(benchmark::kMicrosecond);

// The examples one after another up to 100 KB, as the playground's
// benchmark types them, without globals: it runs (some 6 million steps, the
// clears of countdown and starfield again and again) with the faults of
// the copies (greeting's `player` unknown, names declared again).
std::string examples_source(std::size_t bytes) {
    const std::vector<std::string> names{"clock", "countdown", "demo", "greeting", "health_bar", "menu", "starfield"};
    std::string source;
    for (std::size_t i = 0; source.size() < bytes; ++i) source += example_source(names[i % names.size()]);
    return source;
}

void BM_LinkedExamples100KB(benchmark::State& bench) {
    linked(bench, examples_source(100'000), {}, false);
}
BENCHMARK(BM_LinkedExamples100KB)->Unit(benchmark::kMillisecond);

void BM_LinkedRunning100KB(benchmark::State& bench) { linked(bench, running_source(100'000), {}, false); }
BENCHMARK(BM_LinkedRunning100KB)->Unit(benchmark::kMillisecond);

void BM_LinkedRunning100KBWithOwners(benchmark::State& bench) { linked(bench, running_source(100'000), {}, true); }
BENCHMARK(BM_LinkedRunning100KBWithOwners)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
