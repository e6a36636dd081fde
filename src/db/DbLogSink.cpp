#include "db/DbLogSink.h"

#include "db/DB.h"
#include "logging/LoggingCtrl.h"
#include "logging/MessageCategories.h"

#include <QDateTime>

DbLogSink::DbLogSink(int minCategory, int maxCategory, Feed feed, std::shared_ptr<LogRecordQueue> queue)
    : ILogSink(minCategory, maxCategory, feed), m_queue(std::move(queue))
{
}

std::unique_ptr<DbLogSink> DbLogSink::messageLog(std::shared_ptr<LogRecordQueue> queue)
{
    return std::make_unique<DbLogSink>(CAT_FATAL, CAT_MEAS, Feed::Records, std::move(queue));
}

std::unique_ptr<DbLogSink> DbLogSink::serviceLog(std::shared_ptr<LogRecordQueue> queue)
{
    return std::make_unique<DbLogSink>(CAT_NONE, CAT_SKPOUT, Feed::ServiceRecords, std::move(queue));
}

void DbLogSink::attach(LoggingCtrl& logger, const DB& db)
{
    logger.addSink(messageLog(db.messageQueue()));
    logger.addSink(serviceLog(db.serviceQueue()));
}

void DbLogSink::write(const LoggingData& record)
{
    LogRecordQueue::Row row;
    row.msecsSinceEpoch = record.time.isValid() ? record.time.toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
    row.category = record.category;
    row.text = record.text;
    m_pending.append(row);
    // Keep the batch bounded should a long drain not reach flush() soon.
    if (m_pending.size() >= 10000)
        flush();
}

void DbLogSink::flush()
{
    m_queue->push(m_pending);
    m_pending.clear();
}

void DbLogSink::close() { flush(); }
