#include "db/DB.h"

#include "db/DbNameFollower.h"
#include "db/DbSchema.h"
#include "core/GlobalFuncs.h"
#include "logging/LoggingCtrl.h"
#include "logging/MessageCategories.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMetaObject>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <memory>

namespace {
const char* const kClass = "DB";
const char* const kMessageTimeFormat = "yyyy/MM/dd hh:mm:ss:zzz AP";
// Log rows read per call: a few milliseconds of the database's thread each.
constexpr int kLogPageRows = 2000;

// Factory records (salt, ":", SHA-1 of salt + password) of the three menu locks.
struct DefaultPassword {
    const char* type;
    const char* record;
};
const DefaultPassword kDefaultPasswords[] = {
    {"admin_menu", "Wb5KmP9sRc2XvN7d:40ade7e3c4b44dc7be5c9292b7c5bb9b0ebbe038"},
    {"service_menu", "Qm7ZpR2xLk9VwT4c:e021b3e72a37856236f1d196eb833fd9db434235"},
    {"ryx_menu", "Hd3NsY8bJf6GtE1a:68424c970337c6c714fe6410bad82727ae621ab2"},
};
// The administrator record earlier versions stored: no password matches it, so an
// instrument still holding it could never open its administrator menu.
const char* const kUnusableAdminRecord = "Tn4cQe8WuLr2HsZb:5d0c9e1f7a3b6c2e8d4f0a1b9c7e3d5f2a6b8c0e";

QAtomicInt g_connectionCounter;

// A log line must stay one line with its fields: separators inside a message become spaces.
QString oneLine(QString text, QChar fieldSeparator, QChar lineSeparator)
{
    for (QChar& c : text) {
        if (c == fieldSeparator || c == lineSeparator || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text.trimmed();
}

// The message log knows FATAL to DBG; everything else reads as UNKNOWN.
QLatin1String categoryName(int category)
{
    if (category >= CAT_FATAL && category <= CAT_DBG)
        return QLatin1String(messageCategoryName(category));
    return QLatin1String("UNKNOWN");
}

// Local time stamps of log rows. A zone lookup per row made reading 100,000 rows take
// about a second on the GUI thread; rows come sorted, and zone offsets change only on
// quarter hours, so the offset is looked up once per quarter hour.
class LogTimeText {
public:
    explicit LogTimeText(const QString& format) : m_format(format), m_withZone(format.contains(QLatin1Char('t'))) {}

    QString operator()(qint64 msecs)
    {
        if (m_withZone)
            return m_c.toString(QDateTime::fromMSecsSinceEpoch(msecs), m_format);
        const qint64 quarter = msecs >= 0 ? msecs / kQuarterMs : (msecs - kQuarterMs + 1) / kQuarterMs;
        if (quarter != m_quarter) {
            m_quarter = quarter;
            m_offsetMs = QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc() * 1000LL;
        }
        return m_c.toString(QDateTime::fromMSecsSinceEpoch(msecs + m_offsetMs, Qt::UTC), m_format);
    }

private:
    static constexpr qint64 kQuarterMs = 15 * 60 * 1000;
    const QLocale m_c = QLocale::c();
    const QString m_format;
    const bool m_withZone;
    qint64 m_quarter = std::numeric_limits<qint64>::min();
    qint64 m_offsetMs = 0;
};

void setFlag(bool* flag, bool value)
{
    if (flag)
        *flag = value;
}

void logSqlError(const char* function, const QString& what, const QSqlError& error)
{
    KLOG_ERROR2(kClass, function, QStringLiteral("%1: %2").arg(what, error.text()));
}

// The log writer commits through a second connection while the program runs; with the
// write-ahead log the reads here never wait for its commits. Power cuts: with synchronous
// FULL a commit returns once its pages are synced in the log; a torn tail of the log fails
// its frame checksums and is dropped at the next open, back to the last whole commit; a
// checkpoint syncs the log before it copies pages into the file and the file before the log
// is reused. Checkpoints are left to the log writer's connection, which commits most pages.
void useWriteAheadLog(QSqlDatabase& db)
{
    // A read-only file keeps its mode; only a write would tell anyway.
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    q.exec(QStringLiteral("PRAGMA synchronous = FULL"));
    q.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
}
} // namespace

DB::DB() : QObject(nullptr)
{
    m_connection = QStringLiteral("vlf-db-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1));
    m_messageQueue = std::make_shared<LogRecordQueue>();
    m_serviceQueue = std::make_shared<LogRecordQueue>();
    m_logWriter = std::make_unique<DbLogWriter>(
        m_messageQueue, m_serviceQueue, [this](bool ok) { noteWrite(ok); }, [this]() { logRowsWritten(); });
    m_messageQueue->setWakeUp([this]() { m_logWriter->wake(); });
    m_serviceQueue->setWakeUp([this]() { m_logWriter->wake(); });
    // The database belongs to the GUI thread, whoever asks for it first.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        if (thread() != app->thread())
            moveToThread(app->thread());
    }
}

DB::~DB()
{
    m_messageQueue->setWakeUp(nullptr);
    m_serviceQueue->setWakeUp(nullptr);
    if (GlobalFuncs::getDB() == this)
        GlobalFuncs::setDB(nullptr);
    // Writes the rows it can: this connection is then the last one.
    m_logWriter.reset();
    if (QThread::currentThread() == thread())
        closeLastConnection();
    else
        QSqlDatabase::removeDatabase(m_connection);
}

QString DB::fileName()
{
    QString app = QCoreApplication::applicationName();
    if (app.isEmpty())
        app = GlobalFuncs::getProjectAbbreviation();
    return app.toUpper() + QStringLiteral(".sqlite3");
}

QString DB::defaultPasswordRecord(const QString& type)
{
    for (const DefaultPassword& p : kDefaultPasswords) {
        if (type == QLatin1String(p.type))
            return QString::fromLatin1(p.record);
    }
    return QString();
}

void DB::registerGlobally()
{
    GlobalFuncs::setDB(this);
    GlobalFuncs::setDatabaseReleaser([]() {
        if (DB::hasInstance())
            DB::getInstance()->release();
    });
}

void DB::setRemoteControlledCheck(std::function<bool()> check)
{
    QMutexLocker lock(&m_stateMutex);
    m_remoteControlled = std::move(check);
}

void DB::setCallTimeout(int ms) { m_callTimeoutMs.storeRelease(qMax(0, ms)); }

const Statistics* DB::getStatistics() const { return m_statistics.loadAcquire(); }

void DB::setStatistics(const Statistics* statistics) { m_statistics.storeRelease(statistics); }

// ---------------------------------------------------------------------------
// Thread marshalling

template <typename R, typename F>
R DB::runLocked(const char* function, R failure, F& body, bool anyState)
{
    if (!m_mutex.tryLock(kLockTimeoutMs)) {
        KLOG_ERROR2(kClass, function, QStringLiteral("Database is busy, statement not executed"));
        return failure;
    }
    R result = failure;
    if (anyState || database().isOpen())
        result = body();
    else
        KLOG_ERROR2(kClass, function, QStringLiteral("Database is not open"));
    m_mutex.unlock();
    return result;
}

template <typename R, typename F>
R DB::call(const char* function, R failure, F&& body, bool anyState)
{
    if (QThread::currentThread() == thread())
        return runLocked(function, failure, body, anyState);

    // Pending -> Running by the database thread, Pending -> Abandoned by a caller that
    // gave up: a call reported as failed is never carried out afterwards.
    enum { Pending = 0, Running = 1, Abandoned = 2 };
    struct State {
        QAtomicInt phase{Pending};
        QSemaphore done;
        R result;
    };
    auto state = std::make_shared<State>();
    state->result = failure;
    auto task = [this, state, function, failure, anyState, &body]() {
        if (!state->phase.testAndSetOrdered(Pending, Running))
            return;
        state->result = runLocked(function, failure, body, anyState);
        state->done.release();
    };
    if (!QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection)) {
        KLOG_ERROR2(kClass, function, QStringLiteral("Cannot reach the database thread"));
        return failure;
    }
    // In slices, so that a shorter time-out set meanwhile (the database's thread is
    // joining this one at shutdown) frees a caller that is already waiting; none at all
    // once the time-out is 0, as in the shutdown.
    constexpr int kSliceMs = 50;
    QElapsedTimer waited;
    waited.start();
    const auto slice = [&] { return qBound(0, m_callTimeoutMs.loadAcquire() - int(waited.elapsed()), kSliceMs); };
    while (!state->done.tryAcquire(1, slice())) {
        if (waited.elapsed() < m_callTimeoutMs.loadAcquire())
            continue;
        if (state->phase.testAndSetOrdered(Pending, Abandoned)) {
            KLOG_ERROR2(kClass, function, QStringLiteral("Database thread did not answer, statement not executed"));
            return failure;
        }
        state->done.acquire(); // already running: its result is the answer
        break;
    }
    return state->result;
}

// ---------------------------------------------------------------------------
// Opening and closing

QSqlDatabase DB::database() const { return QSqlDatabase::database(m_connection, false); }

bool DB::isOpen() const
{
    QMutexLocker lock(&m_stateMutex);
    return !m_path.isEmpty();
}

QString DB::filePath() const
{
    QMutexLocker lock(&m_stateMutex);
    return m_path;
}

bool DB::initialize() { return initialize(QString()); }

bool DB::initialize(const QString& folder)
{
    const QString dir = folder.isEmpty() ? GlobalFuncs::getAppDataPath() : folder;
    if (!QDir().mkpath(dir)) {
        KLOG_ERROR2(kClass, "initialize", QStringLiteral("Cannot create the folder %1").arg(dir));
        noteWrite(false);
        return false;
    }
    // A file open before is closed for the logs first.
    m_logWriter->suspend();
    QString path;
    QString options;
    const bool ok = call("initialize", false, [&]() {
        closeFile();
        options = m_connectOptions;
        // Closed first: the file it had open may be the one that follows a new system name.
        path = DbNameFollower::settle(dir, fileName());
        const bool opened = openFile(path);
        if (opened)
            DbNameFollower::remember(path);
        else
            noteWrite(false);
        return opened;
    }, true);
    // The rows waiting meanwhile are written on the log writer's thread, not here.
    if (ok)
        m_logWriter->open(path, options);
    return ok;
}

void DB::setReleaseDeadline(QDeadlineTimer deadline)
{
    QMutexLocker lock(&m_stateMutex);
    m_releaseDeadline = deadline;
}

void DB::release()
{
    QDeadlineTimer deadline;
    {
        QMutexLocker lock(&m_stateMutex);
        deadline = m_releaseDeadline;
    }
    // Rows it cannot write now are given up, and said so.
    m_logWriter->close(deadline);
    call("release", true, [&]() {
        closeLastConnection();
        return true;
    }, true);
}

void DB::setConnectOptions(const QString& options)
{
    call("setConnectOptions", true, [&]() {
        m_connectOptions = options;
        return true;
    }, true);
}

bool DB::isWritable() const { return m_writable.loadAcquire() != 0; }

bool DB::noteWrite(bool ok)
{
    m_writable.storeRelease(ok ? 1 : 0);
    if (!ok && m_troubleArmed.testAndSetOrdered(1, 0))
        reportTrouble(NotWritable);
    return ok;
}

// Log rows are written all the time: once they go in again the database works again,
// and the next failure is news. A disk that takes some writes and refuses others is
// told once, not at every write that happens to fit.
void DB::logRowsWritten() { m_troubleArmed.storeRelease(1); }

void DB::reportTrouble(Trouble trouble)
{
    // Posted: the receivers run outside the database mutex and may use the database.
    QMetaObject::invokeMethod(this, [this, trouble]() { emit troubleFound(trouble); }, Qt::QueuedConnection);
}

// A file or folder that cannot be written opens all the same; only a write tells.
bool DB::checkWritable()
{
    QSqlDatabase db = database();
    bool ok = db.transaction();
    QString error = db.lastError().text();
    if (ok) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO messagelog (datetime, category, message) VALUES (?, ?, ?)"));
        q.addBindValue(QDateTime::currentMSecsSinceEpoch());
        q.addBindValue(int(CAT_DBG));
        q.addBindValue(QStringLiteral("write check"));
        ok = q.exec();
        if (!ok)
            error = q.lastError().text();
        db.rollback();
    }
    noteWrite(ok);
    if (ok)
        logRowsWritten();
    if (!ok) {
        KLOG_ERROR2(kClass, "initialize",
                    QStringLiteral("The database %1 cannot be written (%2): log records and settings are not stored")
                        .arg(db.databaseName(), error));
    }
    return ok;
}

