#include "mail/mailbox_file.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "support/temp_data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(MailboxFile, LineHoldsTheFieldsEachEndedBySlashAndNoPassword)
{
    MailboxSettings s{"u", "abc", "s", 600, 3};
    EXPECT_EQ(FormatMailboxLine(s, "p"), "u//s/10/3/p/");
    s.password.clear();
    s.intervalSeconds = 59;
    EXPECT_EQ(FormatMailboxLine(s, "p"), "u//s/0/3/p/");
    s.intervalSeconds = 120;
    EXPECT_EQ(FormatMailboxLine(s, "p"), "u//s/2/3/p/");
}

TEST(MailboxFile, WrittenForTheOwnerOnlyOnEveryRewriteAndReadBack)
{
    TempDataFolder data;
    g_mailClientPath = "/usr/bin/xdg-email";
    const std::string path = data.path(kMailboxFileName);
    WriteMailboxFile({"alice", "a/b.c", "pop.example.org:995", 900, -1});
    ::chmod(path.c_str(), 0644);
    WriteMailboxFile({"alice", "a/b.c", "pop.example.org:995", 900, 7});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::string bytes;
    ASSERT_TRUE(platform::readWholeFile(path, bytes));
    EXPECT_EQ(bytes, "alice//pop.example.org:995/15/7//usr/bin/xdg-email/");

    const auto stored = ReadMailboxFile();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->user, "alice");
    EXPECT_EQ(stored->server, "pop.example.org:995");
    EXPECT_EQ(stored->minutes, 15);
    EXPECT_EQ(stored->lastMailCount, 7);
    EXPECT_EQ(stored->mailClientPath, "/usr/bin/xdg-email");

    // No password byte reaches the file, whatever it holds.
    WriteMailboxFile({"alice", "x\xFFsecret", "s", 60, 1});
    ASSERT_TRUE(platform::readWholeFile(path, bytes));
    EXPECT_EQ(bytes, "alice//s/1/1//usr/bin/xdg-email/");
}

TEST(MailboxFile, ParseRefusesLinesWeDidNotWrite)
{
    EXPECT_FALSE(ParseMailboxLine("").has_value());
    EXPECT_FALSE(ParseMailboxLine("u/p/s/10/3/p").has_value());   // no final "/"
    EXPECT_FALSE(ParseMailboxLine("u/p/s/ten/3/p/").has_value());
    EXPECT_FALSE(ParseMailboxLine("/p/s/10/3/p/").has_value());   // no user
    const auto clamped = ParseMailboxLine("u//s/0/-1//");
    ASSERT_TRUE(clamped.has_value());
    EXPECT_EQ(clamped->minutes, 1);
    EXPECT_EQ(clamped->lastMailCount, -1);
    EXPECT_EQ(clamped->mailClientPath, "");
    // A long line (a damaged or hostile file) is read, not a crash.
    const auto longLine = ParseMailboxLine("u/" + std::string(300000, '/') + "s/5/2/" + std::string(300000, 'p') + "/");
    ASSERT_TRUE(longLine.has_value());
    EXPECT_EQ(longLine->server, "s");
    EXPECT_EQ(longLine->mailClientPath, std::string(300000, 'p'));
    // A scheme's "//" belongs to the server.
    for (const char* server : {"imaps://mail.example.org", "IMAP://[::1]:1143", "pop3s://h:1995"}) {
        const auto stored = ParseMailboxLine(FormatMailboxLine({"u", "", server, 300, 4}, "/p"));
        ASSERT_TRUE(stored.has_value()) << server;
        EXPECT_EQ(stored->server, server);
        EXPECT_EQ(stored->minutes, 5);
        EXPECT_EQ(stored->mailClientPath, "/p");
    }
}

TEST(MailboxSettingsCheck, NamesWhatIsWrong)
{
    EXPECT_TRUE(CheckMailboxSettings("u", "", "host").isEmpty());
    EXPECT_TRUE(CheckMailboxSettings("u", std::string(504, 'p'), "host:995").isEmpty());
    EXPECT_TRUE(CheckMailboxSettings("", "p", "host").contains(QLatin1String("user name")));
    EXPECT_TRUE(CheckMailboxSettings("a/b", "p", "host").contains(QLatin1String("user name")));
    EXPECT_TRUE(CheckMailboxSettings(std::string(505, 'u'), "p", "host").contains(QLatin1String("user name")));
    EXPECT_TRUE(CheckMailboxSettings("u", std::string(505, 'p'), "host").contains(QLatin1String("password")));
    EXPECT_TRUE(CheckMailboxSettings("u", "p\xFF", "host").contains(QLatin1String("password")));
    EXPECT_TRUE(CheckMailboxSettings("u", "p", "").contains(QLatin1String("POP server")));
    EXPECT_TRUE(CheckMailboxSettings("u", "p", "host:99999").contains(QLatin1String("POP server")));
    EXPECT_TRUE(CheckMailboxSettings("u", "p", "imaps://host").isEmpty());
    // The refusal shows the forms that would do.
    EXPECT_TRUE(CheckMailboxSettings("u", "p", "imaps://host/INBOX").contains(QLatin1String("host:993 (IMAP over TLS)")));
}

} // namespace
