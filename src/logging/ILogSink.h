#pragma once

#include "logging/LoggingData.h"

// One destination of log records. The logging thread owns its sinks: open(), write(),
// flush() and close() all run there, never on the thread that logged the record.
// write() must not wait for the thread that calls LoggingCtrl::release() (usually the
// GUI thread), or shutdown would deadlock.
class ILogSink {
public:
    // Which records a sink is fed with: ordinary records of a category range, or
    // the records queued by LoggingCtrl::logService alone.
    enum class Feed { Records, ServiceRecords };

    ILogSink(int minCategory, int maxCategory, Feed feed = Feed::Records);
    virtual ~ILogSink();

    ILogSink(const ILogSink&) = delete;
    ILogSink& operator=(const ILogSink&) = delete;

    bool accepts(const LoggingData& record) const;
    // The console sink is the only one that runs when CONSOLE_LOGGING is set.
    virtual bool isConsole() const { return false; }

    // Called once on the logging thread before the first write; false disables the sink.
    virtual bool open() { return true; }
    virtual void write(const LoggingData& record) = 0;
    // Called when the queue has been drained for now.
    virtual void flush() {}
    virtual void close() {}

    int minCategory() const { return m_minCategory; }
    int maxCategory() const { return m_maxCategory; }
    Feed feed() const { return m_feed; }

private:
    int m_minCategory;
    int m_maxCategory;
    Feed m_feed;
};
