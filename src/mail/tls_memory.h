#pragma once

#include <string>

// Which mailboxes' servers have spoken TLS with us, so that a later session without it
// (STLS or STARTTLS stripped on the way) is refused before the password goes out. Kept in
// the data folder beside the mailbox file, in "MailTls.txt": one line of SHA-256 digests of
// user and server, the most recent last, at most kMaxRememberedTls of them. None of these
// calls throws: a memory that cannot be read is empty, one that cannot be written is tried
// again at the next encrypted session.
namespace mail {

inline constexpr const char* kTlsMemoryFileName = "MailTls.txt";
inline constexpr int kMaxRememberedTls = 32;

bool TlsRemembered(const std::string& user, const std::string& server);
void RememberTls(const std::string& user, const std::string& server);
void ForgetTls(const std::string& user, const std::string& server);

inline constexpr const char* kTlsStrippedText
    = "The server no longer offers an encrypted connection; the password was not sent.";

} // namespace mail
