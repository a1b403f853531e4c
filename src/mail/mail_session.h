#pragma once

#include "mail/mail_server.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <string>

// One mailbox session as the mail watch sees it, whatever the protocol: Connect logs in
// (connectFinished), Stat counts the messages (statFinished). A POP3 session ends there;
// an IMAP session whose server offers IDLE stays open (Stays) and reports each change of
// the count (countChanged) until the connection is lost (lost, with ErrorText).
class MailSession : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultTimeoutMs = 15000;
    // A server may end an IDLE after 30 minutes of silence; renewed well before (RFC 2177).
    // A connection that dies meanwhile is noticed by TCP keep-alive, not by renewing early.
    static constexpr int kMaxKeepAliveMs = 25 * 60 * 1000;

    using QObject::QObject;
    ~MailSession() override = default;
    Q_DISABLE_COPY_MOVE(MailSession)

    // Before Connect: the time-out of each step, certificates trusted besides the
    // system's (PEM, else DER; bytes, so the interface needs no TLS library), and whether
    // a session that ends up without TLS must fail before the password is sent.
    virtual void setTimeoutMs(int ms) = 0;
    virtual void setExtraCaCertificates(const QList<QByteArray>& certificates) = 0;
    virtual void setRequireTls(bool require) = 0;
    // The one certificate the user trusts for this mailbox (SHA-256, hex).
    virtual void setPinnedCertificate(const QByteArray&) {}
    // How long a session that stays may be quiet before it renews its waiting.
    virtual void setKeepAliveMs(int) {}
    // false: count and end, even where the server could push changes.
    virtual void setUseIdle(bool) {}

    virtual void Connect(const MailServer& server, const std::string& user, const std::string& password) = 0;
    // After connectFinished(1).
    virtual void Stat() = 0;
    virtual int GetMessageCount() const = 0;
    // The login went over TLS.
    virtual bool Encrypted() const = 0;
    virtual const QString& ErrorText() const = 0;
    // The SHA-256 (hex) of a certificate that was not trusted, or empty.
    virtual QByteArray UntrustedCertificate() const { return {}; }
    // The server ends each IDLE at once: the session was given up, polling is the way.
    virtual bool IdleEndsAtOnce() const { return false; }
    // The server as spoken to (its protocol found by now where it had to be).
    const MailServer& Server() const { return m_server; }
    // After statFinished(1): the session stays connected and reports changes itself.
    virtual bool Stays() const { return false; }
    // Ends a session the program no longer wants (IMAP says LOGOUT first); the object
    // deletes itself afterwards.
    virtual void Close() { deleteLater(); }

Q_SIGNALS:
    void connectFinished(int result);
    void statFinished(int result);
    void countChanged();
    void lost();

protected:
    MailServer m_server;
};

namespace mail {
// Both clients' failure when no connection comes about.
inline constexpr const char* kCannotConnect = "Server cannot be connected";
} // namespace mail

// A new session for the server's protocol; for a server whose protocol is to be found, a
// session that first reads what the server says and then speaks it. Part of the mail
// support (mail_support.h): the program reaches it through mail::support().
std::unique_ptr<MailSession> MakeMailSession(const MailServer& server);
