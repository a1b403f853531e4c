#include "app/toy_rule_fix.h"

#include "app/toy_doctor_cli.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QMenu>
#include <QProcess>
#include <csignal>
#include <QWidget>
#include <unistd.h>

namespace {

// pkexec's own exit codes: the dialog was dismissed, or the user may not act as root.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;

QString runInstead(const QString& sudoCommand)
{
    return QStringLiteral("\n\nRun instead in a terminal:\n\n") + sudoCommand;
}

} // namespace

ToyRuleOutcome DescribeToyRuleOutcome(
    int exitCode, bool crashed, const QString& out, const QString& err, const QString& sudoCommand)
{
    if (!crashed && exitCode == 0)
        return { true, QCoreApplication::translate("ToyRuleFix", "The toy's udev rule is installed: a plugged-in toy is found in a moment.") };
    // The helper says so before udevadm runs: a rule written stays written.
    const bool written = !crashed && out.contains(QStringLiteral("installed /"));
    if (written)
        return { true,
            QCoreApplication::translate("ToyRuleFix", "The toy's udev rule is installed, but udev did not apply it yet")
                + (err.isEmpty() ? QStringLiteral(".") : QStringLiteral(":\n") + err)
                + QCoreApplication::translate("ToyRuleFix", "\n\nUnplug the toy and plug it in again (or log out and in again) to use it.") };
    if (!crashed && (exitCode == kPkexecDismissed || exitCode == kPkexecNotAuthorized)) {
        if (err.contains(QStringLiteral("authentication agent"), Qt::CaseInsensitive))
            return { false,
                QCoreApplication::translate("ToyRuleFix", "The toy's udev rule was not installed: no polkit authentication agent runs in "
                               "this session, so nobody could be asked for the administrator's password.")
                    + runInstead(sudoCommand) };
        const bool dismissed = err.contains(QStringLiteral("dismissed"), Qt::CaseInsensitive)
            || (exitCode == kPkexecDismissed && !err.contains(QStringLiteral("Not authorized"), Qt::CaseInsensitive));
        if (dismissed)
            return { false,
                QCoreApplication::translate("ToyRuleFix", "The toy's udev rule was not installed: the administrator's password was not given.") };
        return { false,
            QCoreApplication::translate("ToyRuleFix", "The toy's udev rule was not installed: polkit does not allow this user to install it.")
                + runInstead(sudoCommand) };
    }
    return { false,
        QCoreApplication::translate("ToyRuleFix", "Installing the toy's udev rule failed")
            + (err.isEmpty() ? QStringLiteral(".") : QStringLiteral(":\n") + err) };
}

ToyRuleFix::ToyRuleFix(QWidget* owner)
    : QObject(owner)
    , m_owner(owner)
{
    const std::string helper = ToyRuleHelperPath(QCoreApplication::applicationFilePath().toStdString());
    const std::string pkexec = PkexecPath();
    if (!pkexec.empty() && ::access(helper.c_str(), X_OK) == 0)
        setCommand(QString::fromStdString(pkexec), { QString::fromStdString(helper) });
}

void ToyRuleFix::setCommand(QString program, QStringList arguments)
{
    m_program = std::move(program);
    m_arguments = std::move(arguments);
}

// A helper still running when the program ends is stopped with it: its write is atomic.
ToyRuleFix::~ToyRuleFix() = default;

void ToyRuleFix::start(const QString& fallbackCommand)
{
    if (m_process)
        return;
    if (m_program.isEmpty()) {
        platform::messages().show(m_owner, platform::applicationCaption(),
            tr(
                "The toy's udev rule can be installed from here only where pkexec "
                "and the program's helper are installed. Run instead (quillby --doctor prints it too):\n\n")
                + fallbackCommand,
            platform::Messages::Icon::Information);
        return;
    }
    m_fallbackCommand = fallbackCommand;
    m_process = new QProcess(this);
    m_process->setObjectName(QStringLiteral("toyRuleFix"));
    connect(m_process, &QProcess::finished, this,
        [this](int exitCode, QProcess::ExitStatus status) { done(exitCode, status == QProcess::CrashExit); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(-1, true);
    });
    // SIGTERM and SIGINT are blocked in our threads (app/signal_bridge.h), not in pkexec.
    m_process->setChildProcessModifier([] {
        sigset_t termination;
        sigemptyset(&termination);
        sigaddset(&termination, SIGTERM);
        sigaddset(&termination, SIGINT);
        ::pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
    });
    m_process->start(m_program, m_arguments);
}

void ToyRuleFix::done(int exitCode, bool crashed)
{
    const QString err = QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
    const QString out = QString::fromLocal8Bit(m_process->readAllStandardOutput());
    m_process->deleteLater();
    m_process = nullptr;
    // The helper itself, run by root through sudo, does what pkexec would have had it do.
    const QString sudo = m_arguments.isEmpty() ? m_fallbackCommand : QStringLiteral("sudo ") + m_arguments.last();
    const ToyRuleOutcome outcome = DescribeToyRuleOutcome(exitCode, crashed, out, err, sudo);
    platform::messages().show(m_owner, platform::applicationCaption(), outcome.text,
        outcome.installed && exitCode == 0 ? platform::Messages::Icon::Information
                                           : platform::Messages::Icon::Exclamation);
    Q_EMIT finished(outcome.installed);
}

void ToyRuleFix::addMenuItems(QMenu& menu, const QString& toyLine, bool offer, const QString& fallbackCommand)
{
    QAction* line = menu.addAction(toyLine);
    line->setObjectName(QStringLiteral("toyLine"));
    line->setEnabled(false);
    if (!offer)
        return;
    QAction* allow = menu.addAction(tr("Allow this user to use the toy…"));
    allow->setObjectName(QStringLiteral("allowToy"));
    allow->setEnabled(!running());
    connect(allow, &QAction::triggered, this, [this, fallbackCommand] { start(fallbackCommand); });
}
