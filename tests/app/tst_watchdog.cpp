#include "fakes/FakeWatchdogDevice.h"
#include "app/ThreadGuard.h"
#include "app/WatchdogManager.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

class TstWatchdog : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { WatchdogManager::destroyInstance(); }

    void kicksOnlyWhileEveryGuardedThreadAnswers()
    {
        FakeWatchdogDevice device;
        ThreadGuard dm(QStringLiteral("DMThread"), nullptr);
        QObject guiContext; // this thread stands for the GUI thread
        WatchdogManager* wd = WatchdogManager::getInstance();
        QVERIFY(wd->start(&device));
        QVERIFY(wd->isRunning());
        wd->attachThread(&guiContext, QStringLiteral("GUI"));
        wd->attachThread(dm.context());
        QCOMPARE(wd->guardedThreads(), QStringList({QStringLiteral("GUI"), QStringLiteral("DMThread")}));
        QSignalSpy missed(wd, &WatchdogManager::heartbeatMissed);

        // Healthy threads: a kick per heartbeat period.
        QTRY_VERIFY_WITH_TIMEOUT(device.kicks() >= 3, 6000);
        QCOMPARE(device.calls().first(), QStringLiteral("open"));
        QVERIFY(missed.isEmpty());

        // DMThread hangs for 3 s: at most the round already answered is kicked, then nothing.
        QElapsedTimer blocked;
        blocked.start();
        QMetaObject::invokeMethod(
            dm.context(), []() { QThread::msleep(3000); }, Qt::QueuedConnection);
        QTest::qWait(1500);
        const int during = device.kicks();
        while (blocked.elapsed() < 2800)
            QTest::qWait(50);
        QCOMPARE(device.kicks(), during);
        QVERIFY(!missed.isEmpty());
        QVERIFY(missed.first().first().toStringList().contains(QStringLiteral("DMThread")));
        QVERIFY(!missed.first().first().toStringList().contains(QStringLiteral("GUI")));

        // Once it answers again the kicks resume.
        QTRY_VERIFY_WITH_TIMEOUT(device.kicks() > during, 4000);

        wd->stop();
        QVERIFY(!wd->isRunning());
        QCOMPARE(device.calls().last(), QStringLiteral("close"));
        const int atStop = device.kicks();
        QTest::qWait(1200);
        QCOMPARE(device.kicks(), atStop);
    }

    void detachedThreadNoLongerHoldsTheKicks()
    {
        FakeWatchdogDevice device;
        ThreadGuard pof(QStringLiteral("POFThread"), nullptr);
        WatchdogManager* wd = WatchdogManager::getInstance();
        QVERIFY(wd->start(&device, 200));
        wd->attachThread(pof.context());
        QTRY_VERIFY_WITH_TIMEOUT(device.kicks() >= 2, 4000);
        wd->detachThread(pof.context());
        QVERIFY(wd->guardedThreads().isEmpty());
        QMetaObject::invokeMethod(
            pof.context(), []() { QThread::msleep(1000); }, Qt::QueuedConnection);
        const int before = device.kicks();
        QTRY_VERIFY_WITH_TIMEOUT(device.kicks() >= before + 2, 4000);
        wd->stop();
    }

    void withoutDeviceTheHeartbeatStillRuns()
    {
        FakeWatchdogDevice device;
        device.setOpenResult(false);
        WatchdogManager* wd = WatchdogManager::getInstance();
        QVERIFY(wd->start(&device, 100));
        QTRY_VERIFY_WITH_TIMEOUT(wd->kicks() >= 2, 4000);
        wd->stop();
        QCOMPARE(device.kicks(), 0);
        QVERIFY(!device.calls().contains(QStringLiteral("close")));
    }
};

QTEST_GUILESS_MAIN(TstWatchdog)
#include "tst_watchdog.moc"
