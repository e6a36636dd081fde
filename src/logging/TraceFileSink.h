#pragma once

#include "logging/ILogSink.h"

#include <QFile>
#include <QString>

// The rolling trace file "<APP>.trc" in a folder. Before a line would take the file past
// the roll size it is renamed to "<APP>_1.trc" (older ones move up to "<APP>_2.trc" ...,
// the oldest beyond the kept count is deleted) and a new file is started, so every trace
// file keeps the ".trc" ending and none grows past the roll size.
class TraceFileSink : public ILogSink {
public:
    static constexpr qint64 RollSize = 51200;
    static constexpr int KeptRolledFiles = 9;

    TraceFileSink(const QString& folder, const QString& appName, qint64 rollSize = RollSize,
                  int keptRolledFiles = KeptRolledFiles);
    ~TraceFileSink() override;

    bool open() override;
    void write(const LoggingData& record) override;
    void flush() override;
    void close() override;

    QString filePath() const;
    // Path of the n-th rolled file (1 = the newest).
    QString rolledFilePath(int n) const;
    static QByteArray formatLine(const LoggingData& record);

private:
    bool openCurrent();
    void roll();

    QString m_folder;
    QString m_appName;
    qint64 m_rollSize;
    int m_kept;
    QFile m_file;
    qint64 m_size = 0;
};
