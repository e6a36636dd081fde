#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QDomNode;
class QTextStream;
class Statistics;

// The system log report for service staff: the instrument's identity, its whole
// configuration, the scrambled message and service logs, the operating statistics and
// the performance indicators, written as one text file into the export folder.
class SystemLog : public QObject {
    Q_OBJECT
public:
    // Which list of configuration-information lines a line belongs to: 0 is written
    // before the MAC address, 1 after the hardware id.
    enum eCfgInfoType : int {
        CfgInfoVersions = 0,
        CfgInfoHardware = 1,
    };
    Q_ENUM(eCfgInfoType)

    using Clock = std::function<QDateTime()>;
    // Runs on the thread that builds the logs of a report, before each of its sections.
    using SectionHook = std::function<void(const QString& header)>;

    explicit SystemLog(const Statistics* statistics);
    ~SystemLog() override;

    static bool checkCfgInfoType(int type) { return type >= 0 && type < 2; }

    // Stores the name and forgets the configuration-information lines of both lists.
    void setMachineName(const QString& name);
    void addCfgInfo(eCfgInfoType type, const QStringList& lines);
    // Writes a report into folder once control is back in the event loop.
    void scheduleSysLogGeneration(QDir folder);
    // File name of the last report written successfully.
    QString getSystemLogFile() const { return m_reportFile; }
    // True from a schedule until its report has been written or has failed.
    bool isBusy() const { return m_pending > 0 || m_generating > 0; }

    // Local time that names and dates the report (the system clock unless replaced).
    void setClock(Clock clock);
    void setSectionHook(SectionHook hook) { m_sectionHook = std::move(hook); }

    // Reversible, keyless scrambling into lower-case hex: per line "#", then each
    // character's code (0 above 255) plus its position in the whole text, modulo 256.
    static QByteArray encryptData(QByteArray& data);

public slots:
    // Reads what lives on this thread, then reads the logs and writes the file on a pool
    // thread; SystemLogGenerated tells the outcome.
    void generateSystemLog();

signals:
    void SystemLogGenerated(bool result);

private:
    bool writeConfiguration(QTextStream& out);
    // The log sections after the configuration, then the file; on a pool thread.
    bool writeLogsAndFile(QByteArray content, const QString& path);
    void enterSection(const char* header);
    static bool unreadable(QTextStream& out, const char* what);
    bool writeErrorLog(QTextStream& out);
    bool writeServiceLog(QTextStream& out);
    bool writeStatistics(QTextStream& out);
    bool writePerformanceIndicators(QTextStream& out);
    bool writeConfigTree(QTextStream& out);
    void parseConfigNode(QTextStream& out, const QDomNode& node, int depth);
    QString paramName(int id) const;
    static void writeRaw(QTextStream& out, const QByteArray& bytes);
    static void writeHeader(QTextStream& out, const char* header, bool first = false);
    static bool writeFile(const QString& path, const QByteArray& content);

    QDir m_exportFolder;
    QString m_machineName;
    QStringList m_versionLines;
    QStringList m_cfgInfo[2];
    QString m_reportFile;
    const Statistics* m_statistics;
    Clock m_clock;
    SectionHook m_sectionHook;
    int m_pending = 0;
    int m_generating = 0; // reports waiting for their write (a second may start meanwhile)
};
