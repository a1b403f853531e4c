#pragma once

// Helpers for painting and pointer tests of the owner-drawn widgets.

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <QtGlobal>
#include <functional>

namespace widgets_test {

// Collects Qt's warnings while it lives (recursive paints, painter misuse).
class MessageCapture {
public:
    MessageCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&MessageCapture::handle);
    }
    ~MessageCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    Q_DISABLE_COPY_MOVE(MessageCapture)
    QStringList warnings;

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (s_current && type != QtDebugMsg && type != QtInfoMsg)
            s_current->warnings.append(text);
    }
    static inline MessageCapture* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

// Pictures written for a person to look at land beside the test executable.
inline QString artifactPath(const char* name)
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QString::fromLatin1(name));
}

inline QImage grabImage(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor pixelAt(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// The smallest rectangle holding every pixel that matches; empty when none does.
inline QRect boundingBox(
    const QImage& image, const std::function<bool(QColor)>& match, const QRect& area = {})
{
    const QRect scan = area.isNull() ? image.rect() : area & image.rect();
    QRect box;
    for (int y = scan.top(); y <= scan.bottom(); ++y) {
        for (int x = scan.left(); x <= scan.right(); ++x) {
            if (match(QColor(image.pixel(x, y))))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

inline bool sameRgb(QColor a, QColor b)
{
    return a.rgb() == b.rgb();
}

// Pointer events delivered straight to one widget, as Qt delivers them while the widget
// is under the pointer or holds the implicit grab.
inline void sendMouse(
    QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

inline void sendMove(QWidget* widget, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}

inline void sendPress(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonPress, pos, button, button);
}

inline void sendRelease(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

inline void sendLeave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace widgets_test
