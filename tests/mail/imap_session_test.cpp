// The IMAP reader, the session against a scripted server, and the watch's rules for a
// session that stays (IDLE) with a fake session.
#include "core_app.h"
#include "fakes/fakes.h"
#include "mail/imap_client.h"
#include "mail/imap_reader.h"
#include "mail/mail_watch.h"
#include "mail/tls_memory.h"
#include "mail_watch_access.h"
#include "scripted_server.h"
#include "sound/sound_table.h"
#include "support/temp_data_folder.h"

#include <QDir>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Kind = imap::Response::Kind;

TEST(ImapReader, SplitsResponsesSkipsLiteralsAndBoundsEverything)
{
    const struct {
        std::string input;
        std::vector<std::pair<Kind, std::string>> responses; // tag + " " + text for Tagged
        const char* error;
    } cases[] = {
        {"* OK [CAPABILITY IMAP4rev1 IDLE] hi\r\n", {{Kind::Untagged, "OK [CAPABILITY IMAP4rev1 IDLE] hi"}}, ""},
        {"Q1 OK done\r\n+ idling\r\n+\n", {{Kind::Tagged, "Q1 OK done"}, {Kind::Continuation, "idling"}, {Kind::Continuation, ""}}, ""},
        // A literal's bytes (a CR LF among them) are skipped; the line goes on after them.
        {"* 1 FETCH (BODY {6}\r\nab\r\ncd)\r\n* 2 EXISTS\r\n", {{Kind::Untagged, "1 FETCH (BODY {6})"}, {Kind::Untagged, "2 EXISTS"}}, ""},
        {"* 1 X {0}\r\n\r\n", {{Kind::Untagged, "1 X {0}"}}, ""},
        {"* OK " + std::string(imap::kMaxLineBytes, 'x') + "\r\n", {}, "Server reply too long"},
        {"* 1 FETCH {70000}\r\n", {}, "Server reply too long"},
        {"* 1 FETCH {99999999999}\r\n", {}, "Server reply too long"},
        {"\r\n", {}, "Server reply not understood"},
        {"Q1\r\n", {}, "Server reply not understood"},
        {"(x) OK\r\n", {}, "Server reply not understood"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 40));
        // Whole and byte by byte read the same.
        for (const std::size_t piece : {c.input.size(), std::size_t{1}}) {
            imap::ResponseReader reader;
            for (std::size_t i = 0; i < c.input.size(); i += piece)
                reader.feed(std::string_view(c.input).substr(i, piece));
            EXPECT_EQ(reader.error(), c.error);
            std::vector<std::pair<Kind, std::string>> got;
            while (auto r = reader.next())
                got.emplace_back(r->kind, r->kind == Kind::Tagged ? r->tag + " " + r->text : r->text);
            EXPECT_EQ(got, c.responses);
        }
    }
    // Many small literals add up to the response's bound.
    std::string many = "* 1 FETCH";
    for (int i = 0; i < 10; ++i)
        many += " {60000}\r\n" + std::string(60000, 'a');
    imap::ResponseReader reader;
    EXPECT_FALSE(reader.feed(many));
}

TEST(ImapReader, CountsCapabilitiesAndTheLoginCommand)
{
    EXPECT_EQ(imap::ParseNumbered("23 exists")->word, "EXISTS");
    EXPECT_FALSE(imap::ParseNumbered("99999999999 EXISTS"));
    EXPECT_FALSE(imap::ParseNumbered("-1 EXISTS"));
    const imap::Capabilities caps = imap::ParseCapabilities("IMAP4rev1 starttls IDLE LOGINDISABLED AUTH=PLAIN");
    EXPECT_TRUE(caps.startTls && caps.idle && caps.loginDisabled && caps.authPlain);
    const imap::Capabilities none = imap::ParseCapabilities("IMAP4rev1 XIDLE AUTH=PLAINX STARTTLS2");
    EXPECT_FALSE(none.idle || none.authPlain || none.startTls);

    const struct { std::string user; std::string password; std::vector<std::string> pieces; } logins[] = {
        {"bob", "p\"w\\", {"Q1 LOGIN \"bob\" \"p\\\"w\\\\\"\r\n"}},
        {"bob", "p\xC3\xA4", {"Q1 LOGIN \"bob\" {3}\r\n", "p\xC3\xA4\r\n"}},
        {"a\r\nQ2 DELETE INBOX", "", {"Q1 LOGIN {18}\r\n", "a\r\nQ2 DELETE INBOX \"\"\r\n"}},
    };
    for (const auto& l : logins)
        EXPECT_EQ(imap::FormatLogin("Q1", l.user, l.password), l.pieces);
    EXPECT_FALSE(imap::FormatLogin("Q1", std::string("a\0b", 3), "p"));
    EXPECT_FALSE(imap::FormatLogin("Q1", "u", std::string(505, 'p')));
}

