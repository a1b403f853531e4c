// What a POP3 server sends back (status lines, STAT, LIST listings) and the server text
// the user types: parsed without a crash, and no command ever carries a second line.
#include "mail/pop3_client.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    pop3::IsErrorReply(text);
    AtoI(text);
    int count = -7;
    int bytes = -7;
    pop3::ParseStat(text, count, bytes);
    // A count is taken only whole, non-negative and the same as the loose parse reads it.
    if (const std::optional<int> strict = pop3::StatCount(text); strict && (*strict < 0 || *strict != count))
        std::abort();
    pop3::IsStlsCapability(text);
    std::vector<std::uint16_t> sizes;
    pop3::ParseList(text, sizes);
    // One size per blank at most.
    if (sizes.size() > static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
            return c == ' ' || c == '\t';
        })))
        std::abort();
    if (const auto command = pop3::FormatCommand("USER", text)) {
        if (!command->endsWith("\r\n") || command->count('\n') != 1 || command->count('\r') != 1
            || command->contains('\0') || static_cast<std::size_t>(command->size()) >= pop3::kCommandLineBytes)
            std::abort();
    }
    if (const auto endpoint = ParseMailServer(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))) {
        if (endpoint->host.isEmpty() || endpoint->port == 0)
            std::abort();
    }
    return 0;
}
