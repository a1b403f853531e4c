#pragma once

#include <QString>
#include <optional>

// How the main window comes back from wherever the user put it (tray, task bar, behind
// other windows), decided without a window so each desktop's rule can be tested.

enum class SessionKind { X11, Wayland, Other };
// Qt's platform name ("xcb", "wayland", "wayland-egl", "offscreen", ...).
SessionKind SessionKindFor(const QString& platformName);

// Whether bringing the window back must unmap and map it again: a Wayland client cannot
// undo a minimise in place, and it cannot tell a window the compositor minimised from one
// merely behind another. Everywhere else it is shown normally, raised and activated.
bool ReturnNeedsRemap(SessionKind session, bool visible, bool minimized, bool active);

// Only the X server lets the program put its own windows at a corner and slide them;
// elsewhere the alert and the mail notice are also announced through notifications.
bool CanPlaceWindows(SessionKind session);

// Only the X server lets a client raise its own window; elsewhere activation does it.
bool CanRaiseWindows(SessionKind session);

// On Wayland (no XEmbed tray) a tray exists only where a StatusNotifier host is registered.
bool TrayNeedsStatusNotifierHost(SessionKind session);

// The remote control's "raise" (a second start) and "show" (--show) may carry the
// caller's activation token, so the compositor lets the window take the focus.
struct ReturnRequest {
    QString verb;  // "raise" or "show"
    QString token; // empty when the caller had none
};
std::optional<ReturnRequest> ParseReturnRequest(const QString& line);
// The line to send; a token that could not be sent safely is left out.
QString ReturnRequestLine(const QString& verb, const QString& token);
// Tokens are opaque, but always short printable ASCII without blanks.
bool IsActivationToken(const QString& token);
inline constexpr int kMaxActivationToken = 512;
