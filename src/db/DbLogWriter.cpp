#include "db/DbLogWriter.h"

#include "logging/LoggingCtrl.h"
#include "logging/MessageCategories.h"

#include <QDateTime>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
const char* const kClass = "DbLogWriter";
QAtomicInt g_connectionCounter;

// The writers alive; never destroyed, as the process may end with a writer running.
QMutex& writersMutex()
{
    static QMutex* m = new QMutex;
    return *m;
}
std::vector<DbLogWriter*>& writers()
{
    static auto* w = new std::vector<DbLogWriter*>;
    return *w;
}

// A process that ends by exit() with a database open tears down the SQL module's objects
// while a writer may use them: its thread ends first. Registered after those objects
// exist (at the first open), so it runs before they go.
extern "C" void endWritersAtExit()
{
    QMutexLocker lock(&writersMutex());
    for (DbLogWriter* writer : writers())
        writer->endThread();
}
} // namespace

DbLogWriter::DbLogWriter(std::shared_ptr<LogRecordQueue> messages, std::shared_ptr<LogRecordQueue> service,
                         std::function<void(bool)> noteWrite, std::function<void()> rowsWritten)
    : m_messages(std::move(messages)), m_service(std::move(service)), m_noteWrite(std::move(noteWrite)),
      m_rowsWritten(std::move(rowsWritten)),
      m_connection(QStringLiteral("vlf-db-log-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1))),
      m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("DbLogThread"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
    QMutexLocker lock(&writersMutex());
    writers().push_back(this);
}

DbLogWriter::~DbLogWriter()
{
    {
        QMutexLocker lock(&writersMutex());
        writers().erase(std::find(writers().begin(), writers().end(), this));
    }
    suspend();
    endThread();
    delete m_context;
}

void DbLogWriter::endThread()
{
    m_thread.quit();
    m_thread.wait();
}

template <typename F>
auto DbLogWriter::onThread(F&& work) -> decltype(work())
{
    if (QThread::currentThread() == &m_thread)
        return work();
    decltype(work()) result{};
    // Ended at the process's exit: nothing is written any more.
    if (!m_thread.isRunning())
        return result;
    QMetaObject::invokeMethod(m_context, [&result, &work] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
}

bool DbLogWriter::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

bool DbLogWriter::open(const QString& path, const QString& connectOptions)
{
    const bool opened = onThread([&] {
        closeConnection();
        m_path = path;
        m_connectOptions = connectOptions;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(path);
        db.setConnectOptions(connectOptions);
        bool ok = db.open();
        if (ok) {
            // A log row is on the disk once its transaction is committed, as every other row.
            QSqlQuery sync(db);
            ok = sync.exec(QStringLiteral("PRAGMA synchronous = FULL"));
        }
        if (!ok) {
            KLOG_ERROR2(kClass, "open", QStringLiteral("Cannot open %1 for the logs: %2").arg(path, db.lastError().text()));
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            m_noteWrite(false);
            return false;
        }
        return true;
    });
    static const bool endsAtExit = std::atexit(endWritersAtExit) == 0;
    (void)endsAtExit;
    if (opened)
        wake();
    return opened;
}

bool DbLogWriter::resume()
{
    QString path;
    QString options;
    onThread([&] {
        path = m_path;
        options = m_connectOptions;
        return true;
    });
    return !path.isEmpty() && open(path, options);
}

void DbLogWriter::closeConnection()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void DbLogWriter::suspend()
{
    onThread([this] {
        writeQueued();
        closeConnection();
        return true;
    });
}

QString DbLogWriter::notStoredNote(int rows) { return QStringLiteral("%1 log records were not stored").arg(rows); }

void DbLogWriter::close(QDeadlineTimer deadline)
{
    m_closing.storeRelease(1);
    onThread([this, deadline] {
        m_closing.storeRelease(0);
        // On a slow card 100-row commits, each waiting for its sync, would outlast a stop's
        // deadline: one transaction waits once.
        Drain drain;
        drain.whole = true;
        drain.until = deadline;
        if (!writeQueued(drain)) {
            // Nothing writes them after this: they are given up, and said so.
            const int rest = giveUpQueued();
            if (deadline.hasExpired())
                KLOG_ERROR2(kClass, "close", notStoredNote(rest));
            else
                m_lostRows += rest;
        }
        if (m_lostRows > 0)
            reportLostRows();
        closeConnection();
        return true;
    });
}

int DbLogWriter::giveUpQueued()
{
    int dropped = 0;
    int rows = m_messages->takeAll(&dropped).size();
    rows += dropped;
    rows += m_service->takeAll(&dropped).size();
    return rows + dropped;
}

bool DbLogWriter::flush()
{
    return onThread([this] { return writeQueued(); });
}

bool DbLogWriter::addServiceRow(const QString& text)
{
    return onThread([&] {
        if (!isOpen()) {
            KLOG_ERROR2(kClass, "addServiceRow", QStringLiteral("Database is not open"));
            return false;
        }
        writeQueued();
        return insertServiceRow(text);
    });
}

bool DbLogWriter::deleteMessageLog()
{
    return onThread([this] {
        if (!isOpen()) {
            KLOG_ERROR2(kClass, "deleteMessageLog", QStringLiteral("Database is not open"));
            return false;
        }
        // Rows still queued belong to the log being deleted.
        writeQueued();
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        const bool deleted = q.exec(QStringLiteral("DELETE FROM messagelog"));
        m_noteWrite(deleted);
        if (!deleted) {
            KLOG_ERROR2(kClass, "deleteMessageLog",
                        QStringLiteral("Cannot delete the message log: %1").arg(q.lastError().text()));
            return false;
        }
        return insertServiceRow(QStringLiteral("Resetting Database"));
    });
}

void DbLogWriter::setRowWriter(RowWriter writer)
{
    onThread([&] {
        m_rowWriter = std::move(writer);
        return true;
    });
}

void DbLogWriter::wake()
{
    if (!m_wakePosted.testAndSetOrdered(0, 1))
        return;
    QMetaObject::invokeMethod(m_context, [this] {
        m_wakePosted.storeRelease(0);
        // While closed the rows wait for the next open.
        if (isOpen())
            writeQueued();
    }, Qt::QueuedConnection);
}

bool DbLogWriter::writeQueued() { return writeQueued(Drain()); }

bool DbLogWriter::writeQueued(const Drain& drain)
{
    if (!isOpen())
        return false;
    const bool messages = writeQueue(*m_messages, QStringLiteral("messagelog"), true,
                                     QStringLiteral("%1 log records were lost while the database was busy"), drain);
    const bool service = writeQueue(*m_service, QStringLiteral("servicelog"), false,
                                    QStringLiteral("%1 service log records were lost while the database was busy"),
                                    drain);
    // The first chance after a loss: the logs can be written again.
    if (messages && service && m_lostRows > 0)
        reportLostRows();
    return messages && service;
}

bool DbLogWriter::writeQueue(LogRecordQueue& queue, const QString& table, bool withCategory, const QString& lostNote,
                             const Drain& drain)
{
    int dropped = 0;
    QVector<LogRecordQueue::Row> rows = queue.takeAll(&dropped);
    if (dropped > 0) {
        m_lostRows += dropped;
        rows.append({QDateTime::currentMSecsSinceEpoch(), withCategory ? int(CAT_WARN) : 0, lostNote.arg(dropped)});
    }
    if (rows.isEmpty())
        return true;
    const int written = writeRows(table, rows, withCategory, drain);
    if (written == rows.size())
        return true;
    queue.restore(rows.mid(written));
    return false;
}

void DbLogWriter::reportLostRows()
{
    KLOG_ERROR2(kClass, "writeRows", QStringLiteral("%1 log records were lost").arg(m_lostRows));
    m_lostRows = 0;
}

int DbLogWriter::writeRows(const QString& table, const QVector<LogRecordQueue::Row>& rows, bool withCategory,
                           const Drain& drain)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(withCategory ? QStringLiteral("INSERT INTO %1 (datetime, category, message) VALUES (?, ?, ?)").arg(table)
                           : QStringLiteral("INSERT INTO %1 (datetime, message) VALUES (?, ?)").arg(table));
    int written = 0;
    // A disk without room for the whole takes it in chunks, as far as they fit.
    if (drain.whole && rows.size() > kRowsPerTransaction && !drain.until.hasExpired()
        && commitRows(q, table, rows, 0, rows.size(), withCategory))
        written = rows.size();
    // One transaction per chunk: few disk syncs, and on a full disk every chunk that
    // fits is kept.
    while (written < rows.size() && !drain.until.hasExpired() && !m_closing.loadAcquire()) {
        const int end = qMin(rows.size(), written + kRowsPerTransaction);
        if (!commitRows(q, table, rows, written, end, withCategory))
            break;
        written = end;
    }
    if (written == rows.size())
        m_rowsWritten();
    return written;
}

bool DbLogWriter::commitRows(QSqlQuery& insert, const QString& table, const QVector<LogRecordQueue::Row>& rows,
                             int from, int to, bool withCategory)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return false;
    for (int i = from; i < to; ++i) {
        const LogRecordQueue::Row& row = rows.at(i);
        insert.addBindValue(row.msecsSinceEpoch);
        if (withCategory)
            insert.addBindValue(row.category);
        insert.addBindValue(row.text);
        const bool ok = m_rowWriter ? m_rowWriter(insert) : insert.exec();
        m_noteWrite(ok);
        if (!ok) {
            // Not through the logger: its records would come straight back here.
            qWarning("DB: cannot write to %s: %s", qPrintable(table), qPrintable(insert.lastError().text()));
            db.rollback();
            return false;
        }
    }
    const bool committed = db.commit();
    m_noteWrite(committed);
    if (!committed)
        db.rollback();
    return committed;
}

bool DbLogWriter::insertServiceRow(const QString& text)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO servicelog (datetime, message) VALUES (?, ?)"));
    q.addBindValue(QDateTime::currentMSecsSinceEpoch());
    q.addBindValue(text);
    const bool ok = q.exec();
    m_noteWrite(ok);
    if (!ok)
        KLOG_ERROR2(kClass, "addServiceRow", QStringLiteral("Cannot write the service log: %1").arg(q.lastError().text()));
    return ok;
}
