#include "test_support.h"

#include <optional>

#include "core/run.h"
#include "core/state.h"

namespace kelvo::test {

std::vector<std::int32_t> TranslatorTest::counts;

void TranslatorTest::SetUp() {
    restore_loaded_state();
    counts.clear();
    state.argument_count_sink = [](std::int32_t count) { counts.push_back(count); };
}

void TranslatorTest::TearDown() { restore_loaded_state(); }

std::string TranslatorTest::translate(std::string_view source) {
    return translate_source(std::string(source));
}

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
