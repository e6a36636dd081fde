#pragma once

#include "logging/ILogSink.h"
#include "db/LogRecordQueue.h"

#include <memory>

class DB;
class LoggingCtrl;

// Log sink feeding the message log or the service log table. It runs on the logging
// thread and only hands rows to the database's queue; the database writes them in
// batches on its own thread, so neither log() nor the logging thread waits for the disk.
class DbLogSink : public ILogSink {
public:
    // Message log: FATAL to MEAS (the test log lines are MEAS records).
    static std::unique_ptr<DbLogSink> messageLog(std::shared_ptr<LogRecordQueue> queue);
    // Service log: the records of LoggingCtrl::logService.
    static std::unique_ptr<DbLogSink> serviceLog(std::shared_ptr<LogRecordQueue> queue);
    // Adds both sinks of db to logger.
    static void attach(LoggingCtrl& logger, const DB& db);

    DbLogSink(int minCategory, int maxCategory, Feed feed, std::shared_ptr<LogRecordQueue> queue);

    void write(const LoggingData& record) override;
    // Hands the rows gathered since the last flush over in one go.
    void flush() override;
    void close() override;

private:
    std::shared_ptr<LogRecordQueue> m_queue;
    QVector<LogRecordQueue::Row> m_pending;
};
