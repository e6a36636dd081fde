#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <ctime>
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
