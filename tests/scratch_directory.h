// A fresh directory that a test makes its working directory, as the host's
// working directory is for Parser; removed again afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelvo::test {

class ScratchDirectory {
public:
    ScratchDirectory() {
        namespace fs = std::filesystem;
        original_ = fs::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = base() /
                ("kelvo-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
        fs::current_path(path_);
    }
    ~ScratchDirectory() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::current_path(original_, ignored);
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    static void write(const std::filesystem::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

private:
    // TMPDIR when set; else memory when the machine offers it, as some tests
    // write test.txt and temp.txt a hundred thousand times.
    static std::filesystem::path base() {
        const char* chosen = std::getenv("TMPDIR");
        if ((chosen == nullptr || *chosen == '\0') && ::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
        return std::filesystem::temp_directory_path();
    }

    std::filesystem::path original_;
    std::filesystem::path path_;
};

}  // namespace kelvo::test
