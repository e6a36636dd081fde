#include "app/DMhvDataModel.h"
#include "app/DMhvStateSubscriber.h"
#include "app/ThreadGuard.h"
#include "fakes/DataModelFixture.h"
#include "app/DataModelSafetyReceiver.h"
#include "fakes/FakeGpioTree.h"
#include "hvunit/GPIOManager.h"
#include "hvsim/HvUnitSimulator.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingGui.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "hvunit/TPOF.h"
#include "testrun/TTestChart.h"
#include "testrun/TTestThread.h"
#include "testrun/TanDeltaPhaseData.h"
#include "testrun/TestChart.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QtTest>

#include <iterator>
#include <memory>

#include <time.h>

using namespace States;
using M = OperatingModes;
using E = eAppEvent;
using TestChart::VLF::TestData;

// Whole tests from the start event to the stored record: the data model with its state
// machine, the HV link on "POFThread" against the simulated unit on a pseudo-terminal,
// the safety circuit on a fake GPIO tree, the test worker on "TestThread" and the record
// store, wired as the application wires them. The unit reports a test time of a few
// seconds, so a test of one configured minute ends on the unit's time.
class TstTestRun : public QObject {
    Q_OBJECT

    HvUnitSimulator m_sim;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<FakeGpioTree> m_tree;
    std::unique_ptr<GPIOManager> m_gpio;
    std::unique_ptr<TCheckSafetyCircuit> m_safety;
    // Threads as the application runs them: a worker ends on its thread once the thread's
    // loop has returned, never inside one of its own nested waits.
    std::unique_ptr<ThreadGuard> m_pofThread;
    std::unique_ptr<ThreadGuard> m_testThread;
    TPOF* m_pof = nullptr;
    TTestThread* m_worker = nullptr;
    std::unique_ptr<TTestChart> m_chart;
    RecordingGui m_gui;
    QList<AppState> m_states;

    DataModell* dm() const { return m_fixture->dm(); }

    static QString today() { return QDate::currentDate().toString(QStringLiteral("yyyyMMdd")); }

    QStringList records(GlobalFuncs::Path place) const
    {
        QDir dir(GlobalFuncs::getUsbPath(place) + QLatin1Char('/') + today());
        QStringList out;
        for (const QString& name : dir.entryList({ QStringLiteral("*.vlf") }, QDir::Files, QDir::Time | QDir::Reversed))
            out << dir.filePath(name);
        return out;
    }

