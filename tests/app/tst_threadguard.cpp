#include "ThreadGuard.h"

#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {
// Records where it was destroyed and keeps a running timer, as the workers do.
class Worker : public QObject {
public:
    explicit Worker(std::atomic<QThread*>* diedOn) : m_diedOn(diedOn)
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() { ++ticks; });
    }
    ~Worker() override { m_diedOn->store(QThread::currentThread()); }
    void startTimer10() { m_timer.start(10); }
    std::atomic<int> ticks{0};

private:
    QTimer m_timer{this};
    std::atomic<QThread*>* m_diedOn;
};
} // namespace

class TstThreadGuard : public QObject {
    Q_OBJECT
private slots:
    void workerRunsOnNamedThreadAndDiesThere()
    {
        std::atomic<QThread*> diedOn{nullptr};
        auto* worker = new Worker(&diedOn);
        QThread* workerThread = nullptr;
        {
            ThreadGuard guard(QStringLiteral("DMThread"), worker);
            workerThread = guard.thread();
            QVERIFY(guard.isRunning());
            QCOMPARE(worker->thread(), workerThread);
            QCOMPARE(workerThread->objectName(), QStringLiteral("DMThread"));
            QCOMPARE(guard.context()->thread(), workerThread);

            QString seenName;
            QMetaObject::invokeMethod(
                worker,
                [&]() {
                    seenName = QThread::currentThread()->objectName();
                    worker->startTimer10();
                },
                Qt::BlockingQueuedConnection);
            QCOMPARE(seenName, QStringLiteral("DMThread"));
            QTRY_VERIFY(worker->ticks.load() > 2);

            QVERIFY(guard.stop());
            QVERIFY(!guard.isRunning());
            QVERIFY(guard.worker() == nullptr);
            QCOMPARE(diedOn.load(), workerThread);
            QVERIFY(guard.stop()); // a second stop is harmless
        }
    }

    void guardWithoutWorker()
    {
        ThreadGuard guard(QStringLiteral("POFThread"), nullptr);
        QVERIFY(guard.isRunning());
        QObject hosted;
        hosted.moveToThread(guard.thread());
        bool ran = false;
        QMetaObject::invokeMethod(
            &hosted, [&]() { ran = QThread::currentThread()->objectName() == QLatin1String("POFThread"); },
            Qt::BlockingQueuedConnection);
        QVERIFY(ran);
        QVERIFY(guard.stop());
        QVERIFY(!guard.isRunning());
    }

    void hangingThreadIsReportedNotJoined()
    {
        std::atomic<bool> release{false};
        auto* guard = new ThreadGuard(QStringLiteral("Stuck"), nullptr);
        QMetaObject::invokeMethod(
            guard->context(),
            [&]() {
                while (!release.load())
                    QThread::msleep(5);
            },
            Qt::QueuedConnection);
        QVERIFY(!guard->stop(200));
        QVERIFY(guard->isRunning());
        QVERIFY(!guard->stop(0)); // still reported as stuck
        release = true;
        QTRY_VERIFY(!guard->isRunning());
        QVERIFY(guard->stop(0));
        delete guard;
    }
};

QTEST_GUILESS_MAIN(TstThreadGuard)
#include "tst_threadguard.moc"
