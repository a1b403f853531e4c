#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>

namespace test {

// A dbus-daemon of the test's own, ended with it. start() gives its address, empty when
// no daemon could be started.
struct PrivateBus {
    QProcess daemon;
    QString address;

    ~PrivateBus()
    {
        daemon.kill();
        daemon.waitForFinished(10000);
    }
    QString start()
    {
        daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
        const QDeadlineTimer deadline(30000);
        QByteArray out;
        while (!out.contains('\n') && daemon.waitForReadyRead(qMax<qint64>(1, deadline.remainingTime())))
            out += daemon.readAllStandardOutput();
        return address = QString::fromUtf8(out.trimmed());
    }
};

} // namespace test
