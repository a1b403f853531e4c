#include "mail/mail_watch.h"

#include "core/globals.h"
#include "mail/mail_support.h"
#include "platform/clock.h"
#include "mail/secret_store.h"
#include "mail/tls_memory.h"
#include "sound/sound_table.h"

#include <QTimer>
#include <algorithm>
#include <exception>

namespace {

// The session reports from inside its socket's signals; it goes away on the next turn
// (an IMAP one after LOGOUT).
void closeSession(MailSession* session)
{
    if (session) {
        session->disconnect();
        session->Close();
    }
}

// Deleted at once: no event loop may be left to run a deferred delete.
void deleteSession(std::unique_ptr<MailSession, void (*)(MailSession*)>& owned)
{
    if (MailSession* session = owned.release()) {
        session->disconnect();
        session->Close();
        delete session;
    }
}

// "Server cannot be connected: <socket error>" is one kind whatever the details; a
// certificate's is one kind per certificate.
QString failureKind(const QString& text, const QByteArray& certificate)
{
    const QString kind = text.section(QStringLiteral(": "), 0, 0);
    return certificate.isEmpty() ? kind : kind + QLatin1Char(' ') + QString::fromLatin1(certificate);
}

QString fingerprintOf(const QByteArray& sha256Hex)
{
    return QString::fromLatin1(QByteArray::fromHex(sha256Hex).toHex(':').toUpper());
}

} // namespace

MailWatch::MailWatch(MailHost& host, QObject* parent)
    : QObject(parent),
      m_host(host),
      m_client(nullptr, &closeSession),
      m_idle(nullptr, &closeSession),
      m_checkTimer(new QTimer(this)),
      m_retryTimer(new QTimer(this)),
      m_followTimer(new QTimer(this)),
      m_burstTimer(new QTimer(this)),
      m_timeoutMs(MailSession::kDefaultTimeoutMs)
{
    connect(m_checkTimer, &QTimer::timeout, this, [this] { OnTimer(kCheckTimer); });
    connect(m_retryTimer, &QTimer::timeout, this, [this] { OnTimer(kRetryTimer); });
    connect(m_followTimer, &QTimer::timeout, this, [this] { OnTimer(kFollowTimer); });
    m_burstTimer->setSingleShot(true);
    connect(m_burstTimer, &QTimer::timeout, this, &MailWatch::onBurstEnd);
}

MailWatch::~MailWatch()
{
    deleteSession(m_client);
    deleteSession(m_idle);
}

int MailWatch::intervalMs() const
{
    return std::max(60, m_settings.intervalSeconds) * 1000;
}

bool MailWatch::watching() const
{
    return m_checkTimer->isActive() || checking() || idling();
}

bool MailWatch::timerActive(int timerId) const
{
    switch (timerId) {
    case kCheckTimer:
        return m_checkTimer->isActive();
    case kRetryTimer:
        return m_retryTimer->isActive();
    case kFollowTimer:
        return m_followTimer->isActive();
    default:
        return false;
    }
}

void MailWatch::RestoreFromFile()
{
    const std::optional<StoredMailbox> stored = ReadMailboxFile();
    if (!stored)
        return;
    m_settings.user = stored->user;
    m_settings.server = stored->server;
    m_settings.intervalSeconds = stored->minutes * 60;
    m_settings.lastMailCount = stored->lastMailCount;
    m_settings.password.clear();
    g_mailClientPath = stored->mailClientPath;
    m_writtenLine = FormatMailboxLine(m_settings, g_mailClientPath);
    readPassword();
}

void MailWatch::readPassword()
{
    m_waitingForPassword = true;
    const MailboxSettings asked = m_settings;
    mail::secretStore().readPassword(
        mail::SecretKey(asked.user, asked.server), this,
        [this, asked](std::optional<std::string> password, const mail::SecretError& error) {
            // Settings given in the dialog meanwhile win over the stored ones.
            if (!m_waitingForPassword || m_settings.user != asked.user || m_settings.server != asked.server
                || watching())
                return;
            if (!password)
                return passwordMissing(error);
            m_waitingForPassword = false;
            m_storeLocked = false;
            m_settings.password = *password;
            startWatching();
        });
}

