#pragma once

#include <functional>

class QWidget;

namespace platform {

// Runs one UI entry point (timer, command, notification). A file or invalid-argument
// error is shown in a message box and abandons the rest of the handler, as the
// framework's dispatcher does; nothing escapes into Qt's event loop.
// Returns false when the handler was abandoned.
bool runGuarded(QWidget* parent, const std::function<void()>& handler);

} // namespace platform
