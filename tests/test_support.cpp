#include "test_support.h"

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "core/state.h"
#include "library/run.h"

namespace kelvo::test {

std::string captured_standard_output(const std::function<void()>& run) {
    std::fflush(stdout);
    std::FILE* capture = std::tmpfile();
    const int saved = ::dup(1);
    if (capture == nullptr || saved < 0 || ::dup2(::fileno(capture), 1) < 0) {
        ADD_FAILURE() << "cannot redirect standard output";
        if (capture != nullptr) std::fclose(capture);
        if (saved >= 0) ::close(saved);
        run();
        return {};
    }
    run();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    std::rewind(capture);
    std::string output;
    char piece[4096];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, capture)) > 0;) output.append(piece, got);
    std::fclose(capture);
    return output;
}

void TranslatorTest::SetUp() {
    restore_loaded_state();
    state.listener = &recorder;
}

void TranslatorTest::TearDown() { restore_loaded_state(); }

std::string TranslatorTest::translate(std::string_view source) { return kelvo::translate(std::string(source)); }

std::string TranslatorTest::errors() {
    std::string fresh = state.error_text.substr(errors_seen_);
    errors_seen_ = state.error_text.size();
    return fresh;
}

std::string TranslatorTest::term(std::string_view line) {
    std::string result = translate(std::string(line) + "\n");
    if (!result.empty() && result.back() == '\n') result.pop_back();
    return result;
}

}  // namespace kelvo::test
