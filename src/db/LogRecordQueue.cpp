#include "LogRecordQueue.h"

#include <QMutexLocker>

LogRecordQueue::LogRecordQueue(int capacity) : m_capacity(qMax(1, capacity)) {}

bool LogRecordQueue::push(const Row& row)
{
    QMutexLocker lock(&m_mutex);
    const bool wasEmpty = m_rows.isEmpty();
    if (m_rows.size() >= m_capacity) {
        // Drop a tenth at once so a full queue does not shift on every row.
        const int n = qMax(1, m_capacity / 10);
        m_rows.remove(0, n);
        m_dropped += n;
    }
    m_rows.append(row);
    return wasEmpty;
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
