#include "mail/imap_client.h"

#include "mail/mail_socket.h"
#include "mail/tls_memory.h"

#include <QSslSocket>
#include <QTimer>

namespace {

constexpr const char* kBadConnection = "Bad Connection";
constexpr const char* kClosed = "Server closed the connection";
constexpr const char* kNoAnswer = "Server did not answer in time";
constexpr const char* kBadCount = "Server gave no valid message count";
constexpr const char* kNotUnderstood = "Server reply not understood";
constexpr const char* kStartTlsFailed = "Encrypted connection (STARTTLS) failed";
constexpr const char* kStartTlsRefused = "the server refused STARTTLS";
constexpr const char* kDataAheadOfTls = "the server sent data ahead of TLS";
constexpr const char* kNoPlainLogin = "The server allows no login without encryption and offers none";
constexpr const char* kLoginRefused = "Login refused";
constexpr const char* kInboxRefused = "The inbox could not be opened";
constexpr const char* kIdleRefused = "The server refused IDLE";
constexpr const char* kIdleEndsAtOnce = "The server ends IDLE at once";
constexpr const char* kValueNotAllowed = "User name or password too long or not allowed (at most 504 bytes)";
constexpr qint64 kReadChunk = 4096;
constexpr qint64 kSocketBuffer = 65536;

QString withServerText(const char* what, const std::string& text)
{
    const std::string printable = imap::Printable(text);
    if (printable.empty())
        return QLatin1String(what);
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLatin1(printable));
}

} // namespace

CImapClient::CImapClient(QObject* parent)
    : MailSession(parent), m_socket(new QSslSocket(this)), m_timer(new QTimer(this)), m_keepAlive(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_keepAlive->setSingleShot(true);
    m_keepAlive->setTimerType(Qt::VeryCoarseTimer);
    // A server that floods is read as fast as the reader takes it, not into memory.
    m_socket->setReadBufferSize(kSocketBuffer);
    connect(m_timer, &QTimer::timeout, this, &CImapClient::onTimeout);
    connect(m_keepAlive, &QTimer::timeout, this, &CImapClient::KeepAlive);
    mail::WireMailSocket(*m_socket, this,
                         {[this] { onConnected(); }, [this] { onUpgraded(); }, [this] { onReadyRead(); },
                          [this] { onClosed(); },
                          [this](const QString& text, const QByteArray& sha256) {
                              m_untrustedSha256 = sha256;
                              fail(text);
                          }});
}

CImapClient::~CImapClient()
{
    m_socket->blockSignals(true);
    m_socket->abort();
}

bool CImapClient::Stays() const
{
    return m_step == Step::Idle || m_step == Step::Idling || m_step == Step::Done;
}

void CImapClient::Connect(const MailServer& server, const std::string& user, const std::string& password)
{
    m_step = Step::Connecting;
    if (!imap::FormatLogin("x", user, password)) {
        QMetaObject::invokeMethod(this, [this] { fail(QLatin1String(kValueNotAllowed)); }, Qt::QueuedConnection);
        return;
    }
    m_user = user;
    m_password = password;
    m_server = server;
    m_host = server.host;
    arm();
    mail::ConnectMailSocket(*m_socket, server, {m_extraCa, m_pinnedSha256});
}

void CImapClient::Stat()
{
    if (m_step != Step::LoggedIn) {
        m_step = Step::Examine;
        QMetaObject::invokeMethod(this, [this] { fail(QLatin1String(kClosed)); }, Qt::QueuedConnection);
        return;
    }
    m_step = Step::Examine;
    m_count = -1;
    send(command("EXAMINE INBOX"));
}

