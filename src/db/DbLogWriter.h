#pragma once

#include "db/LogRecordQueue.h"

#include <QAtomicInt>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>

class QSqlQuery;

// Writes the message-log and service-log rows through a connection of its own to the
// database file, on a thread of its own ("DbLogThread"). Every commit waits for the disk's
// syncs; here that holds up no one, while the GUI thread, which owns the database and its
// other tables, never waits for a log row. The operations run on the writer's thread; the
// caller waits for those that answer.
class DbLogWriter {
public:
    using RowWriter = std::function<bool(QSqlQuery& insert)>;
    // Rows written per transaction: a backlog larger than the free space is kept as far as it fits.
    static constexpr int kRowsPerTransaction = 100;
    // What close() could not write by its deadline: "N log records were not stored".
    static QString notStoredNote(int rows);

    // noteWrite hears the outcome of every write, rowsWritten each time rows went in;
    // both are called on the writer's thread.
    DbLogWriter(std::shared_ptr<LogRecordQueue> messages, std::shared_ptr<LogRecordQueue> service,
                std::function<void(bool ok)> noteWrite, std::function<void()> rowsWritten);
    // Writes what it can, closes and ends the thread.
    ~DbLogWriter();
    DbLogWriter(const DbLogWriter&) = delete;
    DbLogWriter& operator=(const DbLogWriter&) = delete;

    // Opens the file for the log rows; the rows waiting are written soon after.
    bool open(const QString& path, const QString& connectOptions);
    // Writes what waits and closes; rows that cannot be written wait for the next open.
    void suspend();
    // Opens the file of the last open again.
    bool resume();
    // Writes what waits, gives up (and reports) what cannot be written by the deadline, and
    // closes. A write under way hands back what it has not begun; the rest goes in one
    // transaction (one sync) where it fits.
    void close(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // Writes every row queued so far; false when some could not be written (they wait).
    bool flush();
    // The rows queued so far, then one service-log row.
    bool addServiceRow(const QString& text);
    // The rows queued so far, then empties the message log and says so in the service log.
    bool deleteMessageLog();
    // Executes each prepared row insert; replaced by tests to simulate a full disk.
    void setRowWriter(RowWriter writer);
    // Thread-safe and never blocks: the queued rows are written soon.
    void wake();
    // Ends the writer's thread once its current write is done; nothing is written after.
    void endThread();

private:
    template <typename F>
    auto onThread(F&& work) -> decltype(work());

    bool isOpen() const;
    // The chunks of a drain: whole, as one transaction first, or only while time remains.
    struct Drain {
        bool whole = false;
        QDeadlineTimer until{QDeadlineTimer::Forever};
    };
    bool writeQueued();
    bool writeQueued(const Drain& drain);
    bool writeQueue(LogRecordQueue& queue, const QString& table, bool withCategory, const QString& lostNote,
                    const Drain& drain);
    int writeRows(const QString& table, const QVector<LogRecordQueue::Row>& rows, bool withCategory,
                  const Drain& drain);
    bool commitRows(QSqlQuery& insert, const QString& table, const QVector<LogRecordQueue::Row>& rows, int from,
                    int to, bool withCategory);
    int giveUpQueued();
    bool insertServiceRow(const QString& text);
    void reportLostRows();
    void closeConnection();

    const std::shared_ptr<LogRecordQueue> m_messages;
    const std::shared_ptr<LogRecordQueue> m_service;
    const std::function<void(bool)> m_noteWrite;
    const std::function<void()> m_rowsWritten;
    const QString m_connection;
    QThread m_thread;
    QObject* m_context; // lives on m_thread; the target of every call
    QAtomicInt m_wakePosted;
    QAtomicInt m_closing; // set by close(): a write under way stops after its chunk
    // On the writer's thread only.
    QString m_path;
    QString m_connectOptions;
    RowWriter m_rowWriter;
    int m_lostRows = 0; // given up and not reported yet
};
