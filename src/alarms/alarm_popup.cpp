#include "alarms/alarm_popup.h"

#include "platform/messages.h"
#include "sound/sound_table.h"
#include "widgets/button_st.h"
#include "widgets/dialog_units.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <string>

AlarmPopup::AlarmPopup(int dialogId, int widthDlu, int heightDlu, QColor background, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_background(background)
{
    setProperty("dialogId", dialogId);
    setFixedSize(dluSize(widthDlu, heightDlu));
    // Modal to the window that opened it, not to the program: a ring window that opens
    // meanwhile stays answerable above it.
    setWindowModality(Qt::WindowModal);
    // The layouts are in dialog units of an 8-point dialog font: 11 pixels fits them.
    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setPixelSize(11);
    setFont(font);
}

void AlarmPopup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.setPen(QColor(100, 100, 100));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void AlarmPopup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (readBack())
            reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

namespace alarm_ui {

void skinIconButton(CButtonST* button, int iconId)
{
    button->SetIcon(iconId);
    button->SetDrawBorder(false, false);
    button->SetTransparent(true);
    button->setAutoDefault(false);
}

void setEditText(QLineEdit* edit, const QString& text)
{
    if (edit->text() == text)
        return;
    const QSignalBlocker block(edit);
    edit->setText(text);
}

void playSlot(int slot)
{
    const std::string key = "@" + std::to_string(slot);
    PlaySoundSlot(slot, key.c_str());
}

void tell(QWidget* parent, const QString& text)
{
    platform::messages().show(parent, platform::applicationCaption(), text, platform::Messages::Icon::Exclamation);
}

QString fromLocal(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string toLocal(const QString& text)
{
    return text.toStdString();
}

} // namespace alarm_ui
