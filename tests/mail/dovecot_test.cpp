// The client and the watch against a real Dovecot, started here on a loopback port with
// its own configuration and a maildir whose message count the test changes.
#include "core_app.h"
#include "mail/imap_client.h"
#include "mail/mail_watch.h"
#include "mail/pop3_client.h"
#include "mail/secret_store.h"
#include "mail/tls_memory.h"
#include "support/temp_data_folder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSslCertificate>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

void WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

class Dovecot {
public:
    Dovecot()
    {
        m_binary = QStandardPaths::findExecutable(QStringLiteral("dovecot"),
                                                  {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
        if (m_binary.isEmpty())
            m_binary = QStandardPaths::findExecutable(QStringLiteral("dovecot"));
    }
    ~Dovecot() { stop(); }
    bool found() const { return !m_binary.isEmpty(); }
    // Debian's dovecot-imapd is installed.
    static bool hasImap()
    {
        return QFile::exists(QStringLiteral("/usr/lib/dovecot/imap"))
            || QFile::exists(QStringLiteral("/usr/libexec/dovecot/imap"));
    }
    // Ends the server with every mail process it started, as a restart does: left to
    // themselves, the processes of open sessions notice the master's end only 7-10 s later.
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(-static_cast<pid_t>(m_process.processId()), SIGTERM);
            m_process.waitForFinished(5000);
        }
    }