struct ImapResult {
    int connect = -1;
    int stat = -1;
    int count = -1;
    bool stays = false;
    QString error;
};

ImapResult RunImap(ScriptedServer& server, const std::string& password = "pw", bool requireTls = false,
                   CImapClient* keep = nullptr)
{
    ImapResult result;
    CImapClient own;
    CImapClient& client = keep ? *keep : own;
    client.setTimeoutMs(300);
    client.setRequireTls(requireTls);
    QSignalSpy connected(&client, &MailSession::connectFinished);
    QSignalSpy stat(&client, &MailSession::statFinished);
    client.Connect(*ParseMailServer(QStringLiteral("imap://") + server.server()), "bob", password);
    if (!connected.wait(5000))
        return result;
    result.connect = connected[0][0].toInt();
    if (result.connect == 1) {
        client.Stat();
        if (stat.wait(5000))
            result.stat = stat[0][0].toInt();
    }
    // A session that stays has sent IDLE: wait for the server's go-ahead or refusal.
    (void)QTest::qWaitFor([&] { return !client.Stays() || client.Idling(); }, 5000);
    result.count = client.GetMessageCount();
    result.stays = client.Stays();
    result.error = client.ErrorText();
    return result;
}

TEST(ImapSession, EachStepAndEachRefusal)
{
    EnsureCoreApp();
    const std::string hello = "* OK [CAPABILITY IMAP4rev1 IDLE] hi\r\n";
    const std::string examined = "* 5 EXISTS\r\n* 0 RECENT\r\nQ2 OK [READ-ONLY] done\r\n";
    const std::string loggedIn = "Q1 OK [CAPABILITY IMAP4rev1 IDLE] in\r\n";
    const std::string tlsLost = "The server no longer offers an encrypted connection; the password was not sent.";
    const struct {
        std::vector<std::string> replies;
        std::string password;
        bool requireTls;
        int connect;
        int stat;
        bool stays;
        std::string error; // the start of it
        std::vector<std::string> commands;
    } cases[] = {
        {{hello, loggedIn, examined, "+ idling\r\n"}, "pw", false, 1, 1, true, "",
         {"Q1 LOGIN \"bob\" \"pw\"", "Q2 EXAMINE INBOX", "Q3 IDLE"}},
        // Without IDLE the session ends after the count; capabilities asked when not told.
        {{"* OK hi\r\n", "* CAPABILITY IMAP4rev1\r\nQ1 OK\r\n", "Q2 OK\r\n", "Q3 OK\r\n", "* 7 EXISTS\r\nQ4 OK\r\n"},
         "pw", false, 1, 1, false, "", {"Q1 CAPABILITY", "Q2 LOGIN \"bob\" \"pw\"", "Q3 CAPABILITY", "Q4 EXAMINE INBOX"}},
        // An 8-bit password goes as a literal, after the server's go-ahead.
        {{hello, "+ go\r\n", loggedIn, examined, "+ idling\r\n"}, "p\xC3\xA4", false, 1, 1, true, "",
         {"Q1 LOGIN \"bob\" {3}", "p\xC3\xA4", "Q2 EXAMINE INBOX", "Q3 IDLE"}},
        {{"* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] hi\r\n", "+ \r\n", "Q1 OK [CAPABILITY IMAP4rev1] in\r\n",
          "* 0 EXISTS\r\nQ2 OK\r\n"},
         "pw", false, 1, 1, false, "", {"Q1 AUTHENTICATE PLAIN", "AGJvYgBwdw==", "Q2 EXAMINE INBOX"}},
        {{"* PREAUTH [CAPABILITY IMAP4rev1] welcome\r\n", "* 3 EXISTS\r\nQ1 OK\r\n"}, "pw", false, 1, 1, false, "",
         {"Q1 EXAMINE INBOX"}},
        // No password is ever sent in clear where TLS was offered, refused or is required.
        {{"* OK [CAPABILITY IMAP4rev1 STARTTLS] hi\r\n", "Q1 NO not now\r\n"}, "pw", false, 0, -1, false,
         "Encrypted connection (STARTTLS) failed: the server refused STARTTLS", {"Q1 STARTTLS"}},
        {{"* OK [CAPABILITY IMAP4rev1 STARTTLS] hi\r\n", "Q1 OK go\r\n* OK\r\n"}, "pw", false, 0, -1, false,
         "Encrypted connection (STARTTLS) failed: the server sent data ahead of TLS", {"Q1 STARTTLS"}},
        {{"* OK [CAPABILITY IMAP4rev1 LOGINDISABLED] hi\r\n"}, "pw", false, 0, -1, false,
         "The server allows no login without encryption", {}},
        {{hello}, "pw", true, 0, -1, false, tlsLost, {}},
        {{"* PREAUTH hi\r\n"}, "pw", true, 0, -1, false, tlsLost, {}},
        {{hello, "Q1 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"}, "pw", false, 0, -1, false,
         "Login refused: Authentication failed.", {"Q1 LOGIN \"bob\" \"pw\""}},
        {{"* BYE too many\r\n"}, "pw", false, 0, -1, false, "Bad Connection", {}},
        {{hello, loggedIn, "Q2 OK no count\r\n"}, "pw", false, 1, 0, false, "Server gave no valid message count",
         {"Q1 LOGIN \"bob\" \"pw\"", "Q2 EXAMINE INBOX"}},
        {{hello, loggedIn, "Q2 NO [NONEXISTENT] gone\r\n"}, "pw", false, 1, 0, false,
         "The inbox could not be opened: gone", {"Q1 LOGIN \"bob\" \"pw\"", "Q2 EXAMINE INBOX"}},
        {{hello, "Q7 OK\r\n"}, "pw", false, 0, -1, false, "Server reply not understood", {"Q1 LOGIN \"bob\" \"pw\""}},
        {{hello, loggedIn, examined, "Q3 NO\r\n"}, "pw", false, 1, 1, false, "The server refused IDLE",
         {"Q1 LOGIN \"bob\" \"pw\"", "Q2 EXAMINE INBOX", "Q3 IDLE"}},
        // IDLE ended by the server at once, again and again: given up after a few, not a ping-pong.
        {{hello, loggedIn, examined, "Q3 OK\r\n", "+ idling\r\nQ4 OK\r\n", "Q5 OK\r\n", "Q6 OK\r\n"}, "pw", false, 1, 1,
         false, "The server ends IDLE at once",
         {"Q1 LOGIN \"bob\" \"pw\"", "Q2 EXAMINE INBOX", "Q3 IDLE", "Q4 IDLE", "Q5 IDLE"}},
        // Hostile or broken servers: a failed check, soon.
        {{"* OK " + std::string(9000, 'x') + "\r\n"}, "pw", false, 0, -1, false, "Server reply too long", {}},
        {{"<silent>"}, "pw", false, 0, -1, false, "Server did not answer in time", {}},
        {{hello, "<close>"}, "pw", false, 0, -1, false, "Server closed the connection", {"Q1 LOGIN \"bob\" \"pw\""}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        ScriptedServer server(c.replies, true);
        const ImapResult result = RunImap(server, c.password, c.requireTls);
        EXPECT_EQ(result.connect, c.connect);
        EXPECT_EQ(result.stat, c.stat);
        EXPECT_EQ(result.stays, c.stays);
        EXPECT_EQ(result.error.toStdString().rfind(c.error, 0), 0u) << result.error.toStdString();
        if (c.stat == 1) {
            EXPECT_GE(result.count, 0);
        }
        EXPECT_EQ(server.commands, c.commands);
    }

    // A port that says nothing of its protocol: the server's first words choose it, and the
    // session then speaks it on a connection of its own (the first one sends nothing).
    const struct {
        std::vector<std::string> replies;
        MailServer::Protocol protocol;
        int connect;
        std::string error;
        std::vector<std::string> commands;
    } detected[] = {
        {{"+OK POP3 ready\r\n", "+OK\r\n", "+OK\r\n"}, MailServer::Protocol::Pop3, 1, "", {"USER bob", "PASS pw"}},
        {{hello, loggedIn}, MailServer::Protocol::Imap, 1, "", {"Q1 LOGIN \"bob\" \"pw\""}},
        {{"220 smtp.example.org ESMTP\r\n"}, MailServer::Protocol::Pop3, 0,
         "The server answered neither as POP3 nor as IMAP", {}},
    };
    for (const auto& d : detected) {
        SCOPED_TRACE(d.replies.front());
        ScriptedServer server(d.replies, d.protocol == MailServer::Protocol::Imap);
        const MailServer endpoint = *ParseMailServer(server.server());
        ASSERT_TRUE(endpoint.detect);
        std::unique_ptr<MailSession> session = MakeMailSession(endpoint);
        session->setTimeoutMs(300);
        QSignalSpy connected(session.get(), &MailSession::connectFinished);
        session->Connect(endpoint, "bob", "pw");
        ASSERT_TRUE(connected.wait(5000));
        EXPECT_EQ(connected[0][0].toInt(), d.connect) << session->ErrorText().toStdString();
        EXPECT_EQ(session->ErrorText().toStdString(), d.error);
        if (d.connect) {
            EXPECT_EQ(session->Server().protocol, d.protocol);
        }
        EXPECT_FALSE(session->Server().implicitTls);
        EXPECT_EQ(server.commands, d.commands);
    }
}

TEST(ImapSession, IdleReportsChangesRenewsAndEndsWithLogout)
{
    EnsureCoreApp();
    ScriptedServer server({"* OK [CAPABILITY IMAP4rev1 IDLE] hi\r\n", "Q1 OK [CAPABILITY IMAP4rev1 IDLE] in\r\n",
                           "* 5 EXISTS\r\nQ2 OK\r\n", "+ idling\r\n", "Q3 OK done\r\n", "+ idling\r\n"},
                          true);
    auto* client = new CImapClient;
    QSignalSpy changed(client, &MailSession::countChanged);
    QSignalSpy lost(client, &MailSession::lost);
    ASSERT_EQ(RunImap(server, "pw", false, client).stays, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return client->Idling(); }, 5000));

    // A burst of changes in one read is one report.
    server.push("* 6 EXISTS\r\n* 7 EXISTS\r\n");
    ASSERT_TRUE(changed.wait(5000));
    EXPECT_EQ(client->GetMessageCount(), 7);
    server.push("* 2 EXPUNGE\r\n");
    ASSERT_TRUE(changed.wait(5000));
    EXPECT_EQ(client->GetMessageCount(), 6);
    server.push("* OK Still here\r\n* 3 RECENT\r\n");

    client->KeepAlive(); // DONE, answered, and IDLE again
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.commands.size() == 5 && client->Idling(); }, 5000));
    EXPECT_EQ(server.commands[3], "DONE");
    EXPECT_EQ(server.commands[4], "Q4 IDLE");
    EXPECT_EQ(changed.size(), 2);

    client->Close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.commands.size() == 7; }, 5000));
    EXPECT_EQ(server.commands[5], "DONE");
    EXPECT_EQ(server.commands[6], "Q5 LOGOUT");
    EXPECT_TRUE(lost.isEmpty());
    QPointer<CImapClient> gone(client);
    server.push("* BYE Logging out\r\nQ5 OK\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 5000)); // it deletes itself

    // A BYE or a missing answer to DONE while idling is a lost session.
    for (const bool bye : {true, false}) {
        ScriptedServer again({"* OK [CAPABILITY IMAP4rev1 IDLE] hi\r\n", "Q1 OK [CAPABILITY IMAP4rev1 IDLE] in\r\n",
                              "* 5 EXISTS\r\nQ2 OK\r\n", "+ idling\r\n", "<silent>"},
                             true);
        CImapClient session;
        QSignalSpy sessionLost(&session, &MailSession::lost);
        RunImap(again, "pw", false, &session);
        ASSERT_TRUE(QTest::qWaitFor([&] { return session.Idling(); }, 5000));
        if (bye)
            again.push("* BYE Server shutting down.\r\n");
        else
            session.KeepAlive();
        ASSERT_TRUE(sessionLost.wait(5000));
        EXPECT_EQ(session.ErrorText(), QLatin1String(bye ? "Server closed the connection: Server shutting down."
                                                         : "Server did not answer in time"));
        EXPECT_FALSE(session.Stays());
    }
}

