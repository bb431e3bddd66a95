// kelvo_whole_run: whole Parser runs ("test.txt" in, "temp.txt" out) on the
// generated input shapes, each measured in a fresh child process so that the
// peak memory of one run does not hide in another's.
//
//   kelvo_whole_run [--factor F] [--shape N] [--once | --up] [--reps R] [--dir DIR]
//       every shape (or shape N) at its full size times F, and at a tenth of
//       it unless --once (with --up: at ten times it); prints the results
//       table. The files go to a fresh directory in DIR (default $TMPDIR,
//       else /tmp). Each size runs R times (default 3), each time followed
//       by `wc -w` on the same file; the table shows the median times and
//       the highest peak.
//   kelvo_whole_run --write-mixed BYTES PATH
//       writes the mixed script of shape 1 to PATH
//   kelvo_whole_run --write-defining BYTES PATH
//       the same for shape 6 (definitions, no messages)
//   kelvo_whole_run --write-messages BYTES PATH
//       the same for shape 7 (message-heavy)
//   kelvo_whole_run --write-long-definitions BYTES PATH
//       the same for shape 8 (definitions of 5 to 40 lines, no messages)
//   kelvo_whole_run --write-single-line BYTES PATH, --write-single-term BYTES PATH,
//   kelvo_whole_run --write-deep LINES PATH, --write-scripts SCRIPTS PATH
//       shape 2 (`;`-joined, one term), 3 and 4; --write-small N PATH the script of shape 5
//   kelvo_whole_run --smoke
//       every shape at a tiny size; fails when a run yields nothing
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "KelvoScriptparser.h"
#include "shapes.h"

namespace fs = std::filesystem;
using kelvo::bench::count_words;