    // Makes a test CA and a certificate for 127.0.0.1 signed by it; false without openssl.
    bool makeCertificates()
    {
        const QString dir = m_dir.path();
        const auto run = [](const QStringList& arguments) {
            QProcess openssl;
            openssl.start(QStringLiteral("openssl"), arguments);
            return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
        };
        WriteText(dir + QStringLiteral("/san.cnf"), "subjectAltName=IP:127.0.0.1\n");
        return run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                    QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                    QStringLiteral("/CN=Quillby Test CA"), QStringLiteral("-keyout"), dir + QStringLiteral("/ca.key"),
                    QStringLiteral("-out"), caPath()})
            && run({QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                    QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"),
                    dir + QStringLiteral("/key.pem"), QStringLiteral("-out"), dir + QStringLiteral("/server.csr")})
            && run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), dir + QStringLiteral("/server.csr"),
                    QStringLiteral("-CA"), caPath(), QStringLiteral("-CAkey"), dir + QStringLiteral("/ca.key"),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-extfile"), dir + QStringLiteral("/san.cnf"), QStringLiteral("-out"),
                    certificatePath()});
    }

    // Starts it with a plain listener (offering STLS when tls) and, with tls, a TLS
    // listener; false (with the log) on failure. Started again, it keeps its plain port.
    bool start(std::string& why, bool tls = true)
    {
        const QString dir = m_dir.path();
        // Mail processes may not run as root: as root they run as "nobody" over a
        // folder everyone may enter.
        const bool root = ::geteuid() == 0;
        const passwd* mailUser = root ? ::getpwnam("nobody") : ::getpwuid(::geteuid());
        const passwd* self = ::getpwuid(::geteuid());
        const passwd* internal = root ? ::getpwnam("dovenull") : self;
        if (!mailUser || !self || !internal) {
            why = "no user to run the mail processes as";
            return false;
        }
        ::chmod(dir.toLocal8Bit().constData(), 0755);
        QDir().mkpath(dir + QStringLiteral("/run"));
        QDir().mkpath(dir + QStringLiteral("/state"));
        for (const char* sub : {"", "/alice", "/alice/cur", "/alice/new", "/alice/tmp"}) {
            const QString path = dir + QStringLiteral("/mail") + QLatin1String(sub);
            QDir().mkpath(path);
            [[maybe_unused]] const int r = ::chown(path.toLocal8Bit().constData(), mailUser->pw_uid, mailUser->pw_gid);
        }
        WriteText(dir + QStringLiteral("/passwd"), "alice:{PLAIN}s3cret::::::\n");
        const bool haveCertificate = tls && makeCertificates();
        m_tlsPort = haveCertificate ? FreePort() : 0;
        if (m_port == 0)
            m_port = FreePort();
        m_imapPort = hasImap() ? FreePort() : 0;
        m_imapTlsPort = hasImap() && haveCertificate ? FreePort() : 0;
        const gid_t internalGroup = internal->pw_gid;
        const group* internalGroupEntry = ::getgrgid(internalGroup);
        QString config = QStringLiteral(
            "protocols = pop3%9\n"
            "listen = 127.0.0.1\n"
            "base_dir = %1/run\n"
            "state_dir = %1/state\n"
            "log_path = %1/dovecot.log\n"
            "default_internal_user = %2\n"
            "default_internal_group = %3\n"
            "default_login_user = %2\n"
            "first_valid_uid = 1\n"
            "auth_failure_delay = 0\n"
            "disable_plaintext_auth = no\n"
            "mail_location = maildir:%1/mail/%u\n"
            "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u %1/passwd\n}\n"
            "userdb {\n  driver = static\n  args = uid=%4 gid=%5 home=%1/mail/%u\n}\n"
            "service pop3-login {\n  chroot =\n"
            "  inet_listener pop3 {\n    port = %6\n  }\n"
            "  inet_listener pop3s {\n    port = %7\n    ssl = %8\n  }\n}\n"
            "service imap-login {\n  chroot =\n"
            "  inet_listener imap {\n    port = %10\n  }\n"
            "  inet_listener imaps {\n    port = %11\n    ssl = %8\n  }\n}\n"
            "service anvil {\n  chroot =\n}\n")
            .arg(dir, QString::fromLocal8Bit(internal->pw_name),
                 QString::fromLocal8Bit(internalGroupEntry ? internalGroupEntry->gr_name : internal->pw_name))
            .arg(mailUser->pw_uid)
            .arg(mailUser->pw_gid)
            .arg(m_port)
            .arg(m_tlsPort)
            .arg(haveCertificate ? QStringLiteral("yes") : QStringLiteral("no"))
            .arg(hasImap() ? QStringLiteral(" imap") : QString())
            .arg(m_imapPort)
            .arg(m_imapTlsPort);
        if (haveCertificate)
            config += QStringLiteral("ssl = yes\nssl_cert = <%1\nssl_key = <%2/key.pem\n").arg(certificatePath(), dir);
        else
            config += QStringLiteral("ssl = no\n");
        WriteText(dir + QStringLiteral("/dovecot.conf"), config.toUtf8());
        return launch(why);
    }

    // Starts it (again) with the configuration start wrote.
    bool launch(std::string& why)
    {
        const QString dir = m_dir.path();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
        m_process.start(m_binary, {QStringLiteral("-F"), QStringLiteral("-c"), dir + QStringLiteral("/dovecot.conf")});
        for (int i = 0; i < 100; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(100))
                return true;
            if (m_process.state() == QProcess::NotRunning)
                break;
            QThread::msleep(50);
        }
        QFile log(dir + QStringLiteral("/dovecot.log"));
        log.open(QIODevice::ReadOnly);
        why = (m_process.readAll() + log.readAll()).toStdString();
        return false;
    }

    // A new key and certificate (and a new CA) on the same ports, as after a renewal.
    bool renewCertificate(std::string& why)
    {
        stop();
        if (!makeCertificates()) {
            why = "openssl could not make a test certificate";
            return false;
        }
        return launch(why);
    }
    // The server certificate's fingerprint as openssl x509 -fingerprint -sha256 prints it.
    QString opensslFingerprint() const
    {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"), {QStringLiteral("x509"), QStringLiteral("-in"), certificatePath(),
                                                  QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                                                  QStringLiteral("-sha256")});
        openssl.waitForFinished(30000);
        return QString::fromLatin1(openssl.readAllStandardOutput()).trimmed().section(QLatin1Char('='), 1);
    }

    // Delivers one message into the mailbox.
    void deliver()
    {
        static int serial = 0;
        const QString name = QStringLiteral("%1/new/%2.M%3P%4.quillby").arg(maildir()).arg(1700000000 + serial).arg(serial).arg(::getpid());
        ++serial;
        WriteText(name, "From: a@example.org\r\nSubject: hello\r\n\r\nHi.\r\n");
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            [[maybe_unused]] const int r = ::chown(name.toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid);
        }
    }

    // The log's login lines for alice (Dovecot writes ", TLS," into those made over TLS).
    QStringList loginLines() const { return logLines("Login: user=<alice>"); }
    QStringList logLines(const QByteArray& part) const
    {
        QFile log(m_dir.path() + QStringLiteral("/dovecot.log"));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (line.contains(part))
                lines << QString::fromUtf8(line);
        }
        return lines;
    }
    // Waits for the log to hold count login lines; the log is written by another process.
    QStringList waitForLogins(qsizetype count) const { return waitForLines("Login: user=<alice>", count); }
    QStringList waitForLines(const QByteArray& part, qsizetype count) const
    {
        QStringList lines;
        for (int i = 0; i < 100 && (lines = logLines(part)).size() < count; ++i)
            QThread::msleep(50);
        return lines;
    }

    QString maildir() const { return m_dir.path() + QStringLiteral("/mail/alice"); }
    QString certificatePath() const { return m_dir.path() + QStringLiteral("/cert.pem"); }
    QString caPath() const { return m_dir.path() + QStringLiteral("/ca.pem"); }
    QList<QByteArray> ca() const
    {
        QFile file(caPath());
        return {file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()};
    }
    QString server() const { return QStringLiteral("pop3://127.0.0.1:%1").arg(m_port); }
    quint16 tlsPort() const { return m_tlsPort; }
    QString imapServer() const { return QStringLiteral("imap://127.0.0.1:%1").arg(m_imapPort); }
    QString imapTlsServer() const { return QStringLiteral("imaps://127.0.0.1:%1").arg(m_imapTlsPort); }
    // The IMAP-over-TLS port as a user types it, without a scheme.
    QString imapTlsHostPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_imapTlsPort); }