void MailWatch::passwordMissing(const mail::SecretError& error)
{
    // A locked store may open later: the check that had no password runs then.
    if (!m_followingStore) {
        m_followingStore = true;
        mail::secretStore().watchForUnlock(this, [this] {
            if (m_waitingForPassword)
                readPassword();
        });
    }
    m_storeLocked = error.kind == mail::SecretError::Kind::Locked;
    if (m_storeLocked) {
        // The password is there: asking for it again would be the wrong cue.
        if (!m_toldLocked) {
            m_toldLocked = true;
            m_host.reportMailProblem(tr("The mailbox password cannot be read because %1. The mail "
                                                    "check starts as soon as the store is unlocked.")
                                         .arg(error.text));
        }
        return;
    }
    if (!m_askedForPassword) {
        m_askedForPassword = true;
        m_host.askForMailboxPassword(tr("The mailbox password could not be read from the desktop's "
                                                    "secret store (%1). Please enter it again.")
                                         .arg(error.text));
    }
}

void MailWatch::Configure(const MailboxSettings& settings)
{
    const bool sameMailbox = settings.user == m_settings.user && settings.server == m_settings.server;
    const int lastCount = sameMailbox ? m_settings.lastMailCount : -1;
    m_settings = settings;
    m_settings.lastMailCount = lastCount;
    // Saving the settings is the user's word that this server may be used as it is now.
    mail::ForgetTls(m_settings.user, m_settings.server);
    m_waitingForPassword = false;
    m_storeLocked = false;
    if (!sameMailbox) {
        m_mailCount = -1;
        m_haveResult = false;
        m_untrustedSha256.clear();
    }
    m_serverKnown = false;
    m_idleEndsAtOnce = false;
    startWatching();
    mail::secretStore().writePassword(mail::SecretKey(m_settings.user, m_settings.server), m_settings.password, this,
                                      [this](const QString& error) {
                                          if (error.isEmpty())
                                              return;
                                          m_host.reportMailProblem(
                                              tr("The password could not be kept in the desktop's "
                                                             "secret store (%1). It is used for this run only; "
                                                             "enter it again after the next start.")
                                                  .arg(error));
                                      });
    m_writtenLine.clear();
    WriteMailboxFile(m_settings);
    m_writtenLine = FormatMailboxLine(m_settings, g_mailClientPath);
}

void MailWatch::startWatching()
{
    // A check of the old settings finishes into nothing.
    m_client.reset();
    m_burstTimer->stop();
    dropIdle();
    m_checkTimer->start(m_firstCheckMs);
}

void MailWatch::CheckSoon()
{
    if (m_waitingForPassword)
        return readPassword();
    // After a suspend or a network change the idle connection may be dead without a sign.
    if (idling()) {
        dropIdle();
        m_checkTimer->start(m_soonMs);
        return;
    }
    // Not watching (no mailbox or no password), or a check runs right now.
    if (!m_checkTimer->isActive() || checking())
        return;
    if (m_checkTimer->remainingTime() > m_soonMs)
        m_checkTimer->start(m_soonMs);
}

bool MailWatch::FollowNetwork()
{
    m_followingNetwork = true;
    const mail::Support* support = mail::support();
    return support && support->followNetwork(this, [this] { CheckSoon(); });
}

void MailWatch::StopFollowUpTimers()
{
    m_retryTimer->stop();
    m_followTimer->stop();
}

void MailWatch::OnTimer(int timerId)
{
    switch (timerId) {
    case kCheckTimer:
        if (idling())
            break; // the idling session checks by itself
        m_checkTimer->start(intervalMs());
        if (!checking())
            startCheck();
        break;
    case kRetryTimer:
        m_retryTimer->start(intervalMs());
        break;
    default:
        break; // timer 1 has no work of its own
    }
}

