// read_file hands back every byte of a file, whatever its size.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "library/files.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;

class ReadFile : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelvo_read_file_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" + std::to_string(GetParam()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_P(ReadFile, ReturnsEveryByte) {
    std::string bytes(GetParam(), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xff);
    const fs::path path = dir_ / "test.txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
    const std::optional<std::string> read = read_file(path.c_str());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->size(), bytes.size());
    EXPECT_TRUE(*read == bytes);
}

// Around the size of the first piece read, and well beyond it.
INSTANTIATE_TEST_SUITE_P(Sizes, ReadFile,
                         ::testing::Values(0u, 1u, 65535u, 65536u, 65537u, 131072u, 1000003u));

TEST(ReadFileFailure, MissingFileAndDirectoryGiveNothing) {
    const fs::path dir = fs::temp_directory_path();
    EXPECT_FALSE(read_file((dir / "kelvo_no_such_file_here.txt").c_str()).has_value());
    EXPECT_FALSE(read_file(dir.c_str()).has_value());
}

}  // namespace
}  // namespace kelvo
