#pragma once

#include <QDialog>

class QLabel;

// The guard's "Hey!! Don't Move!!" picture: caption-less, top-most, not movable. A window
// of its own that never takes the keyboard: it must be seen while the main window is
// hidden or minimised, and the user may be typing elsewhere.
class CNotMoveDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kText = QT_TR_NOOP("Hey!! Don't Move!!");

    CNotMoveDlg();

    // Shows the window without taking the keyboard.
    void Open();

private:
    QLabel* m_picture;
};

using AlertWindow = CNotMoveDlg;