void MailWatch::startCheck()
{
    m_followTimer->stop();
    // A server the settings did not check (a hand-edited file) fails to connect.
    // A protocol found once is spoken from then on, until the settings change.
    const MailServer server = m_serverKnown
        ? m_server
        : ParseMailServer(QString::fromStdString(m_settings.server)).value_or(MailServer{});
    m_server = server;
    m_client.reset((m_sessionFactory ? m_sessionFactory(server) : mail::MakeSession(server)).release());
    m_client->setTimeoutMs(m_timeoutMs);
    m_client->setExtraCaCertificates(m_extraCa);
    m_client->setPinnedCertificate(
        QByteArray::fromStdString(mail::PinnedCertificate(m_settings.user, m_settings.server)));
    m_client->setKeepAliveMs(MailSession::kMaxKeepAliveMs);
    m_client->setUseIdle(!m_idleEndsAtOnce);
    m_client->setRequireTls(tlsRequired());
    connect(m_client.get(), &MailSession::connectFinished, this, &MailWatch::onConnectFinished);
    connect(m_client.get(), &MailSession::statFinished, this, &MailWatch::onStatFinished);
    m_client->Connect(server, m_settings.user, m_settings.password);
}

bool MailWatch::tlsRequired() const
{
    return mail::TlsRemembered(m_settings.user, m_settings.server);
}

void MailWatch::noteTls(bool encrypted)
{
    // Whether or not the login then succeeds: the server offered TLS.
    if (!encrypted || mail::RememberTls(m_settings.user, m_settings.server) || m_toldTlsMemory)
        return;
    m_toldTlsMemory = true;
    m_host.reportMailProblem(QStringLiteral("%1 in the data folder cannot be written, so a server that stops "
                                            "offering encryption would not be noticed. Please check the folder's "
                                            "permissions and free space.")
                                 .arg(QLatin1String(mail::kTlsMemoryFileName)));
}

void MailWatch::onConnectFinished(int result)
{
    noteTls(m_client->Encrypted());
    if (result && !m_client->Server().host.isEmpty()) {
        m_server = m_client->Server();
        m_serverKnown = true;
    }
    if (!result)
        return failCheck(kLoginFailed);
    m_client->Stat();
}

void MailWatch::onStatFinished(int result)
{
    if (!result)
        return failCheck(kCountFailed);
    m_mailCount = m_client->GetMessageCount();
    m_encrypted = m_client->Encrypted();
    noteSuccess();
    endCheck();
}

void MailWatch::noteSuccess()
{
    const bool hadFailure = m_errorKind != kNoError;
    m_errorKind = kNoError;
    m_lastError.clear();
    m_untrustedSha256.clear();
    m_haveResult = true;
    // A failure told before, in this run or the last: the user hears that it is over.
    const bool told = !m_toldFailures.isEmpty() || mail::FailureTold(m_settings.user, m_settings.server, {});
    m_toldFailures.clear();
    if (told)
        mail::SetToldFailure(m_settings.user, m_settings.server, {});
    if (hadFailure || told)
        Q_EMIT failureChanged(QString(), told);
}

void MailWatch::failCheck(int kind)
{
    m_retryTimer->start(intervalMs());
    m_errorKind = kind;
    m_lastError = m_client->ErrorText();
    m_untrustedSha256 = m_client->UntrustedCertificate();
    m_haveResult = true;
    m_serverKnown = false; // found again: the server may have moved to another protocol
    Q_EMIT failureChanged(m_lastError, firstTelling(failureKind(m_lastError, m_untrustedSha256)));
    if (m_reconnectMs > 0)
        reconnectLater();
    endCheck();
}

bool MailWatch::firstTelling(const QString& failure)
{
    if (m_toldFailures.contains(failure))
        return false;
    m_toldFailures << failure; // a handful of kinds at most
    // The one told last before a restart stays told.
    const std::string kind = failure.toStdString();
    if (mail::FailureTold(m_settings.user, m_settings.server, kind))
        return false;
    mail::SetToldFailure(m_settings.user, m_settings.server, kind);
    return true;
}

void MailWatch::endCheck()
{
    keepIfIdling();
    m_followTimer->start(intervalMs());
    applyCount();
}

void MailWatch::applyCount()
{
    const int count = m_errorKind == kNoError ? m_mailCount : -1;
    if (count == -1 || count == m_settings.lastMailCount) {
        Q_EMIT checkFinished();
        return;
    }
    // Deleted mail is no news: only a grown count is announced.
    const bool grown = m_settings.lastMailCount != -1 && count > m_settings.lastMailCount;
    m_settings.lastMailCount = count;
    if (grown) {
        m_host.announceNewMail();
        g_newMail = 1;
        PlaySoundSlot(11, "@#");
    }
    writeFile();
    Q_EMIT checkFinished();
}

