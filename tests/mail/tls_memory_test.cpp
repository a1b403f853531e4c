// The memory of which mailboxes' servers spoke TLS: kept per user and server, in a file
// of the data folder that outlives the process, bounded, and forgotten on request.
#include "mail/tls_memory.h"
#include "platform/atomic_file.h"
#include "support/temp_data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace mail;

TEST(TlsMemory, RememberedPerMailboxUntilForgotten)
{
    TempDataFolder data;
    enum Op { Remember, Forget };
    const struct {
        Op op;
        const char* user;
        const char* server;
        bool aliceAtA; // alice @ a afterwards
        bool bobAtA;   // bob @ a afterwards
        bool aliceAtB; // alice @ b afterwards
    } steps[] = {
        {Remember, "alice", "a", true, false, false},
        {Remember, "alice", "a", true, false, false}, // again: no change
        {Remember, "bob", "a", true, true, false},
        {Forget, "alice", "b", true, true, false}, // not remembered: nothing happens
        {Forget, "alice", "a", false, true, false},
        {Remember, "alice", "b", false, true, true},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        SCOPED_TRACE(i);
        (s.op == Remember ? RememberTls : ForgetTls)(s.user, s.server);
        EXPECT_EQ(TlsRemembered("alice", "a"), s.aliceAtA);
        EXPECT_EQ(TlsRemembered("bob", "a"), s.bobAtA);
        EXPECT_EQ(TlsRemembered("alice", "b"), s.aliceAtB);
    }
    // A user name and server that join to the same text are another mailbox.
    EXPECT_FALSE(TlsRemembered("alic", "eb"));
    struct stat info {};
    ASSERT_EQ(::stat(data.path(kTlsMemoryFileName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(TlsMemory, StaysBoundedAndIgnoresWhatItDidNotWrite)
{
    TempDataFolder data;
    for (int i = 0; i < kMaxRememberedTls + 8; ++i)
        RememberTls("user", "server" + std::to_string(i));
    EXPECT_FALSE(TlsRemembered("user", "server0")); // the oldest went first
    EXPECT_FALSE(TlsRemembered("user", "server7"));
    EXPECT_TRUE(TlsRemembered("user", "server8"));
    EXPECT_TRUE(TlsRemembered("user", "server" + std::to_string(kMaxRememberedTls + 7)));
    std::string bytes;
    ASSERT_TRUE(platform::readWholeFile(data.path(kTlsMemoryFileName), bytes));
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(kMaxRememberedTls) * 65 - 1);
    EXPECT_EQ(bytes.find('\n'), std::string::npos);

    // A damaged line: the well-formed entries still count, the rest is dropped on the next write.
    platform::writeFileAtomically(data.path(kTlsMemoryFileName), "junk " + bytes.substr(0, 64) + " ABC\n");
    EXPECT_FALSE(TlsRemembered("user", "server7"));
    EXPECT_TRUE(TlsRemembered("user", "server8"));
    RememberTls("user", "again");
    ASSERT_TRUE(platform::readWholeFile(data.path(kTlsMemoryFileName), bytes));
    EXPECT_EQ(bytes.size(), 2u * 65 - 1);
}

} // namespace
