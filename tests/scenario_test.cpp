// The behaviour table of tests/scenarios, one test case per scenario: each
// runs through the four exports in a scratch working directory of its own,
// from the state of a freshly loaded library, with standard output captured
// around every Parser call. The Windows host program runs the same files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "shared/scenario_file.h"
#include "test_support.h"

// A failing scenario shows as its file, line and name.
void PrintTo(const Scenario* s, std::ostream* out) { *out << s->file << ":" << s->line << ": " << s->name; }

namespace kelvo::test {
namespace {

namespace fs = std::filesystem;

std::string as_string(const ScenarioText& text) { return {text.data, text.size}; }

// Every scenario of every file, read once; a file that does not parse leaves
// its message for ScenarioTable.EveryFileParses.
struct Table {
    ScenarioList list{};
    std::vector<std::string> problems;

    Table() {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(KELVO_SCENARIO_DIR))
            if (entry.path().extension() == ".txt") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            char error[512];
            const std::string name = file.filename().string();
            if (scenario_load(file.c_str(), name.c_str(), &list, error, sizeof error) != 0)
                problems.emplace_back(error);
        }
    }
    ~Table() { scenario_free(&list); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
};

const Table& table() {
    static const Table loaded;
    return loaded;
}

std::vector<const Scenario*> every_scenario() {
    std::vector<const Scenario*> all;
    for (std::size_t i = 0; i < table().list.count; ++i) all.push_back(&table().list.items[i]);
    return all;
}

// "terms.txt" and "x = 5, then y" give terms_x_5_then_y.
std::string test_name(const Scenario& s) {
    std::string name = fs::path(s.file).stem().string() + "_" + s.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    std::string squeezed;
    for (const char c : name)
        if (c != '_' || squeezed.empty() || squeezed.back() != '_') squeezed += c;
    while (!squeezed.empty() && squeezed.back() == '_') squeezed.pop_back();
    return squeezed;
}

std::string shown(const std::string& bytes) {
    std::vector<char> out(bytes.size() * 4 + 64);
    scenario_show(bytes.data(), bytes.size(), 2000, out.data(), out.size());
    return "\"" + std::string(out.data()) + "\"";
}

void remove_entry(const char* name) {
    std::error_code ignored;
    fs::remove_all(name, ignored);
}

void write_file(const char* name, const ScenarioText& bytes) {
    std::ofstream(name, std::ios::binary).write(bytes.data, static_cast<std::streamsize>(bytes.size));
}

std::string read_file(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The files a run finds in its working directory.
void prepare_files(const ScenarioRun& run) {
    if (run.source_kind != SCENARIO_SOURCE_KEEP) remove_entry("test.txt");
    if (run.source_kind == SCENARIO_SOURCE_TEXT) write_file("test.txt", run.source);
    if (run.source_kind == SCENARIO_SOURCE_DIRECTORY) fs::create_directory("test.txt");
    if (run.output_directory) {
        remove_entry("temp.txt");
        fs::create_directory("temp.txt");
    }
}

void add_globals(const ScenarioRun& run) {
    for (std::size_t i = 0; i < run.global_count; ++i) {
        const ScenarioGlobal& g = run.globals[i];
        const char* name = g.name_is_null ? nullptr : g.name.data;
        const char* value = g.value_is_null ? nullptr : g.value.data;
        const double returned =
            g.is_string ? Parser_add_global_arg_string(name, value) : Parser_add_global_arg_real(name, value);
        EXPECT_EQ(returned, 0.0);
    }
}

// Parser, with file descriptor 1 sent to a file for the call.
struct CapturedRun {
    const char* result = nullptr;
    std::string standard_output;
};

CapturedRun parser_with_captured_output() {
    CapturedRun run;
    run.standard_output = captured_standard_output([&run] { run.result = Parser(); });
    return run;
}

// The text at `p` as far as it agrees with `expected` (zero bytes included)
// and the zero that must end it there; where it departs, the rest up to its
// next zero byte.
std::string text_at(const char* p, const std::string& expected) {
    if (p == nullptr) return "(null)";
    std::size_t i = 0;
    while (i < expected.size() && p[i] == expected[i]) ++i;
    if (i == expected.size() && p[i] == '\0') return expected;
    return std::string(p, i) + std::string(p + i);
}

void check_temp(const ScenarioRun& run) {
    ScenarioText expected{};
    if (scenario_expected_temp(&run, 0, &expected) == 0) {
        EXPECT_FALSE(fs::is_regular_file("temp.txt")) << "temp.txt was written";
        return;
    }
    const std::string want = as_string(expected);
    scenario_text_free(&expected);
    ASSERT_TRUE(fs::is_regular_file("temp.txt")) << "no temp.txt";
    const std::string got = read_file("temp.txt");
    EXPECT_EQ(got, want) << "temp.txt: expected " << shown(want) << ", got " << shown(got);
}

class ScratchDirectory {
public:
    ScratchDirectory() : original_(fs::current_path()) {
        std::string pattern = (base() / "kelvo-scenario-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        fs::current_path(path_);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        fs::current_path(original_, ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

private:
    static fs::path base() {
        const char* chosen = std::getenv("TMPDIR");
        if ((chosen == nullptr || *chosen == '\0') && ::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
        return fs::temp_directory_path();
    }
    fs::path original_;
    fs::path path_;
};

class Behaviour : public ::testing::TestWithParam<const Scenario*> {
protected:
    void SetUp() override { restore_loaded_state(); }
    void TearDown() override { restore_loaded_state(); }
};

TEST_P(Behaviour, Runs) {
    const Scenario& s = *GetParam();
    const ScratchDirectory scratch;
    std::string errors_so_far;
    for (std::size_t i = 0; i < s.run_count; ++i) {
        const ScenarioRun& run = s.runs[i];
        SCOPED_TRACE(std::string(s.file) + ":" + std::to_string(run.line) + ": run " + std::to_string(i + 1) +
                     " of '" + s.name + "'");
        add_globals(run);
        prepare_files(run);
        const CapturedRun done = parser_with_captured_output();
        const std::string result = as_string(run.result);
        EXPECT_EQ(text_at(done.result, result), result)
            << "result: expected " << shown(result) << ", got " << shown(text_at(done.result, result));
        errors_so_far += as_string(run.errors);
        EXPECT_EQ(text_at(Parser_last_error(), errors_so_far), errors_so_far)
            << "error text: expected " << shown(errors_so_far) << ", got "
            << shown(text_at(Parser_last_error(), errors_so_far));
        EXPECT_EQ(done.standard_output, as_string(run.standard_output)) << "standard output";
        check_temp(run);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Behaviour, ::testing::ValuesIn(every_scenario()),
                         [](const ::testing::TestParamInfo<const Scenario*>& param) { return test_name(*param.param); });

TEST(ScenarioTable, EveryFileParsesAndNamesItsScenariosApart) {
    for (const std::string& problem : table().problems) ADD_FAILURE() << problem;
    std::vector<std::string> names;
    for (const Scenario* s : every_scenario()) names.push_back(test_name(*s));
    std::sort(names.begin(), names.end());
    const auto twin = std::adjacent_find(names.begin(), names.end());
    EXPECT_EQ(twin, names.end()) << "two scenarios are both named " << *twin;
    EXPECT_GE(names.size(), 90u) << "the table lost its scenarios";
}

}  // namespace
}  // namespace kelvo::test
