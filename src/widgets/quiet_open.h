#pragma once

class QWidget;

// Windows that open by themselves (a ring window, the missed-alarms list, the guard's
// alert, the mail notice, a message nobody asked for) appear while the user is typing
// somewhere else, perhaps in one of our own dialogs. They are never modal, and no key
// meant for another window may act on them.
namespace quiet_open {

// Shows the window without activating it (on X11 the user time 0, which tells the window
// manager not to focus it). Where the compositor focuses every window it maps (Wayland)
// the caller shows it only when the user asked for it.
void ShowWithoutActivating(QWidget* window);

// Its buttons answer the mouse and the window's own keys only: none takes the focus (a
// space would press it) and none is a default button.
void KeepButtonsOffTheKeyboard(QWidget* window);

} // namespace quiet_open
