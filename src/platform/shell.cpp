#include "platform/shell.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace platform {

void SystemShell::launch(const std::string& path)
{
    const QFileInfo file(QFile::decodeName(path.c_str()));
    // A missing program is the normal case (no screen saver installed): stay quiet.
    if (path.empty() || !file.isFile() || !file.isExecutable())
        return;
    QProcess::startDetached(file.absoluteFilePath(), QStringList(), file.absolutePath());
}

namespace {

Shell* g_installed = nullptr;

Shell& systemShell()
{
    static SystemShell instance;
    return instance;
}

} // namespace

Shell& shell()
{
    return g_installed ? *g_installed : systemShell();
}

void setShell(Shell* shell)
{
    g_installed = shell;
}

} // namespace platform
