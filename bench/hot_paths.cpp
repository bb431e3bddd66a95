// kelvo_hot_paths: the translator's hot paths under Google Benchmark.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "core/handler.h"
#include "core/listener.h"
#include "core/source_reader.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "core/word_cursor.h"
#include "library/session.h"
#include "shapes.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace {

// Takes the counts that `end` would write, so the runs print nothing.
class Silent final : public kelvo::Listener {
public:
    void report(const kelvo::Report&) override {}
    void argument_count(std::int32_t, std::size_t) override {}
};
Silent silent;

// A freshly loaded library after one run that declared the variable `speed`
// and the script `bounce`, as the words below expect.
void prepare() {
    kelvo::SessionOptions options;
    options.listener = &silent;
    kelvo::translate_source(std::string("var speed 4\nfunction bounce 1 pos\nreturn pos\nend\n"), options);
}

void BM_CursorNextWord(benchmark::State& bench) {
    prepare();
    std::string line;
    for (int i = 0; i < 1000; ++i) line += "circle  x\t20 sqrt 64 ";
    line += '\n';
    for (auto _ : bench) {
        kelvo::state.current_line = line;
        for (std::string_view word = kelvo::next_word(); !word.empty(); word = kelvo::next_word())
            benchmark::DoNotOptimize(word.data());
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations()) * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_CursorNextWord);

void BM_CursorQuoted(benchmark::State& bench) {
    prepare();
    const std::string line = "  \"Press any key to go on\" rest\n";
    for (auto _ : bench) {
        kelvo::state.current_line = line;
        benchmark::DoNotOptimize(kelvo::read_quoted());
    }
}
BENCHMARK(BM_CursorQuoted);

// One word through the dispatch chain, for each place in the chain.
void BM_TermDispatch(benchmark::State& bench, std::string_view line) {
    prepare();
    std::string out;
    for (auto _ : bench) {
        kelvo::state.current_line = line;
        out.clear();
        kelvo::translate_term(out);
        benchmark::DoNotOptimize(out.data());
    }
    kelvo::state.error_text.clear();
}
BENCHMARK_CAPTURE(BM_TermDispatch, number, std::string_view("12345\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, quoted, std::string_view("\"Game over\"\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, fixed_text, std::string_view("break\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, constant, std::string_view("dark_blue\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, variable, std::string_view("speed\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, variable_chain, std::string_view("speed = speed + 1\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, operator_word, std::string_view("+=\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, script_call, std::string_view("bounce 4\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, nested_calls, std::string_view("circle 10 20 sqrt abs 25 1\n"));
BENCHMARK_CAPTURE(BM_TermDispatch, condition, std::string_view("if 640 - speed\n"));

void BM_BuildCall(benchmark::State& bench) {
    prepare();
    std::string out;
    const kelvo::KeywordRow& row = *kelvo::state.names.find("rectangle_color")->keyword();
    const kelvo::Keyword keyword{row, "rectangle_color"};
    for (auto _ : bench) {
        kelvo::state.current_line = "10 20 30 40 50 60 70 80 90\n";
        out.clear();
        kelvo::build_call(9, "draw_rectangle_color", keyword, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_BuildCall);

void BM_Registration(benchmark::State& bench) {
    prepare();
    for (auto _ : bench) {
        kelvo::register_handlers();
        kelvo::register_constants();
    }
}
BENCHMARK(BM_Registration);

void BM_ReadSource(benchmark::State& bench) {
    prepare();
    const std::string source = kelvo::bench::mixed_script(1'000'000);
    std::string bytes;
    for (auto _ : bench) {
        bytes = source;
        kelvo::SourceReader reader(bytes);
        kelvo::SourceLine line;
        while (reader.next_line(line)) benchmark::DoNotOptimize(line.text.data());
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations()) * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_ReadSource);

// Whole runs go through the tools' entry point, from the state prepare() left.
const kelvo::SessionOptions from_current{{}, kelvo::StartFrom::current_state, nullptr};

// A whole run in memory (no files): reset, registration, reading, translation.
void BM_TranslateSource(benchmark::State& bench) {
    prepare();
    const std::string source = kelvo::bench::mixed_script(1'000'000);
    for (auto _ : bench) {
        benchmark::DoNotOptimize(kelvo::translate_source(source, from_current).host.data());
        kelvo::state.error_text.clear();
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations()) * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_TranslateSource);

void BM_SmallRun(benchmark::State& bench) {
    prepare();
    const std::string source(kelvo::bench::small_script());
    for (auto _ : bench) {
        benchmark::DoNotOptimize(kelvo::translate_source(source, from_current).host.data());
        kelvo::state.error_text.clear();
    }
}
BENCHMARK(BM_SmallRun);

}  // namespace

BENCHMARK_MAIN();
