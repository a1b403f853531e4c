#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT are blocked in every thread (BlockTerminationSignals, first thing in
// main, so every thread started later inherits it) and taken by one thread of its own,
// which hands them to the UI thread as a Qt signal, so a logout or a test ends the
// program the way "EXIT" does. That thread does not depend on the UI thread: when the
// process has not ended 5 s after the first request (the UI thread stuck in a read of a
// hung file system, say), it ends it with code 1.
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

// Blocks SIGTERM and SIGINT in the calling thread and in every thread it starts later.
void BlockTerminationSignals();
