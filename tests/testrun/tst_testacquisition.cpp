#include "fakes/DataModelFixture.h"
#include "fakes/FakeTestHistory.h"
#include "fakes/FakeTestLink.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingGui.h"
#include "testrun/TTestThread.h"
#include "testrun/ValueAtPhases.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/Statistics.h"
#include "db/DB.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace States;
using M = OperatingModes;
using E = eAppEvent;
using Reply = FakeTestLink::Reply;

namespace {
constexpr unsigned long long kNoTanDelta = TanDeltaNone;

unsigned long long word(qint64 v) { return static_cast<unsigned long long>(v); }
} // namespace

// Value acquisition and the end of a test, with a scripted HV link. The value timer
// is stopped after the start of the measurement; each test drives the ticks itself.
class TstTestAcquisition : public QObject {
    Q_OBJECT

    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<FakeTestLink> m_link;
    std::unique_ptr<FakeTestHistory> m_history;
    std::unique_ptr<TTestThread> m_worker;
    std::unique_ptr<QSignalSpy> m_events;
    RecordingGui m_gui;

    DataModell* dm() const { return m_fixture->dm(); }
    DB* db() const { return GlobalFuncs::getDB(); }

    QList<E> events() const
    {
        QList<E> out;
        for (const QList<QVariant>& args : *m_events)
            out << args.at(0).value<E>();
        return out;
    }

    QTimer* timer(const char* name) const { return m_worker->findChild<QTimer*>(QLatin1String(name)); }

    void useMode(M::OperatingMode mode)
    {
        dm()->changeOperatingMode(mode);
        QCOMPARE(dm()->getOperatingMode(), mode);
    }

    // The start of the measurement with a first sample at 0 ms; the value timer is
    // then stopped so that the ticks come from the test.
    void startMeasurement(double periodSeconds = 10.0)
    {
        dm()->setPeriodDuration(periodSeconds);
        stTestTime used; // the unit's test time: an hour
        used.milliseconds = 3600000;
        used.minutes = 60;
        dm()->setTestTimeUsed(used);
        m_link->queueReply(TPOF::CMD_MeasurementValues, Reply{ 0, { 1000, 5000, 0 } });
        m_worker->appStateChanged(TestReadyToRun, TestRunning);
        QVERIFY(timer("valueTimer")->isActive());
        timer("valueTimer")->stop();
        m_link->clearCalls();
        m_events->clear();
    }

    void tick(quint32 timeStamp, qint64 voltage = 30000000, qint64 current = 2000000)
    {
        m_link->queueReply(TPOF::CMD_MeasurementValues, Reply{ 0, { word(voltage), word(current), timeStamp } });
        m_worker->getTestValues();
    }

    int periodicCount() const
    {
        int n = 0;
        auto end = dm()->endPeriodicMeasurementValues();
        for (auto it = dm()->beginPeriodicMeasurementValues(); it != end; ++it)
            ++n;
        return n;
    }

    qint64 stat(int id) { return db()->getStatisticParam(id); }

    // Counts of a set of statistics ids, read now.
    QMap<int, qint64> stats(const QList<int>& ids)
    {
        QMap<int, qint64> out;
        for (int id : ids)
            out[id] = stat(id);
        return out;
    }

    QMap<int, qint64> changes(const QMap<int, qint64>& before)
    {
        QMap<int, qint64> out;
        for (auto it = before.begin(); it != before.end(); ++it) {
            const qint64 d = stat(it.key()) - it.value();
            if (d != 0)
                out[it.key()] = d;
        }
        return out;
    }

    QList<int> allStatisticIds() const
    {
        QList<int> ids;
        for (int id = 0x201; id <= 0x20e; ++id)
            ids << id;
        for (int id = 0x401; id <= 0x405; ++id)
            ids << id;
        ids << Statistics::generateCLoadParam(2000) << Statistics::generateBreakdownParam(100)
            << Statistics::getOpmodeParam(M::VLFSin) << Statistics::getOpmodeParam(M::DC);
        return ids;
    }

    // The measured test lasts this long between measurement start and stop.
    void setDuration(qint64 ms)
    {
        const QDateTime start = QDateTime::currentDateTime().addSecs(-7200);
        dm()->setTestTime(TestTime_MeasurementStart, start);
        dm()->setTestTime(TestTime_Stop, start.addMSecs(ms));
    }

    int logLines(const QString& text) { return m_log->delivered(text).size(); }