void DB::closeFile()
{
    {
        QSqlDatabase db = database();
        if (db.isValid())
            db.close();
    }
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
    QMutexLocker lock(&m_stateMutex);
    m_path.clear();
}

void DB::closeLastConnection()
{
    {
        QSqlDatabase db = database();
        if (db.isOpen()) {
            // At rest the file needs no side files: it reads on a read-only mount too.
            QSqlQuery q(db);
            q.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        }
    }
    closeFile();
}

bool DB::moveAside(const QString& path, const QString& reason, QString* note)
{
    const QString target = path + QStringLiteral(".unusable-")
                           + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz"));
    if (!QFile::rename(path, target)) {
        KLOG_ERROR2(kClass, "initialize", QStringLiteral("Cannot move the unusable database %1 aside").arg(path));
        return false;
    }
    // A journal belongs to the old file, never to the new one.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString side = path + QLatin1String(suffix);
        if (QFile::exists(side) && !QFile::rename(side, target + QLatin1String(suffix)))
            QFile::remove(side);
    }
    *note = QStringLiteral("Database file was not usable (%1) and was moved to %2; a new one was created")
                .arg(reason, QFileInfo(target).fileName());
    return true;
}

bool DB::openFile(const QString& path)
{
    QString note;
    for (int attempt = 0; attempt < 2; ++attempt) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            db.setDatabaseName(path);
            db.setConnectOptions(m_connectOptions);
            if (!db.open()) {
                logSqlError("initialize", QStringLiteral("Cannot open %1").arg(path), db.lastError());
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(m_connection);
                return false;
            }
            QString reason;
            const DbSchema::FileState state = DbSchema::check(db, &reason);
            if (state == DbSchema::FileState::Inaccessible) {
                // Locked or unreadable for now: the file may be fine, so it stays where it is.
                KLOG_ERROR2(kClass, "initialize", QStringLiteral("Cannot read %1: %2").arg(path, reason));
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(m_connection);
                return false;
            }
            if (state == DbSchema::FileState::Usable) {
                QString error;
                if (!DbSchema::prepare(db, &error)) {
                    KLOG_ERROR2(kClass, "initialize", QStringLiteral("Cannot set up the tables: %1").arg(error));
                    db.close();
                    db = QSqlDatabase();
                    QSqlDatabase::removeDatabase(m_connection);
                    return false;
                }
                useWriteAheadLog(db);
                break;
            }
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            if (attempt > 0 || !moveAside(path, reason, &note))
                return false;
        }
    }
    {
        QMutexLocker lock(&m_stateMutex);
        m_path = path;
    }
    if (checkWritable())
        storeDefaultPasswords();
    if (!note.isEmpty()) {
        KLOG_WARN2(kClass, "initialize", note);
        m_serviceQueue->push({QDateTime::currentMSecsSinceEpoch(), 0, note});
        reportTrouble(DamagedAndReset);
    }
    return true;
}

