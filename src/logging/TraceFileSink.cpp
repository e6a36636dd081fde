#include "logging/TraceFileSink.h"

#include "logging/LogFormat.h"

#include <QDir>

#include <climits>

TraceFileSink::TraceFileSink(const QString& folder, const QString& appName, qint64 rollSize, int keptRolledFiles)
    : ILogSink(INT_MIN, INT_MAX), m_folder(folder), m_appName(appName), m_rollSize(rollSize),
      m_kept(keptRolledFiles < 0 ? 0 : keptRolledFiles)
{
}

TraceFileSink::~TraceFileSink() { close(); }

QString TraceFileSink::filePath() const { return m_folder + QLatin1Char('/') + m_appName + QStringLiteral(".trc"); }

QString TraceFileSink::rolledFilePath(int n) const
{
    return m_folder + QLatin1Char('/') + m_appName + QStringLiteral("_%1.trc").arg(n);
}

QByteArray TraceFileSink::formatLine(const LoggingData& record)
{
    return QStringLiteral("%1 #%2 %3:%4 %5 %6: %7\n")
        .arg(record.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")))
        .arg(record.sequence)
        .arg(record.pid)
        .arg(record.threadId)
        .arg(record.tag, logOrigin(record), record.text)
        .toUtf8();
}

bool TraceFileSink::open()
{
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder))
        return false;
    return openCurrent();
}

bool TraceFileSink::openCurrent()
{
    m_file.setFileName(filePath());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    m_size = m_file.size();
    return true;
}

void TraceFileSink::write(const LoggingData& record)
{
    const QByteArray line = formatLine(record);
    if (m_file.isOpen() && m_size > 0 && m_size + line.size() > m_rollSize)
        roll();
    if (!m_file.isOpen() && !openCurrent())
        return;
    const qint64 written = m_file.write(line);
    if (written > 0)
        m_size += written;
}

void TraceFileSink::roll()
{
    m_file.close();
    if (m_kept == 0) {
        QFile::remove(filePath());
    } else {
        QFile::remove(rolledFilePath(m_kept));
        for (int n = m_kept - 1; n >= 1; --n) {
            if (QFile::exists(rolledFilePath(n)))
                QFile::rename(rolledFilePath(n), rolledFilePath(n + 1));
        }
        // A file that cannot be moved aside is dropped rather than grown without end.
        if (!QFile::rename(filePath(), rolledFilePath(1)))
            QFile::remove(filePath());
    }
    m_size = 0;
    openCurrent();
}

void TraceFileSink::flush()
{
    if (m_file.isOpen())
        m_file.flush();
}

void TraceFileSink::close()
{
    if (m_file.isOpen())
        m_file.close();
}
