#pragma once

class QString;
class QWidget;

// How our windows read to a screen reader (Qt bridges them to AT-SPI). Installed once,
// before the first window: a window of ours offers only the controls that are shown and
// usable, and one marked as an alert reads as one.
void InstallAccessibility();

// A window that opened by itself: it reads as an alert named by its topic, and the screen
// reader is told at once, even though the window did not take the focus.
void AnnounceAlert(QWidget* window, const QString& topic);
