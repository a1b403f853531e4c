#include "app/window_return.h"

#include <QStringList>

SessionKind SessionKindFor(const QString& platformName)
{
    if (platformName == QLatin1String("xcb"))
        return SessionKind::X11;
    if (platformName.startsWith(QLatin1String("wayland")))
        return SessionKind::Wayland;
    return SessionKind::Other;
}

bool ReturnNeedsRemap(SessionKind session, bool visible, bool minimized, bool active)
{
    return session == SessionKind::Wayland && visible && (minimized || !active);
}

bool CanPlaceWindows(SessionKind session)
{
    return session != SessionKind::Wayland;
}

bool CanRaiseWindows(SessionKind session)
{
    return session != SessionKind::Wayland;
}

bool TrayNeedsStatusNotifierHost(SessionKind session)
{
    return session == SessionKind::Wayland;
}

bool IsActivationToken(const QString& token)
{
    if (token.isEmpty() || token.size() > kMaxActivationToken)
        return false;
    for (const QChar c : token) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f)
            return false;
    }
    return true;
}

std::optional<ReturnRequest> ParseReturnRequest(const QString& line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.size() > 2)
        return std::nullopt;
    if (words[0] != QLatin1String("raise") && words[0] != QLatin1String("show"))
        return std::nullopt;
    ReturnRequest request{words[0], {}};
    if (words.size() == 2) {
        // A token we would not send is not one we take: it reaches the environment.
        if (!IsActivationToken(words[1]))
            return std::nullopt;
        request.token = words[1];
    }
    return request;
}

QString ReturnRequestLine(const QString& verb, const QString& token)
{
    if (!IsActivationToken(token))
        return verb;
    return verb + QLatin1Char(' ') + token;
}
