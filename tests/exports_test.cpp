// Loads the built shared library by file name, as a host does, and calls its
// four exports in a scratch working directory.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>

#include "KelvoScriptparser.h"

// The header's types for hosts that load the library at run time are the
// types of the exports themselves.
static_assert(std::is_same_v<Parser_fn, decltype(&Parser)>);
static_assert(std::is_same_v<Parser_add_global_arg_real_fn, decltype(&Parser_add_global_arg_real)>);
static_assert(std::is_same_v<Parser_add_global_arg_string_fn, decltype(&Parser_add_global_arg_string)>);
static_assert(std::is_same_v<Parser_last_error_fn, decltype(&Parser_last_error)>);

namespace {

namespace fs = std::filesystem;


class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("kelvo-exports-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        // A fresh load per test: the library's state starts empty.
        handle_ = dlopen(KELVO_SHARED_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        parser_ = reinterpret_cast<Parser_fn>(dlsym(handle_, "Parser"));
        last_error_ = reinterpret_cast<Parser_last_error_fn>(dlsym(handle_, "Parser_last_error"));
        real_ = reinterpret_cast<Parser_add_global_arg_real_fn>(dlsym(handle_, "Parser_add_global_arg_real"));
        string_ = reinterpret_cast<Parser_add_global_arg_string_fn>(dlsym(handle_, "Parser_add_global_arg_string"));
        ASSERT_TRUE(parser_ && last_error_ && real_ && string_);
    }
    void TearDown() override {
        if (handle_ != nullptr) dlclose(handle_);
        fs::current_path(original_);
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    static void write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path original_, dir_;
    void* handle_ = nullptr;
    Parser_fn parser_ = nullptr;
    Parser_last_error_fn last_error_ = nullptr;
    Parser_add_global_arg_real_fn real_ = nullptr;
    Parser_add_global_arg_string_fn string_ = nullptr;
};

TEST_F(Exports, TranslateTestTxtIntoTempTxt) {
    write("test.txt", "circle 10 20 sqrt 25 1\nmessage who\r\nspeed\n");
    EXPECT_EQ(string_("who", "Ann"), 0.0);
    EXPECT_EQ(real_("speed", "3"), 0.0);
    const std::string expected = "draw_circle(10,20,sqrt(25),1)\nshow_message(\"Ann\")\n3\n";
    EXPECT_EQ(std::string(parser_()), expected);
    EXPECT_EQ(read("temp.txt"), expected);
    EXPECT_EQ(std::string(last_error_()), "");
}

TEST_F(Exports, ReadOnlySourceIsTranslated) {
    write("test.txt", "abs 1\n");
    fs::permissions("test.txt", fs::perms::owner_read, fs::perm_options::replace);
    EXPECT_EQ(std::string(parser_()), "abs(1)\n");
}

TEST_F(Exports, MissingSourceGivesAnEmptyResultAndAnEmptyTempTxt) {
    write("temp.txt", "old");
    EXPECT_EQ(std::string(parser_()), "");
    EXPECT_EQ(std::string(last_error_()), "Cannot open source file: test.txt\n");
    EXPECT_TRUE(fs::exists("temp.txt"));
    EXPECT_EQ(read("temp.txt"), "");
}

TEST_F(Exports, SourceThatIsADirectoryCannotBeOpened) {
    fs::create_directory("test.txt");
    EXPECT_EQ(std::string(parser_()), "");
    EXPECT_EQ(std::string(last_error_()), "Cannot open source file: test.txt\n");
}

TEST_F(Exports, UnwritableOutputIsReportedAndTheResultStillReturned) {
    write("test.txt", "abs 1\n");
    fs::create_directory("temp.txt");
    EXPECT_EQ(std::string(parser_()), "abs(1)\n");
    EXPECT_EQ(std::string(last_error_()), "Cannot write output file: temp.txt\n");
}

TEST_F(Exports, FailedWriteIsReported) {
    if (!fs::exists("/dev/full")) {
        // Under CI a missing prerequisite is a failure, never a quiet skip.
        if (const char* ci = std::getenv("CI"); ci != nullptr && std::string_view(ci) == "true") FAIL() << "no /dev/full";
        GTEST_SKIP() << "no /dev/full";
    }
    write("test.txt", "abs 1\n");
    fs::create_symlink("/dev/full", "temp.txt");
    EXPECT_EQ(std::string(parser_()), "abs(1)\n");
    EXPECT_EQ(std::string(last_error_()), "Cannot write output file: temp.txt\n");
}

TEST_F(Exports, NullPointersAreEmptyTexts) {
    write("test.txt", "who\n");
    EXPECT_EQ(string_(nullptr, nullptr), 0.0);
    EXPECT_EQ(real_(nullptr, "1"), 0.0);
    EXPECT_EQ(string_("who", "Ann"), 0.0);
    EXPECT_EQ(real_("who", nullptr), 0.0);
    EXPECT_EQ(std::string(parser_()), "\"Ann\"\n");
}

TEST_F(Exports, OnlyTheFourFunctionsAreExported) {
    EXPECT_EQ(dlsym(handle_, "_ZN5kelvo5stateE"), nullptr);
    EXPECT_EQ(dlsym(handle_, "_ZN5kelvo14translate_termERNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE"), nullptr);
}

}  // namespace
