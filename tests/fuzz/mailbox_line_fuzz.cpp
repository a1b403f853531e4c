// MailBoxConfig.jxq: any line parses without a crash, and what is read back writes a
// line that reads back the same.
#include "mail/mailbox_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);
    line.resize(std::min(line.find('\n'), line.size()));
    const auto stored = ParseMailboxLine(line);
    if (!stored)
        return 0;
    // Only a scheme's "://" may put a "/" into the server.
    const std::size_t scheme = stored->server.find("://");
    const std::size_t slash = stored->server.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (stored->user.empty() || stored->user.find('/') != std::string::npos || slash != std::string::npos
        || stored->minutes < kMinMailMinutes || stored->minutes > kMaxMailMinutes || stored->lastMailCount < -1)
        std::abort();
    MailboxSettings settings;
    settings.user = stored->user;
    settings.server = stored->server;
    settings.intervalSeconds = stored->minutes * 60;
    settings.lastMailCount = stored->lastMailCount;
    const auto again = ParseMailboxLine(FormatMailboxLine(settings, stored->mailClientPath));
    if (!again || again->user != stored->user || again->server != stored->server || again->minutes != stored->minutes
        || again->lastMailCount != stored->lastMailCount || again->mailClientPath != stored->mailClientPath)
        std::abort();
    return 0;
}