bool DB::storePasswordRecord(const QString& type, const QString& record)
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO passwords (type, password) VALUES (?, ?)"));
    q.addBindValue(type);
    q.addBindValue(record);
    if (noteWrite(q.exec()))
        return true;
    logSqlError("storePasswordRecord", QStringLiteral("Cannot store the password record"), q.lastError());
    return false;
}

// Factory records for the locks that have none yet, and for an administrator lock that
// still holds the unusable record; a password someone set stays.
bool DB::storeDefaultPasswords()
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO passwords (type, password) VALUES (?, ?)"));
    bool ok = true;
    for (const DefaultPassword& p : kDefaultPasswords) {
        q.addBindValue(QString::fromLatin1(p.type));
        q.addBindValue(QString::fromLatin1(p.record));
        if (!q.exec()) {
            logSqlError("storeDefaultPasswords", QStringLiteral("Cannot store the password record"), q.lastError());
            ok = false;
        }
    }
    QSqlQuery replace(database());
    replace.prepare(QStringLiteral("UPDATE passwords SET password = ? WHERE type = 'admin_menu' AND password = ?"));
    replace.addBindValue(defaultPasswordRecord(QStringLiteral("admin_menu")));
    replace.addBindValue(QLatin1String(kUnusableAdminRecord));
    if (!replace.exec()) {
        logSqlError("storeDefaultPasswords", QStringLiteral("Cannot replace the administrator record"),
                    replace.lastError());
        ok = false;
    } else if (replace.numRowsAffected() > 0) {
        KLOG_INFO2(kClass, "storeDefaultPasswords",
                   QStringLiteral("Unusable administrator record replaced by the factory record"));
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Default values

QString DB::getDefaultValue(const QString& category, const QString& feature)
{
    return call("getDefaultValue", QString(), [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT value FROM defaultvalues WHERE category = ? AND feature = ?"));
        q.addBindValue(category);
        q.addBindValue(feature);
        if (!q.exec()) {
            logSqlError("getDefaultValue", QStringLiteral("Cannot read %1/%2").arg(category, feature), q.lastError());
            return QString();
        }
        return q.next() ? q.value(0).toString() : QString();
    });
}

bool DB::setDefaultValue(const QString& category, const QString& feature, const QString& value)
{
    std::function<bool()> remoteControlled;
    {
        QMutexLocker lock(&m_stateMutex);
        remoteControlled = m_remoteControlled;
    }
    // Remote-controlled settings are the peer's, not the instrument's defaults.
    if (remoteControlled && remoteControlled())
        return true;
    return call("setDefaultValue", false, [&]() {
        // Every write waits for the disk's sync, and the log writer's commits hold the lock
        // it needs: a value the file holds already is not written again (the start sets some).
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT value FROM defaultvalues WHERE category = ? AND feature = ?"));
        q.addBindValue(category);
        q.addBindValue(feature);
        if (q.exec() && q.next() && !q.value(0).isNull() && q.value(0).toString() == value)
            return true;
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO defaultvalues (category, feature, value) VALUES (?, ?, ?)"));
        q.addBindValue(category);
        q.addBindValue(feature);
        q.addBindValue(value);
        if (!noteWrite(q.exec())) {
            logSqlError("setDefaultValue", QStringLiteral("Cannot store %1/%2").arg(category, feature), q.lastError());
            return false;
        }
        return true;
    });
}

bool DB::resetDefaultValues()
{
    return call("resetDefaultValues", false, [&]() {
        QSqlDatabase db = database();
        if (!db.transaction()) {
            logSqlError("resetDefaultValues", QStringLiteral("Cannot start a transaction"), db.lastError());
            return false;
        }
        QSqlQuery q(db);
        QString error;
        bool ok = q.exec(QStringLiteral("DROP TABLE IF EXISTS defaultvalues"));
        if (!ok)
            error = q.lastError().text();
        ok = ok && DbSchema::createTable(db, QStringLiteral("defaultvalues"), &error);
        // Only the administrator's lock is the operator's to reset; the service and ryx
        // records stay as service staff set them.
        ok = ok && storePasswordRecord(QStringLiteral("admin_menu"), defaultPasswordRecord(QStringLiteral("admin_menu")));
        if (!noteWrite(ok && db.commit())) {
            KLOG_ERROR2(kClass, "resetDefaultValues", QStringLiteral("Cannot reset the default values: %1").arg(error));
            db.rollback();
            return false;
        }
        return true;
    });
}

// ---------------------------------------------------------------------------
// Reset

bool DB::resetDatabase(bool keepServiceLog)
{
    // The rows logged so far belong to the old logs; the log writer stays away while the
    // tables or the file are made anew.
    if (keepServiceLog)
        m_logWriter->addServiceRow(QStringLiteral("Resetting Database"));
    m_logWriter->suspend();
    bool open = false;
    const bool done = call("resetDatabase", false, [&]() {
        open = true;
        if (keepServiceLog) {
            QSqlDatabase db = database();
            bool ok = true;
            for (const QString& table : DbSchema::tables(db)) {
                if (table == QLatin1String("servicelog"))
                    continue;
                QString quotedName = table;
                quotedName.replace(QLatin1Char('"'), QStringLiteral("\"\""));
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral("DROP TABLE \"%1\"").arg(quotedName))) {
                    logSqlError("resetDatabase", QStringLiteral("Cannot drop %1").arg(table), q.lastError());
                    ok = false;
                }
            }
            // The file stays usable at once; initialize would do the same.
            QString error;
            if (!DbSchema::createTables(db, &error)) {
                KLOG_ERROR2(kClass, "resetDatabase", QStringLiteral("Cannot create the tables: %1").arg(error));
                ok = false;
            }
            storeDefaultPasswords();
            return ok;
        }
        QString path;
        {
            QMutexLocker lock(&m_stateMutex);
            path = m_path;
        }
        closeFile();
        bool removed = true;
        for (const QString& p : {path, path + QStringLiteral("-journal"), path + QStringLiteral("-wal"),
                                 path + QStringLiteral("-shm")}) {
            if (QFile::exists(p) && !QFile::remove(p))
                removed = false;
        }
        if (!removed)
            KLOG_ERROR2(kClass, "resetDatabase", QStringLiteral("Cannot delete %1").arg(path));
        open = openFile(path);
        return open && removed;
    });
    if (open && m_logWriter->resume() && !keepServiceLog)
        m_logWriter->addServiceRow(QStringLiteral("Resetting Database"));
    return done;
}

