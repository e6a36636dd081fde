#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>

class IWatchdogDevice;
class QTimer;

// Lives on the watchdog thread. Every period it sends a heartbeat to each guarded
// thread and resets the hardware watchdog only when every guarded thread answered the
// previous heartbeat; a thread that hangs therefore lets the board reset. A thread
// waiting within a bounded operation answers through Heartbeat::alive().
class TWatchdog : public QObject {
    Q_OBJECT
public:
    TWatchdog(IWatchdogDevice* device, int periodMs, QObject* parent = nullptr);
    ~TWatchdog() override;

    // context must live on the guarded thread and outlive its attachment.
    // Safe from any thread.
    void attach(QObject* context, const QString& name);
    void detach(QObject* context);
    QStringList guardedThreads() const;

    quint64 kicks() const { return m_kicks.load(); }
    int periodMs() const { return m_periodMs; }

public slots:
    // Opens the device and starts the heartbeat; runs on the watchdog thread.
    void begin();
    // Stops the heartbeat and disarms the device.
    void finish();

signals:
    void kicked(quint64 count);
    // The named threads did not answer in time; the watchdog was not reset.
    void heartbeatMissed(QStringList threads);

private:
    void tick();

    struct Guarded {
        QObject* context = nullptr;
        QString name;
        std::shared_ptr<std::atomic<quint64>> answered;
    };

    IWatchdogDevice* m_device;
    const int m_periodMs;
    QTimer* m_timer = nullptr;
    mutable QMutex m_mutex; // guards m_guarded
    QVector<Guarded> m_guarded;
    // The heartbeat under way; also read by the answers of waiting threads.
    std::shared_ptr<std::atomic<quint64>> m_round = std::make_shared<std::atomic<quint64>>(0);
    std::atomic<quint64> m_kicks{0};
    bool m_deviceOpen = false;
    bool m_missing = false; // a miss is logged once until the heartbeat is whole again
};
