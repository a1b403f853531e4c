#include "platform/shell.h"
#include "platform/seam.h"

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

using ShellSeam = Seam<Shell, SystemShell>;

Shell& shell()
{
    return ShellSeam::get();
}

void setShell(Shell* shell)
{
    ShellSeam::install(shell);
}

} // namespace platform