void CImapClient::Close()
{
    if (m_step == Step::Closing)
        return;
    const bool loggedIn = m_step == Step::LoggedIn || m_step == Step::Examine || Stays();
    m_keepAlive->stop();
    if (!loggedIn || m_socket->state() != QAbstractSocket::ConnectedState)
        return drop();
    QByteArray bytes;
    if (m_step == Step::Idle || m_step == Step::Idling)
        bytes = QByteArrayLiteral("DONE\r\n");
    bytes += command("LOGOUT");
    m_step = Step::Closing;
    send(bytes);
    // Out now: the object may go before the event loop turns again.
    m_socket->flush();
}

void CImapClient::drop()
{
    m_step = Step::Off;
    m_socket->blockSignals(true);
    m_socket->abort();
    deleteLater();
}

QByteArray CImapClient::command(const char* verb)
{
    m_tag = QByteArrayLiteral("Q") + QByteArray::number(++m_serial);
    return m_tag + ' ' + verb + "\r\n";
}

void CImapClient::send(const QByteArray& bytes)
{
    m_socket->write(bytes);
    arm();
}

void CImapClient::arm()
{
    m_timer->start(m_timeoutMs);
}

void CImapClient::onConnected()
{
    if (m_step != Step::Connecting)
        return;
    m_step = Step::Greeting;
    m_encrypted = m_socket->isEncrypted();
    mail::KeepSocketAlive(*m_socket);
    arm();
    onReadyRead();
}

void CImapClient::onUpgraded()
{
    if (m_step != Step::Handshake)
        return;
    // What the server said before TLS may have been put there on the way.
    m_encrypted = true;
    m_haveCapabilities = false;
    m_capabilities = {};
    m_step = Step::Capability;
    send(command("CAPABILITY"));
}

void CImapClient::onReadyRead()
{
    if (m_step == Step::Off || m_step == Step::Connecting || m_step == Step::Handshake)
        return;
    char chunk[kReadChunk];
    qint64 got = 0;
    while (m_step != Step::Off && m_step != Step::Handshake && (got = m_socket->read(chunk, kReadChunk)) > 0) {
        if (!m_reader.feed(std::string_view(chunk, static_cast<std::size_t>(got))))
            return fail(QString::fromStdString(m_reader.error()));
        while (m_step != Step::Off && m_step != Step::Handshake) {
            const std::optional<imap::Response> response = m_reader.next();
            if (!response)
                break;
            handle(*response);
        }
    }
    if (m_step == Step::Handshake)
        return upgrade();
    if (Stays() && m_count != m_reportedCount) {
        m_reportedCount = m_count;
        Q_EMIT countChanged();
    }
}

void CImapClient::handle(const imap::Response& response)
{
    if (m_step == Step::Closing) {
        if (response.kind == imap::Response::Kind::Tagged)
            m_socket->disconnectFromHost();
        return;
    }
    switch (response.kind) {
    case imap::Response::Kind::Untagged:
        if (!handleUntagged(response.text))
            return;
        break;
    case imap::Response::Kind::Continuation:
        if (m_step == Step::Login && !m_pieces.empty()) {
            const QByteArray piece = m_pieces.front();
            m_pieces.pop_front();
            send(piece);
        } else if (m_step == Step::Idle) {
            m_step = Step::Idling;
            m_timer->stop();
            m_keepAlive->start(m_keepAliveMs);
        } else {
            fail(QLatin1String(kNotUnderstood));
        }
        break;
    case imap::Response::Kind::Tagged:
        if (m_step == Step::Greeting || QByteArray::fromStdString(response.tag) != m_tag)
            return fail(QLatin1String(m_step == Step::Greeting ? kBadConnection : kNotUnderstood));
        handleTagged(imap::ParseStatus(response.text));
        break;
    }
}

