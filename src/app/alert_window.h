#pragma once

#include <QDialog>

class QLabel;

// The guard's "Hey!! Don't Move!!" picture: caption-less, top-most, not movable.
class CNotMoveDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CNotMoveDlg(QWidget* owner);

private:
    QLabel* m_picture;
};

using AlertWindow = CNotMoveDlg;
