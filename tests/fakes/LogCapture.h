#pragma once

#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"

#include <functional>
#include <memory>

// A running logger for one test program whose records are kept for inspection.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();

    bool isRunning() const;
    void clear() { m_recorder->clear(); }
    // The records whose text equals text, once everything logged before this call
    // has been delivered (processes events while it waits).
    QList<LoggingData> delivered(const QString& text);
    // The same for the records that match.
    QList<LoggingData> deliveredWhere(const std::function<bool(const LoggingData&)>& match);
    // The service-log records (LoggingCtrl::logService) delivered so far, in order.
    QList<LoggingData> deliveredService();

private:
    std::shared_ptr<LogRecorder> m_recorder = std::make_shared<LogRecorder>();
    std::shared_ptr<LogRecorder> m_service = std::make_shared<LogRecorder>();
    std::unique_ptr<LoggingCtrl> m_logger;
};
