#include "app/ThreadGuard.h"

#include <QElapsedTimer>
#include <QEventLoop>
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

    // A worker waiting in a nested event loop (as the HV link does between retries)
    // is never destroyed under its own feet: the wait returns, then the worker goes.
    void workerInNestedWaitIsDestroyedAfterItReturns()
    {
        struct Waiter : QObject {
            std::atomic<bool>* inWait;
            std::atomic<bool>* diedInWait;
            Waiter(std::atomic<bool>* w, std::atomic<bool>* d) : inWait(w), diedInWait(d) {}
            ~Waiter() override { diedInWait->store(inWait->load()); }
            void longWait()
            {
                inWait->store(true);
                QEventLoop loop;
                QTimer::singleShot(20000, &loop, &QEventLoop::quit);
                loop.exec();
                inWait->store(false);
            }
        };
        std::atomic<bool> inWait{false};
        std::atomic<bool> diedInWait{true};
        auto* waiter = new Waiter(&inWait, &diedInWait);
        ThreadGuard guard(QStringLiteral("POFThread"), waiter);
        QMetaObject::invokeMethod(waiter, [waiter]() { waiter->longWait(); }, Qt::QueuedConnection);
        QTRY_VERIFY(inWait.load());
        QElapsedTimer t;
        t.start();
        QVERIFY(guard.stop());
        QVERIFY(t.elapsed() < 15000); // the nested wait did not run its course
        QVERIFY(!diedInWait.load());
    }

    void disposeReplacesDelete()
    {
        std::atomic<QThread*> disposedOn{nullptr};
        auto* worker = new QObject;
        QThread* thread = nullptr;
        {
            ThreadGuard guard(QStringLiteral("DMThread"), worker, [&disposedOn, worker]() {
                disposedOn.store(QThread::currentThread());
                delete worker;
            });
            thread = guard.thread();
            QVERIFY(guard.stop());
        }
        QCOMPARE(disposedOn.load(), thread);
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
        std::atomic<bool> stuck{false};
        auto* guard = new ThreadGuard(QStringLiteral("Stuck"), nullptr);
        QMetaObject::invokeMethod(
            guard->context(),
            [&]() {
                stuck = true;
                while (!release.load())
                    QThread::msleep(5);
            },
            Qt::QueuedConnection);
        QTRY_VERIFY(stuck.load());
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
