#pragma once

#include "widgets/picture_dialog.h"

class CButtonST;
class QLineEdit;

// The guard mode menu: "ATTENTION MODE" opens the sensor dialog, "LEAVE MODE" the
// leave-mode dialog; either way the menu then closes.
class CModeDlg final : public PictureDialog {
    Q_OBJECT

public:
    explicit CModeDlg(QWidget* parent = nullptr);

private:
    void onAttention(); // button 1006
    void onLeave();     // button 1005
    // Its mode dialogs are modal to the main window, not to this menu: one at a time.
    bool m_modeOpen = false;
};

// Attention mode: "ON" and "OFF" arm and disarm the sensor watch and stay open.
class CSensorDlg final : public PictureDialog {
    Q_OBJECT

public:
    explicit CSensorDlg(QWidget* parent = nullptr);
};

// Leave mode: the idle minutes (1 to 9999, the spin arrows beside them), "ON" and "OFF".
class CWaitDlg final : public PictureDialog {
    Q_OBJECT

public:
    explicit CWaitDlg(QWidget* parent = nullptr);

    int minutes() const { return m_minutes; }

private:
    void onMinutesChanged();
    void setMinutes(int minutes);
    void onOn();

    int m_minutes = 1;
    QLineEdit* m_edit;
};