// ---------------------------------------------------------------------------
// Message log and service log

bool DB::deleteMessageLog() { return m_logWriter->deleteMessageLog(); }

void DB::queueMessage(const LogRecordQueue::Row& row) { m_messageQueue->push(row); }

void DB::queueServiceMessage(const LogRecordQueue::Row& row) { m_serviceQueue->push(row); }

bool DB::flushLogQueues() { return m_logWriter->flush(); }

void DB::setLogRowWriter(LogRowWriter writer) { m_logWriter->setRowWriter(std::move(writer)); }

bool DB::addServiceMessage(const QString& text) { return m_logWriter->addServiceRow(text); }

bool DB::readLogRows(const char* function, const QString& table, bool withCategory, const QString& failure,
                     const std::function<bool(const QVector<StoredLogRow>&)>& take)
{
    const QString select = QStringLiteral("SELECT id, datetime, %1message FROM %2")
                               .arg(withCategory ? QStringLiteral("category, ") : QString(), table);
    const QString order = QStringLiteral(" ORDER BY datetime DESC, id DESC LIMIT %1").arg(kLogPageRows);
    bool first = true;
    qint64 lastTime = 0;
    qint64 lastId = 0;
    // The rows logged so far are read too; the caller waits for the log writer, not the GUI thread.
    m_logWriter->flush();
    for (;;) {
        QVector<StoredLogRow> page;
        const bool ok = call(function, false, [&]() {
            QSqlQuery q(database());
            q.setForwardOnly(true);
            // The next page starts below the last row of the previous one (datetime is indexed).
            q.prepare(select + (first ? QString() : QStringLiteral(" WHERE (datetime, id) < (?, ?)")) + order);
            if (!first) {
                q.addBindValue(lastTime);
                q.addBindValue(lastId);
            }
            if (!q.exec()) {
                logSqlError(function, failure, q.lastError());
                return false;
            }
            page.reserve(kLogPageRows);
            while (q.next()) {
                StoredLogRow row;
                row.id = q.value(0).toLongLong();
                row.msecs = q.value(1).toLongLong();
                row.category = withCategory ? q.value(2).toInt() : 0;
                row.text = q.value(withCategory ? 3 : 2).toString();
                page.append(row);
            }
            return true;
        });
        if (!ok)
            return false;
        if (!take(page))
            return true;
        if (page.size() < kLogPageRows)
            return true;
        lastTime = page.last().msecs;
        lastId = page.last().id;
        first = false;
    }
}

