#pragma once

#include "core/ISingleton.h"
#include "db/DbLogWriter.h"
#include "db/LogRecordQueue.h"

#include <QAtomicInt>
#include <QAtomicPointer>
#include <QByteArray>
#include <QChar>
#include <QDeadlineTimer>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <limits>

class Statistics;
class QSqlDatabase;
class QSqlQuery;

// The instrument's SQLite database: settings defaults, message and service logs,
// statistics, performance indicators, cable numbers, tan delta phase data, voltage
// snaps and menu passwords. It lives on the GUI thread; a call from another thread is
// carried out there as a blocking call. Every statement then runs under the database
// mutex, taken with a bounded wait; a wait that runs out is reported as a failure.
// The log rows are written by a DbLogWriter on a thread and a connection of their own.
class DB : public QObject, public ISingleton<DB> {
    Q_OBJECT
    friend class ISingleton<DB>;

public:
    // One voltage step of a finished tan delta phase.
    struct TanDeltaStep {
        qint64 meanVoltage = 0;  // mV
        quint32 meanTanDelta = 0; // millionths; 1,000,000,000 = no value
        qint64 stdDeviation = 0; // millionths
    };

    static constexpr int kLockTimeoutMs = 8000;
    static constexpr qint64 kIndicatorNotSet = std::numeric_limits<qint64>::min();
    // Longest default wait for the database's thread to take up a call from another thread.
    static constexpr int kCallTimeoutMs = 60000;

    // Opens "<APP>.sqlite3" in the application-data folder (or in folder when given),
    // creates missing tables and brings an older schema up to date. The database opened
    // there before follows a changed application name (DbNameFollower).
    bool initialize();
    bool initialize(const QString& folder);
    // Writes what the log sinks still hold and closes the file; the log rows not written by
    // the release deadline are given up, and counted in the trace.
    void release();
    // Till when a release may write log rows (a stop signal's deadline); for ever unless set.
    void setReleaseDeadline(QDeadlineTimer deadline);
    bool isOpen() const;
    QString filePath() const;

    QString getDefaultValue(const QString& category, const QString& feature);
    bool setDefaultValue(const QString& category, const QString& feature, const QString& value);
    bool resetDefaultValues();
    bool resetDatabase(bool keepServiceLog);
    // Empties the message log; every other table stays, the service log notes the reset.
    bool deleteMessageLog();

    // Both read the log in pages, each a short call of its own, and format the rows on
    // the calling thread: a caller on another thread never holds the database's thread long.
    bool getMessages(QByteArray& out);
    bool getServiceMessages(QByteArray& out, QChar fieldSeparator, QChar lineSeparator, QString dateFormat);
    // The same lines, newest first, handed over page by page as they are read; take
    // returns false to stop reading (which is no failure).
    using LogPageTaker = std::function<bool(const QString& lines)>;
    bool readMessagePages(const LogPageTaker& take);
    bool readServiceMessagePages(const LogPageTaker& take, QChar fieldSeparator, QChar lineSeparator,
                                 const QString& dateFormat);
    // Thread-safe, never blocks on the database: the rows are written in batches on
    // the log writer's thread.
    void queueMessage(const LogRecordQueue::Row& row);
    void queueServiceMessage(const LogRecordQueue::Row& row);
    // The queues behind the two calls above, for the log sinks; they outlive the database.
    std::shared_ptr<LogRecordQueue> messageQueue() const { return m_messageQueue; }
    std::shared_ptr<LogRecordQueue> serviceQueue() const { return m_serviceQueue; }
    // Writes the queued log rows now; the caller waits for the log writer.
    bool flushLogQueues();
    // Writes one service-log row at once.
    bool addServiceMessage(const QString& text);
    // Executes one prepared log-row insert; replaced by tests to simulate a full disk.
    using LogRowWriter = DbLogWriter::RowWriter;
    void setLogRowWriter(LogRowWriter writer);
    // Connection options of the next initialize (for example "QSQLITE_OPEN_READONLY").
    void setConnectOptions(const QString& options);
    // False from a failed write (read-only, full or unopenable file) until the next one succeeds.
    bool isWritable() const;

    // What the operator must be told of.
    enum Trouble : int {
        NotWritable = 0,     // settings and log records are not stored
        DamagedAndReset = 1, // an unusable file was moved aside and a new one made
    };
    Q_ENUM(Trouble)

