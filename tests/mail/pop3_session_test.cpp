// The client and the watch against a scripted server that misbehaves on purpose.
#include "core_app.h"
#include "fakes/fakes.h"
#include "mail/mail_support.h"
#include "mail/mail_watch.h"
#include "mail/support_table.h"
#include "mail/pop3_client.h"
#include "mail/secret_store.h"
#include "mail/tls_memory.h" // kTlsStrippedText
#include "platform/atomic_file.h"
#include "sound/sound_table.h"
#include "support/temp_data_folder.h"

#include "mail/network_return.h"
#include "scripted_server.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct CheckResult {
    int connect = -1;
    int stat = -1;
    int count = -1;
    QString error;
};

CheckResult RunCheck(const QString& server, const std::string& user = "bob", const std::string& password = "pw",
                     int timeoutMs = 300, bool* encrypted = nullptr, bool requireTls = false)
{
    CheckResult result;
    CPop3Client client;
    client.setTimeoutMs(timeoutMs);
    client.setRequireTls(requireTls);
    QSignalSpy connected(&client, &CPop3Client::connectFinished);
    client.Connect(server, user, password);
    if (!connected.wait(5000))
        return result;
    result.connect = connected[0][0].toInt();
    if (result.connect == 1) {
        QSignalSpy stat(&client, &CPop3Client::statFinished);
        client.Stat();
        if (stat.wait(5000))
            result.stat = stat[0][0].toInt();
    }
    result.count = client.GetMessageCount();
    result.error = client.ErrorText();
    if (encrypted)
        *encrypted = client.Encrypted();
    return result;
}

TEST(Pop3Session, EachStepHasItsOwnFailure)
{
    EnsureCoreApp();
    const struct {
        std::vector<std::string> replies;
        int connect;
        int stat;
        const char* error;
        std::size_t commandsSent;
    } cases[] = {
        {{"+OK hi\r\n", "+OK\r\n", "+OK\r\n", "+OK 2 320\r\n"}, 1, 1, "", 3},
        {{"-ERR busy\r\n"}, 0, -1, "Bad Connection", 0},
        {{"+OK\r\n", "-ERR who\r\n"}, 0, -1, "Bad User Name", 1}, // PASS is never sent
        {{"+OK\r\n", "+OK\r\n", "-err no\r\n"}, 0, -1, "Bad Password Name", 2},
        {{"+OK\r\n", "+OK\r\n", "+OK\r\n", "-ERR locked\r\n"}, 1, 0, "Error occured during STAT", 3},
        // Replies split over segments are read whole, and the next one is not poisoned.
        {{"+O|K hel|lo\r|\n", "+OK\r\n", "+OK|\r\n", "+OK 7|\t15|00\r\n"}, 1, 1, "", 3},
        // An empty reply is no success.
        {{"+OK\r\n", "+OK\r\n", "<close>"}, 0, -1, "Server closed the connection", 2},
        {{"+OK\r\n", "+OK\r\n", "+OK\r\n", "<close>"}, 1, 0, "Server closed the connection", 3},
        {{"<silent>"}, 0, -1, "Server did not answer in time", 0},
        {{"+OK\r\n", "+OK\r\n", "+OK\r\n", "<silent>"}, 1, 0, "Server did not answer in time", 3},
        {{std::string(1200, '+')}, 0, -1, "Server reply too long", 0},
    };
    for (const auto& c : cases) {
        ScriptedServer server(c.replies);
        const CheckResult result = RunCheck(server.server());
        SCOPED_TRACE(c.replies.back());
        EXPECT_EQ(result.connect, c.connect);
        EXPECT_EQ(result.stat, c.stat);
        EXPECT_EQ(result.error, QLatin1String(c.error));
        EXPECT_EQ(server.commands.size(), c.commandsSent);
        if (c.stat == 1) {
            EXPECT_GE(result.count, 2);
        }
    }
    ScriptedServer good({"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 2 320\r\n"});
    RunCheck(good.server(), "bob", "secret");
    EXPECT_EQ(good.commands, (std::vector<std::string>{"USER bob", "PASS secret", "STAT "}));
}

