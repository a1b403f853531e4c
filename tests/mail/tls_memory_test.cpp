// The memory of which mailboxes' servers spoke TLS: per user and server, in a file of the
// data folder that outlives the process, bounded, and forgotten on request.
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
    const struct {
        bool (*op)(const std::string&, const std::string&);
        const char* user;
        bool aliceAtA, bobAtA; // remembered afterwards
    } steps[] = {
        {RememberTls, "alice", true, false},
        {RememberTls, "bob", true, true},
        {ForgetTls, "alice", false, true},
        {ForgetTls, "alice", false, true}, // not remembered: nothing happens
    };
    for (const auto& s : steps) {
        s.op(s.user, "a");
        EXPECT_EQ(TlsRemembered("alice", "a"), s.aliceAtA);
        EXPECT_EQ(TlsRemembered("bob", "a"), s.bobAtA);
    }
    RememberTls("alice", "b");
    EXPECT_FALSE(TlsRemembered("alic", "eb")); // the same text joined, another mailbox

    // The trusted certificate and the failure told last: one value per mailbox, replaced,
    // kept beside the TLS memory and for the owner only.
    const std::string certA(64, 'a'), certB(64, 'b');
    EXPECT_TRUE(PinCertificate("alice", "a", certA));
    EXPECT_EQ(PinnedCertificate("alice", "a"), certA);
    EXPECT_EQ(PinnedCertificate("bob", "a"), "");
    EXPECT_TRUE(PinCertificate("alice", "a", certB)); // a new certificate trusted replaces the old one
    EXPECT_EQ(PinnedCertificate("alice", "a"), certB);
    EXPECT_FALSE(PinCertificate("alice", "a", "AB:CD")); // not a digest: nothing kept
    EXPECT_EQ(PinnedCertificate("alice", "a"), certB);
    const struct { const char* set; const char* asked; bool told; bool any; } told[] = {
        {"Bad User Name", "Bad User Name", true, true},
        {"Bad User Name", "Bad Password Name", false, true},
        {"Server cannot be connected 1f", "Server cannot be connected 2e", false, true}, // another certificate
        {"", "Bad User Name", false, false}, // a success forgets it
    };
    for (const auto& t : told) {
        EXPECT_TRUE(SetToldFailure("alice", "a", t.set));
        EXPECT_EQ(FailureTold("alice", "a", t.asked), t.told) << t.set;
        EXPECT_EQ(FailureTold("alice", "a", ""), t.any) << t.set;
        EXPECT_FALSE(FailureTold("bob", "a", t.set));
    }
    for (const char* file : {kCertificateMemoryFileName, kToldMemoryFileName}) {
        struct stat mode {};
        ASSERT_EQ(::stat(data.path(file).c_str(), &mode), 0) << file;
        EXPECT_EQ(mode.st_mode & 0777, 0600u) << file;
    }
    struct stat info {};
    ASSERT_EQ(::stat(data.path(kTlsMemoryFileName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(TlsMemory, StaysBoundedAndIgnoresWhatItDidNotWrite)
{
    TempDataFolder data;
    for (int i = 0; i < kMaxRememberedTls + 8; ++i)
        RememberTls("user", "server" + std::to_string(i));
    EXPECT_FALSE(TlsRemembered("user", "server7")); // the oldest went first
    EXPECT_TRUE(TlsRemembered("user", "server8"));
    std::string bytes;
    ASSERT_TRUE(platform::readWholeFile(data.path(kTlsMemoryFileName), bytes));
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(kMaxRememberedTls) * 65 - 1);

    // A damaged line: the well-formed entries still count, the rest goes at the next write.
    platform::writeFileAtomically(data.path(kTlsMemoryFileName), "junk " + bytes.substr(0, 64) + " ABC\n");
    EXPECT_TRUE(TlsRemembered("user", "server8"));
    RememberTls("user", "again");
    ASSERT_TRUE(platform::readWholeFile(data.path(kTlsMemoryFileName), bytes));
    EXPECT_EQ(bytes.size(), 2u * 65 - 1);
}

} // namespace
