#pragma once

#include "logging/MessageCategories.h"
#include "maintenance/SystemLog.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUuid>

// Exports the instrument's logs (the system log report and, when asked, an archive of
// the trace files) to the stick or another folder, and resets the logged data.
// Lives on the GUI thread; the export slots may be reached by queued connections.
class LogfileManager : public QObject {
    Q_OBJECT
public:
    explicit LogfileManager(QObject* parent = nullptr);
    ~LogfileManager() override;

    // Empties the message log; the service log and every setting stay.
    void deleteLogfiles();

    void setMachineName(const QString& name);
    void addCfgInfo(SystemLog::eCfgInfoType type, const QStringList& lines);
    void addCfgInfo(SystemLog::eCfgInfoType type, const QString& line);

    // Local time that names the archive and the report (the system clock unless replaced).
    void setClock(SystemLog::Clock clock);
    bool isExporting() const { return m_exporting; }

    // A folder as the user reads it: the stick's mount point shown as "USB".
    static QString displayPath(const QString& path);

public slots:
    // To the stick's log folder; asks for a stick when none is mounted.
    bool exportLogFiles(bool exportTraceFiles);
    bool exportLogFiles();
    // True when the report was started; the outcome follows through SystemLogGenerated.
    bool exportLogFiles(QString exportPath, bool exportTraceFiles);
    void finishedLogfileExport(bool result);
    // Ends the export as failed once the stick has gone.
    void waitForLogfileExport();

signals:
    void SystemLogGenerated(bool success);

private:
    bool archiveTraceFiles(const QString& folder);
    void failBeforeReport();
    void endExport(bool result);
    void showResult(MessageCategories category, const QString& key, const QStringList& arguments);

    QUuid m_waitDialog;
    QElapsedTimer m_exportClock;
    QTimer m_usbWatch;
    SystemLog* m_systemLog;
    SystemLog::Clock m_clock;
    QString m_exportFolder;
    bool m_exporting = false;
    bool m_ending = false; // the outcome waits to be told
};