TEST(Pop3Session, StlsOnceOfferedIsUsedOrTheCheckFails)
{
    EnsureCoreApp();
    const std::string ok = "+OK\r\n";
    const std::string stlsListed = "+OK\r\nTOP\r\nstls\r\nUSER\r\n.\r\n";
    const std::string failed = "Encrypted connection (STLS) failed: ";
    const struct {
        std::vector<std::string> replies;
        int connect;
        const char* error; // the start of it
        std::vector<std::string> commands;
    } cases[] = {
        // No CAPA, or CAPA without STLS: the login goes on in clear, as before.
        {{ok, "-ERR what\r\n", ok, ok, ok}, 1, "", {"CAPA", "USER bob", "PASS pw", "STAT "}},
        {{ok, "+OK|\r\nTOP\r\nSTLSX\r\n.|\r\n", ok, ok, ok}, 1, "", {"CAPA", "USER bob", "PASS pw", "STAT "}},
        // Offered: refused, answered with nothing, or answered with data ahead of TLS is a
        // failed check, and USER/PASS are never sent.
        {{ok, stlsListed, "-ERR not now\r\n"}, 0, "Encrypted connection (STLS) failed: the server refused STLS",
         {"CAPA", "STLS"}},
        {{ok, stlsListed, "<close>"}, 0, "Encrypted connection (STLS) failed: Server closed the connection",
         {"CAPA", "STLS"}},
        {{ok, stlsListed, "+OK go ahead\r\n+OK\r\n"}, 0,
         "Encrypted connection (STLS) failed: the server sent data ahead of TLS", {"CAPA", "STLS"}},
        // "+OK", then no TLS handshake from the server.
        {{ok, stlsListed, "+OK go ahead\r\n"}, 0, "Encrypted connection (STLS) failed: ", {"CAPA", "STLS"}},
        // "+OK", then plain text instead of a handshake.
        {{ok, stlsListed, "+OK|\r\n", "+OK\r\n"}, 0, "Encrypted connection (STLS) failed: ", {"CAPA", "STLS"}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        ScriptedServer server(c.replies, true);
        bool encrypted = true;
        const CheckResult result = RunCheck(server.server(), "bob", "pw", 300, &encrypted);
        EXPECT_EQ(result.connect, c.connect);
        EXPECT_TRUE(result.error.startsWith(QLatin1String(c.error))) << result.error.toStdString();
        EXPECT_EQ(server.commands, c.commands);
        EXPECT_FALSE(encrypted);
    }
    // A CAPA listing that never ends is cut off.
    std::string endless = "+OK\r\n";
    for (int i = 0; i < 150; ++i)
        endless += "X-CAPABILITY\r\n";
    ScriptedServer server({ok, endless}, true);
    const CheckResult result = RunCheck(server.server());
    EXPECT_EQ(result.connect, 0);
    EXPECT_EQ(result.error, QStringLiteral("Server reply too long"));
    EXPECT_EQ(server.commands, (std::vector<std::string>{"CAPA"}));
}

TEST(Pop3Session, ARequiredTlsIsNeverSkipped)
{
    EnsureCoreApp();
    // STLS stripped from CAPA, or CAPA refused: nothing of the login goes out.
    for (const char* capa : {"+OK\r\nTOP\r\nUSER\r\n.\r\n", "-ERR unknown\r\n"}) {
        SCOPED_TRACE(capa);
        ScriptedServer server({"+OK\r\n", capa}, true);
        const CheckResult result = RunCheck(server.server(), "bob", "pw", 300, nullptr, true);
        EXPECT_EQ(result.connect, 0);
        EXPECT_EQ(result.error, QLatin1String(mail::kTlsStrippedText));
        EXPECT_EQ(server.commands, std::vector<std::string>{"CAPA"});
    }
}

TEST(Pop3Session, RefusedValuesAndClosedPortsNeverHang)
{
    EnsureCoreApp();
    ScriptedServer server({"+OK\r\n", "+OK\r\n", "+OK\r\n"});
    EXPECT_EQ(RunCheck(server.server(), std::string(505, 'u')).error.left(18), QStringLiteral("User name too long"));
    EXPECT_EQ(RunCheck(server.server(), "bob", "a\r\nDELE 1").error.left(17), QStringLiteral("Password too long"));
    EXPECT_TRUE(server.commands.empty());

    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const QString address = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    EXPECT_EQ(RunCheck(address).error, QStringLiteral("Server cannot be connected"));
    EXPECT_EQ(RunCheck(QStringLiteral("no host")).error, QStringLiteral("Server cannot be connected"));
}

class FakeHost final : public MailHost {
public:
    void announceNewMail() override { ++announcements; }
    void askForMailboxPassword(const QString& why) override { asked << why; }
    void reportMailProblem(const QString& text) override { problems << text; }
    int announcements = 0;
    QStringList asked;
    QStringList problems;
};

class FakeSecretStore final : public mail::SecretStore {
public:
    FakeSecretStore() { mail::setSecretStore(this); }
    ~FakeSecretStore() override { mail::setSecretStore(nullptr); }
    void readPassword(const QString& key, QObject*, ReadDone done) override
    {
        if (passwords.count(key))
            done(passwords[key], {});
        else
            done(std::nullopt, missing);
    }
    void writePassword(const QString& key, const std::string& password, QObject*, WriteDone done) override
    {
        if (!working)
            return done(QStringLiteral("no store"));
        passwords[key] = password;
        done({});
    }
    void watchForUnlock(QObject* context, std::function<void()> changed) override
    {
        unlocked = [context = QPointer<QObject>(context), changed] {
            if (context)
                changed();
        };
    }
    std::function<void()> unlocked;
    std::map<QString, std::string> passwords;
    mail::SecretError missing{mail::SecretError::Kind::NotStored, QStringLiteral("none")};
    bool working = true;
};

// Runs timer 7 once and waits for the check to end.
void Check(MailWatch& watch)
{
    QSignalSpy finished(&watch, &MailWatch::checkFinished);
    watch.OnTimer(MailWatch::kCheckTimer);
    ASSERT_TRUE(finished.wait(5000));
}

std::string FileLine()
{
    std::string line;
    platform::readFirstLine(g_dataFolder + kMailboxFileName, line);
    return line;
}

TEST(MailWatch, FirstCountIsQuietAChangeIsAnnouncedOnceAndWritten)
{
    EnsureCoreApp();
    TempDataFolder data;
    fakes::FakeSound sound;
    FakeSecretStore secrets;
    CreateDefaultSoundTable();
    g_mailClientPath = "/usr/bin/xdg-email";
    const std::string ok = "+OK\r\n";
    ScriptedServer server({ok, ok, ok, "+OK 2 100\r\n"});
    FakeHost host;
    MailWatch watch(host);
    watch.setTimeoutMs(300);
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: off"));

    watch.Configure({"bob", "pw", server.server().toStdString(), 600, 9});
    EXPECT_TRUE(watch.timerActive(MailWatch::kCheckTimer));
    EXPECT_EQ(secrets.passwords[mail::SecretKey("bob", server.server().toStdString())], "pw");
    EXPECT_EQ(FileLine(), "bob//" + server.server().toStdString() + "/10/-1//usr/bin/xdg-email/");
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: first check pending"));

    const auto checkWith = [&](std::vector<std::string> replies) {
        server.setReplies(std::move(replies));
        Check(watch);
    };
    Check(watch);
    EXPECT_EQ(host.announcements, 0);
    EXPECT_EQ(watch.settings().lastMailCount, 2);
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: 2 messages (POP3, not encrypted)"));
    EXPECT_TRUE(watch.timerActive(MailWatch::kFollowTimer));
    EXPECT_FALSE(watch.timerActive(MailWatch::kRetryTimer));

    checkWith({ok, ok, ok, "+OK 2 100\r\n"});
    EXPECT_EQ(host.announcements, 0);
    checkWith({ok, ok, ok, "+OK 1 50\r\n"}); // fewer is no news: written quietly
    EXPECT_EQ(host.announcements, 0);
    EXPECT_EQ(g_newMail, 0);
    EXPECT_TRUE(sound.played.empty());
    EXPECT_NE(FileLine().find("/10/1/"), std::string::npos);
    checkWith({ok, ok, ok, "+OK 3 150\r\n"});
    EXPECT_EQ(host.announcements, 1);
    EXPECT_EQ(g_newMail, 1);
    ASSERT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(sound.played[0], LookUpSoundSlot(11, "@#"));
    EXPECT_NE(FileLine().find("/10/3/"), std::string::npos);

    checkWith({ok, "-ERR no\r\n"});
    EXPECT_EQ(host.announcements, 1);
    EXPECT_EQ(watch.errorKind(), MailWatch::kLoginFailed);
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: Bad User Name"));
    EXPECT_TRUE(watch.timerActive(MailWatch::kRetryTimer));
    checkWith({ok, ok, ok, "-ERR\r\n"});
    EXPECT_EQ(watch.errorKind(), MailWatch::kCountFailed);

    watch.StopFollowUpTimers();
    EXPECT_FALSE(watch.timerActive(MailWatch::kFollowTimer));
    EXPECT_FALSE(watch.timerActive(MailWatch::kRetryTimer));
    EXPECT_TRUE(watch.timerActive(MailWatch::kCheckTimer));
}

TEST(MailWatch, StartUpRestoresTheWatchOrAsksForThePassword)
{
    EnsureCoreApp();
    TempDataFolder data;
    FakeSecretStore secrets;
    secrets.working = false;
    FakeHost host;
    {
        MailWatch watch(host);
        watch.RestoreFromFile(); // no file: nothing
        EXPECT_FALSE(watch.watching());
        watch.Configure({"bob", "pw", "127.0.0.1:1", 120, -1});
        QCoreApplication::processEvents();
        ASSERT_EQ(host.problems.size(), 1); // told the password lives for this run only
        EXPECT_TRUE(watch.watching());
    }
    MailWatch again(host);
    again.RestoreFromFile();
    ASSERT_EQ(host.asked.size(), 1);
    EXPECT_FALSE(again.watching());
    EXPECT_EQ(again.settings().user, "bob");

    secrets.passwords[mail::SecretKey("bob", "127.0.0.1:1")] = "pw";
    MailWatch third(host);
    third.RestoreFromFile();
    EXPECT_TRUE(third.watching());
    EXPECT_EQ(third.settings().password, "pw");
    EXPECT_EQ(third.settings().intervalSeconds, 120);
}

TEST(MailWatch, ACountThatIsNoCountAnnouncesAndWritesNothing)
{
    EnsureCoreApp();
    TempDataFolder data;
    fakes::FakeSound sound;
    FakeSecretStore secrets;
    const std::string ok = "+OK\r\n";
    ScriptedServer server({ok, ok, ok, "+OK 2 100\r\n"});
    FakeHost host;
    MailWatch watch(host);
    watch.setTimeoutMs(300);
    watch.Configure({"bob", "pw", server.server().toStdString(), 600, -1});
    Check(watch);
    const std::string written = FileLine();
    for (const char* reply : {"+OK -5 -100\r\n", "+OK 99999999999999999999999 1\r\n", "+OK many 1\r\n"}) {
        server.setReplies({ok, ok, ok, reply});
        Check(watch);
        EXPECT_EQ(watch.errorKind(), MailWatch::kCountFailed) << reply;
        EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: Server gave no valid message count"));
        EXPECT_EQ(watch.settings().lastMailCount, 2);
        EXPECT_EQ(host.announcements, 0);
        EXPECT_EQ(FileLine(), written);
        EXPECT_TRUE(sound.played.empty());
    }
}

TEST(MailWatch, EachNewKindOfFailureIsToldOnceAndASuccessClearsIt)
{
    EnsureCoreApp();
    TempDataFolder data;
    FakeSecretStore secrets;
    const std::string ok = "+OK\r\n";
    ScriptedServer server({ok, ok, ok, "+OK 2 100\r\n"});
    FakeHost host;
    MailWatch watch(host);
    watch.setTimeoutMs(300);
    QSignalSpy changed(&watch, &MailWatch::failureChanged);
    watch.Configure({"bob", "pw", server.server().toStdString(), 600, -1});
    const struct {
        std::vector<std::string> replies;
        const char* failure; // nullptr: no report at all
        bool tell;
    } steps[] = {
        {{ok, ok, ok, "+OK 2 100\r\n"}, nullptr, false},
        {{ok, "-ERR\r\n"}, "Bad User Name", true},
        {{ok, "-ERR\r\n"}, "Bad User Name", false}, // the same kind again: shown, not told
        {{ok, ok, "-ERR\r\n"}, "Bad Password Name", true},
        {{ok, "-ERR\r\n"}, "Bad User Name", false}, // told before, another kind between
        {{ok, ok, ok, "+OK 2 100\r\n"}, "", true}, // cleared, and the user hears it
        {{ok, ok, ok, "+OK 2 100\r\n"}, nullptr, false},
        {{ok, ok, "-ERR\r\n"}, "Bad Password Name", true}, // told again after a success
        {{ok, "-ERR\r\n"}, "Bad User Name", true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.replies.back());
        server.setReplies(step.replies);
        changed.clear();
        Check(watch);
        if (!step.failure) {
            EXPECT_TRUE(changed.isEmpty());
            continue;
        }
        ASSERT_EQ(changed.size(), 1);
        EXPECT_EQ(changed[0][0].toString(), QLatin1String(step.failure));
        EXPECT_EQ(changed[0][1].toBool(), step.tell);
    }

    // Across starts: the failure told last is not told again by the next run; another
    // one is, and so is the first success after it.
    const struct {
        std::vector<std::string> replies;
        const char* failure;
        bool tell;
    } restarts[] = {
        {{ok, "-ERR\r\n"}, "Bad User Name", false},
        {{ok, ok, "-ERR\r\n"}, "Bad Password Name", true},
        {{ok, ok, "-ERR\r\n"}, "Bad Password Name", false},
        {{ok, ok, ok, "+OK 2 100\r\n"}, "", true},
        {{ok, ok, "-ERR\r\n"}, "Bad Password Name", true},
    };
    for (const auto& step : restarts) {
        SCOPED_TRACE(step.failure);
        MailWatch next(host); // a new run of the program
        next.setTimeoutMs(300);
        next.RestoreFromFile();
        ASSERT_TRUE(next.watching());
        QSignalSpy told(&next, &MailWatch::failureChanged);
        server.setReplies(step.replies);
        Check(next);
        ASSERT_EQ(told.size(), 1);
        EXPECT_EQ(told[0][0].toString(), QLatin1String(step.failure));
        EXPECT_EQ(told[0][1].toBool(), step.tell);
        EXPECT_EQ(next.StatusText().startsWith(QStringLiteral("mail: Bad")), *step.failure != 0);
    }
}

// The program loads the sessions and the secret store from a module: one it cannot load
// fails the check and the store with the reason, in the usual failure path.
TEST(MailWatch, WithoutTheMailSupportTheCheckAndTheStoreSayWhy)
{
    EnsureCoreApp();
    TempDataFolder data;
    const QString junk = QString::fromStdString(g_dataFolder) + QStringLiteral("quillby-mail.so");
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a library");
    file.close();
    const struct {
        QString file;
        QString why; // after "The mail support could not be loaded: "
    } cases[] = {
        {QStringLiteral("/nonexistent/quillby-mail.so"), QStringLiteral("not found: /nonexistent/quillby-mail.so")},
        {junk, junk + QStringLiteral(": file too short")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        mail::setSupport(nullptr);
        mail::setSupportModuleFiles({c.file});
        const QString text = mail::SupportFailureText(c.why);
        EXPECT_TRUE(text.startsWith(QStringLiteral("The mail support could not be loaded: "))) << text.toStdString();

        FakeHost host;
        MailWatch watch(host);
        QSignalSpy changed(&watch, &MailWatch::failureChanged);
        {
            FakeSecretStore secrets;
            watch.Configure({"bob", "pw", "127.0.0.1:1", 600, -1});
            Check(watch);
        }
        ASSERT_EQ(changed.size(), 1);
        EXPECT_EQ(changed[0][0].toString(), text);
        EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: ") + text);

        std::optional<mail::SecretError> error;
        QObject context;
        mail::supportSecretStore().readPassword(QStringLiteral("bob@host"), &context,
                                                [&](std::optional<std::string>, mail::SecretError e) { error = e; });
        for (int i = 0; i < 200 && !error; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->kind, mail::SecretError::Kind::Failed);
        EXPECT_EQ(error->text, text);
    }
    mail::setSupport(&mail::SupportTable());
}

TEST(MailWatch, CheckSoonBringsTheCheckForwardOrFetchesTheMissingPassword)
{
    EnsureCoreApp();
    TempDataFolder data;
    FakeSecretStore secrets;
    FakeHost host;
    {
        MailWatch watch(host);
        watch.CheckSoon(); // nothing to check: nothing starts
        EXPECT_FALSE(watch.timerActive(MailWatch::kCheckTimer));
        watch.setFirstCheckMs(3600 * 1000);
        watch.Configure({"bob", "pw", "127.0.0.1:1", 3600, -1});
        watch.setSoonMs(0);
        watch.CheckSoon();
        EXPECT_TRUE(watch.timerActive(MailWatch::kCheckTimer));
        // The watch's own timer 7 now fires at once instead of in an hour.
        QSignalSpy finished(&watch, &MailWatch::checkFinished);
        ASSERT_TRUE(finished.wait(5000));
        EXPECT_TRUE(watch.timerActive(MailWatch::kRetryTimer)); // the check ran (port 1 is closed)
    }
    // A password the locked store could not give: asked once, read again when the store
    // may have opened, and the watch starts then.
    secrets.passwords.clear();
    MailWatch again(host);
    host.asked.clear();
    again.RestoreFromFile();
    ASSERT_EQ(host.asked.size(), 1);
    EXPECT_TRUE(host.asked[0].startsWith(QStringLiteral("The mailbox password could not be read from the desktop's "
                                                        "secret store (none).")));
    EXPECT_EQ(again.StatusText(), QStringLiteral("mail: off (the password is needed)"));
    ASSERT_TRUE(secrets.unlocked);
    secrets.unlocked(); // still locked
    EXPECT_FALSE(again.watching());
    EXPECT_EQ(host.asked.size(), 1);
    secrets.passwords[mail::SecretKey("bob", "127.0.0.1:1")] = "pw";
    secrets.unlocked();
    EXPECT_TRUE(again.watching());
    EXPECT_EQ(again.settings().password, "pw");

    // The same through CheckSoon (a resume, the network back).
    MailWatch third(host);
    secrets.passwords.clear();
    third.RestoreFromFile();
    EXPECT_FALSE(third.watching());
    secrets.passwords[mail::SecretKey("bob", "127.0.0.1:1")] = "pw";
    third.CheckSoon();
    EXPECT_TRUE(third.watching());
}

TEST(MailWatch, ALockedStoreIsSaidAndWaitedForOtherMissingPasswordsAreAskedFor)
{
    EnsureCoreApp();
    TempDataFolder data;
    FakeSecretStore secrets;
    WriteMailboxFile({"bob", "", "127.0.0.1:1", 600, 3}); // an earlier run's mailbox
    using Kind = mail::SecretError::Kind;
    const struct {
        Kind kind;
        const char* said; // reported when locked, asked with the password field otherwise
        const char* status;
    } cases[] = {
        {Kind::Locked, "cannot be read because the secret store is locked. The mail check starts as soon as",
         "mail: off (the secret store is locked)"},
        {Kind::NotStored, "(no password is stored for this mailbox). Please enter it again.",
         "mail: off (the password is needed)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        secrets.passwords.clear();
        secrets.missing = mail::SecretError::of(c.kind);
        FakeHost host;
        MailWatch watch(host);
        watch.RestoreFromFile();
        watch.CheckSoon(); // asked again: still said once
        EXPECT_FALSE(watch.watching());
        EXPECT_EQ(watch.StatusText(), QLatin1String(c.status));
        const QStringList& said = c.kind == Kind::Locked ? host.problems : host.asked;
        ASSERT_EQ(host.asked.size() + host.problems.size(), 1);
        ASSERT_EQ(said.size(), 1);
        EXPECT_TRUE(said[0].contains(QLatin1String(c.said))) << said[0].toStdString();
        // Whatever the reason, the store's opening brings the watch up.
        secrets.passwords[mail::SecretKey("bob", "127.0.0.1:1")] = "pw";
        ASSERT_TRUE(secrets.unlocked);
        secrets.unlocked();
        EXPECT_TRUE(watch.watching());
        EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: first check pending"));
    }
}

TEST(NetworkReturn, OnlyARiseToOnlineFromAKnownLowerStateIsAReturn)
{
    EnsureCoreApp();
    using R = NetworkReturn::Reachability;
    const struct { std::vector<R> reports; int returns; } cases[] = {
        {{R::Online}, 0}, // the backend's first answer
        {{R::Disconnected, R::Online}, 1},
        {{R::Disconnected, R::Local, R::Site, R::Online}, 1},
        {{R::Online, R::Online}, 0},
        {{R::Disconnected, R::Online, R::Disconnected, R::Online}, 2},
        {{R::Disconnected, R::Unknown, R::Online}, 0},
        {{R::Site, R::Online, R::Online}, 1},
    };
    for (const auto& c : cases) {
        NetworkReturn network;
        QSignalSpy back(&network, &NetworkReturn::back);
        for (const R r : c.reports)
            network.onReachability(r);
        EXPECT_EQ(back.size(), c.returns);
    }
}

} // namespace
