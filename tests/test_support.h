// Shared helpers: every test starts from the state of a freshly loaded library.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::test {

class TranslatorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // One run over the source text; returns the result.
    std::string translate(std::string_view source);
    // The messages reported since the last call of errors() (or the start).
    std::string errors();
    // Translates one line and returns its text without the line feed.
    std::string term(std::string_view line);

    // Argument counts that `end` wrote, in order.
    static std::vector<std::int32_t> counts;

private:
    std::size_t errors_seen_ = 0;
};

}  // namespace kelvo::test