    // Waits for a state, answering the confirmation of a changed frequency as the operator.
    bool waitForState(AppState state, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (dm()->getAppState() == state)
                return true;
            if (dm()->getAppState() == WaitForConfirmation)
                dm()->receiveAppEvent(E::UserAck);
            // The operator's HV-on switches the generator on: the unit reports its output on.
            if (dm()->getAppState() == WaitHVOn)
                m_sim.model().setStateBits(HVStateBits::OutputOn);
            QTest::qWait(20);
        }
        return dm()->getAppState() == state;
    }

    // Settings of a test; false when the mode is refused.
    bool prepare(M::OperatingMode mode, unsigned unitDurationMs)
    {
        dm()->changeOperatingMode(mode);
        if (dm()->getOperatingMode() != mode)
            return false;
        dm()->setFrequencyToTest(0);
        dm()->setMinutesToTest(1);
        dm()->setSecondsToTest(0);
        m_sim.model().setTestDurationMs(unitDurationMs);
        m_sim.model().setStateBits(0);
        m_states.clear();
        m_gui.calls.clear();
        return true;
    }

    // From Idle through the start event to the running test; false, with the state left
    // for the message, when it is not reached.
    bool startRunning()
    {
        if (dm()->getAppState() != Idle)
            return false;
        dm()->receiveAppEvent(E::StartTest);
        return waitForState(TestRunning, 15000);
    }

    void confirmToIdle()
    {
        dm()->receiveAppEvent(E::TestResultConfirmed);
        QVERIFY(waitForState(Idle, 5000));
    }

    static QString runInfo(const TestData& data, int key) { return TestChart::VLF::info(data, 1, key); }

    void checkSamples(const TestData& data)
    {
        QVERIFY2(data.measure.size() >= 15, qPrintable(QString::number(data.measure.size())));
        qint64 previous = -1;
        for (const TestData::Measure& m : data.measure) {
            QCOMPARE(m.run, 1);
            // A read held up on a loaded machine is followed at once by the timer's next
            // one, which the unit may stamp with the same millisecond.
            QVERIFY2(m.timestamp >= previous, qPrintable(QStringLiteral("%1 after %2").arg(m.timestamp).arg(previous)));
            previous = m.timestamp;
        }
        // Samples every 100 ms: generous bounds for a loaded machine.
        const double mean = double(data.measure.last().timestamp - data.measure.first().timestamp)
            / double(data.measure.size() - 1);
        QVERIFY2(mean >= 90 && mean <= 250, qPrintable(QString::number(mean)));
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tsttestrun"));
        // The copy to the stick counts here, not how long its progress stays up.
        GlobalFuncs::setShownWaitScale(0.01);
        m_log = std::make_unique<LogCapture>();
        m_sim.model().setRampMs(300);
        m_sim.model().setTanDelta(1500, 0);
        QVERIFY(m_sim.start());
        qputenv("SERIAL_COMDEVICE", m_sim.slavePath().toLocal8Bit());
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        // The measurement runs from its start, not from the unit's nominal-voltage report.
        m_fixture->config()->setBoolean(QStringLiteral("/HV Identification/NominalVoltageSupported"), false);
        GlobalFuncs::setGUI(&m_gui);
        QVERIFY(GlobalFuncs::initPaths());

        QList<int> inputs;
        for (const SCPin& pin : SCPins)
            inputs << pin.line;
        m_tree = std::make_unique<FakeGpioTree>(inputs, QList<int>{ HVEnableLine });
        m_gpio = std::make_unique<GPIOManager>();
        m_safety = std::make_unique<TCheckSafetyCircuit>(m_gpio.get(), createDataModelReciever());

        m_chart = std::make_unique<TTestChart>();
        m_pof = new TPOF(std::make_unique<DMhvDataModel>(), [] { return std::make_unique<DMhvStateSubscriber>(); });
        m_worker = new TTestThread(m_pof, m_chart.get());
        m_pofThread = std::make_unique<ThreadGuard>(QStringLiteral("POFThread"), m_pof);
        m_testThread = std::make_unique<ThreadGuard>(QStringLiteral("TestThread"), m_worker);

        connect(dm(), &DataModell::appStateChanged, m_pof, &TPOF::appStateChanged);
        connect(dm(), &DataModell::appStateChanged, m_worker, &TTestThread::appStateChanged);
        connect(dm(), &DataModell::appStateChanged, this, [this](AppState, AppState to) { m_states << to; });
        // As the application connects it: the state may change inside one of the worker's
        // own transactions (a silent unit), where a direct read would wait for the link's lock.
        connect(dm(), &DataModell::HVStateChanged, m_worker, &TTestThread::updateFaultValues);
        connect(m_pof, &TPOF::sendAppEvent, dm(), &DataModell::receiveAppEvent);
        connect(m_worker, &TTestThread::sendAppEvent, dm(), &DataModell::receiveAppEvent);
        QVERIFY(m_safety->doRun());

        dm()->receiveAppEvent(E::MainsOn);
        QVERIFY(waitForState(Idle, 15000));
        QVERIFY(dm()->getHVIdentification().valid);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getSafetyCircuitState(), SafetyCircuitBits(0x3FF), 5000);
    }

    void cleanupTestCase()
    {
        m_safety.reset();
        // As at the program's shutdown: this thread answers no database call while it joins
        // the worker, so the worker's calls fail at once instead of outlasting the join.
        GlobalFuncs::getDB()->setCallTimeout(0);
        // The worker drives the link, so it ends first.
        m_testThread.reset();
        m_worker = nullptr;
        m_pofThread.reset();
        m_pof = nullptr;
        m_chart.reset();
        m_gpio.reset();
        m_tree.reset();
        GlobalFuncs::setGUI(nullptr);
        m_fixture.reset();
        m_sim.stop();
        m_log.reset();
    }

    // Each case starts from Idle with the unit and the safety circuit as set up, even
    // after a case that failed half-way.
    void cleanup()
    {
        m_sim.clearFault();
        m_sim.model().setClockScale(1);
        m_sim.model().setTanDelta(1500, 0);
        m_tree->setLine(19, true);
        dm()->setUSBState(USBState_NoStick);
        // A unit left in error is switched off and on again.
        if (dm()->getAppState() != Idle)
            m_sim.model().reset();
        const auto restart = [this] { QMetaObject::invokeMethod(m_pof, [this] { m_pof->InitHVUnit(); }); };
        QVERIFY2(m_fixture->returnToIdle(60000, restart), States::stateName(dm()->getAppState()));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getSafetyCircuitState(), SafetyCircuitBits(0x3FF), 5000);
    }

    void sineWithstandRunsToItsEnd()
    {
        QVERIFY(prepare(M::VLFSin, 3000));
        dm()->setUSBState(USBState_NoStick);
        const QStringList before = records(GlobalFuncs::InternalMeasurements);
        QVERIFY2(startRunning(), States::stateName(dm()->getAppState()));
        QVERIFY2(waitForState(TestFinished, 20000), States::stateName(dm()->getAppState()));
        QCOMPARE(dm()->getTestResult(), eTestResult_FinishedSuccess);
        QVERIFY(m_states.contains(TestSoftStop));
        QVERIFY(!m_sim.model().outputOn());

        const QStringList after = records(GlobalFuncs::InternalMeasurements);
        QCOMPARE(after.size(), before.size() + 1);
        TestData data;
        QVERIFY(TestChart::loadTestData(after.last(), &data));
        QCOMPARE(TestChart::VLF::info(data, 0, 12).toInt(), int(M::VLFSin));
        QCOMPARE(TestChart::VLF::info(data, 0, 13).toLongLong(), qint64(dm()->getVoltageToTest()));
        QCOMPARE(TestChart::VLF::info(data, 0, 15).toLongLong(), 60000LL);
        QCOMPARE(runInfo(data, 28).toInt(), int(eTestResult_FinishedSuccess));
        // The unit's test time was 3 s: the last sample lies just beyond it.
        const qint64 last = runInfo(data, 29).toLongLong();
        QVERIFY2(last > 3000 && last < 8000, qPrintable(QString::number(last)));
        checkSamples(data);
        QCOMPARE(data.measure.last().timestamp, qint32(last));
        // The output was at the test voltage after its ramp.
        QVERIFY(qAbs(data.measure.last().voltage - qint32(m_sim.model().setVoltage())) <= 1);
        QCOMPARE(m_log->delivered(QStringLiteral("Part3")).size(), 0); // the line starts with its fields
        confirmToIdle();
    }

    void dcTestIsCopiedToTheStick()
    {
        QVERIFY(prepare(M::DC, 2500));
        QVERIFY(!m_fixture->root().insertStick().isEmpty());
        dm()->setUSBState(USBState_Ready);
        QVERIFY2(startRunning(), States::stateName(dm()->getAppState()));
        QVERIFY2(waitForState(TestDataTransferred, 20000), States::stateName(dm()->getAppState()));
        QCOMPARE(dm()->getTestResult(), eTestResult_FinishedSuccess);
        const QStringList stored = records(GlobalFuncs::InternalMeasurements);
        const QStringList copied = records(GlobalFuncs::UsbMeasurements);
        QCOMPARE(copied.size(), 1);
        QCOMPARE(QFileInfo(copied.first()).fileName(), QFileInfo(stored.last()).fileName());
        QFile a(stored.last()), b(copied.first());
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
        TestData data;
        QVERIFY(TestChart::loadTestData(copied.first(), &data));
        QCOMPARE(TestChart::VLF::info(data, 0, 12).toInt(), int(M::DC));
        checkSamples(data);
        QVERIFY(m_gui.callsOf(QStringLiteral("showMessageDlg")).isEmpty());
        dm()->setUSBState(USBState_NoStick);
        confirmToIdle();
    }

    // With burn mode on the cable burns until the operator ends it; without, the test ends
    // at once. The record is the breakdown's either way.
    void breakdownEndsTheTest_data()
    {
        QTest::addColumn<bool>("burn");
        QTest::newRow("burn mode on") << true;
        QTest::newRow("burn mode off") << false;
    }
    void breakdownEndsTheTest()
    {
        QFETCH(bool, burn);
        QVERIFY(prepare(M::VLFSin, 30000));
        dm()->setBurnCurrentLimiter(burn);
        QVERIFY2(startRunning(), States::stateName(dm()->getAppState()));
        QCOMPARE(m_sim.model().burnFlags() & 1, int(burn));
        QTest::qWait(800);
        m_sim.model().triggerBreakdown();
        if (burn) {
            QVERIFY(waitForState(TestBurning, 5000));
            dm()->receiveAppEvent(E::TestCanceledUser);
        }
        QVERIFY2(waitForState(TestFinished, 15000), States::stateName(dm()->getAppState()));
        dm()->setBurnCurrentLimiter(false);
        QCOMPARE(m_states.contains(TestBurning), burn);
        QCOMPARE(dm()->getTestResult(), eTestResult_BreakdownDetected);
        // The fault values come from the unit once it reported the breakdown.
        const stFaultValues fault = dm()->getFaultValues();
        QVERIFY(fault.faultTime > 0 && fault.faultVoltage != 0 && fault.faultVoltage != -1);

        TestData data;
        QVERIFY(TestChart::loadTestData(records(GlobalFuncs::InternalMeasurements).last(), &data));
        QCOMPARE(runInfo(data, 28).toInt(), int(eTestResult_BreakdownDetected));
        QCOMPARE(runInfo(data, 30).toLongLong(), qint64(fault.faultTime));
        QCOMPARE(runInfo(data, 31).toLongLong(), qint64(fault.faultVoltage));
        confirmToIdle();
    }

    void openedSafetyInputSoftStops()
    {
        QVERIFY(prepare(M::VLFSin, 30000));
        QVERIFY2(startRunning(), States::stateName(dm()->getAppState()));
        QTest::qWait(500);
        QVERIFY(m_tree->setLine(19, false)); // interlock key
        QVERIFY2(waitForState(TestFinished, 15000), States::stateName(dm()->getAppState()));
        QCOMPARE(dm()->getTestResult(), eTestResult_SafetyCircuitNotClosed);
        QVERIFY(m_states.contains(TestSoftStop));
        QVERIFY(m_states.indexOf(TestSoftStop) < m_states.indexOf(TestFinalizing));
        QVERIFY(!m_sim.model().outputOn());
        QVERIFY(m_tree->setLine(19, true));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getSafetyCircuitState(), SafetyCircuitBits(0x3FF), 5000);
        confirmToIdle();
    }

    void silentUnitEndsWithTheCommunicationResult()
    {
        QVERIFY(prepare(M::VLFSin, 30000));
        QVERIFY2(startRunning(), States::stateName(dm()->getAppState()));
        QTest::qWait(500);
        m_sim.setFault(HvUnitSimulator::Fault::Silence);
        QVERIFY2(waitForState(TestFinished, 20000), States::stateName(dm()->getAppState()));
        QCOMPARE(dm()->getTestResult(), eTestResult_ComErrorHVUnit);
        m_sim.clearFault();
        dm()->receiveAppEvent(E::TestResultConfirmed);
        // The link comes back by itself once the unit answers again.
        QTRY_VERIFY_WITH_TIMEOUT(!dm()->getHVUnitState().comError, 15000);
        QVERIFY2(waitForState(Idle, 15000), States::stateName(dm()->getAppState()));
        QTRY_VERIFY_WITH_TIMEOUT(dm()->hvStateOk(), 5000);
    }

    void threePhaseTanDeltaStepTest()
    {
        QVERIFY(prepare(M::TanDelta, 0));
        dm()->setFrequencyToTest(100);
        dm()->setVoltageSteps(3);
        dm()->setNumberOfValues(2);
        dm()->setPhasesToTest(0x7);
        dm()->setMinutesToTest(0); // the steps end the test, not the time
        QCOMPARE(dm()->getVoltageSteps(), 3u);
        QCOMPARE(dm()->getNumberOfValues(), 2u);
        // The unit's clock runs 100 times faster: a 10 s period passes in 0.1 s.
        m_sim.model().setClockScale(100);
        const QStringList before = records(GlobalFuncs::InternalMeasurements);

        // Each voltage step of each phase has its own tan delta in the unit.
        int phase = 0;
        QSet<int> stepsSeen;
        const QList<long> stepVoltages = dm()->getVoltageStepList();
        auto tanDeltaOf = [](int p, int s) { return quint32(1000 * (p + 1) + 10 * s); };
        QMetaObject::Connection steps = connect(m_worker, &TTestThread::voltageStepUp, this, [&](long voltage) {
            const int step = stepVoltages.indexOf(voltage);
            stepsSeen.insert(step);
            m_sim.model().setTanDelta(tanDeltaOf(phase, step), 0);
        }, Qt::DirectConnection);
        // The slot refers to this function's locals: gone before a failed check returns.
        auto unhook = qScopeGuard([&steps] { disconnect(steps); });

        for (phase = 0; phase < 3; ++phase) {
            stepsSeen.clear();
            QVERIFY2(dm()->getAppState() == (phase == 0 ? Idle : WaitPhaseConnect),
                     States::stateName(dm()->getAppState()));
            m_states.clear();
            dm()->receiveAppEvent(E::StartTest);
            QVERIFY2(waitForState(TestRunning, 15000), States::stateName(dm()->getAppState()));
            // The next phase follows at once: the finished state may already be left.
            QVERIFY2(waitForState(phase < 2 ? WaitPhaseConnect : TestFinished, 20000),
                     States::stateName(dm()->getAppState()));
            QVERIFY(m_states.contains(TestFinished));
            QCOMPARE(dm()->getTestResult(), eTestResult_FinishedSuccess);
            QCOMPARE(stepsSeen, QSet<int>({ 0, 1, 2 }));
            m_sim.model().setStateBits(0);
        }
        unhook.dismiss();
        disconnect(steps);
        m_sim.model().setClockScale(1);

        // One record holds the three phases.
        const QStringList after = records(GlobalFuncs::InternalMeasurements);
        QCOMPARE(after.size(), before.size() + 1);
        TestData data;
        QVERIFY(TestChart::loadTestData(after.last(), &data));
        QCOMPARE(TestChart::VLF::info(data, 0, 12).toInt(), int(M::TanDelta));
        QCOMPARE(TestChart::VLF::info(data, 0, 11).toInt(), 3);
        const auto summary = TestChart::tanDeltaSummary(data);
        QCOMPARE(summary.size(), 3);
        for (int p = 0; p < 3; ++p) {
            QCOMPARE(summary.at(p).first, p);
            const QVector<TanDeltaMeasurementValues>& values = summary.at(p).second;
            QCOMPARE(values.size(), 3);
            for (int s = 0; s < 3; ++s) {
                QCOMPARE(values.at(s).avgTanDelta, tanDeltaOf(p, s));
                QCOMPARE(values.at(s).stdDevTanDelta, qint64(0));
            }
            // The steps rise in voltage.
            QVERIFY(values.at(0).voltage < values.at(1).voltage && values.at(1).voltage < values.at(2).voltage);
            const QMap<int, long long> meta = GlobalFuncs::getDB()->getTanDeltaMetainfo(p);
            QCOMPARE(meta.value(1), 100LL);
            QCOMPARE(meta.value(2), 500LL);
            QVERIFY(meta.value(4) > 0);
        }
        m_sim.model().setTanDelta(1500, 0);
        confirmToIdle();
    }

    // A benchmark, run by hand and skipped in the suite:
    //   VLF_BENCH_MINUTES=10 QTEST_FUNCTION_TIMEOUT=1200000 /usr/bin/time -v tst_testrun benchmarkSineTest
    // Prints the CPU time of the process per minute of test and the resident memory
    // after the first and the last minute.
    void benchmarkSineTest()
    {
        const int minutes = qEnvironmentVariableIntValue("VLF_BENCH_MINUTES");
        if (minutes <= 0)
            QSKIP("benchmark: set VLF_BENCH_MINUTES");
        auto cpuSeconds = [] {
            timespec t {};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
            return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
        };
        auto residentKb = [] {
            QFile status(QStringLiteral("/proc/self/status"));
            if (!status.open(QIODevice::ReadOnly))
                return 0LL;
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:"))
                    return line.mid(6).trimmed().split(' ').value(0).toLongLong();
            }
            return 0LL;
        };
        QVERIFY(prepare(M::VLFSin, 0));
        dm()->setMinutesToTest(quint16(minutes));
        QVERIFY2(startRunning(), States::stateName(dm()->getAppState()));
        const double cpuStart = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        qint64 residentAfterOne = 0;
        while (dm()->getAppState() == TestRunning && clock.elapsed() < qint64(minutes + 1) * 60000) {
            QTest::qWait(1000);
            if (residentAfterOne == 0 && clock.elapsed() >= 60000)
                residentAfterOne = residentKb();
        }
        const double cpu = cpuSeconds() - cpuStart;
        const qint64 residentAtEnd = residentKb();
        QVERIFY2(waitForState(TestFinished, 30000), States::stateName(dm()->getAppState()));
        const double testMinutes = double(clock.elapsed()) / 60000.0;
        qInfo("benchmark: %.1f min of test, %.2f s CPU (%.2f s per minute, %.2f %% of one core), "
              "resident %lld kB after 1 min, %lld kB at the end, %d samples",
              testMinutes, cpu, cpu / testMinutes, cpu / (testMinutes * 60.0) * 100.0, residentAfterOne, residentAtEnd,
              int(std::distance(dm()->beginMeasurementValues(), dm()->endMeasurementValues())));
        confirmToIdle();
    }
};

QTEST_GUILESS_MAIN(TstTestRun)
#include "tst_testrun.moc"