bool DB::getMessages(QByteArray& out)
{
    return readMessagePages([&out](const QString& lines) {
        out += lines.toUtf8();
        return true;
    });
}

bool DB::getServiceMessages(QByteArray& out, QChar fieldSeparator, QChar lineSeparator, QString dateFormat)
{
    return readServiceMessagePages(
        [&out](const QString& lines) {
            out += lines.toUtf8();
            return true;
        },
        fieldSeparator, lineSeparator, dateFormat);
}

bool DB::readMessagePages(const LogPageTaker& take)
{
    LogTimeText timeText(QString::fromLatin1(kMessageTimeFormat));
    const QChar tab = QLatin1Char('\t');
    const QChar lf = QLatin1Char('\n');
    QString lines;
    return readLogRows("getMessages", QStringLiteral("messagelog"), true, QStringLiteral("Cannot read the message log"),
                       [&](const QVector<StoredLogRow>& rows) {
                           lines.clear();
                           for (const StoredLogRow& row : rows) {
                               lines += timeText(row.msecs);
                               lines += tab;
                               lines += categoryName(row.category);
                               lines += tab;
                               lines += oneLine(row.text, tab, lf);
                               lines += lf;
                           }
                           return take(lines);
                       });
}

bool DB::readServiceMessagePages(const LogPageTaker& take, QChar fieldSeparator, QChar lineSeparator,
                                 const QString& dateFormat)
{
    LogTimeText timeText(dateFormat);
    QString lines;
    return readLogRows("getServiceMessages", QStringLiteral("servicelog"), false,
                       QStringLiteral("Cannot read the service log"), [&](const QVector<StoredLogRow>& rows) {
                           lines.clear();
                           for (const StoredLogRow& row : rows) {
                               lines += timeText(row.msecs);
                               lines += fieldSeparator;
                               lines += oneLine(row.text, fieldSeparator, lineSeparator);
                               lines += lineSeparator;
                           }
                           return take(lines);
                       });
}

