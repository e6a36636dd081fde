#pragma once

#include <QObject>

class QSocketNotifier;

// Turns Unix signals into a Qt signal through a self-pipe: the handler only writes
// the signal number; everything else happens in the event loop.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

    bool watch(int signalNumber);

signals:
    void unixSignal(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
