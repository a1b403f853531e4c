#include "platform/messages.h"
#include "platform/seam.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>

namespace platform {
namespace {

QMessageBox::Icon boxIcon(Messages::Icon icon)
{
    switch (icon) {
    case Messages::Icon::Information:
        return QMessageBox::Information;
    case Messages::Icon::Exclamation:
        return QMessageBox::Warning;
    case Messages::Icon::Critical:
        return QMessageBox::Critical;
    case Messages::Icon::Question:
        return QMessageBox::Question;
    case Messages::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Messages::Buttons buttons)
{
    switch (buttons) {
    case Messages::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Messages::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Messages::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

int noAnswer(Messages::Buttons buttons)
{
    return buttons == Messages::Buttons::OkCancel ? Messages::Cancel
        : buttons == Messages::Buttons::YesNo     ? Messages::No
                                                  : Messages::Ok;
}

} // namespace

int QtMessages::show(QWidget* parent, const QString& caption, const QString& text, Icon icon, Buttons buttons)
{
    QMessageBox box(boxIcon(icon), caption, text, boxButtons(buttons), parent);
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    case QMessageBox::Cancel:
        return Cancel;
    case QMessageBox::Ok:
        return Ok;
    default:
        // Closed without a button: the box's own way out.
        return noAnswer(buttons);
    }
}

int StderrMessages::show(QWidget*, const QString& caption, const QString& text, Icon, Buttons buttons)
{
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    std::fflush(stderr);
    return noAnswer(buttons);
}

bool hasDisplay()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

using MessagesSeam = Seam<Messages, QtMessages>;

Messages& messages()
{
    return MessagesSeam::get();
}

void setMessages(Messages* messages)
{
    MessagesSeam::install(messages);
}

QString applicationCaption()
{
    if (!QCoreApplication::instance())
        return QStringLiteral("quillby");
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("quillby") : name;
}

} // namespace platform