private:
    QString m_binary;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    quint16 m_imapPort = 0;
    quint16 m_imapTlsPort = 0;
};

class NoHost final : public MailHost {
public:
    void announceNewMail() override { ++announcements; }
    void askForMailboxPassword(const QString&) override {}
    void reportMailProblem(const QString&) override {}
    int announcements = 0;
};

void Check(MailWatch& watch)
{
    QSignalSpy finished(&watch, &MailWatch::checkFinished);
    watch.OnTimer(MailWatch::kCheckTimer);
    ASSERT_TRUE(finished.wait(10000));
}

// A Dovecot of its own for each test, with TLS unless the test says otherwise.
class DovecotPop3 : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureCoreApp();
        if (!dovecot.found())
            GTEST_SKIP() << "dovecot not found (Debian package dovecot-pop3d)";
        std::string why;
        ASSERT_TRUE(dovecot.start(why, withTls())) << why;
        if (withTls() && dovecot.tlsPort() == 0)
            GTEST_SKIP() << "openssl could not make a test certificate";
    }
    virtual bool withTls() const { return true; }
    Dovecot dovecot;
};

class DovecotPop3Plain : public DovecotPop3 {
protected:
    bool withTls() const override { return false; }
};

TEST_F(DovecotPop3, CountsTheMailboxAndAnnouncesAGrownOneOnce)
{
    TempDataFolder data;
    dovecot.deliver();
    dovecot.deliver();

    NoHost host;
    MailWatch watch(host);
    watch.setExtraCaCertificates(dovecot.ca());
    watch.Configure({"alice", "s3cret", dovecot.server().toStdString(), 60, -1});
    Check(watch);
    // Dovecot offers STLS on its plain port: the login went over TLS.
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: 2 messages (POP3, encrypted)"));
    EXPECT_TRUE(watch.encrypted());
    const QStringList logins = dovecot.waitForLogins(1);
    ASSERT_EQ(logins.size(), 1);
    EXPECT_TRUE(logins[0].contains(QLatin1String(", TLS"))) << logins[0].toStdString();
    EXPECT_EQ(host.announcements, 0);
    Check(watch);
    EXPECT_EQ(host.announcements, 0);
    dovecot.deliver();
    Check(watch);
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: 3 messages (POP3, encrypted)"));
    EXPECT_EQ(host.announcements, 1);
    EXPECT_EQ(ReadMailboxFile()->lastMailCount, 3);

    watch.Configure({"alice", "wrong", dovecot.server().toStdString(), 60, -1});
    Check(watch);
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: Bad Password Name"));
    watch.Configure({"mallory", "s3cret", dovecot.server().toStdString(), 60, -1});
    Check(watch);
    EXPECT_EQ(watch.errorKind(), MailWatch::kLoginFailed);
}

