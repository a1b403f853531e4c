#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

// Runs one UI entry point (timer, command, notification). A file or invalid-argument
// error is shown in a message box and abandons the rest of the handler, as the
// framework's dispatcher does; nothing escapes into Qt's event loop.
// Returns false when the handler was abandoned.
bool runGuarded(QWidget* parent, const std::function<void()>& handler);
// The same with the report handed to `report`: for handlers nobody's click started (a
// timer, the bus), whose report must not wait for an answer.
bool runGuardedWith(const std::function<void(const QString&)>& report, const std::function<void()>& handler);

} // namespace platform
