// Faults of the file system around a run, through the same Parser that the
// host calls (the export tests cover a missing source, a source directory, a
// "temp.txt" directory and /dev/full; these add what needs more setup).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "library/files.h"
#include "library/run.h"
#include "scratch_directory.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

namespace fs = std::filesystem;

constexpr ::uid_t nobody = 65534;

struct ChildResult {
    bool ran = false;
    std::string text;  // what the child sent back
};

// Runs `work` in a child process, as the unprivileged user when the tests run
// as root (root may write into a read-only directory and read an unreadable
// file, the host usually may not), and brings back the text it returned.
ChildResult run_unprivileged(const std::function<std::string()>& work) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) ::_exit(3);
        const std::string text = work();
        const ssize_t written = ::write(pipe_ends[1], text.data(), text.size());
        ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 4);
    }
    ::close(pipe_ends[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0)
        result.text.append(buffer, static_cast<std::size_t>(got));
    ::close(pipe_ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

class FileFaults : public ::testing::Test {
protected:
    void SetUp() override {
        restore_loaded_state();
        state.listener = &silent;
        // The unprivileged child must reach the directory.
        fs::permissions(directory_.path(), fs::perms::all);
    }
    void TearDown() override { restore_loaded_state(); }

    ScratchDirectory directory_;
};

TEST_F(FileFaults, ReadOnlyWorkingDirectoryCannotTakeTempTxt) {
    ScratchDirectory::write("test.txt", "abs 1\n");
    fs::permissions("test.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(directory_.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                           fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const ChildResult child = run_unprivileged([] {
        const std::string result = Parser();
        return result + "|" + Parser_last_error();
    });
    ASSERT_TRUE(child.ran);
    EXPECT_EQ(child.text, "abs(1)\n|Cannot write output file: temp.txt\n");
    EXPECT_FALSE(fs::exists("temp.txt"));
}

TEST_F(FileFaults, ReadOnlyTempTxtIsNotOverwritten) {
    ScratchDirectory::write("test.txt", "abs 1\n");
    ScratchDirectory::write("temp.txt", "old");
    fs::permissions("temp.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const ChildResult child = run_unprivileged([] {
        const std::string result = Parser();
        return result + "|" + Parser_last_error();
    });
    ASSERT_TRUE(child.ran);
    EXPECT_EQ(child.text, "abs(1)\n|Cannot write output file: temp.txt\n");
    EXPECT_EQ(ScratchDirectory::read("temp.txt"), "old");
}

TEST_F(FileFaults, UnreadableSourceIsReportedAsNotOpened) {
    ScratchDirectory::write("test.txt", "abs 1\n");
    fs::permissions("test.txt", fs::perms::none);
    const ChildResult child = run_unprivileged([] {
        const std::string result = Parser();
        return result + "|" + Parser_last_error();
    });
    ASSERT_TRUE(child.ran);
    EXPECT_EQ(child.text, "|Cannot open source file: test.txt\n");
}

TEST_F(FileFaults, WriteThatStopsPartWayIsReportedAndTheResultStillReturned) {
    // The file size limit lets the first bytes of temp.txt through and refuses
    // the rest, as a disk that fills up during the write would.
    std::string source;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        source += "abs " + std::to_string(i) + "\n";
        expected += "abs(" + std::to_string(i) + ")\n";
    }
    ScratchDirectory::write("test.txt", source);
    const ChildResult child = run_unprivileged([] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no limit");
        const std::string result = Parser();
        return result + "|" + Parser_last_error();
    });
    ASSERT_TRUE(child.ran);
    EXPECT_EQ(child.text, expected + "|Cannot write output file: temp.txt\n");
    EXPECT_EQ(fs::file_size("temp.txt"), 1000u);
    EXPECT_EQ(ScratchDirectory::read("temp.txt"), expected.substr(0, 1000));
}

TEST_F(FileFaults, TempTxtLinkedIntoAMissingDirectory) {
    ScratchDirectory::write("test.txt", "abs 1\n");
    fs::create_symlink("missing/temp.txt", "temp.txt");
    EXPECT_STREQ(Parser(), "abs(1)\n");
    EXPECT_STREQ(Parser_last_error(), "Cannot write output file: temp.txt\n");
}

TEST_F(FileFaults, SourceLinkedToADirectoryOrNowhere) {
    fs::create_directory("elsewhere");
    fs::create_directory_symlink("elsewhere", "test.txt");
    EXPECT_STREQ(Parser(), "");
    fs::remove("test.txt");
    fs::create_symlink("nowhere.txt", "test.txt");
    EXPECT_STREQ(Parser(), "");
    EXPECT_STREQ(Parser_last_error(), "Cannot open source file: test.txt\nCannot open source file: test.txt\n");
    EXPECT_EQ(ScratchDirectory::read("temp.txt"), "");
}

TEST_F(FileFaults, AFailedWriteLeavesTheNextRunAlone) {
    ScratchDirectory::write("test.txt", "abs 1\n");
    fs::create_directory("temp.txt");
    EXPECT_STREQ(Parser(), "abs(1)\n");
    fs::remove("temp.txt");
    EXPECT_STREQ(Parser(), "abs(1)\n");
    EXPECT_EQ(ScratchDirectory::read("temp.txt"), "abs(1)\n");
    EXPECT_STREQ(Parser_last_error(), "Cannot write output file: temp.txt\n");
}

TEST(FileReading, ReadFileTellsAFileFromWhatIsNone) {
    const ScratchDirectory directory;
    EXPECT_EQ(read_file("missing.txt"), std::nullopt);
    fs::create_directory("folder");
    EXPECT_EQ(read_file("folder"), std::nullopt);
    ScratchDirectory::write("empty.txt", "");
    EXPECT_EQ(read_file("empty.txt"), std::string());
    const std::string big(200000, 'x');  // more than one read buffer
    ScratchDirectory::write("big.txt", big);
    EXPECT_EQ(read_file("big.txt"), big);
}

TEST(FileWriting, WriteTextFileReportsEveryKindOfFailure) {
    const ScratchDirectory directory;
    EXPECT_TRUE(write_text_file("out.txt", "a\nb\n"));
    EXPECT_EQ(ScratchDirectory::read("out.txt"), "a\nb\n");
    EXPECT_FALSE(write_text_file("missing/out.txt", "a"));
    fs::create_directory("folder");
    EXPECT_FALSE(write_text_file("folder", "a"));
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(write_text_file("/dev/full", std::string(100000, 'x')));
    }
}

}  // namespace
}  // namespace kelvo::test