TEST_F(DovecotPop3, TlsChecksTheCertificate)
{
    dovecot.deliver();
    const MailServer endpoint{MailServer::Protocol::Pop3, QStringLiteral("127.0.0.1"), dovecot.tlsPort(), true};
    // The authority as bytes: PEM as the file holds it, or DER.
    const QList<QByteArray> pem = dovecot.ca();
    const QList<QByteArray> der{QSslCertificate::fromData(pem.value(0)).value(0).toDer()};
    ASSERT_FALSE(der[0].isEmpty());
    const struct {
        QList<QByteArray> ca;
        bool trusted;
    } cases[] = {{{}, false}, {{QByteArray("not a certificate")}, false}, {pem, true}, {der, true}};
    for (const auto& [ca, trusted] : cases) {
        CPop3Client client;
        client.setExtraCaCertificates(ca);
        QSignalSpy connected(&client, &CPop3Client::connectFinished);
        client.Connect(endpoint, "alice", "s3cret");
        ASSERT_TRUE(connected.wait(10000));
        EXPECT_EQ(connected[0][0].toInt(), trusted ? 1 : 0) << client.ErrorText().toStdString();
        if (!trusted) {
            EXPECT_TRUE(client.ErrorText().startsWith(QStringLiteral("Server cannot be connected: ")));
            continue;
        }
        QSignalSpy stat(&client, &CPop3Client::statFinished);
        client.Stat();
        ASSERT_TRUE(stat.wait(10000));
        EXPECT_EQ(client.GetMessageCount(), 1);
    }
}

TEST_F(DovecotPop3, StlsWithAnUntrustedCertificateNeverLogsInInClear)
{
    TempDataFolder data;
    NoHost host;
    MailWatch watch(host); // the test CA is not trusted
    watch.Configure({"alice", "s3cret", dovecot.server().toStdString(), 60, -1});
    Check(watch);
    EXPECT_EQ(watch.errorKind(), MailWatch::kLoginFailed);
    EXPECT_TRUE(watch.lastError().startsWith(QStringLiteral("Encrypted connection (STLS) failed: ")))
        << watch.lastError().toStdString();
    EXPECT_TRUE(dovecot.loginLines().isEmpty());
}

TEST_F(DovecotPop3, AServerThatStopsOfferingStlsNeverGetsThePassword)
{
    TempDataFolder data;
    dovecot.deliver();
    NoHost host;
    MailWatch watch(host);
    watch.setExtraCaCertificates(dovecot.ca());
    const MailboxSettings settings{"alice", "s3cret", dovecot.server().toStdString(), 60, -1};
    watch.Configure(settings);
    Check(watch);
    ASSERT_TRUE(watch.encrypted());
    EXPECT_TRUE(mail::TlsRemembered("alice", settings.server));

    // The same server on the same port, now without STLS, as a man in the middle shows it.
    std::string why;
    dovecot.stop();
    ASSERT_TRUE(dovecot.start(why, false)) << why;
    Check(watch);
    EXPECT_EQ(watch.lastError(), QLatin1String(mail::kTlsStrippedText));
    // Dovecot saw the connection end before any login attempt (the two others are the
    // start-up probes of each run).
    const QStringList closed = dovecot.waitForLines("no auth attempts", 3);
    ASSERT_EQ(closed.size(), 3) << dovecot.logLines("pop3-login").join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dovecot.loginLines().size(), 1);

    // Saved again: the user takes the server as it is.
    watch.Configure(settings);
    Check(watch);
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: 1 messages (POP3, not encrypted)"));
}

TEST_F(DovecotPop3Plain, WithoutStlsThePlainLoginStillWorksAndSaysSo)
{
    TempDataFolder data;
    dovecot.deliver();
    NoHost host;
    MailWatch watch(host);
    watch.Configure({"alice", "s3cret", dovecot.server().toStdString(), 60, -1});
    Check(watch);
    EXPECT_EQ(watch.StatusText(), QStringLiteral("mail: 1 messages (POP3, not encrypted)"));
    const QStringList logins = dovecot.waitForLogins(1);
    ASSERT_EQ(logins.size(), 1);
    EXPECT_FALSE(logins[0].contains(QLatin1String(", TLS"))) << logins[0].toStdString();
}

