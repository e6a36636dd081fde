#include "db/DB.h"
#include "fakes/TempRoot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

class TestDBThreads : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempRoot> m_root;

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("tstdbthreads")); }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        QVERIFY(m_root->isValid());
    }

    void cleanup()
    {
        DB::destroyInstance();
        m_root.reset();
    }

    void createdOnWorkerLivesOnMainThread()
    {
        DB* db = nullptr;
        std::unique_ptr<QThread> t(QThread::create([&db]() { db = DB::getInstance(); }));
        t->start();
        QVERIFY(t->wait(10000));
        QVERIFY(db != nullptr);
        QVERIFY(db->thread() == QCoreApplication::instance()->thread());
    }

    void workerCallGetsResult()
    {
        DB* db = DB::getInstance();
        QVERIFY(db->initialize());
        QVERIFY(db->setDefaultValue(QStringLiteral("General"), QStringLiteral("Language"), QStringLiteral("English")));
        QString seen;
        bool stored = false;
        QByteArray log;
        bool logOk = false;
        std::unique_ptr<QThread> t(QThread::create([&]() {
            seen = db->getDefaultValue(QStringLiteral("General"), QStringLiteral("Language"));
            stored = db->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), QStringLiteral("x/y"));
            db->queueMessage({QDateTime::currentMSecsSinceEpoch(), 2, QStringLiteral("from worker")});
            logOk = db->getMessages(log);
        }));
        QEventLoop loop;
        connect(t.get(), &QThread::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        t->start();
        loop.exec();
        QVERIFY(t->isFinished());
        QCOMPARE(seen, QStringLiteral("English"));
        QVERIFY(stored);
        QVERIFY(logOk);
        QVERIFY(log.endsWith("\tERR\tfrom worker\n"));
        QCOMPARE(db->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")), QStringLiteral("x/y"));
    }

    void unansweredCallFailsAndIsNeverDone()
    {
        DB* db = DB::getInstance();
        QVERIFY(db->initialize());
        db->setCallTimeout(300);
        bool stored = true;
        qint64 waited = 0;
        std::unique_ptr<QThread> t(QThread::create([&]() {
            QElapsedTimer timer;
            timer.start();
            stored = db->setDefaultValue(QStringLiteral("Late"), QStringLiteral("Write"), QStringLiteral("1"));
            waited = timer.elapsed();
        }));
        t->start();
        // The database's thread does not process events for a while.
        QVERIFY(t->wait(20000));
        QVERIFY(!stored);
        QVERIFY2(waited >= 250, qPrintable(QString::number(waited)));
        QCoreApplication::processEvents();
        db->setCallTimeout(DB::kCallTimeoutMs);
        QCOMPARE(db->getDefaultValue(QStringLiteral("Late"), QStringLiteral("Write")), QString());
        QVERIFY(db->setDefaultValue(QStringLiteral("Late"), QStringLiteral("Write"), QStringLiteral("2")));
        QCOMPARE(db->getDefaultValue(QStringLiteral("Late"), QStringLiteral("Write")), QStringLiteral("2"));
    }

    // At shutdown the database's thread joins the workers: a caller already waiting
    // gives up once the time-out is cut, not after the minute it began with.
    void waitingCallerIsFreedByAShorterTimeout()
    {
        DB* db = DB::getInstance();
        QVERIFY(db->initialize());
        db->setCallTimeout(DB::kCallTimeoutMs);
        QAtomicInt started(0);
        bool stored = true;
        std::unique_ptr<QThread> t(QThread::create([&]() {
            started.storeRelease(1);
            stored = db->setDefaultValue(QStringLiteral("Shutdown"), QStringLiteral("Write"), QStringLiteral("1"));
        }));
        t->start();
        while (!started.loadAcquire())
            QThread::msleep(1);
        QThread::msleep(200);
        db->setCallTimeout(0);
        QVERIFY(t->wait(10000));
        QVERIFY(!stored);
        QCoreApplication::processEvents();
        db->setCallTimeout(DB::kCallTimeoutMs);
        QCOMPARE(db->getDefaultValue(QStringLiteral("Shutdown"), QStringLiteral("Write")), QString());
    }

    void threeThreadsWhileGuiInLocalLoop()
    {
        DB* db = DB::getInstance();
        QVERIFY(db->initialize());
        constexpr int kThreads = 3;
        constexpr int kCalls = 40;
        std::atomic<int> failures{0};
        std::atomic<int> running{kThreads};
        std::vector<std::unique_ptr<QThread>> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back(QThread::create([db, i, &failures, &running]() {
                for (int n = 0; n < kCalls; ++n) {
                    if (!db->incStatisticParam(0x201, 1))
                        ++failures;
                    if (!db->incStatisticParam(0x300 + i, 2))
                        ++failures;
                    const QString value = QString::number(n);
                    if (!db->setDefaultValue(QStringLiteral("Thread"), QString::number(i), value))
                        ++failures;
                    if (db->getDefaultValue(QStringLiteral("Thread"), QString::number(i)) != value)
                        ++failures;
                    db->queueMessage({QDateTime::currentMSecsSinceEpoch(), 4, QStringLiteral("t%1 n%2").arg(i).arg(n)});
                }
                --running;
            }));
        }
        // The GUI thread works in a local event loop meanwhile, with calls of its own.
        int guiCalls = 0;
        QEventLoop loop;
        QTimer busy;
        busy.setInterval(5);
        connect(&busy, &QTimer::timeout, &loop, [&]() {
            if (db->incStatisticParam(0x201, 1))
                ++guiCalls;
            else
                ++failures;
            if (running.load() == 0)
                loop.quit();
        });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, &loop, [&loop]() { loop.exit(1); });
        guard.start(90000);
        busy.start();
        for (auto& t : threads)
            t->start();
        const int rc = loop.exec();
        busy.stop();
        QCOMPARE(rc, 0); // no deadlock
        for (auto& t : threads)
            QVERIFY(t->wait(10000));
        QCOMPARE(failures.load(), 0);
        QCOMPARE(db->getStatisticParam(0x201), qint64(kThreads * kCalls + guiCalls));
        for (int i = 0; i < kThreads; ++i) {
            QCOMPARE(db->getStatisticParam(0x300 + i), qint64(2 * kCalls));
            QCOMPARE(db->getDefaultValue(QStringLiteral("Thread"), QString::number(i)), QString::number(kCalls - 1));
        }
        QByteArray log;
        QVERIFY(db->getMessages(log));
        QCOMPARE(log.count('\n'), kThreads * kCalls);
    }
};

QTEST_GUILESS_MAIN(TestDBThreads)
#include "tst_db_threads.moc"
