#pragma once

#include <QString>
#include <optional>
#include <string>

// The mailbox the mail watch checks, and how often.
struct MailboxSettings {
    std::string user;
    std::string password; // as typed; kept in the secret store, never in the file
    std::string server;   // "host" or "host:port"
    int intervalSeconds = 0;
    int lastMailCount = -1; // the count last announced; -1 while none is known
};

// What "MailBoxConfig.jxq" gives back: everything but the password.
struct StoredMailbox {
    std::string user;
    std::string server;
    int minutes = 0;
    int lastMailCount = -1;
    std::string mailClientPath;
};

inline constexpr const char* kMailboxFileName = "MailBoxConfig.jxq";
inline constexpr int kMinMailMinutes = 1;
inline constexpr int kMaxMailMinutes = 9999;

// user//server/minutes/last count/mail program/ (no line end): the password field is
// written empty.
std::string FormatMailboxLine(const MailboxSettings& settings, const std::string& mailClientPath);

// Rewrites g_dataFolder + "MailBoxConfig.jxq" with g_mailClientPath, readable by the
// owner only. Throws platform::FileError.
void WriteMailboxFile(const MailboxSettings& settings);

// Reads the line back; nullopt when there is no file or it is not one we wrote. Minutes
// are kept within 1-9999.
std::optional<StoredMailbox> ParseMailboxLine(const std::string& line);
std::optional<StoredMailbox> ReadMailboxFile();

// Why these settings cannot be used (a sentence for the user), or an empty text.
QString CheckMailboxSettings(const std::string& user, const std::string& password, const std::string& server);
