#include "fakes/LogCapture.h"

#include <QtGlobal>

LogCapture::LogCapture()
{
    qunsetenv("CONSOLE_LOGGING");
    m_logger = std::make_unique<LoggingCtrl>();
    m_logger->addSink(m_recorder->makeSink());
    m_logger->addSink(m_service->makeSink(INT_MIN, INT_MAX, ILogSink::Feed::ServiceRecords));
    m_logger->initialize();
}

LogCapture::~LogCapture() = default;

bool LogCapture::isRunning() const { return m_logger->isRunning(); }

QList<LoggingData> LogCapture::delivered(const QString& text)
{
    return deliveredWhere([&text](const LoggingData& r) { return r.text == text; });
}

QList<LoggingData> LogCapture::deliveredWhere(const std::function<bool(const LoggingData&)>& match)
{
    static int marker = 0;
    const QString m = QStringLiteral("-- log capture marker %1 --").arg(++marker);
    LoggingCtrl::log(CAT_INF, "INF", m, -1, "LogCapture", "delivered");
    QList<LoggingData> found;
    if (!m_recorder->waitFor([&](const LoggingData& r) { return r.text == m; }))
        return found;
    for (const LoggingData& r : m_recorder->records()) {
        if (match(r))
            found << r;
    }
    return found;
}

QList<LoggingData> LogCapture::deliveredService()
{
    // Both feeds leave the logging thread in order: once the marker is through, so is
    // every service record queued before it.
    deliveredWhere([](const LoggingData&) { return false; });
    return m_service->records();
}
