#include "app/toy_rule_fix.h"

#include "app/toy_doctor_cli.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QMenu>
#include <QProcess>
#include <QWidget>
#include <unistd.h>

namespace {

// pkexec's own exit codes: the dialog was dismissed, or the user may not act as root.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;

} // namespace

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
    m_process = new QProcess(this);
    m_process->setObjectName(QStringLiteral("toyRuleFix"));
    connect(m_process, &QProcess::finished, this,
        [this](int exitCode, QProcess::ExitStatus status) { done(exitCode, status == QProcess::CrashExit); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(-1, true);
    });
    m_process->start(m_program, m_arguments);
}

void ToyRuleFix::done(int exitCode, bool crashed)
{
    const QString said = QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
    m_process->deleteLater();
    m_process = nullptr;
    const bool installed = !crashed && exitCode == 0;
    QString text;
    if (installed)
        text = tr("The toy's udev rule is installed: a plugged-in toy is found in a moment.");
    else if (!crashed && (exitCode == kPkexecDismissed || exitCode == kPkexecNotAuthorized))
        text = tr(
            "The toy's udev rule was not installed: the administrator's password was not given.");
    else
        text = tr("Installing the toy's udev rule failed")
            + (said.isEmpty() ? QStringLiteral(".") : QStringLiteral(":\n") + said);
    platform::messages().show(m_owner, platform::applicationCaption(), text,
        installed ? platform::Messages::Icon::Information : platform::Messages::Icon::Exclamation);
    Q_EMIT finished(installed);
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
