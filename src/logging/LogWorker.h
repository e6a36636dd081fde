#pragma once

#include "logging/ILogSink.h"

#include <QObject>

#include <memory>
#include <vector>

class LogQueue;

// Lives on the logging thread: takes the queued records and fans them out to its sinks.
class LogWorker : public QObject {
    Q_OBJECT
public:
    explicit LogWorker(LogQueue& queue);
    ~LogWorker() override;

    // Opens the sink and feeds it from now on; a sink that fails to open is dropped.
    bool addSink(std::unique_ptr<ILogSink> sink);
    // Delivers everything queued so far.
    void drain();
    // Delivers what is left, then closes and drops every sink.
    void shutdown();

private:
    void deliver(const LoggingData& record);

    LogQueue& m_queue;
    std::vector<std::unique_ptr<ILogSink>> m_sinks;
};
