#include "platform/messages.h"
#include "platform/seam.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
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

class PostedBox final : public QMessageBox {
public:
    PostedBox(Icon icon, const QString& caption, const QString& text)
        : QMessageBox(icon, caption, text, QMessageBox::Ok)
    {
        setTextFormat(Qt::PlainText);
        setObjectName(QStringLiteral("postedMessage"));
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowModality(Qt::NonModal);
        setAttribute(Qt::WA_ShowWithoutActivating);
        for (QAbstractButton* button : buttons()) {
            button->setFocusPolicy(Qt::NoFocus);
            if (auto* push = qobject_cast<QPushButton*>(button))
                push->setAutoDefault(false);
        }
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            done(QMessageBox::Ok);
            break;
        default:
            event->accept(); // no letter presses a button here
            break;
        }
    }
};

} // namespace

void Messages::post(const QString& caption, const QString& text, Icon icon, std::function<void()> closed)
{
    show(nullptr, caption, text, icon, Buttons::Ok);
    if (closed)
        closed();
}

void QtMessages::post(const QString& caption, const QString& text, Icon icon, std::function<void()> closed)
{
    auto* box = new PostedBox(boxIcon(icon), caption, text);
    QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)] {
        if (closed)
            closed();
    });
    box->show();
}

int QtMessages::show(QWidget* parent, const QString& caption, const QString& text, Icon icon, Buttons buttons)
{
    // A box that only tells, asked for while one of ours is open (a check run again as its
    // field loses the focus to the first box): one keystroke never stacks boxes.
    static int open = 0;
    if (open > 0 && buttons == Buttons::Ok) {
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return Ok;
    }
    QMessageBox box(boxIcon(icon), caption, text, boxButtons(buttons), parent);
    box.setTextFormat(Qt::PlainText);
    // Over the dialog it belongs to, and modal to that dialog only: a ring window that
    // opens meanwhile stays answerable.
    box.setWindowModality(Qt::WindowModal);
    ++open;
    const int result = box.exec();
    --open;
    switch (result) {
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
