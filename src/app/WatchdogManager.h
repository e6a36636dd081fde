#pragma once

#include "core/ISingleton.h"

#include <QObject>
#include <QStringList>

#include <memory>

class IWatchdogDevice;
class ThreadGuard;
class TWatchdog;

// Runs TWatchdog on its own thread "WatchdogThread" and keeps the list of guarded
// threads. The device is the platform's watchdog unless another is given.
class WatchdogManager : public QObject, public ISingleton<WatchdogManager> {
    Q_OBJECT
    friend class ISingleton<WatchdogManager>;

public:
    static constexpr int kHeartbeatMs = 1000;

    // Starts the watchdog thread and returns once the heartbeat runs.
    bool start(IWatchdogDevice* device = nullptr, int periodMs = kHeartbeatMs);
    // Stops the heartbeat, disarms the device and joins the thread.
    void stop();
    bool isRunning() const;

    // Guards the thread that context lives on; the context must outlive the
    // attachment (detach it or stop the manager before deleting it).
    void attachThread(QObject* context, const QString& name = QString());
    void detachThread(QObject* context);
    QStringList guardedThreads() const;
    quint64 kicks() const;

signals:
    void kicked(quint64 count);
    void heartbeatMissed(QStringList threads);

private:
    WatchdogManager();
    ~WatchdogManager() override;

    std::unique_ptr<ThreadGuard> m_guard;
    TWatchdog* m_dog = nullptr;
};
