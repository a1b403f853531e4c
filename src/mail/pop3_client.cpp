#include "mail/pop3_client.h"

#include "mail/mail_socket.h"
#include "mail/tls_memory.h"

#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <climits>

namespace {

constexpr const char* kClosed = "Server closed the connection";
constexpr const char* kNoAnswer = "Server did not answer in time";
constexpr const char* kTooLong = "Server reply too long";
constexpr const char* kBadCount = "Server gave no valid message count";
constexpr const char* kStlsFailed = "Encrypted connection (STLS) failed";
constexpr const char* kStlsRefused = "the server refused STLS";
constexpr const char* kDataAheadOfTls = "the server sent data ahead of TLS";
constexpr const char* kUserTooLong = "User name too long or not allowed (at most 504 bytes, no line breaks)";
constexpr const char* kPasswordTooLong = "Password too long or not allowed (at most 504 bytes, no line breaks)";

// The failure text of each reply kind, in kind order (their spelling is the one users
// and scripts already know).
constexpr const char* kKindErrors[] = {
    "Bad Connection",
    "Bad User Name",
    "Bad Password Name",
    "Error occured during QUIT",
    "Error occured during DELE",
    "Error occured during RSET",
    "Error occured during STAT",
    "Error occured during NOOP",
    "Error occured during LIST",
    "Error occured during RETR",
};

} // namespace

CPop3Client::CPop3Client(QObject* parent)
    : QObject(parent), m_socket(new QSslSocket(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CPop3Client::onTimeout);
    mail::WireMailSocket(*m_socket, this,
                         {[this] { onConnected(); }, [this] { onUpgraded(); }, [this] { onReadyRead(); },
                          [this] { onClosed(); },
                          [this](const QString& text, const QByteArray& sha256) {
                              m_untrustedSha256 = sha256;
                              fail(text); // during STLS, fail() names the upgrade itself
                          }});
}

CPop3Client::~CPop3Client()
{
    // The connection ends here, without QUIT.
    m_socket->blockSignals(true);
    m_socket->abort();
}

int CPop3Client::CheckReply(unsigned kind, std::string_view reply, std::string_view body)
{
    if (kind <= ReplyRetr && pop3::IsErrorReply(reply)) {
        m_errorText = QLatin1String(kKindErrors[kind]);
        return 0;
    }
    switch (kind) {
    case ReplyStat:
        // The server sets the count: a negative, broken or overlong one is no count at all.
        if (!pop3::StatCount(reply)) {
            m_errorText = QLatin1String(kBadCount);
            return 0;
        }
        pop3::ParseStat(reply, m_messageCount, m_mailboxSize);
        break;
    case ReplyList:
        pop3::ParseList(body, m_messageSizes);
        break;
    case ReplyRetr:
        m_messageText.assign(body.substr(0, pop3::kMaxRetrBytes));
        break;
    default:
        break;
    }
    return 1;
}

void CPop3Client::Connect(const QString& server, const std::string& user, const std::string& password)
{
    const std::optional<MailServer> endpoint = ParseMailServer(server);
    if (!endpoint) {
        m_step = Step::Connecting;
        QMetaObject::invokeMethod(this, [this] { fail(QLatin1String(mail::kCannotConnect)); }, Qt::QueuedConnection);
        return;
    }
    Connect(*endpoint, user, password);
}

void CPop3Client::Connect(const MailServer& endpoint, const std::string& user, const std::string& password)
{
    m_step = Step::Connecting;
    // Refused before anything is sent: a value that does not fit is never cut.
    const std::optional<QByteArray> userLine = pop3::FormatCommand("USER", user);
    const std::optional<QByteArray> passLine = pop3::FormatCommand("PASS", password);
    if (!userLine || !passLine) {
        const QString text = QLatin1String(userLine ? kPasswordTooLong : kUserTooLong);
        QMetaObject::invokeMethod(this, [this, text] { fail(text); }, Qt::QueuedConnection);
        return;
    }
    m_passLine = *passLine;
    m_buffer = *userLine; // sent after the greeting
    m_host = endpoint.host;
    arm();
    mail::ConnectMailSocket(*m_socket, endpoint, {m_extraCa, m_pinnedSha256});
}

void CPop3Client::Stat()
{
    if (m_step != Step::Idle || m_socket->state() != QAbstractSocket::ConnectedState) {
        m_step = Step::Stat;
        QMetaObject::invokeMethod(this, [this] { fail(QLatin1String(kClosed)); }, Qt::QueuedConnection);
        return;
    }
    m_step = Step::Stat;
    send(QByteArrayLiteral("STAT \r\n"));
}

void CPop3Client::arm()
{
    m_timer->start(m_timeoutMs);
}

void CPop3Client::send(const QByteArray& line)
{
    m_buffer.clear();
    m_socket->write(line);
    arm();
}

void CPop3Client::onConnected()
{
    if (m_step != Step::Connecting)
        return;
    m_step = Step::Greeting;
    m_encrypted = m_socket->isEncrypted();
    m_userLine = m_buffer;
    m_buffer.clear();
    arm();
    onReadyRead();
}

