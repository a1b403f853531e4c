#pragma once

#include <string>

// What the program keeps about each mailbox between runs, in small files of the data folder
// beside the mailbox file, readable by the owner only. Each is one line of entries keyed by
// a SHA-256 digest of user and server (any byte a user name may hold is safe in the line),
// the most recent last, at most kMaxRememberedTls of them:
//   "MailTls.txt"   the mailboxes whose servers have spoken TLS with us, so that a later
//                   session without it (STLS or STARTTLS stripped on the way) is refused
//                   before the password goes out;
//   "MailCerts.txt" the certificate the user trusts for a mailbox (its SHA-256);
//   "MailTold.txt"  the failure last told for a mailbox, so a restart does not tell it again.
// None of these calls throws: a memory that cannot be read is empty, one that cannot be
// written returns false and is tried again at the next occasion.
namespace mail {

inline constexpr const char* kTlsMemoryFileName = "MailTls.txt";
inline constexpr const char* kCertificateMemoryFileName = "MailCerts.txt";
inline constexpr const char* kToldMemoryFileName = "MailTold.txt";
inline constexpr int kMaxRememberedTls = 32;

bool TlsRemembered(const std::string& user, const std::string& server);
// false when the memory could not be written.
bool RememberTls(const std::string& user, const std::string& server);
bool ForgetTls(const std::string& user, const std::string& server);

// The trusted certificate's SHA-256 in hex (lower case, no separators), or empty.
std::string PinnedCertificate(const std::string& user, const std::string& server);
bool PinCertificate(const std::string& user, const std::string& server, const std::string& sha256Hex);

// Whether this failure (any text that names it) was the last one told for the mailbox, or
// with an empty failure whether any is on record; SetToldFailure records it, an empty
// failure forgets it (the first success after it).
bool FailureTold(const std::string& user, const std::string& server, const std::string& failure);
bool SetToldFailure(const std::string& user, const std::string& server, const std::string& failure);

inline constexpr const char* kTlsStrippedText
    = "The server no longer offers an encrypted connection; the password was not sent. If you know the "
      "server changed, save the mailbox settings again to accept it.";

} // namespace mail