    int functionLines(const char* function)
    {
        return m_log->deliveredWhere([function](const LoggingData& r) { return r.function == QLatin1String(function); })
            .size();
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tsttestacquisition"));
        m_log = std::make_unique<LogCapture>();
        QVERIFY(m_log->isRunning());
        GlobalFuncs::setGUI(&m_gui);
    }

    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        stIdentification id;
        id.firmwareMajor = 3;
        id.maxVoltageRMS = 42000000;
        id.maxVoltagePeak = 60000000;
        id.maxFrequency = 100;
        id.valueB = 100;
        id.operatingModeMask = ~quint64(0);
        id.valid = true;
        dm()->setHVIdentification(id);
        useMode(M::VLFSin);
        m_fixture->config()->setBoolean(QStringLiteral("/HV Identification/NominalVoltageSupported"), false);
        m_link = std::make_unique<FakeTestLink>();
        m_history = std::make_unique<FakeTestHistory>();
        m_worker = std::make_unique<TTestThread>(m_link.get(), m_history.get());
        connect(m_worker.get(), &TTestThread::showMessageDlg, &m_gui,
                qOverload<MessageCategories, const TransObject&, bool, bool>(&IGUI::showMessageDlg));
        m_events = std::make_unique<QSignalSpy>(m_worker.get(), &TTestThread::sendAppEvent);
        m_gui.calls.clear();
        m_log->clear();
    }

    void cleanup()
    {
        m_events.reset();
        m_worker.reset();
        m_history.reset();
        m_link.reset();
        m_fixture.reset();
    }

    void cleanupTestCase()
    {
        GlobalFuncs::setGUI(nullptr);
        m_log.reset();
    }

    // --- request times and the crossing detector ------------------------------

    void periodicRequestTimes_data()
    {
        QTest::addColumn<double>("period");
        QTest::addColumn<int>("n");
        QTest::addColumn<quint32>("ms");
        QTest::newRow("10 s, first") << 10.0 << 0 << 1000u;
        QTest::newRow("10 s, second") << 10.0 << 1 << 11000u;
        QTest::newRow("10 s, third") << 10.0 << 2 << 21000u;
        QTest::newRow("1 s, whole seconds") << 1.0 << 3 << 3000u;
        QTest::newRow("1.5 s, half a period") << 1.5 << 2 << 3000u;
        QTest::newRow("0.5 s, truncated") << 0.5 << 5 << 2000u;
    }

    void periodicRequestTimes()
    {
        QFETCH(double, period);
        QFETCH(int, n);
        QFETCH(quint32, ms);
        dm()->setPeriodDuration(period);
        QCOMPARE(calcNextPeriodicRequestTime(*dm(), n), ms);
    }

    void zeroSampleIsTheCrossing()
    {
        ValueAtPhases<unsigned long, long> d({ M_PI / 2, 3 * M_PI / 2 }, 36, 360);
        d.lookForCrossing(0, -50);
        d.lookForCrossing(100, 0);
        d.lookForCrossing(120, 50);
        QVERIFY(d.risingCrossings().isEmpty()); // still within the window
        d.lookForCrossing(200, 60);
        QCOMPARE(d.risingCrossings(), QList<unsigned long>({ 100 }));
        QVERIFY(d.fallingCrossings().isEmpty());
    }

    void crossingsWithinTheWindowMerge()
    {
        ValueAtPhases<unsigned long, long> d({ M_PI / 2, 3 * M_PI / 2 }, 36, 360);
        // Noise around zero: rising at 5, falling at 15, rising at 25.
        d.lookForCrossing(0, -10);
        d.lookForCrossing(10, 10);
        d.lookForCrossing(20, -10);
        d.lookForCrossing(30, 10);
        d.lookForCrossing(100, 20);
        QCOMPARE(d.risingCrossings(), QList<unsigned long>({ 15 }));
        QVERIFY(d.fallingCrossings().isEmpty());
        // One crossing only: the default period places the plateaus.
        QCOMPARE(d.extractPeriodDuration(), 360UL);
        QCOMPARE(d.upcoming().size(), 4);
        QCOMPARE(d.upcoming().at(0).first, 105UL);  // 15 + 360/4
        QCOMPARE(d.upcoming().at(1).first, 285UL);  // 15 + 3*360/4
        QCOMPARE(d.upcoming().at(2).first, 465UL);
        QCOMPARE(d.upcoming().at(3).first, 645UL);
    }

    void periodFromTwoCrossingsOfOneDirection()
    {
        // A square wave of 400 ms sampled every 20 ms: rising at 0, 400, 800.
        ValueAtPhases<unsigned long, long> d({ M_PI / 2, 3 * M_PI / 2 }, 40, 360);
        unsigned long t = 10;
        for (; t < 390; t += 20)
            d.lookForCrossing(t, ((t / 200) % 2) == 0 ? 1000 : -1000);
        // One rising (interpolated 0..) and one falling crossing: still the default period.
        QCOMPARE(d.fallingCrossings().size(), 1);
        QCOMPARE(d.extractPeriodDuration(), 360UL);
        for (; t < 900; t += 20)
            d.lookForCrossing(t, ((t / 200) % 2) == 0 ? 1000 : -1000);
        QCOMPARE(d.fallingCrossings().size(), 2);
        QCOMPARE(d.extractPeriodDuration(), 400UL);
        // The next plateaus: a quarter and three quarters after the last rising crossing.
        QVERIFY(!d.upcoming().isEmpty());
        for (const auto& u : d.upcoming()) {
            const unsigned long inPeriod = u.first % 400;
            QVERIFY2(qAbs(long(inPeriod) - 100) <= 2 || qAbs(long(inPeriod) - 300) <= 2,
                     qPrintable(QString::number(u.first)));
            QVERIFY(u.first >= 890);
        }
    }

    // --- samples and the end on time ---------------------------------------------

    void samplesGoToTheModel()
    {
        startMeasurement();
        QSignalSpy rampDown(m_worker.get(), &TTestThread::RampDownPhaseDetected);
        tick(100, -25000000, 1234567);
        const stMeasurementValues last = dm()->getLastMeasurementValues();
        QCOMPARE(last.timeStamp, 100u);
        QCOMPARE(last.voltage, -25000000);
        QCOMPARE(last.current, qint64(1234567));
        QVERIFY(last.localTime.isValid());
        QCOMPARE(rampDown.size(), 0);
        tick(200, 1000, 0);
        QCOMPARE(rampDown.size(), 1);
        QVERIFY(dm()->getTestTime(TestTime_MeasurementStart).isValid());
        QVERIFY(dm()->getTestTime(TestTime_Measurement1).isValid());
    }

    void failedSampleIsNotAppended()
    {
        startMeasurement();
        tick(100);
        timer("valueTimer")->start();
        m_link->queueReply(TPOF::CMD_MeasurementValues, Reply{ -100, {} });
        m_worker->getTestValues();
        QVERIFY(!timer("valueTimer")->isActive()); // a unit that cannot be read is not read again
        QCOMPARE(dm()->getLastMeasurementValues().timeStamp, 100u);
        int samples = 0;
        auto end = dm()->endMeasurementValues();
        for (auto it = dm()->beginMeasurementValues(); it != end; ++it)
            ++samples;
        QCOMPARE(samples, 2); // the start's sample and the good tick
        QCOMPARE(m_link->commands().mid(m_link->commands().size() - 2),
                 QStringList({ QStringLiteral("GetValue(U)"), QStringLiteral("StopTest(0)") }));
    }

    void timeLimitedTestEndsOnTime()
    {
        dm()->setMinutesToTest(1);
        dm()->setSecondsToTest(0);
        startMeasurement();
        stTestTime used;
        used.milliseconds = 60000;
        used.minutes = 1;
        dm()->setTestTimeUsed(used);
        timer("valueTimer")->start();
        tick(60000);
        QVERIFY(events().isEmpty());
        tick(60001);
        QCOMPARE(events(), QList<E>({ E::TestTimeUp }));
        QVERIFY(!timer("valueTimer")->isActive());
    }

    void periodicReadsSkipTheFirstTwo()
    {
        dm()->setMinutesToTest(5);
        startMeasurement(10.0);
        m_link->setReply(TPOF::CMD_PeriodicValues, Reply{ 0, { 30000000, 2000000, 1500 } });
        tick(900);
        tick(1100);   // due after 1 s: skipped
        tick(11100);  // due after 11 s: skipped
        tick(20900);
        QCOMPARE(m_link->count(QStringLiteral("GetValue(M)")), 0);
        tick(21100);  // due after 21 s: read
        QCOMPARE(m_link->count(QStringLiteral("GetValue(M)")), 1);
        tick(21200);
        tick(30900);
        QCOMPARE(m_link->count(QStringLiteral("GetValue(M)")), 1);
        tick(31100);
        QCOMPARE(m_link->count(QStringLiteral("GetValue(M)")), 2);
        QCOMPARE(periodicCount(), 2);
        auto end = dm()->endPeriodicMeasurementValues();
        const stPeriodicMeasurementValues last = *(--end);
        QCOMPARE(last.timeStamp, 31100u);
        QCOMPARE(last.voltage, 30000000);
        QCOMPARE(last.current, qint64(2000000));
        QCOMPARE(last.tanDelta, 1500u);
    }

    void failedPeriodicReadStopsTheTest()
    {
        dm()->setMinutesToTest(5);
        startMeasurement(1.0);
        m_link->setReply(TPOF::CMD_PeriodicValues, Reply{ -100, {} });
        tick(100);
        tick(1100);
        tick(2100);
        QCOMPARE(m_link->commands().mid(m_link->commands().size() - 2),
                 QStringList({ QStringLiteral("GetValue(M)"), QStringLiteral("StopTest(0)") }));
        QCOMPARE(periodicCount(), 0);
        QCOMPARE(logLines(QStringLiteral("Failed to get periodic values!")), 1);
    }

    void rectangularWaveIsReadAtItsPlateaus_data()
    {
        QTest::addColumn<int>("frequency");
        QTest::addColumn<bool>("leakageRead");
        QTest::newRow("100 mHz: leakage values") << 100 << true;
        QTest::newRow("below 100 mHz: the sample itself") << 50 << false;
    }

    void rectangularWaveIsReadAtItsPlateaus()
    {
        QFETCH(int, frequency);
        QFETCH(bool, leakageRead);
        useMode(M::VLFRect);
        QCOMPARE(dm()->periodicModeType(), 3);
        dm()->setMinutesToTest(5);
        dm()->setFrequencyUsed(ulong(frequency));
        // A square wave of 1 s sampled every 100 ms: high in the first half of each period.
        startMeasurement(1.0);
        QList<quint32> readAt;
        for (quint32 t = 50; t < 3000; t += 100) {
            const qint64 voltage = (t % 1000) < 500 ? 30000000 : -30000000;
            m_link->setReply(TPOF::CMD_LeakageValues, Reply{ 0, { word(voltage), 1000, t } });
            const int before = periodicCount();
            tick(t, voltage, 500);
            if (periodicCount() > before)
                readAt << t;
        }
        // The middle of each plateau once the first crossing is known, never in the first half period.
        QCOMPARE(readAt, QList<quint32>({ 750, 1250, 1750, 2250, 2750 }));
        QCOMPARE(m_link->count(QStringLiteral("GetValue(L)")), leakageRead ? readAt.size() : 0);
        auto end = dm()->endPeriodicMeasurementValues();
        const stPeriodicMeasurementValues last = *(--end);
        QCOMPARE(last.timeStamp, 2750u);
        QCOMPARE(last.voltage, -30000000);
        QCOMPARE(last.current, qint64(leakageRead ? 1000 : 500));
        QCOMPARE(last.tanDelta, TanDeltaNone);
    }

    // --- voltage steps --------------------------------------------------------

    void tanDeltaStepsEndAtTheLastValue()
    {
        useMode(M::TanDelta);
        dm()->setVoltageSteps(3);
        dm()->setNumberOfValues(5);
        const QList<long> steps = dm()->getVoltageStepList();
        QVERIFY2(steps.size() >= 3, qPrintable(QString::number(steps.size())));
        QSignalSpy stepUps(m_worker.get(), &TTestThread::voltageStepUp);
        startMeasurement(1.0);
        QVERIFY(events().isEmpty());

        // One request per tick; every fourth value read has no tan delta.
        int valid = 0;
        int reads = 0;
        for (quint32 t = 100; valid < 15 && t < 100000; t += 1000) {
            const bool invalid = (reads % 4) == 3;
            m_link->setReply(TPOF::CMD_PeriodicValues,
                             Reply{ 0, { 30000000, 2000000, invalid ? kNoTanDelta : 1000 + quint64(reads) } });
            const int before = m_link->count(QStringLiteral("GetValue(M)"));
            tick(t);
            if (m_link->count(QStringLiteral("GetValue(M)")) > before) {
                ++reads;
                if (!invalid)
                    ++valid;
            }
            if (valid < 15)
                QVERIFY2(!events().contains(E::TestTimeUp), qPrintable(QString::number(valid)));
        }
        QCOMPARE(reads, 19);
        QCOMPARE(valid, 15);
        QCOMPARE(events(), QList<E>({ E::TestTimeUp }));
        QVERIFY(!timer("valueTimer")->isActive());
        QCOMPARE(stepUps.size(), 2);
        QCOMPARE(stepUps.at(0).at(0).value<long>(), steps.at(1));
        QCOMPARE(stepUps.at(1).at(0).value<long>(), steps.at(2));
    }

    void failedStepUpStopsTheTest_data()
    {
        QTest::addColumn<bool>("writeFails");
        QTest::addColumn<bool>("linkUp");
        QTest::addColumn<int>("result");
        QTest::newRow("write fails, link down") << true << false << int(eTestResult_ComErrorHVUnit);
        QTest::newRow("state poll fails, unit not ready") << false << true << int(eTestResult_HVUnitNotReady);
    }

    void failedStepUpStopsTheTest()
    {
        QFETCH(bool, writeFails);
        QFETCH(bool, linkUp);
        QFETCH(int, result);
        useMode(M::TanDelta);
        dm()->setVoltageSteps(3);
        dm()->setNumberOfValues(2);
        QSignalSpy stepUps(m_worker.get(), &TTestThread::voltageStepUp);
        startMeasurement(1.0);
        dm()->setHVUnitState({ !linkUp, 0 });
        m_link->setReply(TPOF::CMD_PeriodicValues, Reply{ 0, { 30000000, 2000000, 1200 } });
        if (writeFails)
            m_link->failSetValue(TPOF::CMD_Voltage, -100);
        for (quint32 t = 100; t <= 2100; t += 1000)
            tick(t);
        QCOMPARE(m_link->count(QStringLiteral("GetValue(M)")), 1);
        if (!writeFails)
            m_link->queueHVStates({ true, false });
        tick(3100);
        QCOMPARE(stepUps.size(), 0);
        QCOMPARE(int(dm()->getTestResult()), result);
        QCOMPARE(events(), QList<E>({ E::HVUnitErrorDetected }));
        QVERIFY(!timer("valueTimer")->isActive());
        QVERIFY(m_link->commands().contains(QStringLiteral("StopTest(0)")));
        QVERIFY(m_link->commands().indexOf(QStringLiteral("StopTest(0)"))
                > m_link->commands().lastIndexOf(QStringLiteral("GetValue(M)")));
    }

    void withstandPartOfAStepTestEndsOnTime()
    {
        useMode(M::MWTStep);
        dm()->setVoltageSteps(2);
        dm()->setNumberOfValues(2);
        dm()->setMinutesToTest(0);
        dm()->setSecondsToTest(1);
        QCOMPARE(dm()->getSecondsToTest(), quint16(1));
        QSignalSpy stepUps(m_worker.get(), &TTestThread::voltageStepUp);
        startMeasurement(1.0);
        m_link->setReply(TPOF::CMD_PeriodicValues, Reply{ 0, { 30000000, 2000000, 1200 } });
        quint32 t = 100;
        // Two skipped and two read per step: the second step ends after 8 requests.
        for (int i = 0; i < 8; ++i, t += 1000)
            tick(t);
        QCOMPARE(stepUps.size(), 2);
        const long withstand = long(double(dm()->getVoltageToTest()) * dm()->getVoltageFactor(VoltageType_Factor) * 0.1);
        QCOMPARE(stepUps.last().at(0).value<long>(), withstand);
        QCOMPARE(dm()->getTestTimeUsed().milliseconds, quint64(1000));
        // Not burning: the unit's time does not end the withstand part, the clock does.
        tick(t += 1000);
        QVERIFY(events().isEmpty());
        QTest::qWait(1300);
        tick(t += 1000);
        QCOMPARE(events(), QList<E>({ E::TestTimeUp }));
        QCOMPARE(stepUps.size(), 2);
    }

    // --- soft stop, USB wait, nominal voltage -----------------------------------

    void softStopEndsBelow12kV()
    {
        startMeasurement();
        tick(100);
        m_worker->appStateChanged(TestRunning, TestSoftStop);
        QVERIFY(timer("softStopTimer")->isActive());
        QCOMPARE(m_link->commands().mid(m_link->commands().size() - 1), QStringList({ QStringLiteral("StopTest(1)") }));
        QCOMPARE(logLines(QStringLiteral("DischargeInProgress")), 1);
        m_events->clear();
        for (qint64 v : { qint64(30000000), qint64(-12000000), qint64(12000000) }) {
            m_link->queueReply(TPOF::CMD_MeasurementValues, Reply{ 0, { word(v), 0, 200 } });
            m_worker->softStopVoltageCheck();
            QVERIFY(events().isEmpty());
            QVERIFY(timer("softStopTimer")->isActive());
        }
        m_link->queueReply(TPOF::CMD_MeasurementValues, Reply{ 0, { word(-11999999), 0, 300 } });
        m_worker->softStopVoltageCheck();
        QCOMPARE(events(), QList<E>({ E::SoftStopFinished }));
        QVERIFY(!timer("softStopTimer")->isActive());
    }

    void failedSoftStopReadStopsTheUnit()
    {
        startMeasurement();
        m_worker->appStateChanged(TestRunning, TestSoftStop);
        m_link->clearCalls();
        m_events->clear();
        m_link->queueReply(TPOF::CMD_MeasurementValues, Reply{ -100, {} });
        m_worker->softStopVoltageCheck();
        QVERIFY(!timer("softStopTimer")->isActive());
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("GetValue(U)"), QStringLiteral("StopTest(0)") }));
        // The soft stop is over: the test goes on to its record.
        QCOMPARE(events(), QList<E>({ E::SoftStopFinished }));
    }

    void nominalVoltageSetsTheMeasurementStart()
    {
        m_fixture->config()->setBoolean(QStringLiteral("/HV Identification/NominalVoltageSupported"), true);
        QVERIFY(dm()->isNominalVoltageSupported());
        dm()->setMinutesToTest(2);
        m_link->setReply(TPOF::CMD_TestDuration, Reply{ 0, { 150400 } });
        m_worker->nominalVoltageReached(true);
        QVERIFY(dm()->getTestTime(TestTime_MeasurementStart).isValid());
        // The unit's duration, ramp included, holds for this test; the settings stay.
        QCOMPARE(dm()->getTestTimeUsed().milliseconds, quint64(150400));
        QCOMPARE(dm()->getMinutesToTest(), quint16(2));
        QCOMPARE(dm()->getSecondsToTest(), quint16(0));
        // The step test's unit was told no duration: its 0 does not become the test's.
        dm()->changeOperatingMode(M::MWTStep);
        m_link->setReply(TPOF::CMD_TestDuration, Reply{ 0, { 0 } });
        m_worker->nominalVoltageReached(true);
        QCOMPARE(dm()->getTestTimeUsed().milliseconds, quint64(150400));

        m_fixture->config()->setBoolean(QStringLiteral("/HV Identification/NominalVoltageSupported"), false);
        m_link->clearCalls();
        m_worker->nominalVoltageReached(true);
        QVERIFY(m_link->calls().isEmpty());
        QCOMPARE(logLines(QStringLiteral("Nominal votage not supported!")), 1);
    }

    // --- the end of the test ----------------------------------------------------

    void onePart3LineAndTheVoltageRestored()
    {
        dm()->setVoltageType(VoltageType_RMS);
        dm()->setVoltageToTest(20000000);
        const long peak = dm()->getVoltageToTest();
        startMeasurement();
        tick(100);
        // Something changes the voltage during the test; the operator's RMS value comes back.
        dm()->setVoltageType(VoltageType_PEAK);
        dm()->setVoltageToTest(10000000);
        dm()->setVoltageType(VoltageType_RMS);
        QVERIFY(dm()->getVoltageToTest() != peak);
        m_worker->appStateChanged(TestRunning, TestSoftStop);
        m_worker->appStateChanged(TestSoftStop, TestFinalizing);
        QCOMPARE(dm()->getVoltageToTest(), peak);
        QCOMPARE(functionLines("createLogPart3"), 1);
        QCOMPARE(m_link->count(QStringLiteral("StopTest(1)")), 1);
        QCOMPARE(m_link->count(QStringLiteral("StopTest(0)")), 1);
    }

    void statisticsByDuration_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("durationId");
        QTest::newRow("29 s") << qint64(29000) << 0 << 0;
        QTest::newRow("29.4 s") << qint64(29400) << 0 << 0;
        QTest::newRow("31 s") << qint64(31000) << 1 << 0x401;
        QTest::newRow("20 min") << qint64(20 * 60000) << 20 << 0x402;
        QTest::newRow("59:29") << qint64(59 * 60000 + 29000) << 59 << 0x403;
        QTest::newRow("60:00") << qint64(60 * 60000) << 60 << 0x404;
        QTest::newRow("60:30") << qint64(60 * 60000 + 30000) << 61 << 0x405;
    }

    void statisticsByDuration()
    {
        QFETCH(qint64, ms);
        QFETCH(int, minutes);
        QFETCH(int, durationId);
        dm()->setVoltageType(VoltageType_PEAK);
        dm()->setVoltageToTest(30000000); // 0.5 of the unit's 60 kV
        dm()->setCapacitanceLoad(2100);
        startMeasurement();
        dm()->setPeriodicMeasurementValues({ 30000000, 2000000, 1500, 100 });
        tick(100);
        const QMap<int, qint64> before = stats(allStatisticIds());
        setDuration(ms);
        m_worker->stopTest(SKP_StopFlags_None);

        QMap<int, qint64> expected;
        expected[Statistics::getOpmodeParam(M::VLFSin)] = 1;
        if (minutes > 0) {
            expected[durationId] = 1;
            expected[0x201] = minutes;
            expected[0x206] = minutes; // voltage ratio 0.5
            expected[0x20e] = minutes; // load 3e13 / (42e6 * 100) is far above 0.8
            expected[Statistics::generateCLoadParam(2000)] = minutes;
        }
        QCOMPARE(changes(before), expected);
        // Counted once, however often the end is reached.
        m_worker->stopTest(SKP_StopFlags_None);
        QCOMPARE(changes(before), expected);
    }

    void breakdownAboveTheTestVoltageCountsFull()
    {
        dm()->setVoltageType(VoltageType_PEAK);
        dm()->setVoltageToTest(30000000);
        startMeasurement();
        tick(100);
        dm()->setTestResult(eTestResult_BreakdownDetected);
        stFaultValues fault;
        fault.faultTime = 100;
        fault.faultVoltage = -40000000;
        fault.leakageCurrent = 5;
        dm()->setFaultValues(fault);
        const int full = Statistics::generateBreakdownParam(100);
        const qint64 before = stat(full);
        m_worker->appStateChanged(TestBurning, TestSoftStop);
        m_worker->appStateChanged(TestSoftStop, TestFinalizing);
        QCOMPARE(stat(full) - before, qint64(1));
        QCOMPARE(dm()->getFaultValues(), fault);
    }

    void unidentifiedUnitSkipsTheRatedClasses()
    {
        dm()->setHVIdentification(stIdentification());
        startMeasurement();
        dm()->setPeriodicMeasurementValues({ 30000000, 2000000, 1500, 100 });
        tick(100);
        const QMap<int, qint64> before = stats(allStatisticIds());
        setDuration(5 * 60000);
        m_worker->stopTest(SKP_StopFlags_None);
        const QMap<int, qint64> changed = changes(before);
        QCOMPARE(changed.value(0x201), qint64(5));
        for (int id = 0x206; id <= 0x20e; ++id)
            QVERIFY2(!changed.contains(id), qPrintable(QString::number(id, 16)));
    }

    void temperatureMinutes_data()
    {
        QTest::addColumn<int>("degrees");
        QTest::addColumn<int>("id");
        QTest::newRow("-5") << -5 << 0x205;
        QTest::newRow("0") << 0 << 0x202;
        QTest::newRow("39") << 39 << 0x202;
        QTest::newRow("40") << 40 << 0x203;
        QTest::newRow("59") << 59 << 0x204;
        QTest::newRow("60") << 60 << 0x205;
        QTest::newRow("beyond the table") << 300 << 0x205;
        QTest::newRow("below the table") << -300 << 0x205;
    }

    void temperatureMinutes()
    {
        QFETCH(int, degrees);
        QFETCH(int, id);
        useMode(M::DC);
        m_link->setTemperature(degrees);
        startMeasurement(); // the start's sample takes the first reading
        tick(20000);        // within the first half minute: no reading
        QCOMPARE(m_link->count(QStringLiteral("GetTemperature")), 0);
        tick(30000);
        tick(60000);
        tick(90000);
        QCOMPARE(m_link->count(QStringLiteral("GetTemperature")), 2);
        const QMap<int, qint64> before = stats({ 0x202, 0x203, 0x204, 0x205 });
        setDuration(2 * 60000);
        m_worker->stopTest(SKP_StopFlags_None);
        QMap<int, qint64> expected;
        expected[id] = 2;
        QCOMPARE(changes(before), expected);
    }

    void temperatureHistoryOfAnOpenEndedTest()
    {
        useMode(M::DC);
        dm()->setMinutesToTest(0);
        QCOMPARE(dm()->getMinutesToTest(), quint16(0));
        m_link->setTemperature(31);
        startMeasurement();
        for (quint32 minute = 1; minute <= 100; ++minute)
            tick(minute * 60000);
        m_worker->stopTest(SKP_StopFlags_None);
        QCOMPARE(logLines(QStringLiteral("Temperature values of the last 90 minutes in steps of 5 minutes")), 1);
        const QList<LoggingData> lines = m_log->deliveredWhere([](const LoggingData& r) {
            return r.text.contains(QLatin1String("Minutes ago  -\t31 degrees"));
        });
        QCOMPARE(lines.size(), 18);
        QCOMPARE(lines.first().text, QStringLiteral("0 Minutes ago  -\t31 degrees"));
        QCOMPARE(lines.last().text, QStringLiteral("85 Minutes ago  -\t31 degrees"));
    }

    void measurementStatisticsOfASineTest()
    {
        startMeasurement();
        tick(100);
        dm()->setPeriodicMeasurementValues({ 30000000, 4000000000LL, 1000, 100 });
        dm()->setPeriodicMeasurementValues({ 30000000, 4000002000LL, 3000, 200 });
        dm()->setPeriodicMeasurementValues({ 30000000, 4000004000LL, 2000, 300 });
        dm()->setTestResult(eTestResult_FinishedSuccess);
        m_worker->stopTest(SKP_StopFlags_None);
        QCOMPARE(logLines(QStringLiteral("first period amperage value = 4000000 uA (RMS)")), 1);
        QCOMPARE(logLines(QStringLiteral("last but one period amperage value = 4000002 uA (RMS)")), 1);
        QCOMPARE(logLines(QStringLiteral("first period Tan Delta value = 0.00100")), 1);
        QCOMPARE(logLines(QStringLiteral("last but one period Tan Delta value = 0.00300")), 1);
        // 12,000,006,000 nA summed: beyond 32 bits.
        QCOMPARE(logLines(QStringLiteral("average amperage value = 4000002 uA (RMS)")), 1);
        QCOMPARE(logLines(QStringLiteral("maximal positive variance of amperage value = 2 uA (RMS)")), 1);
        QCOMPARE(logLines(QStringLiteral("maximal negative variance of amperage value = 2 uA (RMS)")), 1);
        QCOMPARE(logLines(QStringLiteral("average Tan Delta value = 0.00200")), 1);
        QCOMPARE(logLines(QStringLiteral("maximal positive variance of Tan Delta value = 0.00100")), 1);
        QCOMPARE(logLines(QStringLiteral("maximal negative variance of Tan Delta value = 0.00100")), 1);
    }

    void stopWithoutSamplesOnlyReportsTheDischarge()
    {
        m_worker->appStateChanged(TestReadyToRun, TestRunning); // the first read fails
        QVERIFY(!timer("valueTimer")->isActive());
        m_link->clearCalls();
        QVERIFY(!dm()->hasMeasurementValues());
        m_worker->stopTest(SKP_StopFlags_SoftStop);
        QVERIFY(m_link->commands().isEmpty());
        QCOMPARE(logLines(QStringLiteral("DischargeInProgress")), 1);
    }

    // --- fault values -----------------------------------------------------------

    void faultValuesFromTheUnit()
    {
        QVERIFY(!m_worker->updateFaultValues());
        QCOMPARE(logLines(QStringLiteral("Test result not set!")), 1);
        QVERIFY(m_link->calls().isEmpty());

        startMeasurement();
        tick(100, 30000000, 777);
        dm()->setTestResult(eTestResult_BreakdownDetected);
        m_link->setReply(TPOF::CMD_FaultValues, Reply{ 0, { word(-31000000), 4200 } });
        QVERIFY(m_worker->updateFaultValues());
        const stFaultValues fault = dm()->getFaultValues();
        QCOMPARE(fault.faultTime, 4200);
        QCOMPARE(fault.faultVoltage, -31000000);
        QCOMPARE(fault.leakageCurrent, 777ULL);

        m_link->setReply(TPOF::CMD_FaultValues, Reply{ 0, { 1 } });
        QVERIFY(!m_worker->updateFaultValues());
        QCOMPARE(dm()->getFaultValues(), fault);
        QCOMPARE(logLines(QStringLiteral("Failed to update fault values!")), 1);
    }

    // --- transfer to history and the finished state ------------------------------

    void sineTestIsStored()
    {
        startMeasurement();
        QSignalSpy failed(m_worker.get(), &TTestThread::saveToHistoryFailed);
        // Wired as the program wires it: the GUI's override hears of every failed save.
        connect(m_worker.get(), &TTestThread::saveToHistoryFailed, &m_gui, &IGUI::saveToHistoryFailed);
        m_worker->appStateChanged(TestFinalizing, TransferringToHistory);
        QCOMPARE(m_history->capturedNames(), QStringList({ QString() }));
        QCOMPARE(m_history->savedTo(), QList<GlobalFuncs::Path>({ GlobalFuncs::InternalMeasurements }));
        QCOMPARE(events(), QList<E>({ E::HistoryReady }));
        QCOMPARE(failed.size(), 0);
        QVERIFY(m_gui.callsOf(QStringLiteral("saveToHistoryFailed")).isEmpty());

        m_events->clear();
        m_history->setSaveResult(GlobalFuncs::InternalMeasurements, false);
        m_worker->appStateChanged(TestFinalizing, TransferringToHistory);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(m_gui.callsOf(QStringLiteral("saveToHistoryFailed")).size(), 1);
        QCOMPARE(events(), QList<E>({ E::HistoryReady }));

        m_events->clear();
        m_history->setCaptureResult(false);
        m_worker->appStateChanged(TestFinalizing, TransferringToHistory);
        QCOMPARE(failed.size(), 2);
        QCOMPARE(m_gui.callsOf(QStringLiteral("saveToHistoryFailed")).size(), 2);
        QCOMPARE(m_history->savedTo().size(), 2); // nothing saved after a failed capture
        QCOMPARE(events(), QList<E>({ E::HistoryReady }));
    }

    void tanDeltaPhaseMetaValues()
    {
        useMode(M::TanDelta);
        dm()->setPhasesToTest(0x7);
        startMeasurement(); // starts the first phase
        const int phase = dm()->lastUsedPhase();
        QVERIFY(phase >= 0);
        tick(100);
        dm()->setTestResult(eTestResult_FinishedSuccess);
        dm()->setFrequencyUsed(100);
        dm()->setCapacitanceLoad(2345);
        dm()->setResistorLoad(987654321);
        stExportTestInfo saved;
        saved.fileName = QStringLiteral("rec.vlf");
        saved.directory = QStringLiteral("/x/20260101");
        dm()->setHistoryTestInfo(saved);
        db()->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), QStringLiteral("/x/earlier.vlf"));

        m_worker->appStateChanged(TestFinalizing, TransferringToHistory);
        QCOMPARE(m_history->capturedNames(), QStringList({ QStringLiteral("/x/earlier.vlf") }));
        const QMap<int, long long> meta = db()->getTanDeltaMetainfo(phase);
        QCOMPARE(meta.value(1), 100LL);
        QCOMPARE(meta.value(2), 2345LL);
        QCOMPARE(meta.value(3), 987654321LL);
        QCOMPARE(meta.value(4), dm()->getTestTime(TestTime_MeasurementStart).toMSecsSinceEpoch());
        QCOMPARE(dm()->lastUsedPhase(), -1);
        QCOMPARE(db()->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")),
                 QStringLiteral("/x/20260101/rec.vlf"));
        QCOMPARE(events(), QList<E>({ E::HistoryReady }));
    }

    void tanDeltaWithoutAPhaseIsCancelled()
    {
        useMode(M::TanDelta);
        startMeasurement();
        tick(100);
        dm()->setLastUsedPhase(-1);
        m_worker->appStateChanged(TestFinalizing, TransferringToHistory);
        QCOMPARE(dm()->getTestResult(), eTestResult_CancelledByOp);
        QVERIFY(m_history->capturedNames().isEmpty());
        QCOMPARE(logLines(QStringLiteral("Generating Test_Result_Canceled")), 1);
        QCOMPARE(events(), QList<E>({ E::HistoryReady }));
    }

    void finishedWithoutSamplesConfirms()
    {
        m_worker->appStateChanged(TransferringToHistory, TestFinished);
        QCOMPARE(events(), QList<E>({ E::TestResultConfirmed }));
        m_events->clear();
        dm()->setRemoteControlled(true, QStringLiteral("pc"));
        m_worker->appStateChanged(TransferringToHistory, TestFinished);
        QVERIFY(events().isEmpty());
    }

    void finishedTestWaitsForTheStick()
    {
        // Walk the state machine to TestFinished, as the finished row looks at it.
        for (E e : { E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed, E::HVOn, E::HVOutputOn,
                     E::LoadDetectionFinished, E::FrequencyUnmodified, E::TestStarted, E::TestAborted,
                     E::TestFinalized, E::HistoryReady })
            dm()->receiveAppEvent(e);
        QCOMPARE(dm()->getAppState(), TestFinished);
        startMeasurement();
        dm()->setUSBState(USBState_NoStick);
        m_worker->appStateChanged(TransferringToHistory, TestFinished);
        QVERIFY(events().isEmpty());
        QVERIFY(timer("usbTimer")->isActive());
        m_worker->checkUSBState();
        QVERIFY(events().isEmpty());
        dm()->setUSBState(USBState_Ready);
        QTRY_COMPARE_WITH_TIMEOUT(events(), QList<E>({ E::ExportData }), 5000);
        QVERIFY(!timer("usbTimer")->isActive());

        m_events->clear();
        m_worker->appStateChanged(TransferringToHistory, TestFinished);
        QCOMPARE(events(), QList<E>({ E::ExportData }));
    }

    void failedCopyToTheStickIsShown()
    {
        m_history->setSaveResult(GlobalFuncs::UsbMeasurements, false);
        m_worker->appStateChanged(TestFinished, TransferringTestData);
        QCOMPARE(events(), QList<E>({ E::DataReady }));
        QVERIFY(m_gui.hasMessage(QStringLiteral("History"), QStringLiteral("UnableToExportData")));
        const QList<LoggingData> errors =
            m_log->deliveredWhere([](const LoggingData& r) { return r.category == CAT_ERR && r.function == QLatin1String("appStateChanged"); });
        QCOMPARE(errors.size(), 1);

        m_gui.calls.clear();
        m_history->setSaveResult(GlobalFuncs::UsbMeasurements, true);
        m_worker->appStateChanged(TestFinished, TransferringTestData);
        QVERIFY(m_gui.calls.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstTestAcquisition)
#include "tst_testacquisition.moc"
