#pragma once

#include <QColor>
#include <QDialog>
#include <QString>

class CButtonST;
class QLineEdit;

// The alarm dialogs' common frame: a pop-up with a thin border and no title bar,
// filled with one colour. Enter reads the fields back (readBack) and closes when that
// succeeds; Escape closes. Neither stores anything.
class AlarmPopup : public QDialog {
    Q_OBJECT

public:
    AlarmPopup(int dialogId, int widthDlu, int heightDlu, QColor background, QWidget* parent);

protected:
    virtual bool readBack() { return true; }
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor m_background;
};

namespace alarm_ui {

inline const QColor kLilac(217, 198, 223);
// The lists' rows: yellow and violet in turn, topics in red.
inline const QColor kEvenRow(255, 255, 65);
inline const QColor kOddRow(188, 148, 196);
inline const QColor kTopicText(255, 0, 0);
inline const QColor kPlainText(0, 0, 0);

// An icon plate: no border, drawn over what lies under it.
void skinIconButton(CButtonST* button, int iconId);
// Sets the text without firing the change handlers, and only when it differs.
void setEditText(QLineEdit* edit, const QString& text);
// "slot n" of the sound table.
void playSlot(int slot);
// An OK message with the program's name as caption.
void tell(QWidget* parent, const QString& text);
QString fromLocal(const std::string& text);
std::string toLocal(const QString& text);

} // namespace alarm_ui
