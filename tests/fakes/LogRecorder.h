#pragma once

#include "logging/ILogSink.h"
#include "logging/LoggingData.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <climits>
#include <functional>
#include <memory>

// Collects the records that reach a sink, for tests. makeSink() gives a sink to hand to
// LoggingCtrl::addSink; the recorder outlives it and can be read from any thread.
class LogRecorder : public std::enable_shared_from_this<LogRecorder> {
public:
    std::unique_ptr<ILogSink> makeSink(int minCategory = INT_MIN, int maxCategory = INT_MAX,
                                       ILogSink::Feed feed = ILogSink::Feed::Records);

    void record(const LoggingData& record);
    QList<LoggingData> records() const;
    // Records whose text contains the given text.
    int count(const QString& textPart) const;
    // Waits (processing events) until a record matches or the time is up.
    bool waitFor(const std::function<bool(const LoggingData&)>& match, int timeoutMs = 5000) const;
    void clear();

private:
    mutable QMutex m_mutex;
    QList<LoggingData> m_records;
};
