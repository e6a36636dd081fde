#include "logging/ConsoleLogSink.h"

#include "logging/LogFormat.h"

#include <climits>

ConsoleLogSink::ConsoleLogSink(std::FILE* out) : ILogSink(INT_MIN, INT_MAX), m_out(out) {}

QByteArray ConsoleLogSink::formatLine(const LoggingData& record)
{
    return QStringLiteral("%1 %2 %3: %4\n")
        .arg(record.time.toString(QStringLiteral("hh:mm:ss.zzz")), record.tag, logOrigin(record), record.text)
        .toUtf8();
}

void ConsoleLogSink::write(const LoggingData& record)
{
    const QByteArray line = formatLine(record);
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_out);
}

void ConsoleLogSink::flush() { std::fflush(m_out); }
