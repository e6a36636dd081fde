#include "db/LogRecordQueue.h"

#include <QMutexLocker>

LogRecordQueue::LogRecordQueue(int capacity) : m_capacity(qMax(1, capacity)) {}

void LogRecordQueue::setWakeUp(std::function<void()> wakeUp)
{
    QMutexLocker lock(&m_mutex);
    m_wakeUp = std::move(wakeUp);
}

void LogRecordQueue::push(const Row& row) { push(QVector<Row>{row}); }

void LogRecordQueue::push(const QVector<Row>& rows)
{
    if (rows.isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    m_rows += rows;
    if (m_rows.size() > m_capacity) {
        // Drop at least a tenth at once so a full queue does not shift on every row.
        const int n = qMin(m_rows.size(), qMax(m_rows.size() - m_capacity, m_capacity / 10));
        m_rows.remove(0, n);
        m_dropped += n;
    }
    if (m_wakeUp)
        m_wakeUp();
}

QVector<LogRecordQueue::Row> LogRecordQueue::takeAll(int* dropped)
{
    QMutexLocker lock(&m_mutex);
    QVector<Row> rows;
    rows.swap(m_rows);
    if (dropped)
        *dropped = m_dropped;
    m_dropped = 0;
    return rows;
}

void LogRecordQueue::restore(const QVector<Row>& rows)
{
    QMutexLocker lock(&m_mutex);
    QVector<Row> merged = rows;
    merged += m_rows;
    const int excess = merged.size() - m_capacity;
    if (excess > 0) {
        merged.remove(0, excess);
        m_dropped += excess;
    }
    m_rows.swap(merged);
}

int LogRecordQueue::size() const
{
    QMutexLocker lock(&m_mutex);
    return m_rows.size();
}
