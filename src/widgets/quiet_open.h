#pragma once

#include <functional>

class QDialog;
class QWidget;

// The one way a window that opens by itself is shown (rules in quiet_open_policy.h).
namespace quiet_open {

// The compositor focuses every new window (Qt on Wayland). Tests may pretend either way.
bool PlatformFocusesNewWindows();
// Mapping a modal window asks for its activation (Qt on X11).
bool ModalWindowsTakeTheFocus();
// -1 asks Qt, 0 pretends X11, 1 pretends Wayland.
void setPlatformOverride(int focuses);

// Shows the window without activating it: at once, or at the user's next pause in
// typing; then onShown runs. A later Cancel, hide or deletion drops a pending show.
void Show(QWidget* window, std::function<void()> onShown = {});
// The same for a modal dialog, run once it may map. A dialog closed before that (its
// notification answered) or an event loop that ends meanwhile is not shown: the answer
// is then the dialog's result as it stands. On X11 the dialog runs modeless (the caller
// still waits for it, our other windows are disabled meanwhile): Qt would ask the window
// manager to activate a modal one.
int Exec(QDialog* dialog);
// Drops a show that is still waiting for a pause.
void Cancel(QWidget* window);
// Whether a show is waiting for a pause.
bool Pending(const QWidget* window);
// Polls at once instead of on the next timer turn (tests with a fake clock and idle).
void PollNow(QWidget* window);

} // namespace quiet_open
