#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;
class QProcess;
class QWidget;

// What a run of pkexec and the helper came to, told to the user.
struct ToyRuleOutcome {
    bool installed = false; // the rule is in place (udev may not have applied it yet)
    QString text;
};

// The rule from pkexec's exit code and what it and the helper printed. pkexec exits
// 126 when its dialog was dismissed and 127 when the user may not act as root or no
// polkit agent could ask; what it printed tells these apart. sudoCommand is offered
// where polkit cannot help.
ToyRuleOutcome DescribeToyRuleOutcome(
    int exitCode, bool crashed, const QString& out, const QString& err, const QString& sudoCommand);

// "Allow this user to use the toy…": pkexec runs the rule helper, polkit asks for the
// administrator's password, and the helper has udev replay the hidraw devices, so the
// hot-plug path finds a toy already plugged in.
class ToyRuleFix final : public QObject {
    Q_OBJECT

public:
    // Runs pkexec with the helper where the program keeps its helpers, when both exist.
    explicit ToyRuleFix(QWidget* owner);
    ~ToyRuleFix() override;
    Q_DISABLE_COPY_MOVE(ToyRuleFix)

    // Asynchronous; a second call while the first runs does nothing. Without pkexec or the
    // helper it tells the command to run by hand (fallbackCommand).
    void start(const QString& fallbackCommand);
    bool running() const { return m_process != nullptr; }
    // What runs instead (tests); an empty program means pkexec or the helper is missing.
    void setCommand(QString program, QStringList arguments);

    // The toy's line (disabled, for reading) and, where the rule is missing, the offer.
    void addMenuItems(QMenu& menu, const QString& toyLine, bool offer, const QString& fallbackCommand);

Q_SIGNALS:
    void finished(bool installed);

private:
    void done(int exitCode, bool crashed);

    QWidget* m_owner;
    QString m_program;
    QStringList m_arguments;
    QString m_fallbackCommand;
    QProcess* m_process = nullptr;
};
