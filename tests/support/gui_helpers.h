#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>
#include <ostream>
#include <vector>

// Renders a window to a PNG in the build tree ("renders/") so a person can look at it.
inline QString saveRender(QWidget* widget, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/renders");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// The top-level windows of one objectName that are still open (shown or waiting), oldest
// first: the windows that open by themselves are found as a user finds them.
template <class Window = QWidget>
std::vector<Window*> openWindows(const QString& objectName, bool visibleOnly = false)
{
    std::vector<Window*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<Window*>(w);
        if (window && w->objectName() == objectName && (!visibleOnly || w->isVisible()))
            found.push_back(window);
    }
    return found;
}