// IMAP: one Dovecot for all of these.
class DovecotImap : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        EnsureCoreApp();
        s_dovecot = new Dovecot;
        if (!s_dovecot->found() || !Dovecot::hasImap())
            return;
        std::string why;
        s_started = s_dovecot->start(why);
        if (!s_started)
            ADD_FAILURE() << why;
    }
    static void TearDownTestSuite()
    {
        delete s_dovecot;
        s_dovecot = nullptr;
    }
    void SetUp() override
    {
        if (!s_dovecot->found() || !Dovecot::hasImap())
            GTEST_SKIP() << "dovecot not found (Debian packages dovecot-pop3d, dovecot-imapd)";
        ASSERT_TRUE(s_started);
        if (s_dovecot->tlsPort() == 0)
            GTEST_SKIP() << "openssl could not make a test certificate";
    }
    static Dovecot* s_dovecot;
    static bool s_started;
};
Dovecot* DovecotImap::s_dovecot = nullptr;
bool DovecotImap::s_started = false;

TEST_F(DovecotImap, Port993AndStartTlsLogInOverTlsAnUntrustedCertificateNotAtAll)
{
    Dovecot& dovecot = *s_dovecot;
    dovecot.deliver();
    const qsizetype before = dovecot.loginLines().size();
    const struct { QString server; bool trusted; const char* error; } cases[] = {
        {dovecot.imapTlsServer(), false, "Server cannot be connected: "},
        {dovecot.imapServer(), false, "Encrypted connection (STARTTLS) failed: "},
        {dovecot.imapTlsServer(), true, ""},
        {dovecot.imapServer(), true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server.toStdString());
        CImapClient client;
        if (c.trusted)
            client.setExtraCaCertificates(dovecot.ca());
        QSignalSpy connected(&client, &MailSession::connectFinished);
        client.Connect(*ParseMailServer(c.server), "alice", "s3cret");
        ASSERT_TRUE(connected.wait(10000));
        EXPECT_EQ(client.ErrorText().toStdString().rfind(c.error, 0), 0u) << client.ErrorText().toStdString();
        if (!c.trusted) {
            EXPECT_EQ(connected[0][0].toInt(), 0);
            EXPECT_EQ(dovecot.loginLines().size(), before); // no login at all
            continue;
        }
        ASSERT_EQ(connected[0][0].toInt(), 1);
        EXPECT_TRUE(client.Encrypted());
        QSignalSpy stat(&client, &MailSession::statFinished);
        client.Stat();
        ASSERT_TRUE(stat.wait(10000));
        EXPECT_EQ(stat[0][0].toInt(), 1) << client.ErrorText().toStdString();
        EXPECT_GE(client.GetMessageCount(), 1);
        EXPECT_TRUE(client.Stays()); // Dovecot offers IDLE
    }
    const QStringList logins = dovecot.waitForLogins(before + 2);
    ASSERT_EQ(logins.size(), before + 2);
    for (qsizetype i = before; i < logins.size(); ++i) {
        EXPECT_TRUE(logins[i].contains(QLatin1String("imap-login"))) << logins[i].toStdString();
        EXPECT_TRUE(logins[i].contains(QLatin1String(", TLS"))) << logins[i].toStdString();
    }
}

class TimingHost final : public MailHost {
public:
    void announceNewMail() override
    {
        ++announcements;
        lastMs = since.elapsed();
    }
    void askForMailboxPassword(const QString&) override {}
    void reportMailProblem(const QString&) override {}
    int announcements = 0;
    qint64 lastMs = -1;
    QElapsedTimer since;
};

