#pragma once

#include "fakes/NestedLoops.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QSemaphore>
#include <QThreadPool>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>
#include <unistd.h>

// Runs the event loop until the condition holds; false after the time-out.
template <typename Condition>
bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The resident memory of the process now, in MB.
inline double residentMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1048576.0;
}

inline double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// For hand-run benchmarks: the longest gap of a 10 ms timer on the GUI thread, the most
// processor time the thread spent within one gap (its work, whatever others load the
// machine with), and the peak resident memory while it runs.
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double gap = m_gap.nsecsElapsed() / 1e6 - 10;
            m_longest = std::max(m_longest, gap);
            m_over50 += gap > 50;
            m_gap.restart();
            const double cpu = threadCpuMs();
            m_work = std::max(m_work, cpu - m_cpu);
            m_cpu = cpu;
            m_peak = std::max(m_peak, residentMB());
        });
    }
    void start()
    {
        m_longest = 0;
        m_work = 0;
        m_over50 = 0;
        m_cpu = threadCpuMs();
        m_peak = residentMB();
        m_gap.start();
        m_timer.start();
    }
    double longestWorkMs() const { return m_work; }
    double stop()
    {
        m_timer.stop();
        return m_longest;
    }
    double peakMB() const { return m_peak; }
    // Gaps longer than 50 ms since the start.
    int over50() const { return m_over50; }

private:
    QTimer m_timer;
    QElapsedTimer m_gap;
    double m_longest = 0;
    double m_work = 0;
    double m_cpu = 0;
    double m_peak = 0;
    int m_over50 = 0;
};

// How late each tick of a 50 ms timer on this thread comes while it runs, in ms, and the
// nested event loops started meanwhile: what the operator feels of a flow that holds the
// window, and what would let a press re-enter it.
class TickLateness {
public:
    TickLateness()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_late.push_back(std::max(0.0, m_clock.nsecsElapsed() / 1e6 - 50));
            m_clock.restart();
        });
    }
    void start()
    {
        m_late.clear();
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    int ticks() const { return int(m_late.size()); }
    double worst() const { return m_late.empty() ? 0 : *std::max_element(m_late.begin(), m_late.end()); }
    // The lateness 95 % of the ticks stay within.
    double p95() const
    {
        if (m_late.empty())
            return 0;
        std::vector<double> sorted = m_late;
        std::sort(sorted.begin(), sorted.end());
        return sorted[(sorted.size() * 95 + 99) / 100 - 1];
    }
    QString text() const
    {
        return QStringLiteral("%1 ticks, worst %2 ms, 95 % within %3 ms; nested loops: %4")
            .arg(ticks())
            .arg(worst())
            .arg(p95())
            .arg(m_loops.refused().join(QLatin1String("; ")));
    }
    // Never late by more than 250 ms, by at most 100 ms in 95 % of the ticks, and no
    // nested loop but the allowed ones.
    bool onTime() const { return ticks() >= 5 && worst() <= 250 && p95() <= 100 && m_loops.refused().isEmpty(); }

private:
    NestedLoopWatch m_loops;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::vector<double> m_late;
};

// Holds the global pool's only thread until release(), or for holdMs from now when above 0:
// a job started meanwhile waits, so a flow is surely still running when something meets
// it. Once gone, the pool's jobs have ended and the pool is as before.
class PoolHold {
public:
    explicit PoolHold(int holdMs = 0) : m_threads(QThreadPool::globalInstance()->maxThreadCount())
    {
        QThreadPool::globalInstance()->setMaxThreadCount(1);
        const auto gate = m_gate;
        QThreadPool::globalInstance()->start([gate] { gate->tryAcquire(1, 30000); });
        if (holdMs > 0)
            QTimer::singleShot(holdMs, [gate] { gate->release(); });
    }
    ~PoolHold()
    {
        release();
        QThreadPool::globalInstance()->waitForDone();
        QThreadPool::globalInstance()->setMaxThreadCount(m_threads);
    }
    void release() { m_gate->release(); }

private:
    const int m_threads;
    const std::shared_ptr<QSemaphore> m_gate = std::make_shared<QSemaphore>();
};

// The things a flow of the window meets midway, one row each: the stick pulled, its own
// control pressed again, a test started.
inline void meetingRows()
{
    QTest::addColumn<QString>("event");
    for (const char* event : {"stick pulled", "pressed again", "test started"})
        QTest::newRow(event) << event;
}

// Starts a flow with the thread's 50 ms timer measured (the global pool held holdMs first,
// when above 0, so that the flow is surely midway); meetAtMs in, the flow meets something.
// Runs until the flow has ended and 150 ms more, in which a second run would have ended;
// false when it never ended. returnedMs: how long starting it held the thread.
inline bool runMeeting(TickLateness& ticks, int holdMs, int meetAtMs, const std::function<void()>& start,
                       const std::function<void()>& meet, const std::function<bool()>& ended,
                       qint64* returnedMs = nullptr)
{
    std::unique_ptr<PoolHold> hold;
    if (holdMs > 0)
        hold = std::make_unique<PoolHold>(holdMs);
    ticks.start();
    QObject context;
    QTimer::singleShot(meetAtMs, &context, meet);
    QElapsedTimer call;
    call.start();
    start();
    if (returnedMs)
        *returnedMs = call.elapsed();
    const bool done = QTest::qWaitFor(ended, 20000);
    QTest::qWait(150);
    ticks.stop();
    return done;
}
