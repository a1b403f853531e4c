#include "file_util.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/file_trust.h"
#include "support/temp_data_folder.h"

#include <csignal>
#include <functional>
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

TEST_F(AtomicFileTest, NewFilesAreTheOwnersAloneAndReplacedOnesKeepTheirMode)
{
    const mode_t old = ::umask(022);
    platform::writeFileAtomically(target(), "new");
    platform::writeFileAtomically(data.path("private.txt"), "new", platform::FileMode::OwnerOnly);
    ::umask(old);
    EXPECT_EQ(modeOf(target()), 0600u);
    EXPECT_EQ(modeOf(data.path("private.txt")), 0600u);
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

// An in-place save keeps the old bytes aside until it is done; a start after one that was
// cut off puts them back. Without room for that copy the save is refused.
TEST_F(AtomicFileTest, InPlaceSaveCutOffIsPutBackAndWithoutItsCopyIsRefused)
{
    const std::string copy = data.statePath("in-place-cut");
    const struct {
        const char* name;
        bool stateWritable;
        bool cutOff; // a copy left by a killed save
        const char* after; // the target after the save or the restore
        const char* said;
    } cases[] = {
        { "saved", true, false, "new", "" },
        { "cut off, put back", true, true, "old content", "was put back as it was before a save that was cut off" },
        { "no room for the copy", false, false, "old content", "no copy of the old file could be kept" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::takeRefusedFiles();
        std::filesystem::create_directories(data.statePath(""));
        test::writeBytes(target(), c.cutOff ? "new conte" : "old content");
        if (c.cutOff)
            test::writeBytes(copy, target() + "\nold content");
        test::ScopedMode state(data.statePath(""), c.stateWritable ? 0700 : 0500);
        std::string said;
        {
            test::ScopedMode readOnly(data.folder(), 0555);
            try {
                if (c.cutOff)
                    EXPECT_EQ(platform::restoreInterruptedSaves(), 1);
                else
                    platform::writeFileAtomically(target(), "new");
            } catch (const platform::FileError& e) {
                said = e.what();
            }
        }
        for (const std::string& text : platform::takeRefusedFiles())
            said += text;
        EXPECT_EQ(test::readBytes(target()), c.after);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_TRUE(test::folderEntries(data.statePath("")).empty()) << "the copy outlived the save";
    }
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

// Another user's link, or one in a folder others can write, would make a save overwrite
// (and a load copy out) whatever it names. A FIFO would block open(); a huge file or a
// device would fill memory. Each is left as it is, said once.
TEST_F(AtomicFileTest, PlantedLinksAndFilesThatAreNoDataAreLeftAlone)
{
    platform::takeRefusedFiles(); // what earlier tests left unsaid
    test::writeBytes(data.path("victim"), "secret");
    const std::pair<std::string, std::function<void(const std::string&)>> cases[] = {
        { "symbolic link in a folder", [&](const std::string& p) {
             std::filesystem::create_symlink(data.path("victim"), p);
             ::chmod(data.path("shared").c_str(), 01777);
         } },
        { "symbolic link made by", [&](const std::string& p) {
             std::filesystem::create_symlink(data.path("victim"), p);
             ASSERT_EQ(::lchown(p.c_str(), 65534, 65534), 0);
         } },
        { "not a regular file", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); } },
        { "not a regular file", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); } },
        { "larger than 64 MB", [](const std::string& p) {
             test::writeBytes(p, "x");
             std::filesystem::resize_file(p, platform::kMaxDataFileSize + 1);
         } },
    };
    int n = 0;
    for (const auto& [reason, plant] : cases) {
        SCOPED_TRACE(reason);
        const std::string path = data.path("shared/AlarmList.txt") + std::to_string(++n); // each said once
        if (reason == "symbolic link made by" && ::geteuid() != 0)
            continue; // only root can give a link away
        std::filesystem::create_directory(data.path("shared"));
        plant(path);
        std::string bytes;
        EXPECT_FALSE(platform::readWholeFile(path, bytes));
        EXPECT_FALSE(platform::readWholeFile(path, bytes));
        const auto said = platform::takeRefusedFiles();
        ASSERT_EQ(said.size(), 1u) << "said once";
        EXPECT_EQ(said[0].find(path + " was left untouched: it is "), 0u) << said[0];
        EXPECT_NE(said[0].find(reason), std::string::npos) << said[0];
        EXPECT_THROW(platform::writeFileAtomically(path, "new"), platform::FileError);
        EXPECT_EQ(test::folderEntries(data.path("shared")).size(), 1u);
        ::chmod(data.path("shared").c_str(), 0700);
        std::filesystem::remove_all(data.path("shared"));
    }
    EXPECT_EQ(test::readBytes(data.path("victim")), "secret");
}

