#include "mail/pop3_client.h"
#include "core_app.h"

#include <gtest/gtest.h>

namespace {

TEST(Pop3Reply, OnlyMinusErrInAnyCaseIsAFailure)
{
    const struct { const char* reply; bool error; } cases[] = {
        {"-ERR no such user", true}, {"-err", true}, {"-Err bad", true}, {"+OK", false},
        {"", false}, {"-ER", false}, {" -ERR", false}, {"+OK -ERR", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pop3::IsErrorReply(c.reply), c.error) << c.reply;
}

TEST(Pop3Reply, CheckReplyGivesEachKindItsText)
{
    EnsureCoreApp();
    const char* texts[] = {"Bad Connection", "Bad User Name", "Bad Password Name", "Error occured during QUIT",
                           "Error occured during DELE", "Error occured during RSET", "Error occured during STAT",
                           "Error occured during NOOP", "Error occured during LIST", "Error occured during RETR"};
    for (unsigned kind = 0; kind < 10; ++kind) {
        CPop3Client client;
        EXPECT_EQ(client.CheckReply(kind, "+OK 0 0"), 1);
        EXPECT_TRUE(client.ErrorText().isEmpty());
        EXPECT_EQ(client.CheckReply(kind, "-ERR x"), 0);
        EXPECT_EQ(client.ErrorText(), QLatin1String(texts[kind]));
    }
    CPop3Client client;
    EXPECT_EQ(client.CheckReply(10, "-ERR x"), 1); // larger kinds are read and dropped
}

TEST(Pop3Reply, StatTakesTheNumbersAfterTheFirstTwoBlanks)
{
    const struct { const char* reply; int count; int size; } cases[] = {
        {"+OK 2 320", 2, 320},
        {"+OK 0 0", 0, 0},
        {"+OK\t7\t1500", 7, 1500},
        {"+OK", -1, -1},          // no blank: both unchanged
        {"+OK 5", 5, -1},         // one blank: size unchanged
        {"+OK 3 -4 9", 3, -4},
        {"+OK 99999999999 1", 2147483647, 1}, // saturates instead of overflowing
    };
    for (const auto& c : cases) {
        int count = -1;
        int size = -1;
        pop3::ParseStat(c.reply, count, size);
        EXPECT_EQ(count, c.count) << c.reply;
        EXPECT_EQ(size, c.size) << c.reply;
    }
}

TEST(Pop3Reply, StatCountMustBeAWholeNonNegativeNumberThatFits)
{
    EnsureCoreApp();
    const struct { const char* reply; int count; } cases[] = { // -1: no valid count
        {"+OK 2 320", 2},
        {"+OK 0 0", 0},
        {"+OK\t7\t1500", 7},
        {"+OK 5", 5},
        {"+OK  3 9", 3},                        // blanks run together
        {"+OK 2147483647 1", 2147483647},
        {"+OK 2147483648 1", -1},               // one past an int
        {"+OK 99999999999999999999999 1", -1},
        {"+OK -5 -100", -1},
        {"+OK +5 1", -1},
        {"+OK 5x 1", -1},
        {"+OK", -1},
        {"+OK  ", -1},
        {"+OK x 1", -1},
    };
    for (const auto& c : cases) {
        const std::optional<int> count = pop3::StatCount(c.reply);
        EXPECT_EQ(count.value_or(-1), c.count) << c.reply;
        // The client's check fails with its own text and keeps no count.
        CPop3Client client;
        EXPECT_EQ(client.CheckReply(CPop3Client::ReplyStat, c.reply), c.count >= 0 ? 1 : 0) << c.reply;
        EXPECT_EQ(client.GetMessageCount(), c.count) << c.reply;
        if (c.count < 0) {
            EXPECT_EQ(client.ErrorText(), QStringLiteral("Server gave no valid message count"));
        }
    }
}

TEST(Pop3Reply, OnlyAStlsWordNamesTheCapability)
{
    const struct { const char* line; bool stls; } cases[] = {
        {"STLS", true}, {"stls", true}, {"Stls", true}, {"STLS extra", true},
        {"STLSX", false}, {" STLS", false}, {"USER", false}, {"STL", false}, {"", false}, {"SASL STLS", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pop3::IsStlsCapability(c.line), c.stls) << c.line;
}

TEST(Pop3Reply, ListKeepsTheSizesCutTo16BitsAndRetrKeeps9000Bytes)
{
    EnsureCoreApp();
    CPop3Client client;
    EXPECT_EQ(client.CheckReply(CPop3Client::ReplyList, "+OK 2 messages", "1 120\r\n2 70000\r\n.\r\n"), 1);
    EXPECT_EQ(client.MessageSizes(), (std::vector<std::uint16_t>{120, 70000 & 0xFFFF}));
    EXPECT_EQ(client.CheckReply(CPop3Client::ReplyList, "+OK", ".\r\n"), 1);
    EXPECT_EQ(client.MessageSizes().size(), 2u);

    const std::string body(9500, 'x');
    EXPECT_EQ(client.CheckReply(CPop3Client::ReplyRetr, "+OK", body), 1);
    EXPECT_EQ(client.MessageText().size(), 9000u);
}

TEST(Pop3Command, ValuesThatDoNotFitTheCommandLineOrBreakItAreRefused)
{
    EXPECT_EQ(pop3::FormatCommand("USER", "bob").value(), QByteArray("USER bob\r\n"));
    EXPECT_TRUE(pop3::FormatCommand("USER", std::string(504, 'u')).has_value());
    EXPECT_FALSE(pop3::FormatCommand("USER", std::string(505, 'u')).has_value());
    EXPECT_FALSE(pop3::FormatCommand("PASS", "a\r\nDELE 1").has_value());
    EXPECT_FALSE(pop3::FormatCommand("PASS", std::string("a\0b", 3)).has_value());
}

TEST(MailServer, TheFieldNamesProtocolHostPortAndTls)
{
    constexpr auto P = MailServer::Protocol::Pop3;
    constexpr auto I = MailServer::Protocol::Imap;
    const struct { const char* text; bool ok; MailServer::Protocol protocol; const char* host; int port; bool tls; bool detect = false; } cases[] = {
        {"mail.example.org", true, P, "mail.example.org", 110, false},
        {" mail.example.org:110 ", true, P, "mail.example.org", 110, false},
        {"10.0.0.1:2110", true, P, "10.0.0.1", 2110, false, true}, // any other port: found by the server's words
        {"localhost:14931", true, P, "localhost", 14931, false, true},
        {"pop.example.org:995", true, P, "pop.example.org", 995, true},
        {"imap.example.org:993", true, I, "imap.example.org", 993, true},
        {"imap.example.org:143", true, I, "imap.example.org", 143, false},
        {"[::1]:995", true, P, "::1", 995, true},
        {"[::1]:993", true, I, "::1", 993, true},
        {"::1", true, P, "::1", 110, false},
        {"imap://h", true, I, "h", 143, false},
        {"IMAPS://h", true, I, "h", 993, true},
        {"imap://h:1143", true, I, "h", 1143, false},
        {"imaps://[fe80::1]:10993", true, I, "fe80::1", 10993, true},
        {"pop3://h:995", true, P, "h", 995, false}, // the scheme wins over the port
        {"pop3s://h", true, P, "h", 995, true},
        {"imaps://h:993/", false, P, "", 0, false},
        {"imap://", false, P, "", 0, false},
        {"http://h", false, P, "", 0, false},
        {"imap:/h", false, P, "", 0, false},
        {"[::1", false, P, "", 0, false},
        {"host:0", false, P, "", 0, false},
        {"host:70000", false, P, "", 0, false},
        {"host:x", false, P, "", 0, false},
        {":110", false, P, "", 0, false},
        {"a b", false, P, "", 0, false},
        {"", false, P, "", 0, false},
    };
    for (const auto& c : cases) {
        const auto server = ParseMailServer(QString::fromLatin1(c.text));
        ASSERT_EQ(server.has_value(), c.ok) << c.text;
        if (!server)
            continue;
        EXPECT_EQ(server->protocol, c.protocol) << c.text;
        EXPECT_EQ(server->host, QLatin1String(c.host)) << c.text;
        EXPECT_EQ(server->port, c.port) << c.text;
        EXPECT_EQ(server->implicitTls, c.tls) << c.text;
        EXPECT_EQ(server->detect, c.detect) << c.text;
    }

    // The first words say which protocol; anything else (or a TLS server's silence) nothing.
    const struct { const char* greeting; std::optional<MailServer::Protocol> protocol; } greetings[] = {
        {"+OK Dovecot ready.\r\n", P}, {"+ok\r\n", P}, {"+OK", P}, {"* OK [CAPABILITY IMAP4rev1] ready\r\n", I},
        {"* PREAUTH welcome\r\n", I}, {"* ok hi\r\n", I}, {"+OKAY\r\n", std::nullopt},
        {"-ERR busy\r\n", std::nullopt}, {"* BYE busy\r\n", std::nullopt}, {"220 smtp ESMTP\r\n", std::nullopt},
        {"\x16\x03\x01", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& g : greetings)
        EXPECT_EQ(ProtocolOfGreeting(g.greeting), g.protocol) << g.greeting;
    EXPECT_EQ(SessionDescription(I, true), QStringLiteral("IMAP, encrypted"));
    EXPECT_EQ(SessionDescription(P, false), QStringLiteral("POP3, not encrypted"));
}

} // namespace
