#pragma once

#include <QObject>
#include <QTimer>

// Countdown of a time-out. start() reports the remaining time at once and then
// after every tick (1000 ms unless given otherwise); at 0 it reports 0, emits
// timeout() and stops. The last step is shortened so the time-out is not late
// when the time is not a whole number of ticks.
class TimeoutCounter : public QObject {
    Q_OBJECT
public:
    explicit TimeoutCounter(QObject* parent = nullptr, int tickMs = 1000);

    bool isRunning() const { return m_timer.isActive(); }
    uint remaining() const { return m_remaining; }
    int tickMs() const { return m_tickMs; }

public slots:
    // (Re)starts the countdown; 0 expires at once.
    void start(uint ms);
    // Stops without emitting anything.
    void stop();

signals:
    void updateTimeoutTime(uint ms);
    void timeout();

private slots:
    void tick();

private:
    // Reports the remaining time, then expires or waits for the next tick.
    void reportAndGoOn();
    void armNext();

    QTimer m_timer;
    int m_tickMs;
    uint m_remaining = 0;
    uint m_step = 0;
    quint64 m_generation = 0;
};