// ---------------------------------------------------------------------------
// Operating statistics and performance indicators

QList<int> DB::getStatisticParamIds(bool* ok)
{
    setFlag(ok, false);
    return call("getStatisticParamIds", QList<int>(), [&]() {
        QList<int> ids;
        QSqlQuery q(database());
        if (!q.exec(QStringLiteral("SELECT id FROM statistics ORDER BY id"))) {
            logSqlError("getStatisticParamIds", QStringLiteral("Cannot read the statistics"), q.lastError());
            return ids;
        }
        while (q.next())
            ids << q.value(0).toInt();
        setFlag(ok, true);
        return ids;
    });
}

qint64 DB::getStatisticParam(int id, bool* ok)
{
    setFlag(ok, false);
    return call("getStatisticParam", qint64(0), [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT count FROM statistics WHERE id = ?"));
        q.addBindValue(id);
        if (!q.exec()) {
            logSqlError("getStatisticParam", QStringLiteral("Cannot read parameter %1").arg(id), q.lastError());
            return qint64(0);
        }
        setFlag(ok, true);
        return q.next() ? q.value(0).toLongLong() : qint64(0);
    });
}

bool DB::incStatisticParam(int id, int n)
{
    return call("incStatisticParam", false, [&]() {
        QSqlDatabase db = database();
        if (!db.transaction()) {
            logSqlError("incStatisticParam", QStringLiteral("Cannot start a transaction"), db.lastError());
            return false;
        }
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT OR IGNORE INTO statistics (id, count) VALUES (?, 0)"));
        q.addBindValue(id);
        bool ok = q.exec();
        if (ok) {
            q.prepare(QStringLiteral("UPDATE statistics SET count = count + ? WHERE id = ?"));
            q.addBindValue(n);
            q.addBindValue(id);
            ok = q.exec();
        }
        if (!noteWrite(ok && db.commit())) {
            logSqlError("incStatisticParam", QStringLiteral("Cannot count parameter %1").arg(id), q.lastError());
            db.rollback();
            return false;
        }
        return true;
    });
}