    // ok (when given) tells a failed read from an empty answer.
    QList<int> getStatisticParamIds(bool* ok = nullptr);
    qint64 getStatisticParam(int id, bool* ok = nullptr);
    bool incStatisticParam(int id, int n);
    const Statistics* getStatistics() const;
    void setStatistics(const Statistics* statistics);

    QList<int> getPerformanceIndicators(bool* ok = nullptr);
    QList<int> getPerformanceClasses(int id, bool* ok = nullptr);
    // kIndicatorNotSet when never stored or unreadable.
    qint64 getPerformanceIndicator(int id, int index, bool* ok = nullptr);
    bool setPerformanceIndicator(int id, int index, qint64 value);

    bool setTanDeltaMetainfo(int phase, int id, long long value);
    QMap<int, long long> getTanDeltaMetainfo(int phase);
    bool setTanDeltaSummary(int phase, const QVector<TanDeltaStep>& steps);
    QVector<TanDeltaStep> getTanDeltaSummary(int phase);
    // Forgets the meta values and summaries of every phase.
    bool clearTanDeltaPhases();

    QList<double> getVoltageSnapValues(int type);
    bool setVoltageSnapValues(int type, const QList<double>& values);

    // Cable numbers containing filter (all for an empty one), sorted ignoring case.
    QStringList getCableNumbers(const QString& filter = QString());
    bool addCableNumber(const QString& value);
    // Deletes exactly this cable number; an empty text deletes nothing.
    void deleteCableNumber(const QString& value);

    QString getPassword(const QString& type);
    bool setPassword(const QString& type, const QString& record);

    // While the instrument is remote-controlled setDefaultValue stores nothing.
    void setRemoteControlledCheck(std::function<bool()> check);
    // How long a call from another thread waits for the database's thread to take it up;
    // a call not taken up by then fails and is never carried out later. Callers already
    // waiting are held to the new time-out too.
    void setCallTimeout(int ms);
    // Makes this the database of GlobalFuncs::getDB and GlobalFuncs::release.
    void registerGlobally();

signals:
    // On the database's thread, after the statement: NotWritable when opening fails or
    // a write fails after writes had worked; DamagedAndReset when a file was replaced.
    void troubleFound(DB::Trouble trouble);

public:
    // Record of a menu-lock type as stored by the set-up and the reset to defaults.
    static QString defaultPasswordRecord(const QString& type);
    // Name of the file in the application-data folder: "<APP>.sqlite3".
    static QString fileName();

private:
    DB();
    ~DB() override;

    // Runs body on the database's thread under the database mutex; failure when the
    // file is not open (unless anyState), the mutex stays taken or the thread never answers.
    template <typename R, typename F>
    R call(const char* function, R failure, F&& body, bool anyState = false);
    template <typename R, typename F>
    R runLocked(const char* function, R failure, F& body, bool anyState);

    struct StoredLogRow {
        qint64 id = 0;
        qint64 msecs = 0;
        int category = 0;
        QString text;
    };
    // Newest first, in pages; take gets each page outside the database mutex and
    // returns false to stop.
    bool readLogRows(const char* function, const QString& table, bool withCategory, const QString& failure,
                     const std::function<bool(const QVector<StoredLogRow>&)>& take);

    QSqlDatabase database() const;
    bool openFile(const QString& path);
    void closeFile();
    // The file in its journal mode at rest again, then closed; this connection is the last one.
    void closeLastConnection();
    bool checkWritable();
    // Notes the outcome of a write; the first failure after success is reported.
    bool noteWrite(bool ok);
    void logRowsWritten();
    void reportTrouble(Trouble trouble);
    bool storeDefaultPasswords();
    bool storePasswordRecord(const QString& type, const QString& record);
    bool moveAside(const QString& path, const QString& reason, QString* note);

    QString m_connection;
    QString m_path; // empty while closed
    QMutex m_mutex;
    QAtomicPointer<const Statistics> m_statistics;
    mutable QMutex m_stateMutex; // guards m_path, m_remoteControlled and m_releaseDeadline
    std::function<bool()> m_remoteControlled;
    QDeadlineTimer m_releaseDeadline{QDeadlineTimer::Forever};
    std::shared_ptr<LogRecordQueue> m_messageQueue;
    std::shared_ptr<LogRecordQueue> m_serviceQueue;
    // Under m_mutex.
    QString m_connectOptions;
    QAtomicInt m_writable{1};
    QAtomicInt m_troubleArmed{1}; // the next failed write is reported
    QAtomicInt m_callTimeoutMs{kCallTimeoutMs};
    // Last: it writes through the two queues and reports to this object.
    std::unique_ptr<DbLogWriter> m_logWriter;
};
