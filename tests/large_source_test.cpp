// The large source of tests/shared/large_source.c: read from test.txt by
// Parser it translates exactly as the bytes do in memory, and what it gives
// is written into the build tree as the reference that the Windows host
// program's run must match byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "library/run.h"
#include "scratch_directory.h"
#include "shared/large_source.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

namespace fs = std::filesystem;

std::string large_source() {
    std::size_t size = 0;
    const std::unique_ptr<char, decltype(&std::free)> bytes(large_source_make(&size), &std::free);
    if (!bytes) return {};
    return {bytes.get(), size};
}

bool is_special(char c) { return c == '"' || c == ';' || c == '/' || c == '\r' || c == '\n'; }

class LargeSource : public ::testing::Test {
protected:
    void SetUp() override { restore_loaded_state(); }
    void TearDown() override { restore_loaded_state(); }
};

TEST_F(LargeSource, HasTheShapeThatTheReaderMustCopeWith) {
    const std::string source = large_source();
    ASSERT_GE(source.size(), std::size_t{8} << 20);
    EXPECT_EQ(source.find('\x1a'), source.size() - 1) << "0x1A only as the last byte";
    std::size_t longest = 0;
    for (std::size_t at = 0, next; at < source.size(); at = next + 1) {
        next = std::min(source.find('\n', at), source.size());
        longest = std::max(longest, next - at);
    }
    EXPECT_GT(longest, 2 * LARGE_SOURCE_PIECE) << "a line longer than two pieces";
    for (std::size_t b = LARGE_SOURCE_PIECE; b + 2 < source.size(); b += LARGE_SOURCE_PIECE)
        EXPECT_TRUE(is_special(source[b - 1]) || is_special(source[b])) << "no special byte at " << b;
    EXPECT_EQ(large_source(), source) << "made differently the second time";
}

TEST_F(LargeSource, FromTheFileTranslatesAsInMemoryAndIsTheWindowsReference) {
    const std::string source = large_source();
    ScratchDirectory scratch;
    ScratchDirectory::write("test.txt", source);
    state.listener = &silent;
    const std::string result = Parser();
    const std::string errors = Parser_last_error();
    EXPECT_EQ(ScratchDirectory::read("temp.txt"), result);
    ASSERT_GT(result.size(), std::size_t{2} << 20);

    restore_loaded_state();
    state.listener = &silent;
    EXPECT_TRUE(kelvo::translate(source) == result) << "the file translates differently from its bytes";
    EXPECT_TRUE(state.error_text == errors) << "the file reports differently from its bytes";

    // For the host program: the result and the error text of that one run.
    fs::create_directories(KELVO_REFERENCE_DIR);
    std::ofstream(fs::path(KELVO_REFERENCE_DIR) / "large_source.result", std::ios::binary) << result;
    std::ofstream(fs::path(KELVO_REFERENCE_DIR) / "large_source.errors", std::ios::binary) << errors;
}

}  // namespace
}  // namespace kelvo::test
