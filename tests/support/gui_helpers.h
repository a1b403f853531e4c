#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

// Renders a window to a PNG in the build tree ("renders/") so a person can look at it.
inline QString saveRender(QWidget* widget, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/renders");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}
