#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the UI thread (self-pipe), so a logout
// or a test ends the program the way "EXIT" does. While it lives, a process that has not
// ended 5 s after the first request ends at once with code 1 (a stuck UI thread).
class SignalBridge final : public QObject {
    Q_OBJECT

public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;
    Q_DISABLE_COPY_MOVE(SignalBridge)

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
