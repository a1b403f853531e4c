// The remote control's request line, as a client's bytes arrive: the request is whole
// once its newline came, never longer than the limit, and a reply is always one line.
#include "platform/single_instance.h"

#include <cstdint>
#include <cstdlib>

using platform::RequestLineState;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // An odd first byte repeats the rest past the length limit, which short inputs never reach.
    QByteArray received(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    if ((data[0] & 1) != 0 && !received.isEmpty())
        received = received.repeated(platform::kMaxRequestLine / received.size() + 2);
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