void MailWatch::keepIfIdling()
{
    if (!m_client || m_errorKind != kNoError) {
        m_client.reset();
        return;
    }
    if (!m_client->Stays()) {
        m_reconnectMs = 0;
        m_client.reset();
        return;
    }
    // The session now does what timer 7 did.
    m_idleEndsAtOnce = false;
    m_idle = std::move(m_client);
    m_idleSinceTick = platform::clock().tickCount();
    m_checkTimer->stop();
    connect(m_idle.get(), &MailSession::countChanged, this, &MailWatch::onIdleCount);
    connect(m_idle.get(), &MailSession::lost, this, &MailWatch::onIdleLost);
}

void MailWatch::onIdleCount()
{
    // The first change of a burst waits for the rest: one announcement, one write.
    m_mailCount = m_idle->GetMessageCount();
    if (!m_burstTimer->isActive())
        m_burstTimer->start(kBurstMs);
}

void MailWatch::onBurstEnd()
{
    m_followTimer->start(intervalMs());
    applyCount();
}

void MailWatch::onIdleLost()
{
    if (m_idle->IdleEndsAtOnce()) {
        // Polled from now on, at the interval, with the count it already gave.
        m_idle.reset();
        m_idleEndsAtOnce = true;
        m_reconnectMs = 0;
        m_checkTimer->start(intervalMs());
        return;
    }
    // A server's BYE or a broken connection is no failed check: only a reconnection that
    // fails is. A session that lasted starts the delays over; one lost at once (a server
    // that takes the login and then refuses IDLE or hangs up) makes them grow.
    m_idle.reset();
    if (platform::clock().tickCount() - m_idleSinceTick >= kHealthyIdleMs)
        m_reconnectMs = 0;
    reconnectLater();
}

void MailWatch::reconnectLater()
{
    m_reconnectMs = m_reconnectMs == 0 ? m_firstReconnectMs : std::min(2 * m_reconnectMs, intervalMs());
    m_checkTimer->start(m_reconnectMs);
}

void MailWatch::dropIdle()
{
    m_idle.reset();
    m_reconnectMs = 0;
}

void MailWatch::writeFile()
{
    // A count that went and came back within a burst writes nothing.
    const std::string line = FormatMailboxLine(m_settings, g_mailClientPath);
    if (line == m_writtenLine)
        return;
    try {
        WriteMailboxFile(m_settings);
        m_writtenLine = line;
    } catch (const std::exception& error) {
        m_host.reportMailProblem(QString::fromLocal8Bit(error.what()));
    }
}

QString MailWatch::StatusText() const
{
    if (m_settings.user.empty())
        return QStringLiteral("mail: off");
    if (!watching() && !m_haveResult)
        return m_waitingForPassword && m_storeLocked ? QStringLiteral("mail: off (the secret store is locked)")
                                                     : QStringLiteral("mail: off (the password is needed)");
    if (!m_haveResult)
        return QStringLiteral("mail: first check pending");
    if (m_errorKind != kNoError)
        return QStringLiteral("mail: ") + m_lastError;
    QString text = QStringLiteral("mail: %1 messages (%2)")
                       .arg(m_mailCount)
                       .arg(SessionDescription(m_server.protocol, m_encrypted));
    if (m_idleEndsAtOnce)
        text += QStringLiteral("; the server ends IDLE at once, so it is checked every %1 min").arg(intervalMs() / 60000);
    return text;
}

QString MailWatch::TooltipLine() const
{
    if (!m_haveResult)
        return {};
    if (m_errorKind != kNoError)
        return tr("Mail check failed: ") + m_lastError;
    return tr("Mail: %1 messages (%2)").arg(m_mailCount).arg(SessionDescription(m_server.protocol, m_encrypted));
}

QString MailWatch::untrustedCertificate() const
{
    return m_untrustedSha256.isEmpty() ? QString() : fingerprintOf(m_untrustedSha256);
}

bool MailWatch::TrustCertificate()
{
    if (m_untrustedSha256.isEmpty() || m_settings.user.empty())
        return false;
    if (!mail::PinCertificate(m_settings.user, m_settings.server, m_untrustedSha256.toStdString()))
        return false;
    m_untrustedSha256.clear();
    CheckSoon();
    return true;
}
