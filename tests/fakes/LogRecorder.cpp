#include "fakes/LogRecorder.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QTest>

namespace {
class RecordingSink : public ILogSink {
public:
    RecordingSink(std::shared_ptr<LogRecorder> recorder, int minCategory, int maxCategory, Feed feed)
        : ILogSink(minCategory, maxCategory, feed), m_recorder(std::move(recorder))
    {
    }
    void write(const LoggingData& record) override { m_recorder->record(record); }

private:
    std::shared_ptr<LogRecorder> m_recorder;
};
} // namespace

std::unique_ptr<ILogSink> LogRecorder::makeSink(int minCategory, int maxCategory, ILogSink::Feed feed)
{
    return std::make_unique<RecordingSink>(shared_from_this(), minCategory, maxCategory, feed);
}

void LogRecorder::record(const LoggingData& record)
{
    QMutexLocker lock(&m_mutex);
    m_records.append(record);
}

QList<LoggingData> LogRecorder::records() const
{
    QMutexLocker lock(&m_mutex);
    return m_records;
}

int LogRecorder::count(const QString& textPart) const
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const LoggingData& r : m_records) {
        if (r.text.contains(textPart))
            ++n;
    }
    return n;
}

bool LogRecorder::waitFor(const std::function<bool(const LoggingData&)>& match, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        for (const LoggingData& r : records()) {
            if (match(r))
                return true;
        }
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
}

void LogRecorder::clear()
{
    QMutexLocker lock(&m_mutex);
    m_records.clear();
}
