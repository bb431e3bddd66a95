// Several calls of the four exports per input, so what one run leaves for the
// next (open definitions, script signatures, global arguments, the error
// text) is fuzzed too.
//
// The input is a list of records separated by the byte 0x01. The first byte
// of a record says what it does:
//   'R' name 0x02 value   Parser_add_global_arg_real(name, value)
//   'S' name 0x02 value   Parser_add_global_arg_string(name, value)
//   'M'                   Parser() with no test.txt
//   'P' bytes             Parser() with the bytes as test.txt
//   anything else         Parser() with the whole record as test.txt
// Every Parser() really reads test.txt and writes temp.txt, in a private
// directory that the target makes its working directory once at start.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "fuzz_checks.h"
#include "library/run.h"

namespace {

using kelvo::fuzz::require;

constexpr char record_separator = '\x01';
constexpr char value_separator = '\x02';
constexpr int max_records = 16;

std::string private_directory;

void remove_private_directory() {
    std::remove("test.txt");
    std::remove("temp.txt");
    if (!private_directory.empty()) ::rmdir(private_directory.c_str());
}

void write_source(std::string_view bytes) {
    std::FILE* file = std::fopen("test.txt", "wb");
    require(file != nullptr, "cannot create test.txt");
    require(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(), "cannot write test.txt");
    std::fclose(file);
}

std::string read_output() {
    std::string bytes;
    std::FILE* file = std::fopen("temp.txt", "rb");
    require(file != nullptr, "temp.txt was not written");
    char buffer[1 << 14];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

void run_parser() {
    const std::size_t errors_before = kelvo::state.error_text.size();
    const std::string before(kelvo::state.error_text);
    kelvo::fuzz::listener.expect_messages_from(errors_before);
    const char* result = Parser();
    require(result != nullptr, "Parser returned a null pointer");
    // The returned text is the result buffer itself, zero bytes and all.
    require(result == kelvo::last_result().c_str(), "Parser returned another text than its result");
    const std::string_view text(kelvo::last_result());
    kelvo::fuzz::check_finished_run(text, errors_before);
    require(read_output() == text, "temp.txt differs from the returned text");
    require(Parser_last_error() == kelvo::state.error_text.c_str(), "Parser_last_error gave another text");
    const std::string_view errors(kelvo::state.error_text);  // zero bytes and all
    require(errors.substr(0, before.size()) == before, "earlier messages were changed");
}

void set_global(bool real, std::string_view record) {
    const std::size_t split = record.find(value_separator);
    const std::string name(record.substr(0, split));
    const std::string value(split == std::string_view::npos ? std::string_view() : record.substr(split + 1));
    const std::size_t errors_before = kelvo::state.error_text.size();
    const double returned = real ? Parser_add_global_arg_real(name.c_str(), value.c_str())
                                 : Parser_add_global_arg_string(name.c_str(), value.c_str());
    require(returned == 0.0, "a global-argument export returned something else than 0.0");
    require(kelvo::state.error_text.size() == errors_before, "a global-argument export reported something");
}

// libFuzzer reads its corpus directories and writes its findings after this
// target has changed the working directory: relative paths among the
// arguments are made absolute first, and findings go to the directory the
// fuzzer was started in unless an artifact prefix is given.
void anchor_arguments(int* argc, char*** argv) {
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    const std::string start = std::filesystem::current_path().string() + "/";
    bool has_artifact_prefix = false;
    for (int i = 0; i < *argc; ++i) {
        std::string argument = (*argv)[i];
        if (argument.rfind("-artifact_prefix=", 0) == 0) has_artifact_prefix = true;
        if (i > 0 && !argument.empty() && argument[0] != '-' && argument[0] != '/') argument = start + argument;
        texts.push_back(std::move(argument));
    }
    if (!has_artifact_prefix) texts.push_back("-artifact_prefix=" + start);
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    *argc = static_cast<int>(texts.size());
    *argv = pointers.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    anchor_arguments(argc, argv);
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern = std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") +
                          "/kelvo-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    require(made != nullptr, "cannot make a private directory");
    private_directory = made;
    require(::chdir(made) == 0, "cannot enter the private directory");
    std::atexit(remove_private_directory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvo::restore_loaded_state();
    kelvo::state.listener = &kelvo::fuzz::listener;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (int records = 0; records < max_records; ++records) {
        const std::size_t split = input.find(record_separator);
        const std::string_view record = input.substr(0, split);
        const char kind = record.empty() ? '\0' : record.front();
        switch (kind) {
            case 'R': set_global(true, record.substr(1)); break;
            case 'S': set_global(false, record.substr(1)); break;
            case 'M':
                std::remove("test.txt");
                run_parser();
                break;
            case 'P':
                write_source(record.substr(1));
                run_parser();
                break;
            default:
                write_source(record);
                run_parser();
                break;
        }
        if (split == std::string_view::npos) break;
        input.remove_prefix(split + 1);
    }
    return 0;
}
