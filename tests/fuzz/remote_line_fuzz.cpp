// The remote control's request line, as a client's bytes arrive: the request is whole
// once its newline came, never longer than the limit, and a reply is always one line.
#include "platform/single_instance.h"

#include <cstdint>
#include <cstdlib>

using platform::RequestLineState;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = received.indexOf('\n');
    QString request;
    const RequestLineState state = platform::takeRequestLine(received, request);
    const bool whole = newline >= 0 && newline <= platform::kMaxRequestLine;
    if ((state == RequestLineState::Complete) != whole)
        std::abort();
    if (state == RequestLineState::TooLong && received.size() <= platform::kMaxRequestLine)
        std::abort();
    // Half of what came is either not yet a line or the same line.
    QString early;
    const RequestLineState half = platform::takeRequestLine(received.left(received.size() / 2), early);
    if (half == RequestLineState::Complete && early != request)
        std::abort();
    if (state == RequestLineState::Complete) {
        const QByteArray reply = platform::encodeLine(request);
        if (reply.count('\n') != 1 || !reply.endsWith('\n'))
            std::abort();
        QString expected = request;
        expected.replace(QLatin1Char('\r'), QLatin1Char(' '));
        QString echoed;
        if (reply.size() <= platform::kMaxRequestLine
            && (platform::takeRequestLine(reply, echoed) != RequestLineState::Complete || echoed != expected))
            std::abort();
    }
    return 0;
}