namespace {

// The peak resident memory of this process in KiB. VmHWM starts afresh with
// the program (ru_maxrss would carry over the parent's peak through fork and
// exec); getrusage serves where there is no /proc.
long peak_kib() {
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kib = -1;
        while (std::fgets(line, sizeof line, status) != nullptr)
            if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atol(line + 6);
        std::fclose(status);
        if (kib >= 0) return kib;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool write_file(const fs::path& path, std::string_view text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

std::string read_whole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// In the child: `runs` Parser runs in `dir`; the measurements go to
// dir/measure.txt as "seconds peak_before peak_after_first peak_after
// result_bytes error_bytes" (peaks in KiB).
int child_main(const char* dir, long runs) {
    if (chdir(dir) != 0) return 3;
    const long before = peak_kib();
    long after_first = 0;
    std::size_t result_bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < runs; ++i) {
        result_bytes = std::strlen(Parser());
        if (i == 0 || i + 1 == runs / 100) after_first = peak_kib();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = peak_kib();
    const std::size_t error_bytes = std::strlen(Parser_last_error());
    std::FILE* out = std::fopen("measure.txt", "w");
    if (out == nullptr) return 3;
    std::fprintf(out, "%.6f %ld %ld %ld %zu %zu\n", seconds, before, after_first, after, result_bytes, error_bytes);
    return std::fclose(out) == 0 ? 0 : 3;
}

struct Measure {
    double seconds = 0;
    long peak_before = 0, peak_after_first = 0, peak_after = 0;
    std::size_t result_bytes = 0, error_bytes = 0;
};

// Runs the child in `dir`, its standard output (the argument counts that
// `end` writes) thrown away.
bool run_child(const fs::path& dir, long runs, Measure& m) {
    const std::string runs_text = std::to_string(runs);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        const char* args[] = {"kelvo_whole_run", "--child", dir.c_str(), runs_text.c_str(), nullptr};
        execv("/proc/self/exe", const_cast<char* const*>(args));
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    std::istringstream in(read_whole(dir / "measure.txt"));
    in >> m.seconds >> m.peak_before >> m.peak_after_first >> m.peak_after >> m.result_bytes >> m.error_bytes;
    return static_cast<bool>(in);
}

// The writers of the scripts, under the names that --write-NAME takes.
struct Writer {
    std::string_view name;
    std::string (*write)(std::size_t size);  // bytes, lines or scripts
};

const Writer writers[] = {
    {"mixed", [](std::size_t bytes) { return kelvo::bench::mixed_script(bytes); }},
    {"defining", [](std::size_t bytes) { return kelvo::bench::defining_script(bytes); }},
    {"messages", [](std::size_t bytes) { return kelvo::bench::message_heavy_script(bytes); }},
    {"long-definitions", [](std::size_t bytes) { return kelvo::bench::long_definitions_script(bytes); }},
    {"single-line", [](std::size_t bytes) { return kelvo::bench::single_line(bytes); }},
    {"single-term", kelvo::bench::single_term_line},
    {"deep", kelvo::bench::deepest_lines},
    {"scripts", kelvo::bench::many_scripts},
    {"small", [](std::size_t) { return std::string(kelvo::bench::small_script()); }},
};

const Writer* writer_named(std::string_view name) {
    for (const Writer& w : writers)
        if (w.name == name) return &w;
    return nullptr;
}

struct Shape {
    int number;
    const char* name;
    std::size_t full_size;  // bytes, lines, scripts or runs at the full size
    const char* unit;
    std::string_view script;  // its writer
};

constexpr Shape shapes[] = {
    {1, "mixed script", 50'000'000, "bytes", "mixed"},
    {2, "single line, `;`-joined", 10'000'000, "bytes", "single-line"},
    {2, "single line, one term", 10'000'000, "bytes", "single-term"},
    {3, "lines 1000 deep", 100'000, "lines", "deep"},
    {4, "scripts + params", 100'000, "scripts", "scripts"},
    {5, "small script runs", 100'000, "runs", "small"},
    {6, "definitions, no messages", 50'000'000, "bytes", "defining"},
    {7, "message-heavy", 50'000'000, "bytes", "messages"},
    {8, "long definitions, no messages", 50'000'000, "bytes", "long-definitions"},
};

std::string source_of(const Shape& shape, std::size_t size) { return writer_named(shape.script)->write(size); }

std::string size_text(const Shape& shape, std::size_t size) {
    if (std::string_view(shape.unit) == "bytes") {
        char text[32];
        std::snprintf(text, sizeof text, "%.3g MB", static_cast<double>(size) / 1e6);
        return text;
    }
    return std::to_string(size) + " " + shape.unit;
}

// Wall seconds of `wc -w test.txt` in `dir`, started and waited for like any
// program; negative when it could not be run.
double time_wc(const fs::path& dir) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        execlp("wc", "wc", "-w", "test.txt", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int repetitions = 3;

// One shape at one size, `repetitions` times alternating with `wc -w` on the
// same file; prints a table row with the medians and the highest peak.
bool measure(const Shape& shape, std::size_t size, const fs::path& dir) {
    const std::string source = source_of(shape, size);
    if (!write_file(dir / "test.txt", source)) return false;
    const long runs = shape.number == 5 ? static_cast<long>(size) : 1;
    std::vector<double> parser_seconds;
    std::vector<double> wc_seconds;
    Measure m;
    long peak_kib_delta = 0;
    for (int i = 0; i < repetitions; ++i) {
        if (!run_child(dir, runs, m) || m.result_bytes == 0) {
            std::printf("| %d | %s | %s | failed |\n", shape.number, shape.name, size_text(shape, size).c_str());
            return false;
        }
        parser_seconds.push_back(m.seconds);
        peak_kib_delta = std::max(peak_kib_delta, m.peak_after - m.peak_before);
        if (runs == 1) wc_seconds.push_back(time_wc(dir));
    }
    const double seconds = median(parser_seconds);
    const double bytes = static_cast<double>(source.size()) * static_cast<double>(runs);
    const double peak_mb = static_cast<double>(peak_kib_delta) * 1024.0 / 1e6;
    std::printf("| %d | %s | %s | %.1f MB | %zu | %.3f s | %.1f | %.1f MB |", shape.number, shape.name,
                size_text(shape, size).c_str(), static_cast<double>(source.size()) / 1e6,
                count_words(source) * static_cast<std::size_t>(runs), seconds, bytes / 1e6 / seconds, peak_mb);
    if (runs == 1) {
        const double wc = median(wc_seconds);
        std::printf(" %.2f | %.3f s | %.2f |", peak_mb * 1e6 / static_cast<double>(source.size()), wc,
                    wc > 0 ? seconds / wc : 0.0);
        std::printf(" output %.1f MB |", static_cast<double>(m.result_bytes) / 1e6);
    } else {
        std::printf(" - | - | - | peak after %ld runs %.1f MB; error text %.1f MB |", std::max(1L, runs / 100),
                    static_cast<double>(m.peak_after_first - m.peak_before) * 1024.0 / 1e6,
                    static_cast<double>(m.error_bytes) / 1e6);
    }
    std::printf("\n");
    std::fflush(stdout);
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: kelvo_whole_run [--factor F] [--shape N] [--once | --up] [--reps R] [--dir DIR] | --smoke | "
                 "--write-mixed|--write-defining|--write-messages|--write-long-definitions|--write-single-line|"
                 "--write-single-term BYTES PATH | --write-deep LINES PATH | --write-scripts SCRIPTS PATH\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--child") return child_main(argv[2], std::atol(argv[3]));
    if (args.size() == 3 && args[0].starts_with("--write-")) {
        const Writer* writer = writer_named(args[0].substr(std::string_view("--write-").size()));
        if (writer == nullptr) return usage();
        return write_file(argv[3], writer->write(std::strtoull(argv[2], nullptr, 10))) ? 0 : 1;
    }
    double factor = 1.0;
    int only_shape = 0;
    bool once = false;
    bool up = false;
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--smoke") {
            factor = 0.0002, once = true, repetitions = 1;
        } else if (args[i] == "--up") {
            up = true;
        } else if (args[i] == "--once") {
            once = true;
        } else if (args[i] == "--factor" && i + 1 < args.size()) {
            factor = std::atof(argv[++i + 1]);
        } else if (args[i] == "--reps" && i + 1 < args.size()) {
            repetitions = std::max(1, std::atoi(argv[++i + 1]));
        } else if (args[i] == "--dir" && i + 1 < args.size()) {
            base = argv[++i + 1];
        } else if (args[i] == "--shape" && i + 1 < args.size()) {
            only_shape = std::atoi(argv[++i + 1]);
        } else {
            return usage();
        }
    }
    std::string pattern = base + "/kelvo_whole_run.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "kelvo_whole_run: cannot make a directory in %s\n", base.c_str());
        return 1;
    }
    const fs::path dir = pattern;
    std::printf("files in %s\n\n", pattern.c_str());
    std::printf("| shape | input | size | source | words | time | MB/s | peak memory | peak / source | wc -w time | "
                "ratio to wc -w | notes |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    bool ok = true;
    for (const Shape& shape : shapes) {
        if (only_shape != 0 && shape.number != only_shape) continue;
        const auto full = static_cast<std::size_t>(static_cast<double>(shape.full_size) * factor);
        if (up) {  // the full size and ten times it
            ok = measure(shape, full > 0 ? full : 1, dir) && ok;
            ok = measure(shape, full > 0 ? full * 10 : 10, dir) && ok;
            continue;
        }
        if (!once) ok = measure(shape, full / 10 > 0 ? full / 10 : 1, dir) && ok;
        ok = measure(shape, full > 0 ? full : 1, dir) && ok;
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return ok ? 0 : 1;
}