void CPop3Client::onUpgraded()
{
    if (m_step != Step::Handshake)
        return;
    m_encrypted = true;
    startLogin();
}

void CPop3Client::startLogin()
{
    if (m_requireTls && !m_encrypted)
        return fail(QLatin1String(mail::kTlsStrippedText));
    m_step = Step::User;
    send(m_userLine);
}

void CPop3Client::upgrade()
{
    // Whatever came with the STLS answer was sent in clear and could have been put there
    // by someone on the way: it must not be read as a reply after the upgrade.
    if (!m_buffer.isEmpty() || m_socket->bytesAvailable() > 0)
        return fail(QLatin1String(kDataAheadOfTls));
    m_step = Step::Handshake;
    m_socket->setPeerVerifyName(m_host);
    arm();
    m_socket->startClientEncryption();
}

void CPop3Client::handleCapability(const std::string& line)
{
    if (m_capabilityLines++ == 0) {
        // A server without CAPA answers -ERR: no capabilities, so no STLS.
        if (pop3::IsErrorReply(line))
            startLogin();
        return;
    }
    if (line == ".") {
        if (!m_stlsOffered)
            return startLogin();
        m_step = Step::Stls;
        send(QByteArrayLiteral("STLS\r\n"));
        return;
    }
    if (m_capabilityLines > kMaxCapabilityLines)
        return fail(QLatin1String(kTooLong));
    if (pop3::IsStlsCapability(line))
        m_stlsOffered = true;
}

bool CPop3Client::readingReplies() const
{
    return m_step != Step::Idle && m_step != Step::Connecting && m_step != Step::Handshake;
}

void CPop3Client::onReadyRead()
{
    if (!readingReplies())
        return;
    m_buffer += m_socket->readAll();
    // One whole reply at a time; a reply split over several segments waits for its end.
    while (readingReplies()) {
        const qsizetype end = m_buffer.indexOf('\n');
        if (end < 0) {
            if (static_cast<std::size_t>(m_buffer.size()) >= pop3::kMaxReplyBytes)
                fail(QLatin1String(kTooLong));
            return;
        }
        if (static_cast<std::size_t>(end + 1) > pop3::kMaxReplyBytes) {
            fail(QLatin1String(kTooLong));
            return;
        }
        std::string reply(m_buffer.constData(), static_cast<std::size_t>(end));
        if (!reply.empty() && reply.back() == '\r')
            reply.pop_back();
        m_buffer.remove(0, end + 1);
        handleReply(reply);
    }
}

void CPop3Client::handleReply(const std::string& reply)
{
    switch (m_step) {
    case Step::Greeting:
        if (!CheckReply(ReplyGreeting, reply))
            return finish(Step::Greeting, 0);
        if (m_encrypted)
            return startLogin(); // TLS from the first byte
        m_step = Step::Capa;
        send(QByteArrayLiteral("CAPA\r\n"));
        break;
    case Step::Capa:
        handleCapability(reply);
        break;
    case Step::Stls:
        if (reply.compare(0, 3, "+OK") != 0)
            return fail(QLatin1String(kStlsRefused));
        upgrade();
        break;
    case Step::User:
        if (!CheckReply(ReplyUser, reply))
            return finish(Step::User, 0);
        m_step = Step::Pass;
        send(m_passLine);
        break;
    case Step::Pass:
        if (!CheckReply(ReplyPass, reply))
            return finish(Step::Pass, 0);
        finish(Step::Pass, 1);
        break;
    case Step::Stat:
        finish(Step::Stat, CheckReply(ReplyStat, reply));
        break;
    default:
        break;
    }
}

void CPop3Client::onClosed()
{
    if (m_step == Step::Idle)
        return;
    if (m_step == Step::Handshake)
        return fail(m_socket->errorString());
    // A closed connection is no reply at all: the step fails.
    fail(QLatin1String(m_step == Step::Connecting ? mail::kCannotConnect : kClosed));
}


void CPop3Client::onTimeout()
{
    if (m_step == Step::Idle)
        return;
    fail(QLatin1String(m_step == Step::Connecting ? mail::kCannotConnect : kNoAnswer));
}

void CPop3Client::fail(const QString& text)
{
    if (m_step == Step::Idle)
        return;
    const bool upgrading = m_step == Step::Stls || m_step == Step::Handshake;
    m_errorText = upgrading ? QStringLiteral("%1: %2").arg(QLatin1String(kStlsFailed), text) : text;
    const Step step = m_step;
    m_socket->blockSignals(true);
    m_socket->abort();
    finish(step, 0);
}

void CPop3Client::finish(Step step, int result)
{
    m_timer->stop();
    m_step = Step::Idle;
    if (result == 0 && m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->blockSignals(true);
        m_socket->abort();
    }
    if (step == Step::Stat)
        Q_EMIT statFinished(result);
    else
        Q_EMIT connectFinished(result);
}
