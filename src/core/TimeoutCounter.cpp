#include "core/TimeoutCounter.h"

#include <QtGlobal>

TimeoutCounter::TimeoutCounter(QObject* parent, int tickMs)
    : QObject(parent), m_timer(this), m_tickMs(qMax(1, tickMs)) // the timer follows the counter to its thread
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TimeoutCounter::tick);
}

void TimeoutCounter::start(uint ms)
{
    m_timer.stop();
    ++m_generation;
    m_remaining = ms;
    reportAndGoOn();
}

void TimeoutCounter::stop()
{
    m_timer.stop();
    ++m_generation;
    m_remaining = 0;
}

void TimeoutCounter::armNext()
{
    m_step = qMin(m_remaining, static_cast<uint>(m_tickMs));
    m_timer.start(static_cast<int>(m_step));
}

void TimeoutCounter::tick()
{
    m_remaining -= qMin(m_step, m_remaining);
    reportAndGoOn();
}

void TimeoutCounter::reportAndGoOn()
{
    const quint64 generation = m_generation;
    emit updateTimeoutTime(m_remaining);
    if (generation != m_generation)
        return; // restarted or stopped by a receiver
    if (m_remaining == 0) {
        emit timeout();
        return;
    }
    armNext();
}