// false when the response ended the session.
bool CImapClient::handleUntagged(const std::string& text)
{
    const imap::Status status = imap::ParseStatus(text);
    if (status.word == "BYE") {
        fail(m_step == Step::Greeting ? QLatin1String(kBadConnection) : withServerText(kClosed, status.text));
        return false;
    }
    if (m_step == Step::Greeting) {
        if (status.word != "OK" && status.word != "PREAUTH") {
            fail(QLatin1String(kBadConnection));
            return false;
        }
        if (const auto list = imap::CapabilityCode(status.code)) {
            m_capabilities = imap::ParseCapabilities(*list);
            m_haveCapabilities = true;
        }
        if (status.word == "PREAUTH") {
            // Already logged in: nothing is sent that could need TLS, but a session that
            // must be encrypted still is not.
            if (m_requireTls && !m_encrypted) {
                fail(QLatin1String(mail::kTlsStrippedText));
                return false;
            }
            if (!m_haveCapabilities) {
                m_step = Step::LoginCapability;
                send(command("CAPABILITY"));
                return true;
            }
            m_step = Step::LoggedIn;
            m_timer->stop();
            finish(Step::Login, 1);
            return true;
        }
        if (m_haveCapabilities) {
            afterCapabilities();
        } else {
            m_step = Step::Capability;
            send(command("CAPABILITY"));
        }
        return true;
    }
    if (status.word == "CAPABILITY") {
        m_capabilities = imap::ParseCapabilities(std::string_view(text).substr(std::min<std::size_t>(text.size(), 11)));
        m_haveCapabilities = true;
        return true;
    }
    const bool examined = m_step == Step::Examine || Stays();
    if (const std::optional<imap::Numbered> numbered = imap::ParseNumbered(text); numbered && examined) {
        if (numbered->word == "EXISTS")
            m_count = numbered->number;
        else if (numbered->word == "EXPUNGE" && m_count > 0)
            --m_count;
    }
    return true;
}

void CImapClient::handleTagged(const imap::Status& status)
{
    const bool ok = status.word == "OK";
    if (ok) {
        if (const auto list = imap::CapabilityCode(status.code)) {
            m_capabilities = imap::ParseCapabilities(*list);
            m_haveCapabilities = true;
        }
    }
    switch (m_step) {
    case Step::Capability:
        afterCapabilities(); // a refused CAPABILITY offers nothing
        break;
    case Step::StartTls:
        if (!ok)
            return fail(QLatin1String(kStartTlsRefused));
        m_step = Step::Handshake; // upgraded once the rest of this read is looked at
        break;
    case Step::Login:
        m_password.assign(m_password.size(), '\0');
        m_password.clear();
        m_pieces.clear();
        if (!ok) {
            m_errorText = withServerText(kLoginRefused, status.text);
            return finish(Step::Login, 0);
        }
        if (m_haveCapabilities && imap::CapabilityCode(status.code)) {
            m_step = Step::LoggedIn;
            m_timer->stop();
            return finish(Step::Login, 1);
        }
        // What a server offers may change with the login.
        m_step = Step::LoginCapability;
        send(command("CAPABILITY"));
        break;
    case Step::LoginCapability:
        m_step = Step::LoggedIn;
        m_timer->stop();
        finish(Step::Login, 1);
        break;
    case Step::Examine:
        if (!ok || m_count < 0) {
            m_errorText = ok ? QLatin1String(kBadCount) : withServerText(kInboxRefused, status.text);
            return finish(Step::Examine, 0);
        }
        m_reportedCount = m_count;
        if (m_capabilities.idle && m_useIdle) {
            startIdle();
        } else {
            m_step = Step::LoggedIn;
            m_timer->stop();
        }
        Q_EMIT statFinished(1);
        break;
    case Step::Idle:
    case Step::Idling:
        if (m_step == Step::Idle && !ok)
            return fail(QLatin1String(kIdleRefused));
        // The server ended it, not us: once at once is a hiccup, every time a ping-pong.
        if (m_idleStarted.isValid() && m_idleStarted.elapsed() < kQuickIdleEndMs) {
            if (++m_quickIdleEnds >= kMaxQuickIdleEnds) {
                m_idleEndsAtOnce = true;
                return fail(QLatin1String(kIdleEndsAtOnce));
            }
        } else {
            m_quickIdleEnds = 0;
        }
        startIdle();
        break;
    case Step::Done:
        m_quickIdleEnds = 0;
        startIdle();
        break;
    default:
        fail(QLatin1String(kNotUnderstood));
        break;
    }
}

