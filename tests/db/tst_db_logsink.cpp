#include "db/DB.h"
#include "db/DbLogSink.h"
#include "db/LogRecordQueue.h"
#include "logging/LoggingCtrl.h"
#include "fakes/TempRoot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <atomic>
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
} // namespace

class TestDbLogSink : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<LoggingCtrl> m_logger;
    DB* m_db = nullptr;

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("tstlogsink")); }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        m_db = DB::getInstance();
        QVERIFY(m_db->initialize());
        m_logger = std::make_unique<LoggingCtrl>();
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
    }
};

QTEST_GUILESS_MAIN(TestDbLogSink)
#include "tst_db_logsink.moc"