QList<int> DB::getPerformanceIndicators(bool* ok)
{
    setFlag(ok, false);
    return call("getPerformanceIndicators", QList<int>(), [&]() {
        QList<int> ids;
        QSqlQuery q(database());
        if (!q.exec(QStringLiteral("SELECT DISTINCT id FROM performanceindicators ORDER BY id"))) {
            logSqlError("getPerformanceIndicators", QStringLiteral("Cannot read the indicators"), q.lastError());
            return ids;
        }
        while (q.next())
            ids << q.value(0).toInt();
        setFlag(ok, true);
        return ids;
    });
}

QList<int> DB::getPerformanceClasses(int id, bool* ok)
{
    setFlag(ok, false);
    return call("getPerformanceClasses", QList<int>(), [&]() {
        QList<int> classes;
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT idx FROM performanceindicators WHERE id = ? ORDER BY idx"));
        q.addBindValue(id);
        if (!q.exec()) {
            logSqlError("getPerformanceClasses", QStringLiteral("Cannot read indicator %1").arg(id), q.lastError());
            return classes;
        }
        while (q.next())
            classes << q.value(0).toInt();
        setFlag(ok, true);
        return classes;
    });
}

qint64 DB::getPerformanceIndicator(int id, int index, bool* ok)
{
    setFlag(ok, false);
    return call("getPerformanceIndicator", kIndicatorNotSet, [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT value FROM performanceindicators WHERE id = ? AND idx = ?"));
        q.addBindValue(id);
        q.addBindValue(index);
        if (!q.exec()) {
            logSqlError("getPerformanceIndicator", QStringLiteral("Cannot read indicator %1").arg(id), q.lastError());
            return kIndicatorNotSet;
        }
        setFlag(ok, true);
        return q.next() ? q.value(0).toLongLong() : kIndicatorNotSet;
    });
}

bool DB::setPerformanceIndicator(int id, int index, qint64 value)
{
    return call("setPerformanceIndicator", false, [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO performanceindicators (id, idx, value) VALUES (?, ?, ?)"));
        q.addBindValue(id);
        q.addBindValue(index);
        q.addBindValue(value);
        if (!noteWrite(q.exec())) {
            logSqlError("setPerformanceIndicator", QStringLiteral("Cannot store indicator %1").arg(id), q.lastError());
            return false;
        }
        return true;
    });
}

// ---------------------------------------------------------------------------
// Tan delta phases

bool DB::setTanDeltaMetainfo(int phase, int id, long long value)
{
    return call("setTanDeltaMetainfo", false, [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO tandeltametainfo (phase, id, value) VALUES (?, ?, ?)"));
        q.addBindValue(phase);
        q.addBindValue(id);
        q.addBindValue(static_cast<qint64>(value));
        if (!noteWrite(q.exec())) {
            logSqlError("setTanDeltaMetainfo", QStringLiteral("Cannot store phase %1").arg(phase), q.lastError());
            return false;
        }
        return true;
    });
}

QMap<int, long long> DB::getTanDeltaMetainfo(int phase)
{
    return call("getTanDeltaMetainfo", QMap<int, long long>(), [&]() {
        QMap<int, long long> values;
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT id, value FROM tandeltametainfo WHERE phase = ?"));
        q.addBindValue(phase);
        if (!q.exec()) {
            logSqlError("getTanDeltaMetainfo", QStringLiteral("Cannot read phase %1").arg(phase), q.lastError());
            return values;
        }
        while (q.next())
            values.insert(q.value(0).toInt(), q.value(1).toLongLong());
        return values;
    });
}

bool DB::setTanDeltaSummary(int phase, const QVector<TanDeltaStep>& steps)
{
    return call("setTanDeltaSummary", false, [&]() {
        QSqlDatabase db = database();
        if (!db.transaction())
            return false;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM tandeltasummary WHERE phase = ?"));
        q.addBindValue(phase);
        bool ok = q.exec();
        if (ok)
            q.prepare(QStringLiteral("INSERT INTO tandeltasummary (phase, step, voltage, tandelta, deviation) "
                                     "VALUES (?, ?, ?, ?, ?)"));
        for (int i = 0; ok && i < steps.size(); ++i) {
            q.addBindValue(phase);
            q.addBindValue(i);
            q.addBindValue(steps[i].meanVoltage);
            q.addBindValue(static_cast<qint64>(steps[i].meanTanDelta));
            q.addBindValue(steps[i].stdDeviation);
            ok = q.exec();
        }
        if (!noteWrite(ok && db.commit())) {
            logSqlError("setTanDeltaSummary", QStringLiteral("Cannot store phase %1").arg(phase), q.lastError());
            db.rollback();
            return false;
        }
        return true;
    });
}

