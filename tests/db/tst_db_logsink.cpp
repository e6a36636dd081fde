#include "db/DB.h"
#include "db/DbLogSink.h"
#include "db/LogRecordQueue.h"
#include "core/GlobalFuncs.h"
#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"
#include "fakes/TempRoot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <climits>
#include <thread>
#include <memory>

namespace {
QStringList messageLines(DB* db)
{
    QByteArray out;
    if (!db->getMessages(out))
        return {QStringLiteral("<failed>")};
    QStringList l = QString::fromUtf8(out).split(QLatin1Char('\n'));
    l.removeAll(QString());
    return l;
}

QStringList serviceLines(DB* db)
{
    QByteArray out;
    if (!db->getServiceMessages(out, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("hh:mm")))
        return {QStringLiteral("<failed>")};
    QStringList l = QString::fromUtf8(out).split(QLatin1Char('\n'));
    l.removeAll(QString());
    return l;
}

QVector<LogRecordQueue::Row> backlog(int n)
{
    QVector<LogRecordQueue::Row> rows;
    for (int i = 0; i < n; ++i)
        rows.append({1000000 + i, 4, QStringLiteral("backlog %1").arg(i)});
    return rows;
}

// Holds the logging thread at the record "gate" until the semaphore is released.
class GateSink : public ILogSink {
public:
    explicit GateSink(QSemaphore* gate) : ILogSink(INT_MIN, INT_MAX), m_gate(gate) {}
    void write(const LoggingData& record) override
    {
        if (record.text == QLatin1String("gate"))
            m_gate->acquire();
    }

private:
    QSemaphore* m_gate;
};

int backlogLines(DB* db)
{
    return messageLines(db).filter(QStringLiteral("\tbacklog ")).size();
}
} // namespace