// Names planted in advance cannot make a save fail; a killed save's are still removed.
TEST_F(AtomicFileTest, PlantedTemporaryNamesDoNotStopASave)
{
    for (int n = 0; n < 100; ++n)
        test::writeBytes(target() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(n), "planted");
    platform::writeFileAtomically(target(), "saved");
    EXPECT_EQ(test::readBytes(target()), "saved");
    for (const char* tail : { "-a1B2c3", "-7", "-abc", "-a1B2c3d" }) // 4194305: above any pid
        test::writeBytes(target() + ".tmp4194305" + tail, "left");
    EXPECT_EQ(platform::removeStaleTemporaries({ target() }), 100 + 2);
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

namespace {

// One rule for every file and folder: nothing of another user's, nothing reached through
// their link, no file in a folder others can write unless it is the user's own. Judged
// on gathered facts, so any owners can be played.
TEST(FileTrust, OneRuleForEveryFileAndFolder)
{
    constexpr int me = 1000, other = 1001, root = 0, none = -1;
    constexpr auto file = platform::TrustKind::File, folder = platform::TrustKind::Folder,
                   data = platform::TrustKind::DataFile;
    constexpr auto sound = platform::TrustKind::Sound;
    constexpr int third = 1002;
    constexpr mode_t reg = S_IFREG;
    const struct {
        const char* name;
        int user, owner; // target owner; none: missing
        mode_t mode;
        int folderOwner;
        mode_t folderMode;
        int linkOwner, aboveOwner; // a link on the way, a folder above; none: no such
        bool sharedLink; // the path itself is a link in a folder others can write
        platform::TrustKind kind;
        const char* refused; // the path named, empty: allowed
        const char* reason;
    } cases[] = {
        // clang-format off
        { "own file", me, me, 0600, me, 0700, none, none, false, file, "", "" },
        { "another user's file", me, other, 0644, me, 0700, none, none, false, file, "/d/f", "it belongs to another user" },
        { "root's file", me, root, 0644, root, 0755, none, none, false, file, "", "" },
        { "root's file others can write", me, root, 0666, me, 0700, none, none, false, file, "/d/f", "other users can write it" },
        { "root's file in a shared folder", me, root, 0644, root, 01777, none, none, false, file, "/d/f", "it is in a folder other users can write" },
        { "own file in a shared folder", me, me, 0600, root, 01777, none, none, false, file, "", "" },
        { "their file in a shared folder", me, other, 0600, root, 01777, none, none, false, file, "/d/f", "it belongs to another user" },
        { "their link on the way", me, me, 0600, me, 0700, other, none, false, file, "/s/qd", "it is a symbolic link made by another user" },
        { "root's link on the way", me, me, 0600, me, 0700, root, none, false, file, "", "" },
        { "own link in a shared folder", me, me, 0600, me, 0700, me, none, true, file, "/d/f", "it is a symbolic link in a folder other users" },
        { "missing file in their folder", me, none, 0, other, 0755, none, none, false, file, "/d", "it belongs to another user" },
        { "their folder further up", me, me, 0600, me, 0700, none, other, false, file, "/up", "it belongs to another user" },
        { "shared folder as data folder", me, root, 01777, root, 0755, none, none, false, folder, "", "" },
        { "their folder", me, other, 0777, root, 0755, none, none, false, folder, "/d/f", "it belongs to another user" },
        { "root: their file", root, other, 0600, root, 01777, none, none, false, file, "/d/f", "it belongs to another user" },
        { "root: own file", root, root, 0666, root, 01777, none, none, false, file, "", "" },
        // A data file (and every save) wants a folder no one else can write, sticky or not.
        { "data: own file in a sticky folder", me, me, 0600, me, 01777, none, none, false, data, "/d", "other users can write it" },
        { "data: missing file in a group folder", me, none, 0, me, 0770, none, none, false, data, "/d", "other users can write it" },
        { "data: their file in a shared folder", me, other, 0600, root, 01777, none, none, false, data, "/d/f", "it belongs to another user" },
        { "data: own file in own folder", me, me, 0600, me, 0755, none, none, false, data, "", "" },
        // A sound is only read: another user's is fine where no third user could place it.
        { "their sound in their folder", me, other, reg | 0644, other, 0755, none, other, false, sound, "", "" },
        { "their sound in their sticky folder", me, other, reg | 0644, other, 01777, none, other, false, sound, "", "" },
        { "their sound in a shared sticky folder", me, other, reg | 0644, root, 01777, none, none, false, sound, "/d/f", "it belongs to another user" },
        { "their sound in a folder anyone can write", me, other, reg | 0644, other, 0777, none, other, false, sound, "/d/f", "it belongs to another user" },
        { "their FIFO as a sound", me, other, S_IFIFO | 0644, other, 0755, none, other, false, sound, "/d/f", "it belongs to another user" },
        { "their sound under a third user's folder", me, other, reg | 0644, other, 0755, none, third, false, sound, "/up", "it belongs to another user" },
        { "their link to a sound", me, other, reg | 0644, other, 0755, other, other, false, sound, "/s/qd", "it is a symbolic link made by another user" },
        { "own sound in a shared folder", me, me, reg | 0600, root, 01777, none, none, false, sound, "", "" },
        // clang-format on
    };
    for (const auto& c : cases) {
        platform::TrustFacts facts;
        const auto uid = [](int owner) { return static_cast<uid_t>(owner); };
        facts.target = { c.owner != none, uid(c.owner), c.mode };
        facts.folder = { true, uid(c.folderOwner), c.folderMode };
        facts.folderPath = "/d";
        facts.folders = { { "/d", uid(c.folderOwner) }, { "/up", uid(c.aboveOwner == none ? root : c.aboveOwner) } };
        if (c.linkOwner != none)
            facts.links = { { c.sharedLink ? "/d/f" : "/s/qd", uid(c.linkOwner) } };
        facts.finalLinkInSharedFolder = c.sharedLink;
        const platform::TrustRefusal refusal = platform::judgeTrust("/d/f", facts, uid(c.user), c.kind);
        EXPECT_EQ(refusal.refused() ? refusal.path : "", c.refused) << c.name;
        EXPECT_EQ(refusal.reason.find(c.reason), 0u) << c.name << ": " << refusal.reason;
    }
}

// The facts come from the real file system: links on the way are found and followed.
TEST(FileTrust, LinksOnTheWayAreFoundAndFollowed)
{
    TempDataFolder data;
    std::filesystem::create_directory(data.path("real"));
    test::writeBytes(data.path("real/f"), "x");
    std::filesystem::create_directory_symlink(data.path("real"), data.path("via"));
    const platform::TrustFacts facts = platform::gatherTrustFacts(data.path("via/./f"));
    ASSERT_EQ(facts.links.size(), 1u);
    EXPECT_EQ(facts.links[0].first, std::filesystem::canonical(data.folder()).string() + "/via");
    EXPECT_EQ(facts.resolved, std::filesystem::canonical(data.path("real/f")).string());
    EXPECT_TRUE(facts.target.exists);
    EXPECT_FALSE(platform::trustRefusal(data.path("via/f"), platform::TrustKind::File).refused());
}

} // namespace
