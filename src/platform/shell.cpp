#include "platform/shell.h"
#include "platform/seam.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>

namespace platform {

void SystemShell::launch(const std::string& path)
{
    const QFileInfo file(QFile::decodeName(path.c_str()));
    // A missing program is the normal case (no screen saver installed): stay quiet.
    if (path.empty() || !file.isFile() || !file.isExecutable())
        return;
    // The program's threads leave SIGTERM and SIGINT to one thread of their own; the
    // screen saver must not inherit them blocked. A signal meanwhile is passed on.
    sigset_t termination;
    sigemptyset(&termination);
    sigaddset(&termination, SIGTERM);
    sigaddset(&termination, SIGINT);
    sigset_t previous;
    ::pthread_sigmask(SIG_UNBLOCK, &termination, &previous);
    QProcess::startDetached(file.absoluteFilePath(), QStringList(), file.absolutePath());
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
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