class TestDbLogSink : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<LoggingCtrl> m_logger;
    std::shared_ptr<LogRecorder> m_log;
    DB* m_db = nullptr;

    // The numbers of the "N log records were lost" (or were not stored) reports the logger received.
    QList<int> lostReports(const QString& how = QStringLiteral("were lost")) const
    {
        const QRegularExpression re(QStringLiteral("^(\\d+) log records %1$").arg(how));
        QList<int> out;
        for (const LoggingData& r : m_log->records()) {
            const QRegularExpressionMatch m = re.match(r.text);
            if (m.hasMatch() && r.category == CAT_ERR)
                out << m.captured(1).toInt();
        }
        return out;
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("tstlogsink")); }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        m_db = DB::getInstance();
        QVERIFY(m_db->initialize());
        m_logger = std::make_unique<LoggingCtrl>();
        m_log = std::make_shared<LogRecorder>();
        m_logger->addSink(m_log->makeSink());
        DbLogSink::attach(*m_logger, *m_db);
        QVERIFY(m_logger->initialize());
    }

    void cleanup()
    {
        m_logger->release();
        m_logger.reset();
        DB::destroyInstance();
        m_root.reset();
    }

    void categoriesReachTheirTables()
    {
        KLOG_FATAL2("Cls", "f", "fatal one");
        KLOG_ERROR2("Cls", "f", QStringLiteral("error one"));
        KLOG_WARN2("Cls", "f", "warn one");
        KLOG_INFO2("Cls", "f", "info one");
        KLOG_MSG2("Cls", "f", "msg one");
        KLOG_MEAS2("TLog", "write", "Part1;x");
        LoggingCtrl::log(CAT_METHOD, "METHOD", "method one", -1, "Cls", "f");
        KLOG_DEBUG2("Cls", "f", "debug one");
        LoggingCtrl::logService(QStringLiteral("service one"));
        QTRY_COMPARE_WITH_TIMEOUT(messageLines(m_db).size(), 6, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(serviceLines(m_db).size(), 1, 10000);
        // Nothing more arrives later.
        QTest::qWait(200);
        const QStringList l = messageLines(m_db);
        QCOMPARE(l.size(), 6);
        QStringList cats;
        QStringList texts;
        for (const QString& line : l) {
            const QStringList f = line.split(QLatin1Char('\t'));
            QCOMPARE(f.size(), 3);
            cats << f[1];
            texts << f[2];
        }
        cats.sort();
        texts.sort();
        QCOMPARE(cats, QStringList({"ERR", "FATAL", "INF", "MEAS", "MSG", "WARN"}));
        QCOMPARE(texts, QStringList({"Part1;x", "error one", "fatal one", "info one", "msg one", "warn one"}));
        QVERIFY(serviceLines(m_db).at(0).endsWith(QStringLiteral("\tservice one")));
    }

    void loggingNeverWaitsForTheDatabaseThread()
    {
        // The database's thread (this one) is blocked while a worker logs.
        std::atomic<qint64> slowest{0};
        std::atomic<qint64> total{0};
        std::unique_ptr<QThread> t(QThread::create([&]() {
            QElapsedTimer all;
            all.start();
            for (int i = 0; i < 2000; ++i) {
                QElapsedTimer one;
                one.start();
                KLOG_INFO2("Worker", "run", QStringLiteral("record %1").arg(i));
                slowest = qMax(slowest.load(), one.elapsed());
            }
            total = all.elapsed();
        }));
        t->start();
        QThread::msleep(2000);
        QVERIFY(t->wait(30000));
        // 2000 calls while the database could not write a single row.
        QVERIFY2(total.load() < 1500, qPrintable(QStringLiteral("logging took %1 ms").arg(total.load())));
        QTRY_COMPARE_WITH_TIMEOUT(messageLines(m_db).size(), 2000, 20000);
    }

    void rowsSurviveARelease()
    {
        m_db->release();
        KLOG_ERROR2("Cls", "f", "while closed");
        QTest::qWait(100);
        QVERIFY(m_db->initialize());
        QTRY_COMPARE_WITH_TIMEOUT(messageLines(m_db).size(), 1, 10000);
        QVERIFY(messageLines(m_db).at(0).endsWith(QStringLiteral("\tERR\twhile closed")));
    }

    void boundedQueue()
    {
        LogRecordQueue q(100);
        int wakeUps = 0;
        q.setWakeUp([&wakeUps]() { ++wakeUps; });
        for (int i = 0; i < 105; ++i)
            q.push({i, 4, QString::number(i)});
        QCOMPARE(wakeUps, 105);
        int dropped = -1;
        QVector<LogRecordQueue::Row> rows = q.takeAll(&dropped);
        QCOMPARE(dropped, 10);
        QCOMPARE(rows.size(), 95);
        QCOMPARE(rows.first().text, QStringLiteral("10"));
        QCOMPARE(rows.last().text, QStringLiteral("104"));
        q.push({200, 4, QStringLiteral("newer")});
        q.restore(rows);
        rows = q.takeAll(&dropped);
        QCOMPARE(dropped, 0);
        QCOMPARE(rows.size(), 96);
        QCOMPARE(rows.first().text, QStringLiteral("10"));
        QCOMPARE(rows.last().text, QStringLiteral("newer"));
        QVector<LogRecordQueue::Row> many(250, LogRecordQueue::Row{1, 4, QStringLiteral("m")});
        q.push(many);
        rows = q.takeAll(&dropped);
        QVERIFY(rows.size() <= 100);
        QCOMPARE(rows.size() + dropped, 250);
        q.setWakeUp(nullptr);
        q.push({1, 1, QString()});
        QCOMPARE(wakeUps, 107);
    }

    void lostRowsAreNoted()
    {
        m_db->release();
        // Far more rows than the queue holds while the file is closed.
        QVector<LogRecordQueue::Row> many(105000, LogRecordQueue::Row{1000, 4, QStringLiteral("r")});
        m_db->messageQueue()->push(many);
        QVERIFY(m_db->initialize());
        QByteArray out;
        QVERIFY(m_db->getMessages(out));
        QVERIFY(out.startsWith(QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd")).toUtf8()));
        QVERIFY(out.contains("\tWARN\t"));
        QVERIFY(out.contains("log records were lost while the database was busy"));
        // The trace file hears of it at once, the logs being writable again.
        QVERIFY(m_log->waitFor([](const LoggingData& r) { return r.text == QLatin1String("10000 log records were lost"); }));
    }

    // A full disk: the backlog is written in committed chunks as far as there is room,
    // the rest once there is room again; nothing is given up meanwhile. The commits, each
    // waiting for the disk, are never the database's thread's (the GUI thread's).
    void backlogIsWrittenAsFarAsItFits()
    {
        int room = 400;
        QThread* writing = nullptr;
        m_db->setLogRowWriter([&room, &writing](QSqlQuery& q) {
            writing = QThread::currentThread();
            if (room <= 0)
                return false;
            --room;
            return q.exec();
        });
        m_db->messageQueue()->push(backlog(1500));
        QVERIFY(!m_db->flushLogQueues());
        QVERIFY(writing && writing != m_db->thread());
        QCOMPARE(backlogLines(m_db), 400);
        QVERIFY(!m_db->flushLogQueues()); // still full
        QCOMPARE(backlogLines(m_db), 400);

        room = 1000000;
        QVERIFY(m_db->flushLogQueues());
        const QStringList lines = messageLines(m_db).filter(QStringLiteral("\tbacklog "));
        QCOMPARE(lines.size(), 1500);
        QVERIFY(lines.first().endsWith(QStringLiteral("\tbacklog 1499"))); // newest first
        QVERIFY(lines.last().endsWith(QStringLiteral("\tbacklog 0")));
        m_logger->flush();
        QVERIFY(lostReports().isEmpty());
        m_db->setLogRowWriter(nullptr);
    }

    // Rows that can never be written, or not before a stop's deadline, are counted, and the
    // count reaches the trace at shutdown, the database closing before the logger.
    void rowsGivenUpAtShutdownAreCounted_data()
    {
        QTest::addColumn<bool>("deadlinePast");
        QTest::addColumn<QString>("report");
        QTest::newRow("writes fail") << false << QStringLiteral("were lost");
        QTest::newRow("deadline past") << true << QStringLiteral("were not stored");
    }
    void rowsGivenUpAtShutdownAreCounted()
    {
        QFETCH(bool, deadlinePast);
        QFETCH(QString, report);
        m_db->setLogRowWriter([](QSqlQuery&) { return false; });
        m_db->messageQueue()->push(backlog(1500));
        m_db->serviceQueue()->push(backlog(20));
        QVERIFY(!m_db->flushLogQueues());
        m_logger->flush();
        QVERIFY(lostReports(report).isEmpty()); // kept for a later try, not lost yet
        if (deadlinePast) { // the disk would take them now
            m_db->setLogRowWriter(nullptr);
            m_db->setReleaseDeadline(QDeadlineTimer(0));
        }
        m_db->release();
        m_logger->flush();
        QCOMPARE(lostReports(report), QList<int>{1520});
        m_db->setLogRowWriter(nullptr);
    }

    // Tests run as root, whom file permissions do not stop: the file is opened read-only.
    void readOnlyDatabaseIsSaidSo()
    {
        QVERIFY(m_db->isWritable());
        m_db->release();
        m_db->setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        m_db->initialize();
        QVERIFY(!m_db->isWritable());
        QVERIFY(m_log->waitFor([](const LoggingData& r) {
            return r.category == CAT_ERR && r.text.contains(QLatin1String("cannot be written"));
        }));
        KLOG_INFO2("Cls", "f", "not stored");
        m_logger->flush();
        m_db->release();
        m_logger->flush();
        QCOMPARE(lostReports().size(), 1);
        QVERIFY(lostReports().first() >= 2); // the error and the record after it

        m_db->setConnectOptions(QString());
        QVERIFY(m_db->initialize());
        QVERIFY(m_db->isWritable());
        QVERIFY(messageLines(m_db).filter(QStringLiteral("not stored")).isEmpty());
    }

    // The records logged up to the release ("Shutdown complete") reach the message log,
    // even when the logging thread is still busy with earlier ones.
    void lastRecordsReachTheMessageLog()
    {
        QSemaphore gate;
        m_logger->addSink(std::make_unique<GateSink>(&gate));
        GlobalFuncs::setLogger(m_logger.get());
        m_db->registerGlobally();
        KLOG_INFO2("Cls", "f", "gate");
        KLOG_INFO2("Application", "~Application", "Shutdown complete");
        std::thread opener([&gate] {
            QThread::msleep(300);
            gate.release();
        });
        const bool released = GlobalFuncs::release();
        opener.join();
        QVERIFY(released);
        QVERIFY(!m_db->isOpen());
        QVERIFY(!m_logger->isRunning());
        GlobalFuncs::setLogger(nullptr);
        GlobalFuncs::setDatabaseReleaser(nullptr);
        GlobalFuncs::setDB(nullptr);
        // The file as the next start finds it: this object's queue would still hold the row.
        const QString path = GlobalFuncs::getAppDataPath() + QStringLiteral("/TSTLOGSINK.sqlite3");
        QStringList lines;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("SELECT message FROM messagelog ORDER BY id DESC")));
            while (q.next())
                lines << q.value(0).toString();
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.first(), QStringLiteral("Shutdown complete"));
    }
};

QTEST_GUILESS_MAIN(TestDbLogSink)
#include "tst_db_logsink.moc"
