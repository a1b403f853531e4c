// What an IMAP server sends: split into responses within their bounds, the same whether
// it arrives at once or in pieces; the LOGIN command built from any values carries no
// second command.
#include "mail/imap_reader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<imap::Response> ReadAll(std::string_view text, std::size_t piece, bool& broken)
{
    imap::ResponseReader reader;
    std::vector<imap::Response> responses;
    for (std::size_t i = 0; i < text.size(); i += piece) {
        reader.feed(text.substr(i, piece));
        while (auto response = reader.next())
            responses.push_back(std::move(*response));
    }
    broken = reader.broken();
    return responses;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the rest is cut into segments.
    const std::size_t piece = 1 + data[0] % 7;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    bool wholeBroken = false;
    bool piecesBroken = false;
    const std::vector<imap::Response> whole = ReadAll(text, text.size() + 1, wholeBroken);
    const std::vector<imap::Response> pieces = ReadAll(text, piece, piecesBroken);
    if (wholeBroken != piecesBroken || (!wholeBroken && whole.size() != pieces.size()))
        std::abort();
    for (std::size_t i = 0; i < whole.size() && !wholeBroken; ++i) {
        const imap::Response& r = whole[i];
        if (r.kind != pieces[i].kind || r.tag != pieces[i].tag || r.text != pieces[i].text)
            std::abort();
        if (r.text.size() > imap::kMaxResponseBytes || (r.kind == imap::Response::Kind::Tagged) == r.tag.empty()
            || r.tag.find_first_of(" \r\n") != std::string::npos)
            std::abort();
        const imap::Status status = imap::ParseStatus(r.text);
        if (const auto list = imap::CapabilityCode(status.code))
            imap::ParseCapabilities(*list);
        if (const auto numbered = imap::ParseNumbered(r.text); numbered && (numbered->number < 0 || numbered->word.empty()))
            std::abort();
    }
    if (const auto login = imap::FormatLogin("Q1", text.substr(0, text.size() / 2), text.substr(text.size() / 2))) {
        // Every piece but the last ends in a literal's "{n}" CR LF, the last in CR LF.
        for (std::size_t i = 0; i < login->size(); ++i) {
            const std::string& p = (*login)[i];
            if (p.size() < 2 || p.compare(p.size() - 2, 2, "\r\n") != 0)
                std::abort();
            if (i + 1 < login->size() && p.compare(p.size() - 3, 3, "}\r\n") != 0)
                std::abort();
        }
        std::string joined;
        for (const std::string& p : *login)
            joined += p;
        // Read back as the server would: the command is one response with its literals.
        imap::ResponseReader server;
        server.feed(joined);
        const auto command = server.next();
        if (!command || server.next() || server.midResponse() || command->tag != "Q1")
            std::abort();
    }
    imap::PlainResponse(text, text);
    imap::Printable(text);
    return 0;
}
