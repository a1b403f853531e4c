#include "file_util.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "support/temp_data_folder.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    std::string target() const { return data.path("data.txt"); }

    static mode_t modeOf(const std::string& path)
    {
        struct stat st { };
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }

    static platform::FileError::Cause causeOfWriting(const std::string& path, const std::string& bytes)
    {
        try {
            platform::writeFileAtomically(path, bytes);
        } catch (const platform::FileError& e) {
            EXPECT_EQ(e.fileName(), path);
            return e.cause();
        }
        ADD_FAILURE() << "no error writing " << path;
        return platform::FileError::Cause::Generic;
    }

    // Under a file size limit the write itself fails half way.
    static platform::FileError::Cause causeOfWritingPastASizeLimit(const std::string& path)
    {
        struct rlimit saved { };
        ::getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = 1024;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &small);
        const auto cause = causeOfWriting(path, std::string(100000, 'x'));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        return cause;
    }

    TempDataFolder data;
};

// --- Writing ------------------------------------------------------------------------

TEST_F(AtomicFileTest, WritesANewFileAndReplacesAnOldOne)
{
    platform::writeFileAtomically(target(), "first");
    EXPECT_EQ(test::readBytes(target()), "first");
    platform::writeFileAtomically(target(), std::string("sec\0ond\n", 8));
    EXPECT_EQ(test::readBytes(target()), std::string("sec\0ond\n", 8));
    platform::writeFileAtomically(target(), "");
    EXPECT_TRUE(platform::fileExists(target()));
    EXPECT_EQ(test::readBytes(target()), "");
    EXPECT_EQ(test::folderEntries(data.folder()), std::set<std::string> { "data.txt" });
}

TEST_F(AtomicFileTest, ModeOfTheReplacedFileIsKeptAndNewFilesFollowTheUmask)
{
    const mode_t old = ::umask(022);
    platform::writeFileAtomically(target(), "new");
    ::umask(old);
    EXPECT_EQ(modeOf(target()), 0644u);
    ::chmod(target().c_str(), 0640);
    platform::writeFileAtomically(target(), "newer");
    EXPECT_EQ(modeOf(target()), 0640u);
}

TEST_F(AtomicFileTest, ReadOnlyFileOrFolderIsRefused)
{
    test::writeBytes(target(), "old");
    {
        test::ScopedMode readOnly(target(), 0444);
        try {
            platform::writeFileAtomically(target(), "new");
            FAIL() << "no error";
        } catch (const platform::FileError& e) {
            EXPECT_EQ(std::string(e.what()), "Access to " + target() + " was denied.");
        }
    }
    test::ScopedMode readOnly(data.folder(), 0555);
    EXPECT_EQ(causeOfWriting(data.path("other.txt"), "new"), platform::FileError::Cause::AccessDenied);
    EXPECT_EQ(test::readBytes(target()), "old");
    EXPECT_EQ(test::folderEntries(data.folder()), std::set<std::string> { "data.txt" });
}

TEST_F(AtomicFileTest, WritableFileInAReadOnlyFolderIsWrittenInPlace)
{
    test::writeBytes(target(), "old content");
    ::chmod(target().c_str(), 0640);
    test::ScopedMode readOnly(data.folder(), 0555);
    platform::writeFileAtomically(target(), "new");
    EXPECT_EQ(test::readBytes(target()), "new") << "shorter: the rest is cut";
    platform::writeFileAtomically(target(), "a longer content");
    EXPECT_EQ(test::readBytes(target()), "a longer content");
    EXPECT_EQ(modeOf(target()), 0640u);
}

TEST_F(AtomicFileTest, MissingFolderAndFolderTargetAreFileErrors)
{
    EXPECT_EQ(causeOfWriting(data.path("no/such/folder/x.txt"), "x"), platform::FileError::Cause::Generic);
    std::filesystem::create_directory(data.path("dir"));
    EXPECT_EQ(causeOfWriting(data.path("dir"), "x"), platform::FileError::Cause::Generic);
    EXPECT_TRUE(std::filesystem::is_directory(data.path("dir")));
}

// Replaced by rename or, in a read-only folder, in place: either way a write that fails
// half way keeps the old content whole and leaves no temporary file.
TEST_F(AtomicFileTest, FailedWriteKeepsTheOldContentAndLeavesNoTemporaryFile)
{
    for (const bool readOnlyFolder : { false, true }) {
        SCOPED_TRACE(readOnlyFolder ? "read-only folder" : "writable folder");
        test::writeBytes(target(), "old content");
        test::ScopedMode folderMode(data.folder(), readOnlyFolder ? 0555 : modeOf(data.folder()));
        EXPECT_EQ(causeOfWritingPastASizeLimit(target()), platform::FileError::Cause::Generic);
        EXPECT_EQ(test::readBytes(target()), "old content");
        EXPECT_EQ(test::folderEntries(data.folder()), std::set<std::string> { "data.txt" });
    }
}

TEST_F(AtomicFileTest, SymbolicLinkStaysALink)
{
    test::writeBytes(data.path("real.txt"), "old");
    std::filesystem::create_symlink(data.path("real.txt"), target());
    platform::writeFileAtomically(target(), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(target()));
    EXPECT_EQ(test::readBytes(data.path("real.txt")), "new");
}

// --- Reading ----------------------------------------------------------------------

TEST_F(AtomicFileTest, FirstLineStopsAtTheFirstNewlineAndKeepsOtherBytes)
{
    const std::string longLine(300000, 'x');
    const std::pair<std::string, std::string> cases[] = {
        { "one\r\ntwo\nthree", "one\r" },
        { "no newline", "no newline" },
        { "\nsecond", "" },
        { "", "" },
        { longLine + "\nyy", longLine },
    };
    for (const auto& [bytes, expected] : cases) {
        test::writeBytes(target(), bytes);
        std::string line = "stale";
        ASSERT_TRUE(platform::readFirstLine(target(), line));
        EXPECT_EQ(line, expected);
    }
    test::ScopedMode readOnly(target(), 0444);
    std::string line;
    EXPECT_TRUE(platform::readFirstLine(target(), line));
}

TEST_F(AtomicFileTest, MissingFileOrFolderCannotBeRead)
{
    std::string line;
    EXPECT_FALSE(platform::readFirstLine(data.path("missing.txt"), line));
    EXPECT_FALSE(platform::readFirstLine(data.folder(), line));
    EXPECT_FALSE(platform::fileExists(target()));
    test::writeBytes(target(), "");
    EXPECT_TRUE(platform::fileExists(target()));
}

} // namespace