QVector<DB::TanDeltaStep> DB::getTanDeltaSummary(int phase)
{
    return call("getTanDeltaSummary", QVector<TanDeltaStep>(), [&]() {
        QVector<TanDeltaStep> steps;
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT voltage, tandelta, deviation FROM tandeltasummary WHERE phase = ? ORDER BY step"));
        q.addBindValue(phase);
        if (!q.exec()) {
            logSqlError("getTanDeltaSummary", QStringLiteral("Cannot read phase %1").arg(phase), q.lastError());
            return steps;
        }
        while (q.next()) {
            TanDeltaStep s;
            s.meanVoltage = q.value(0).toLongLong();
            s.meanTanDelta = static_cast<quint32>(q.value(1).toLongLong());
            s.stdDeviation = q.value(2).toLongLong();
            steps << s;
        }
        return steps;
    });
}

bool DB::clearTanDeltaPhases()
{
    return call("clearTanDeltaPhases", false, [&]() {
        QSqlQuery q(database());
        const bool ok = q.exec(QStringLiteral("DELETE FROM tandeltametainfo")) && q.exec(QStringLiteral("DELETE FROM tandeltasummary"));
        if (!ok)
            logSqlError("clearTanDeltaPhases", QStringLiteral("Cannot clear the phases"), q.lastError());
        return ok;
    });
}

// ---------------------------------------------------------------------------
// Voltage snaps

QList<double> DB::getVoltageSnapValues(int type)
{
    return call("getVoltageSnapValues", QList<double>(), [&]() {
        QList<double> values;
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT value FROM voltagesnaps WHERE type = ? ORDER BY idx"));
        q.addBindValue(type);
        if (!q.exec()) {
            logSqlError("getVoltageSnapValues", QStringLiteral("Cannot read snap list %1").arg(type), q.lastError());
            return values;
        }
        while (q.next())
            values << q.value(0).toDouble();
        return values;
    });
}

bool DB::setVoltageSnapValues(int type, const QList<double>& values)
{
    return call("setVoltageSnapValues", false, [&]() {
        QSqlDatabase db = database();
        if (!db.transaction())
            return false;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM voltagesnaps WHERE type = ?"));
        q.addBindValue(type);
        bool ok = q.exec();
        if (ok)
            q.prepare(QStringLiteral("INSERT INTO voltagesnaps (type, idx, value) VALUES (?, ?, ?)"));
        for (int i = 0; ok && i < values.size(); ++i) {
            q.addBindValue(type);
            q.addBindValue(i);
            q.addBindValue(values[i]);
            ok = q.exec();
        }
        if (!noteWrite(ok && db.commit())) {
            logSqlError("setVoltageSnapValues", QStringLiteral("Cannot store snap list %1").arg(type), q.lastError());
            db.rollback();
            return false;
        }
        return true;
    });
}

// ---------------------------------------------------------------------------
// Cable numbers

QStringList DB::getCableNumbers(const QString& filter)
{
    return call("getCableNumbers", QStringList(), [&]() {
        QStringList values;
        QSqlQuery q(database());
        if (!q.exec(QStringLiteral("SELECT value FROM cableNumbers"))) {
            logSqlError("getCableNumbers", QStringLiteral("Cannot read the cable numbers"), q.lastError());
            return values;
        }
        while (q.next()) {
            const QString v = q.value(0).toString();
            if (filter.isEmpty() || v.contains(filter, Qt::CaseInsensitive))
                values << v;
        }
        std::stable_sort(values.begin(), values.end(), [](const QString& a, const QString& b) {
            const int c = QString::compare(a, b, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a < b;
        });
        return values;
    });
}

bool DB::addCableNumber(const QString& value)
{
    if (value.isEmpty())
        return false;
    return call("addCableNumber", false, [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO cableNumbers (value) VALUES (?)"));
        q.addBindValue(value);
        if (!noteWrite(q.exec())) {
            logSqlError("addCableNumber", QStringLiteral("Cannot store a cable number"), q.lastError());
            return false;
        }
        return true;
    });
}

void DB::deleteCableNumber(const QString& value)
{
    // An empty number names no entry; it must not clear the list.
    if (value.isEmpty())
        return;
    call("deleteCableNumber", false, [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("DELETE FROM cableNumbers WHERE value = ?"));
        q.addBindValue(value);
        if (!q.exec()) {
            logSqlError("deleteCableNumber", QStringLiteral("Cannot delete a cable number"), q.lastError());
            return false;
        }
        return true;
    });
}

// ---------------------------------------------------------------------------
// Menu passwords

QString DB::getPassword(const QString& type)
{
    return call("getPassword", QString(), [&]() {
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT password FROM passwords WHERE type = ?"));
        q.addBindValue(type);
        if (!q.exec()) {
            logSqlError("getPassword", QStringLiteral("Cannot read the password record"), q.lastError());
            return QString();
        }
        return q.next() ? q.value(0).toString() : QString();
    });
}

bool DB::setPassword(const QString& type, const QString& record)
{
    return call("setPassword", false, [&]() { return storePasswordRecord(type, record); });
}
