#include "logging/LogWorker.h"

#include "logging/LogQueue.h"
#include "logging/MessageCategories.h"

#include <QCoreApplication>

LogWorker::LogWorker(LogQueue& queue) : m_queue(queue) {}

LogWorker::~LogWorker() { shutdown(); }

bool LogWorker::addSink(std::unique_ptr<ILogSink> sink)
{
    if (!sink || !sink->open())
        return false;
    m_sinks.push_back(std::move(sink));
    return true;
}

void LogWorker::drain()
{
    quint64 dropped = 0;
    std::deque<LoggingData> records = m_queue.takeAll(dropped);
    if (dropped > 0) {
        LoggingData note;
        note.time = QDateTime::currentDateTime();
        note.pid = QCoreApplication::applicationPid();
        note.category = CAT_WARN;
        note.tag = QStringLiteral("WARN");
        note.file = QStringLiteral("LoggingCtrl");
        note.function = QStringLiteral("drain");
        note.text = QStringLiteral("%1 log records dropped: queue full").arg(dropped);
        records.push_front(note);
    }
    if (records.empty())
        return;
    for (LoggingData& record : records) {
        if (!record.time.isValid())
            record.time = QDateTime::fromMSecsSinceEpoch(record.utcMsecs);
        deliver(record);
    }
    for (auto& sink : m_sinks)
        sink->flush();
}

void LogWorker::shutdown()
{
    drain();
    for (auto& sink : m_sinks)
        sink->close();
    m_sinks.clear();
}

void LogWorker::deliver(const LoggingData& record)
{
    for (auto& sink : m_sinks) {
        if (sink->accepts(record))
            sink->write(record);
    }
}