// A session whose results the test gives.
class FakeSession final : public MailSession {
public:
    struct Script {
        int connect = 1;
        int count = 0;
        bool stays = true;
        bool useIdle = true; // as the watch last set it
        int sessions = 0;
        FakeSession* last = nullptr;
    };
    explicit FakeSession(Script& script) : m_script(script)
    {
        ++script.sessions;
        script.last = this;
    }
    ~FakeSession() override
    {
        if (m_script.last == this)
            m_script.last = nullptr;
    }
    void setTimeoutMs(int) override {}
    void setExtraCaCertificates(const QList<QByteArray>&) override {}
    void setRequireTls(bool) override {}
    void setUseIdle(bool use) override { m_script.useIdle = use; }
    void Connect(const MailServer&, const std::string&, const std::string&) override
    {
        const int result = m_script.connect;
        m_error = result ? QString() : QStringLiteral("Server cannot be connected");
        QMetaObject::invokeMethod(this, [this, result] { Q_EMIT connectFinished(result); }, Qt::QueuedConnection);
    }
    void Stat() override
    {
        m_count = m_script.count;
        m_stays = m_script.stays;
        QMetaObject::invokeMethod(this, [this] { Q_EMIT statFinished(1); }, Qt::QueuedConnection);
    }
    int GetMessageCount() const override { return m_count; }
    bool Encrypted() const override { return true; }
    const QString& ErrorText() const override { return m_error; }
    bool Stays() const override { return m_stays; }
    bool IdleEndsAtOnce() const override { return m_endsAtOnce; }
    void Close() override
    {
        closed = true;
        deleteLater();
    }
    void change(int count)
    {
        m_count = count;
        Q_EMIT countChanged();
    }
    void drop(bool endsAtOnce = false)
    {
        m_endsAtOnce = endsAtOnce;
        m_stays = false;
        m_error = QStringLiteral("Server closed the connection");
        Q_EMIT lost();
    }
    bool closed = false;

private:
    Script& m_script;
    QString m_error;
    int m_count = -1;
    bool m_stays = false;
    bool m_endsAtOnce = false;
};

