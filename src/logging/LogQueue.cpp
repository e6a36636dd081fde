#include "logging/LogQueue.h"

#include <QMutexLocker>

void LogQueue::push(LoggingData record)
{
    QMutexLocker lock(&m_mutex);
    const std::size_t limit = m_wakeUp ? RunningLimit : IdleLimit;
    while (m_records.size() >= limit) {
        m_records.pop_front();
        ++m_dropped;
    }
    const bool wasEmpty = m_records.empty();
    record.sequence = ++m_sequence;
    m_records.push_back(std::move(record));
    if (wasEmpty && m_wakeUp)
        m_wakeUp();
}

std::deque<LoggingData> LogQueue::takeAll(quint64& dropped)
{
    QMutexLocker lock(&m_mutex);
    std::deque<LoggingData> out;
    out.swap(m_records);
    dropped = m_dropped;
    m_dropped = 0;
    return out;
}

bool LogQueue::attach(std::function<void()> wakeUp)
{
    QMutexLocker lock(&m_mutex);
    if (m_wakeUp)
        return false;
    m_wakeUp = std::move(wakeUp);
    if (!m_records.empty() && m_wakeUp)
        m_wakeUp();
    return true;
}

void LogQueue::detach()
{
    QMutexLocker lock(&m_mutex);
    m_wakeUp = nullptr;
}

bool LogQueue::isAttached() const
{
    QMutexLocker lock(&m_mutex);
    return static_cast<bool>(m_wakeUp);
}

std::size_t LogQueue::size() const
{
    QMutexLocker lock(&m_mutex);
    return m_records.size();
}
