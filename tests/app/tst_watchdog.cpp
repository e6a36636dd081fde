#include "fakes/FakeWatchdogDevice.h"
#include "app/ThreadGuard.h"
#include "app/WatchdogManager.h"
#include "commissioning/MachineBundle.h"
#include "commissioning/MachineFactory.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "core/Heartbeat.h"
#include "fakes/CommissioningRig.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>

class TstWatchdog : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { WatchdogManager::destroyInstance(); }

    void kicksOnlyWhileEveryGuardedThreadAnswers()
    {
        FakeWatchdogDevice device;
        ThreadGuard dm(QStringLiteral("DMThread"), nullptr);
        QObject guiContext; // this thread stands for the GUI thread
        // Half the program's heartbeat period: the same rounds in half the time.
        const int period = WatchdogManager::kHeartbeatMs / 2;
        WatchdogManager* wd = WatchdogManager::getInstance();
        QVERIFY(wd->start(&device, period));
        QVERIFY(wd->isRunning());
        wd->attachThread(&guiContext, QStringLiteral("GUI"));
        wd->attachThread(dm.context());
        QCOMPARE(wd->guardedThreads(), QStringList({QStringLiteral("GUI"), QStringLiteral("DMThread")}));
        QSignalSpy missed(wd, &WatchdogManager::heartbeatMissed);

        // Healthy threads: a kick per heartbeat period.
        QTRY_VERIFY_WITH_TIMEOUT(device.kicks() >= 3, 6000);
        QCOMPARE(device.calls().first(), QStringLiteral("open"));
        QVERIFY(missed.isEmpty());

        // DMThread hangs for three periods: at most the round already answered is kicked, then nothing.
        QElapsedTimer blocked;
        blocked.start();
        QMetaObject::invokeMethod(
            dm.context(), [period]() { QThread::msleep(3 * period); }, Qt::QueuedConnection);
        QTest::qWait(3 * period / 2);
        const int during = device.kicks();
        while (blocked.elapsed() < 3 * period - period / 5)
            QTest::qWait(20);
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
        QTest::qWait(period + period / 5);
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

    // The unit silent for five heartbeat periods (of a quarter of the program's, which a silent
    // transaction outlasts all the same): the link's thread answers from inside its
    // bounded waits, so every period still ends with a kick (one period's tolerance); a
    // wait past its bound counts as a hang.
    void heartbeatThroughASilentUnit_data()
    {
        QTest::addColumn<int>("during"); // 0 Idle, 1 a procedure, 2 a test, 3 a wait past its bound
        QTest::newRow("Idle") << 0;
        QTest::newRow("a procedure") << 1;
        QTest::newRow("a test") << 2;
        QTest::newRow("a wait past its bound") << 3;
    }
    void heartbeatThroughASilentUnit()
    {
        QFETCH(int, during);
        const int period = WatchdogManager::kHeartbeatMs / 4;
        const int silence = 5 * period;
        FakeWatchdogDevice device;
        CommissioningRig rig;
        QVERIFY(rig.start());
        WatchdogManager* wd = WatchdogManager::getInstance();
        QVERIFY(wd->start(&device, period));
        wd->attachThread(rig.pof, QStringLiteral("POFThread"));

        Commissioning::MachineBundle bundle;
        std::atomic<bool> testRuns { during == 2 };
        std::thread worker;
        // Also when a check fails: the worker, the machines and the link end in order.
        struct End {
            std::function<void()> run;
            ~End() { run(); }
        } end { [&] {
            testRuns = false;
            if (worker.joinable())
                worker.join();
            wd->stop();
            bundle = Commissioning::MachineBundle();
            rig.stop();
        } };
        if (during == 1) {
            bundle = Commissioning::makeMachineFactory(rig.pof, rig.safety.get())();
            bundle.outputCalibration->queueEvent(Commissioning::OutputCalibrationMachine::Event(Commissioning::Start));
            QTRY_VERIFY(rig.hvEnable());
        } else if (during == 2) {
            // As the test worker: polling off, a reading and a state poll every 100 ms.
            FakeHVData::Settings settings = rig.link.data->settings();
            settings.testRunning = true;
            rig.link.data->setSettings(settings);
            rig.onLink([&rig] {
                rig.pof->appStateChanged(States::TestReadyToRun, States::TestRunning);
                return true;
            });
            worker = std::thread([&rig, &testRuns] {
                while (testRuns) {
                    unsigned long long v[4] = {};
                    unsigned short n = 0;
                    rig.pof->GetValue(TPOF::CMD_MeasurementValues, v, 4, &n);
                    rig.pof->GetHVState();
                    QThread::msleep(100);
                }
            });
        }
        QTRY_VERIFY_WITH_TIMEOUT(device.kicks() >= 2, 4000);

        QElapsedTimer clock;
        clock.start();
        if (during == 3)
            QMetaObject::invokeMethod(rig.pof, [silence] {
                Heartbeat::Bound bound(300);
                for (int i = 0; i < silence / 10 + 20; ++i) {
                    Heartbeat::alive();
                    QThread::msleep(10);
                }
            });
        else
            rig.sim.failNext(-1);
        QStringList kicks;
        for (int last = device.kicks(); clock.elapsed() < silence; QTest::qWait(10)) {
            if (device.kicks() > last) {
                last = device.kicks();
                kicks << QString::number(clock.elapsed());
            }
        }
        rig.sim.clearFault();
        // Five periods, less one period's tolerance.
        QVERIFY2((kicks.size() >= silence / period - 1) == (during != 3), qPrintable(QStringLiteral("kicks at ") + kicks.join(' ')));
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
