#include "test_support.h"

#include <optional>

#include "core/state.h"
#include "library/run.h"

namespace kelvo::test {

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