class CountingHost final : public MailHost {
public:
    void announceNewMail() override { ++announcements; }
    void askForMailboxPassword(const QString&) override {}
    void reportMailProblem(const QString& text) override { problems << text; }
    int announcements = 0;
    QStringList problems;
};

TEST(MailWatchIdle, ChangesRunTheCountRuleLossesReconnectWithAGrowingDelay)
{
    EnsureCoreApp();
    TempDataFolder data;
    fakes::FakeSound sound;
    fakes::FakeClock clock;
    CreateDefaultSoundTable();
    // The TLS memory cannot be written (a folder stands in its place): told once, not per session.
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(data.path(mail::kTlsMemoryFileName))));
    CountingHost host;
    FakeSession::Script script;
    script.count = 2;
    MailWatch watch(host);
    watch.setSessionFactory([&](const MailServer& server) {
        EXPECT_EQ(server.protocol, MailServer::Protocol::Imap);
        return std::make_unique<FakeSession>(script);
    });
    QSignalSpy finished(&watch, &MailWatch::checkFinished);
    QSignalSpy failures(&watch, &MailWatch::failureChanged);
    watch.Configure({"bob", "pw", "imap.example.org:143", 600, -1}); // ten minutes
    const auto check = [&] {
        finished.clear();
        watch.OnTimer(MailWatch::kCheckTimer);
        return finished.wait(5000);
    };
    ASSERT_TRUE(check());
    EXPECT_TRUE(watch.idling());
    EXPECT_FALSE(watch.timerActive(MailWatch::kCheckTimer)); // the session checks by itself
    EXPECT_EQ(watch.settings().lastMailCount, 2);
    FakeSession* session = script.last;
    ASSERT_NE(session, nullptr);

    // The changes of a burst are announced once with the final count; a count that only
    // went down is written quietly; the same count again is nothing.
    QSignalSpy announcedCounts(&watch, &MailWatch::checkFinished);
    const struct { std::vector<int> burst; int announcements; int written; std::size_t sounds; } changes[] = {
        {{3, 5, 4, 6, 5}, 1, 5, 1}, {{5}, 1, 5, 1}, {{1}, 1, 1, 1}, {{2, 0, 1}, 1, 1, 1}, {{3}, 2, 3, 2}};
    for (const auto& c : changes) {
        announcedCounts.clear();
        for (const int count : c.burst)
            session->change(count);
        EXPECT_TRUE(announcedCounts.isEmpty()); // nothing before the burst ends
        ASSERT_TRUE(MailWatchTestAccess::endBurst(watch));
        EXPECT_EQ(announcedCounts.size(), 1);
        EXPECT_EQ(host.announcements, c.announcements);
        EXPECT_EQ(sound.played.size(), c.sounds);
        EXPECT_EQ(ReadMailboxFile()->lastMailCount, c.written);
    }
    watch.OnTimer(MailWatch::kCheckTimer); // a stray timer 7 opens no second session
    EXPECT_EQ(script.sessions, 1);

    // Lost after a while: no failure shown; reconnections 3 s, 6 s, ... up to the
    // interval while they fail.
    clock.advanceMs(MailWatch::kHealthyIdleMs);
    session->drop();
    EXPECT_FALSE(watch.idling());
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(MailWatchTestAccess::reconnectDelayMs(watch), MailWatch::kFirstReconnectMs);
    EXPECT_TRUE(watch.timerActive(MailWatch::kCheckTimer));
    script.connect = 0;
    std::vector<int> delays;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(check());
        delays.push_back(MailWatchTestAccess::reconnectDelayMs(watch));
    }
    EXPECT_EQ(delays, (std::vector<int>{6000, 12000, 24000, 48000, 96000, 192000, 384000, 600000, 600000, 600000}));
    EXPECT_FALSE(failures.isEmpty());
    script.connect = 1;
    script.count = 1;
    ASSERT_TRUE(check());
    EXPECT_TRUE(watch.idling());
    EXPECT_EQ(host.announcements, 2); // the count went down meanwhile: quietly
    // Lost again at once: the delay does not start over; after a good while it does.
    for (const std::uint32_t lived : {0u, MailWatch::kHealthyIdleMs}) {
        clock.advanceMs(lived);
        script.last->drop();
        EXPECT_EQ(MailWatchTestAccess::reconnectDelayMs(watch), lived ? MailWatch::kFirstReconnectMs : 600000);
        ASSERT_TRUE(check());
        EXPECT_TRUE(watch.idling());
    }

    // (The other problem told: no secret store keeps the password in this test.)
    EXPECT_EQ(host.problems.filter(QStringLiteral("MailTls.txt in the data folder cannot be written")).size(), 1)
        << host.problems.join(QLatin1Char('\n')).toStdString();

    // A resume or the network's return: the idle session is closed on purpose (LOGOUT)
    // and a new one opens within a second.
    session = script.last;
    watch.setSoonMs(0);
    watch.CheckSoon();
    EXPECT_TRUE(session == nullptr || session->closed);
    EXPECT_FALSE(watch.idling());
    finished.clear();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(watch.idling());

    // A server that ends every IDLE at once: polled at the interval from then on, and said so.
    EXPECT_TRUE(script.useIdle);
    script.last->drop(true);
    EXPECT_FALSE(watch.idling());
    EXPECT_TRUE(watch.timerActive(MailWatch::kCheckTimer));
    EXPECT_EQ(MailWatchTestAccess::reconnectDelayMs(watch), 0);
    EXPECT_TRUE(watch.StatusText().endsWith(QStringLiteral("the server ends IDLE at once, so it is checked every 10 min")))
        << watch.StatusText().toStdString();
    script.stays = false;
    ASSERT_TRUE(check());
    EXPECT_FALSE(script.useIdle);
    EXPECT_FALSE(watch.idling());

    // Without IDLE the watch polls at the interval, as with POP3.
    script.stays = false;
    watch.Configure({"bob", "pw", "imaps://imap.example.org", 600, -1});
    ASSERT_TRUE(check());
    EXPECT_FALSE(watch.idling());
    EXPECT_TRUE(watch.timerActive(MailWatch::kCheckTimer));
}

} // namespace