void CImapClient::afterCapabilities()
{
    if (!m_encrypted && m_capabilities.startTls) {
        m_step = Step::StartTls;
        send(command("STARTTLS"));
        return;
    }
    if (!m_encrypted && m_requireTls)
        return fail(QLatin1String(mail::kTlsStrippedText));
    if (!m_encrypted && m_capabilities.loginDisabled)
        return fail(QLatin1String(kNoPlainLogin));
    login();
}

void CImapClient::upgrade()
{
    if (m_reader.hasNext() || m_reader.midResponse() || m_socket->bytesAvailable() > 0)
        return fail(QLatin1String(kDataAheadOfTls));
    m_socket->setPeerVerifyName(m_host);
    arm();
    m_socket->startClientEncryption();
}

void CImapClient::login()
{
    m_step = Step::Login;
    m_pieces.clear();
    if (m_capabilities.authPlain) {
        m_pieces.push_back(QByteArray::fromStdString(imap::PlainResponse(m_user, m_password)) + "\r\n");
        send(command("AUTHENTICATE PLAIN"));
        return;
    }
    m_tag = QByteArrayLiteral("Q") + QByteArray::number(++m_serial);
    const std::optional<std::vector<std::string>> pieces = imap::FormatLogin(m_tag.toStdString(), m_user, m_password);
    for (const std::string& piece : *pieces) // checked in Connect
        m_pieces.push_back(QByteArray::fromStdString(piece));
    const QByteArray first = m_pieces.front();
    m_pieces.pop_front();
    send(first);
}

void CImapClient::startIdle()
{
    m_idleStarted.start();
    m_keepAlive->stop();
    m_step = Step::Idle;
    send(command("IDLE"));
}

void CImapClient::KeepAlive()
{
    if (m_step != Step::Idling)
        return;
    m_keepAlive->stop();
    m_step = Step::Done;
    send(QByteArrayLiteral("DONE\r\n"));
}

void CImapClient::onClosed()
{
    switch (m_step) {
    case Step::Off:
        return;
    case Step::Closing:
        m_step = Step::Off;
        deleteLater();
        return;
    case Step::Handshake:
        return fail(m_socket->errorString());
    case Step::Connecting:
        return fail(QLatin1String(mail::kCannotConnect));
    default:
        return fail(QLatin1String(kClosed));
    }
}

void CImapClient::onTimeout()
{
    switch (m_step) {
    case Step::Off:
        return;
    case Step::Closing:
        return drop();
    default:
        return fail(QLatin1String(m_step == Step::Connecting ? mail::kCannotConnect : kNoAnswer));
    }
}

void CImapClient::fail(const QString& text)
{
    if (m_step == Step::Off || m_step == Step::Closing)
        return;
    const bool upgrading = m_step == Step::StartTls || m_step == Step::Handshake;
    m_errorText = upgrading ? QStringLiteral("%1: %2").arg(QLatin1String(kStartTlsFailed), text) : text;
    const Step step = m_step;
    m_socket->blockSignals(true);
    m_socket->abort();
    finish(step, 0);
}

void CImapClient::finish(Step step, int result)
{
    if (result == 0) {
        m_timer->stop();
        m_keepAlive->stop();
        m_step = Step::Off;
        if (m_socket->state() != QAbstractSocket::UnconnectedState) {
            m_socket->blockSignals(true);
            m_socket->abort();
        }
    }
    if (step == Step::Idle || step == Step::Idling || step == Step::Done)
        Q_EMIT lost();
    else if (step == Step::Examine)
        Q_EMIT statFinished(result);
    else
        Q_EMIT connectFinished(result);
}