TEST_F(DovecotImap, IdleAnnouncesADeliveryWithinTheBurstAlsoAfterARestart)
{
    Dovecot& dovecot = *s_dovecot;
    TempDataFolder data;
    TimingHost host;
    MailWatch watch(host);
    watch.setExtraCaCertificates(dovecot.ca());
    watch.setFirstReconnectMs(200);
    watch.Configure({"alice", "s3cret", dovecot.imapServer().toStdString(), 60, -1});
    Check(watch);
    ASSERT_EQ(watch.errorKind(), MailWatch::kNoError) << watch.lastError().toStdString();
    EXPECT_TRUE(watch.encrypted());
    ASSERT_TRUE(watch.idling());
    const int first = watch.mailCount();

    const auto deliverAndTime = [&](int announcements) {
        host.since.start();
        dovecot.deliver();
        EXPECT_TRUE(QTest::qWaitFor([&] { return host.announcements == announcements; }, 10000));
        std::printf("[ measured ] delivery to announcement with IDLE: %lld ms\n", static_cast<long long>(host.lastMs));
        EXPECT_LT(host.lastMs, MailWatch::kBurstMs + 1000); // the server's push and the burst's wait
    };
    deliverAndTime(1);
    EXPECT_EQ(watch.mailCount(), first + 1);
    EXPECT_EQ(ReadMailboxFile()->lastMailCount, first + 1);

    // The server goes away while we idle and comes back: reconnected, and the next
    // delivery is announced as fast.
    dovecot.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watch.idling(); }, 10000));
    std::string why;
    ASSERT_TRUE(dovecot.launch(why)) << why;
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.idling(); }, 20000)) << watch.lastError().toStdString();
    EXPECT_EQ(host.announcements, 1);
    deliverAndTime(2);
    EXPECT_EQ(watch.mailCount(), first + 2);
}

// A server whose certificate comes from a private CA that the system does not know, on an
// IMAP-over-TLS port typed without a scheme: the protocol is found, the failure names the
// certificate as openssl does, trusting it lets the check through, a renewed certificate
// fails again; SSL_CERT_FILE naming the CA is enough by itself.
TEST_F(DovecotImap, APrivateCertificateIsNamedTrustedOnceAndTrustedThroughSslCertFile)
{
    Dovecot& dovecot = *s_dovecot;
    const QByteArray savedFile = qgetenv("SSL_CERT_FILE");
    const QByteArray savedDir = qgetenv("SSL_CERT_DIR");
    qunsetenv("SSL_CERT_FILE");
    qunsetenv("SSL_CERT_DIR");
    TempDataFolder data;
    NoHost host;
    const MailboxSettings settings{"alice", "s3cret", dovecot.imapTlsHostPort().toStdString(), 60, -1};
    MailWatch watch(host);
    watch.setFirstReconnectMs(200);
    QSignalSpy failures(&watch, &MailWatch::failureChanged);
    watch.Configure(settings);
    Check(watch);
    ASSERT_EQ(watch.errorKind(), MailWatch::kLoginFailed);
    const QString fingerprint = dovecot.opensslFingerprint();
    ASSERT_EQ(fingerprint.size(), 32 * 3 - 1) << fingerprint.toStdString();
    EXPECT_EQ(watch.untrustedCertificate(), fingerprint);
    for (const QString& shown : {watch.lastError(), watch.StatusText(), watch.TooltipLine()})
        EXPECT_TRUE(shown.contains(fingerprint) && shown.contains(QLatin1String("not trusted"))) << shown.toStdString();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0][1].toBool());

    ASSERT_TRUE(watch.TrustCertificate());
    Check(watch);
    ASSERT_EQ(watch.errorKind(), MailWatch::kNoError) << watch.lastError().toStdString();
    EXPECT_TRUE(watch.StatusText().endsWith(QLatin1String(" messages (IMAP, encrypted)"))) << watch.StatusText().toStdString();
    EXPECT_TRUE(watch.untrustedCertificate().isEmpty());

    // Renewed (the idle session is lost and comes back): the new one is not trusted.
    std::string why;
    ASSERT_TRUE(dovecot.renewCertificate(why)) << why;
    const QString renewed = dovecot.opensslFingerprint();
    ASSERT_NE(renewed, fingerprint);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.untrustedCertificate() == renewed; }, 20000))
        << watch.StatusText().toStdString();
    EXPECT_TRUE(watch.lastError().contains(renewed));

    // The CA by SSL_CERT_FILE alone, without any certificate trusted in the program.
    qputenv("SSL_CERT_FILE", dovecot.caPath().toLocal8Bit());
    MailWatch second(host);
    second.Configure(settings);
    Check(second);
    EXPECT_EQ(second.errorKind(), MailWatch::kNoError) << second.lastError().toStdString();
    EXPECT_TRUE(second.encrypted());
    qputenv("SSL_CERT_FILE", savedFile);
    qputenv("SSL_CERT_DIR", savedDir);
    if (savedFile.isEmpty())
        qunsetenv("SSL_CERT_FILE");
    if (savedDir.isEmpty())
        qunsetenv("SSL_CERT_DIR");
}

} // namespace
