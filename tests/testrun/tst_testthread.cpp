#include "fakes/DataModelFixture.h"
#include "fakes/FakeTestHistory.h"
#include "fakes/FakeTestLink.h"
#include "fakes/LogCapture.h"
#include "testrun/TTestThread.h"
#include "db/DB.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace States;
using M = OperatingModes;
using E = eAppEvent;
using Reply = FakeTestLink::Reply;

namespace {
constexpr unsigned long kMaxFrequency = 100; // mHz

SafetyCircuitBits bits(std::initializer_list<int> set)
{
    SafetyCircuitBits b;
    for (int i : set)
        b.set(size_t(i));
    return b;
}

QString sv(char code, long long value) { return QStringLiteral("SetValue(%1,%2)").arg(QChar(code)).arg(qulonglong(value)); }
} // namespace

Q_DECLARE_METATYPE(QList<eAppEvent>)

class TstTestThread : public QObject {
    Q_OBJECT

    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<FakeTestLink> m_link;
    std::unique_ptr<FakeTestHistory> m_history;
    std::unique_ptr<TTestThread> m_worker;
    std::unique_ptr<QSignalSpy> m_events;

    DataModell* dm() const { return m_fixture->dm(); }

    QList<E> events() const
    {
        QList<E> out;
        for (const QList<QVariant>& args : *m_events)
            out << args.at(0).value<E>();
        return out;
    }

    QTimer* timer(const char* name) const { return m_worker->findChild<QTimer*>(QLatin1String(name)); }

    void change(AppState from, AppState to) { m_worker->appStateChanged(from, to); }

    void useMode(M::OperatingMode mode)
    {
        dm()->changeOperatingMode(mode);
        QCOMPARE(dm()->getOperatingMode(), mode);
    }

    void setTestTime(unsigned short minutes, unsigned short seconds)
    {
        dm()->setMinutesToTest(minutes);
        dm()->setSecondsToTest(seconds);
        QCOMPARE(dm()->getMinutesToTest(), minutes);
        QCOMPARE(dm()->getSecondsToTest(), seconds);
    }

    // The good replies of a load detection: 2000 nF, 250 MOhm, 130 s.
    void scriptLoadReplies(unsigned long frequency = kMaxFrequency)
    {
        m_link->setReply(TPOF::CMD_MaxFrequency, Reply{ 0, { frequency } });
        m_link->setReply(TPOF::CMD_LoadCapacitance, Reply{ 0, { 2000, 0, 0, 0 } });
        m_link->setReply(TPOF::CMD_LoadResistance, Reply{ 0, { 250000000000ULL } });
        m_link->setReply(TPOF::CMD_TestDuration, Reply{ 0, { 130000 } });
    }

    int logLines(const char* function)
    {
        return m_log->deliveredWhere([function](const LoggingData& r) { return r.function == QLatin1String(function); })
            .size();
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tsttestthread"));
        m_log = std::make_unique<LogCapture>();
        QVERIFY(m_log->isRunning());
    }

    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        stIdentification id;
        id.firmwareMajor = 3;
        id.maxVoltageRMS = 62000000;
        id.maxVoltagePeak = 88000000;
        id.maxFrequency = kMaxFrequency;
        id.operatingModeMask = ~quint64(0);
        id.valid = true;
        dm()->setHVIdentification(id);
        useMode(M::VLFSin);
        m_link = std::make_unique<FakeTestLink>();
        m_history = std::make_unique<FakeTestHistory>();
        m_worker = std::make_unique<TTestThread>(m_link.get(), m_history.get());
        m_events = std::make_unique<QSignalSpy>(m_worker.get(), &TTestThread::sendAppEvent);
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

    void cleanupTestCase() { m_log.reset(); }

    void timersHaveTheirIntervals()
    {
        QCOMPARE(timer("valueTimer")->interval(), 100);
        QCOMPARE(timer("softStopTimer")->interval(), 100);
        QCOMPARE(timer("usbTimer")->interval(), 500);
        QCOMPARE(timer("powerTemperatureTimer")->interval(), 500);
        for (const char* name : { "valueTimer", "softStopTimer", "usbTimer", "powerTemperatureTimer" })
            QVERIFY(!timer(name)->isActive());
    }

    // --- start -----------------------------------------------------------------

    void startSendsTheRowsInOrder()
    {
        dm()->setSafetyCircuitState(SafetyCircuitBits(0x1FF));
        setTestTime(2, 10);
        dm()->setFrequencyToTest(50);
        const long initVoltage = dm()->testInitializationVoltage();
        dm()->setMeasurementValues(stMeasurementValues());
        dm()->setTestResult(eTestResult_BreakdownDetected);

        change(Idle, States::InitTest);

        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("StopTest(0)"), sv('z', 0), sv('u', initVoltage),
                                                   sv('m', M::VLFSin), sv('f', 50), sv('t', 3), sv('b', 0),
                                                   QStringLiteral("StartLoadDetection") }));
        // Every write is followed by a state poll.
        const QStringList calls = m_link->calls();
        for (int i = 0; i < calls.size(); ++i) {
            if (calls.at(i).startsWith(QLatin1String("SetValue")))
                QCOMPARE(calls.value(i + 1), QStringLiteral("GetHVState"));
        }
        QCOMPARE(events(), QList<E>({ E::ExtEmergOffClosed }));
        QCOMPARE(m_history->clearCount(), 1);
        // The data of the previous test is gone, the new one has its start and preset time.
        QCOMPARE(dm()->getTestResult(), eTestResult_Unknown);
        QVERIFY(!dm()->hasMeasurementValues());
        QVERIFY(dm()->getTestTime(TestTime_Start).isValid());
        QCOMPARE(dm()->getTestTimeUsed().milliseconds, quint64(130000));
        QCOMPARE(dm()->getFrequencyUsed(), 50UL);
        QCOMPARE(logLines("createLogPart1"), 1);
        QVERIFY(!timer("powerTemperatureTimer")->isActive());
    }

    void startFromPhaseConnectIsTheSame()
    {
        dm()->setSafetyCircuitState(SafetyCircuitBits(0x1FF));
        change(WaitPhaseConnect, States::InitTest);
        QCOMPARE(m_link->commands().first(), QStringLiteral("StopTest(0)"));
        QCOMPARE(m_link->commands().last(), QStringLiteral("StartLoadDetection"));
        QCOMPARE(events(), QList<E>({ E::ExtEmergOffClosed }));
    }

    // The load detection is asked for once the start waits only for the HV-on key: at
    // once with the loop closed, else when the wait for the HV-on key begins.
    void startEventBySafetyBits_data()
    {
        QTest::addColumn<SafetyCircuitBits>("safety");
        QTest::addColumn<int>("event");
        QTest::addColumn<bool>("detectsAtOnce");
        QTest::newRow("bit 8") << bits({ 8 }) << int(E::ExtEmergOffClosed) << true;
        QTest::newRow("bits 6 and 8") << bits({ 6, 8 }) << int(E::ExtEmergOffClosed) << true;
        QTest::newRow("bit 6") << bits({ 6 }) << int(E::GotHVFree) << false;
        QTest::newRow("others") << bits({ 0, 1, 2, 3, 4, 5, 7, 9 }) << int(E::TestInitSuccess) << false;
    }

    void startEventBySafetyBits()
    {
        QFETCH(SafetyCircuitBits, safety);
        QFETCH(int, event);
        QFETCH(bool, detectsAtOnce);
        dm()->setSafetyCircuitState(safety);
        change(Idle, States::InitTest);
        QCOMPARE(events(), QList<E>({ E(event) }));
        QCOMPARE(m_link->commands().contains(QStringLiteral("StartLoadDetection")), detectsAtOnce);
        m_link->clearCalls();
        change(WaitExtEmergOff, WaitConfirmOn);
        QCOMPARE(m_link->commands().contains(QStringLiteral("StartLoadDetection")), !detectsAtOnce);
    }

    void failedRowStopsTheStart_data()
    {
        QTest::addColumn<bool>("linkUp");
        QTest::addColumn<bool>("failPoll");
        QTest::addColumn<int>("result");
        QTest::newRow("write fails, link down") << false << false << int(eTestResult_ComErrorHVUnit);
        QTest::newRow("write fails, unit not ready") << true << false << int(eTestResult_HVUnitNotReady);
        QTest::newRow("poll fails") << true << true << int(eTestResult_HVUnitNotReady);
    }

    void failedRowStopsTheStart()
    {
        QFETCH(bool, linkUp);
        QFETCH(bool, failPoll);
        QFETCH(int, result);
        dm()->setHVUnitState({ !linkUp, 0 });
        QCOMPARE(dm()->hvStateOk(), linkUp);
        if (failPoll)
            m_link->queueHVStates({ true, false });
        else
            m_link->failSetValue(TPOF::CMD_Voltage, -100);
        stFaultValues fault;
        fault.faultTime = 5;
        fault.faultVoltage = 6;
        fault.leakageCurrent = 7;
        dm()->setFaultValues(fault);

        change(Idle, States::InitTest);

        // Nothing after the second row; the unit is stopped again and not asked to detect the load.
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("StopTest(0)"), sv('z', 0),
                                                   sv('u', dm()->testInitializationVoltage()),
                                                   QStringLiteral("StopTest(0)") }));
        QCOMPARE(int(dm()->getTestResult()), result);
        QCOMPARE(dm()->getFaultValues(), stFaultValues());
        QCOMPARE(dm()->getFaultValues().leakageCurrent, 4294967295ULL);
        QCOMPARE(events(), QList<E>({ E::HVUnitErrorDetected }));
        QCOMPARE(m_history->clearCount(), 0);
        QVERIFY(!dm()->getTestTime(TestTime_Start).isValid());
        QCOMPARE(logLines("createLogPart1"), 0);
    }

    void failedLoadDetectionStartStopsTheUnit()
    {
        dm()->setSafetyCircuitState(SafetyCircuitBits(0x1FF));
        m_link->setStartLoadDetectionResult(false);
        change(Idle, States::InitTest);
        QCOMPARE(m_link->commands().mid(m_link->commands().size() - 2),
                 QStringList({ QStringLiteral("StartLoadDetection"), QStringLiteral("StopTest(0)") }));
        QCOMPARE(events(), QList<E>({ E::ExtEmergOffClosed }));
    }

    void testMinutesRow_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("sent");
        QTest::newRow("withstand rounds up") << int(M::VLFSin) << 2 << 10 << 3;
        QTest::newRow("withstand whole minutes") << int(M::VLFSin) << 2 << 0 << 2;
        QTest::newRow("DC keeps the minutes") << int(M::DC) << 2 << 10 << 2;
        QTest::newRow("MWTStep sends 0") << int(M::MWTStep) << 2 << 10 << 0;
        QTest::newRow("no minutes sends 0") << int(M::VLFSin) << 0 << 30 << 0;
    }

    void testMinutesRow()
    {
        QFETCH(int, mode);
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(int, sent);
        useMode(M::OperatingMode(mode));
        setTestTime(quint16(minutes), quint16(seconds));
        change(Idle, States::InitTest);
        QVERIFY2(m_link->commands().contains(sv('t', sent)), qPrintable(m_link->commands().join(' ')));
    }

    void frequencyUsed_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("used");
        QTest::newRow("tan delta automatic") << int(M::TanDelta) << 0 << 100;
        QTest::newRow("DAC automatic") << int(M::DAC) << 0 << 0;
        QTest::newRow("sine requested") << int(M::VLFSin) << 20 << 20;
        QTest::newRow("sine automatic") << int(M::VLFSin) << 0 << int(kMaxFrequency);
        QTest::newRow("DC") << int(M::DC) << 0 << int(kMaxFrequency);
    }

    void frequencyUsed()
    {
        QFETCH(int, mode);
        QFETCH(int, requested);
        QFETCH(int, used);
        useMode(M::OperatingMode(mode));
        dm()->setFrequencyToTest(requested);
        QCOMPARE(int(dm()->getFrequencyToTest()), requested);
        change(Idle, States::InitTest);
        QCOMPARE(int(dm()->getFrequencyUsed()), used);
        QVERIFY(m_link->commands().contains(sv('f', used)));
    }

    void tanDeltaAutomaticFrequencyIsLimitedByTheUnit()
    {
        stIdentification id = dm()->getHVIdentification();
        id.maxFrequency = 50;
        dm()->setHVIdentification(id);
        useMode(M::TanDelta);
        dm()->setFrequencyToTest(0);
        change(Idle, States::InitTest);
        QCOMPARE(dm()->getFrequencyUsed(), 50UL);
    }

    void testBoostRow_data()
    {
        QTest::addColumn<int>("power");
        QTest::addColumn<bool>("devCosRect");
        QTest::addColumn<bool>("sent");
        QTest::newRow("power present") << 2 << true << true;
        QTest::newRow("no power") << 1 << true << true;
        QTest::newRow("unknown, normal type") << 0 << false << true;
        QTest::newRow("unknown, development type") << 0 << true << false;
    }

    void testBoostRow()
    {
        QFETCH(int, power);
        QFETCH(bool, devCosRect);
        QFETCH(bool, sent);
        m_fixture->config()->setBoolean(QStringLiteral("/Device/DevelopmentCosRectType"), devCosRect);
        QCOMPARE(dm()->developmentCosRectType(), devCosRect);
        useMode(M::VLFCosRect);
        QVERIFY(dm()->isTestBoostOpMode());
        stTBData data;
        data.ignitionPulse = -1;
        dm()->setTestBoostData(data);
        dm()->setTestBoostState({ power, 0 }, true);
        change(Idle, States::InitTest);
        const QStringList commands = m_link->commands();
        const QString row = QStringLiteral("SetParameter(18,%1)").arg(qulonglong(-1LL));
        QCOMPARE(commands.contains(row), sent);
        if (sent)
            QCOMPARE(commands.indexOf(row), commands.indexOf(sv('m', M::VLFCosRect)) + 1);
    }

    void boosterAndCommissioningRowsTogether()
    {
        useMode(M::DAC);
        stTBData data;
        data.ignitionPulse = 1;
        dm()->setTestBoostData(data);
        dm()->setTestBoostState({ 2, 0 }, true);
        dm()->setCommissioningConfig({ 1 });
        change(Idle, States::InitTest);
        const QStringList commands = m_link->commands();
        const int mode = commands.indexOf(sv('m', M::DAC));
        QVERIFY(mode > 0);
        QCOMPARE(commands.mid(mode, 4), QStringList({ sv('m', M::DAC), QStringLiteral("SetParameter(18,1)"),
                                                      QStringLiteral("SetParameter(35,32)"), sv('f', 0) }));
    }

    void noTestBoostRowOutsideItsModes()
    {
        dm()->setTestBoostState({ 2, 0 }, true);
        change(Idle, States::InitTest);
        for (const QString& c : m_link->commands())
            QVERIFY2(!c.startsWith(QLatin1String("SetParameter")), qPrintable(c));
    }

    void commissioningRowStartsThePowerTemperatures()
    {
        dm()->setCommissioningConfig({ 1 });
        m_link->setParameterReply(eHVUnitParamType_Param29, Reply{ 0, { 0x0000002A00000017ULL } });
        QSignalSpy temperatures(dm(), &DataModell::newPowerTemperatures);
        change(Idle, States::InitTest);
        const QStringList commands = m_link->commands();
        QCOMPARE(commands.indexOf(QStringLiteral("SetParameter(35,32)")), commands.indexOf(sv('m', M::VLFSin)) + 1);
        QCOMPARE(commands.indexOf(sv('f', kMaxFrequency)), commands.indexOf(QStringLiteral("SetParameter(35,32)")) + 1);
        QVERIFY(timer("powerTemperatureTimer")->isActive());
        QVERIFY(temperatures.wait(5000));
        QCOMPARE(temperatures.first().at(0).toUInt(), 0x17u);
        QCOMPARE(temperatures.first().at(1).toUInt(), 0x2Au);
        QVERIFY(m_link->count(QStringLiteral("GetParameter(29)")) >= 1);

        // Stopping the initialisation ends the readings.
        change(WaitHVFree, Idle);
        QVERIFY(!timer("powerTemperatureTimer")->isActive());
    }

    void failedParameterRowStopsTheStart()
    {
        dm()->setCommissioningConfig({ 1 });
        m_link->setParameterResult(-400);
        change(Idle, States::InitTest);
        QCOMPARE(m_link->commands().last(), QStringLiteral("StopTest(0)"));
        QVERIFY(!m_link->commands().contains(sv('f', kMaxFrequency)));
        QVERIFY(!timer("powerTemperatureTimer")->isActive());
        QCOMPARE(events(), QList<E>({ E::HVUnitErrorDetected }));
    }

    // --- load detection ------------------------------------------------------

    void loadDetectionErrors_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<bool>("fmaxFails");
        QTest::addColumn<int>("result");
        QTest::newRow("no bits: load unknown") << 0u << false << int(eTestResult_LoadImpUnknown);
        QTest::newRow("bit 4: illegal operation") << quint32(HVStateBits::LoadResultError1) << false
                                                  << int(eTestResult_IllegalOperation);
        QTest::newRow("bit 3, reading fails") << quint32(HVStateBits::LoadDetectionFinished) << true
                                              << int(eTestResult_InternalSWError19);
    }

    void loadDetectionErrors()
    {
        QFETCH(quint32, word);
        QFETCH(bool, fmaxFails);
        QFETCH(int, result);
        scriptLoadReplies();
        if (fmaxFails)
            m_link->setReply(TPOF::CMD_MaxFrequency, Reply{ -100, {} });
        dm()->setHVUnitState({ false, word });
        change(WaitLoadDetect, WaitForEffTestParameters);
        QCOMPARE(int(dm()->getTestResult()), result);
        QCOMPARE(events(), QList<E>({ E::LoadDetResultError }));
        QCOMPARE(logLines("createLogPart2"), 0);
    }

    void capacitanceIsHeldToTheBoosterMinimum_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<ulong>("minimum");
        QTest::newRow("bit 5") << quint32(HVStateBits::LoadResultError2) << 2001UL;
        QTest::newRow("bit 3") << quint32(HVStateBits::LoadDetectionFinished) << 2001UL;
        QTest::newRow("at the minimum") << quint32(HVStateBits::LoadResultError2) << 2000UL;
    }

    void capacitanceIsHeldToTheBoosterMinimum()
    {
        QFETCH(quint32, word);
        QFETCH(ulong, minimum);
        const bool below = minimum > 2000;
        useMode(M::VLFCosRect);
        stTBData data;
        data.minRequiredCapacitance = minimum;
        dm()->setTestBoostData(data);
        QCOMPARE(dm()->minimalRequiredCapacitance(), minimum);
        scriptLoadReplies();
        dm()->setHVUnitState({ false, word });
        change(WaitLoadDetect, WaitForEffTestParameters);
        QCOMPARE(dm()->getTestResult(), below ? eTestResult_CapacitanceTooSmall : eTestResult_Unknown);
        QCOMPARE(dm()->getCapacitanceLoad(), 2000UL);
        QCOMPARE(events().size(), 1);
        QCOMPARE(events().first() == E::LoadDetResultError, below);
        // Below it the unit is stopped and the test does not go on.
        QVERIFY(!below || m_link->commands().last() == QStringLiteral("StopTest(0)"));
        QVERIFY(!below || !m_link->commands().contains(QStringLiteral("GetValue(R)")));
    }

    void bit5GoesOnWhenTheLoadCannotBeRead()
    {
        scriptLoadReplies();
        m_link->setReply(TPOF::CMD_LoadResistance, Reply{ -100, {} });
        dm()->setHVUnitState({ false, HVStateBits::LoadResultError2 });
        change(WaitLoadDetect, WaitForEffTestParameters);
        QCOMPARE(events(), QList<E>({ E::FrequencyUnmodified }));
        QCOMPARE(dm()->getTestResult(), eTestResult_Unknown);
        QCOMPARE(logLines("createLogPart2"), 0);
    }

    void bit5ReadsTheLoadAndLogsPart2()
    {
        scriptLoadReplies();
        dm()->setHVUnitState({ false, HVStateBits::LoadResultError2 });
        change(WaitLoadDetect, WaitForEffTestParameters);
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("GetValue(F)"), QStringLiteral("GetValue(C)"),
                                                   QStringLiteral("GetValue(R)"), QStringLiteral("GetValue(P)") }));
        QCOMPARE(dm()->getCapacitanceLoad(), 2000UL);
        QCOMPARE(dm()->getResistorLoad(), 250000000000ULL);
        QCOMPARE(logLines("createLogPart2"), 1);
    }

    void remoteControlAlwaysModifiesTheFrequency_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::newRow("bit 3") << quint32(HVStateBits::LoadDetectionFinished);
        QTest::newRow("bit 5") << quint32(HVStateBits::LoadResultError2);
    }

    void remoteControlAlwaysModifiesTheFrequency()
    {
        QFETCH(quint32, word);
        dm()->setRemoteControlled(true, QStringLiteral("pc"));
        scriptLoadReplies();
        dm()->setHVUnitState({ false, word });
        change(WaitLoadDetect, WaitForEffTestParameters);
        QCOMPARE(events(), QList<E>({ E::FrequencyModified }));
        // The effective parameters wait for the remote side's confirmation.
        for (const QString& c : m_link->commands())
            QVERIFY2(!c.startsWith(QLatin1String("SetValue")), qPrintable(c));
    }

    void frequencyDecision_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("reported");
        QTest::addColumn<int>("event");
        QTest::newRow("requested and kept") << int(M::VLFSin) << 50 << 50 << int(E::FrequencyUnmodified);
        QTest::newRow("requested and changed") << int(M::VLFSin) << 50 << 40 << int(E::FrequencyModified);
        QTest::newRow("automatic sine") << int(M::VLFSin) << 0 << 40 << int(E::FrequencyUnmodified);
        QTest::newRow("tan delta at the standard's frequency") << int(M::TanDelta) << 0 << 100
                                                               << int(E::FrequencyUnmodified);
        QTest::newRow("tan delta off the standard's frequency") << int(M::TanDelta) << 0 << 50
                                                                << int(E::FrequencyModified);
        QTest::newRow("not periodic") << int(M::DC) << 0 << 0 << int(E::FrequencyUnmodified);
    }

    void frequencyDecision()
    {
        QFETCH(int, mode);
        QFETCH(int, requested);
        QFETCH(int, reported);
        QFETCH(int, event);
        useMode(M::OperatingMode(mode));
        dm()->setFrequencyToTest(requested);
        dm()->setFrequencyUsed(requested);
        scriptLoadReplies(ulong(reported));
        dm()->setHVUnitState({ false, HVStateBits::LoadResultError2 });
        change(WaitLoadDetect, WaitForEffTestParameters);
        QCOMPARE(int(dm()->getFrequencyUsed()), reported);
        QCOMPARE(events(), QList<E>({ E(event) }));
    }

    void effectiveParametersOfAStepTest()
    {
        useMode(M::MWTStep);
        setTestTime(2, 10);
        dm()->setFrequencyToTest(0);
        dm()->setFrequencyUsed(kMaxFrequency);
        scriptLoadReplies();
        QSignalSpy steps(m_worker.get(), &TTestThread::voltageStepUp);
        dm()->setHVUnitState({ false, HVStateBits::LoadDetectionFinished });
        const long start = dm()->testStartVoltage();

        change(WaitLoadDetect, WaitForEffTestParameters);

        QCOMPARE(m_link->commands(),
                 QStringList({ QStringLiteral("GetValue(F)"), QStringLiteral("GetValue(C)"), QStringLiteral("GetValue(R)"),
                               QStringLiteral("GetValue(P)"), sv('u', start), sv('f', kMaxFrequency),
                               QStringLiteral("GetValue(F)"), QStringLiteral("GetValue(P)") }));
        QCOMPARE(steps.size(), 1);
        QCOMPARE(steps.first().at(0).value<long>(), start);
        const stTestTime used = dm()->getTestTimeUsed();
        QCOMPARE(used.milliseconds, quint64(130000));
        QCOMPARE(used.minutes, quint16(2));
        QCOMPARE(used.seconds, quint16(10));
        QCOMPARE(dm()->getPeriodDuration(), 10.0);
        QCOMPARE(dm()->getTestResult(), eTestResult_Unknown);
        QCOMPARE(events(), QList<E>({ E::FrequencyUnmodified }));
        QCOMPARE(logLines("createLogPart2"), 1);
    }

    void testDurationIsRoundedToWholeSeconds()
    {
        useMode(M::DC);
        scriptLoadReplies();
        m_link->setReply(TPOF::CMD_TestDuration, Reply{ 0, { 3599500 } });
        dm()->setHVUnitState({ false, HVStateBits::LoadResultError2 });
        change(WaitLoadDetect, WaitForEffTestParameters);
        const stTestTime used = dm()->getTestTimeUsed();
        QCOMPARE(used.milliseconds, quint64(3599500));
        QCOMPARE(used.minutes, quint16(60));
        QCOMPARE(used.seconds, quint16(0));
        QCOMPARE(dm()->getPeriodDuration(), 1.0);
    }

    void frequencyTheUnitCannotKeep()
    {
        useMode(M::VLFSin);
        dm()->setFrequencyToTest(0);
        scriptLoadReplies();
        m_link->queueReply(TPOF::CMD_MaxFrequency, Reply{ 0, { kMaxFrequency } });
        m_link->queueReply(TPOF::CMD_MaxFrequency, Reply{ 0, { 80 } });
        dm()->setHVUnitState({ false, HVStateBits::LoadDetectionFinished });
        change(WaitLoadDetect, WaitForEffTestParameters);
        QCOMPARE(dm()->getTestResult(), eTestResult_FreqAdaptionImpossible);
        QCOMPARE(m_link->commands().last(), QStringLiteral("StopTest(0)"));
        QVERIFY(!m_link->commands().contains(QStringLiteral("StartTest")));
    }

    void readyToRunStartsTheTest_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("after the parameters") << int(WaitForEffTestParameters);
        QTest::newRow("after the confirmation") << int(WaitForConfirmation);
    }

    void readyToRunStartsTheTest()
    {
        QFETCH(int, from);
        dm()->setFrequencyUsed(kMaxFrequency);
        scriptLoadReplies();
        change(AppState(from), TestReadyToRun);
        QCOMPARE(m_link->commands(), QStringList({ sv('u', dm()->testStartVoltage()), sv('f', kMaxFrequency),
                                                   QStringLiteral("GetValue(F)"), QStringLiteral("GetValue(P)"),
                                                   QStringLiteral("StartTest") }));
        QVERIFY(events().isEmpty());
    }

    void failedStartStopsTheUnit()
    {
        dm()->setFrequencyUsed(kMaxFrequency);
        scriptLoadReplies();
        m_link->setStartTestResult(false);
        change(WaitForEffTestParameters, TestReadyToRun);
        QCOMPARE(m_link->commands().mid(m_link->commands().size() - 2),
                 QStringList({ QStringLiteral("StartTest"), QStringLiteral("StopTest(0)") }));
    }

    void noStartWithoutTheEffectiveParameters_data()
    {
        QTest::addColumn<bool>("pollFails");
        QTest::addColumn<int>("result");
        QTest::newRow("voltage write fails") << false << int(eTestResult_Unknown);
        QTest::newRow("state poll fails") << true << int(eTestResult_ComErrorHVUnit);
    }

    void noStartWithoutTheEffectiveParameters()
    {
        QFETCH(bool, pollFails);
        QFETCH(int, result);
        scriptLoadReplies();
        if (pollFails)
            m_link->queueHVStates({ false });
        else
            m_link->failSetValue(TPOF::CMD_Voltage, -100);
        change(WaitForEffTestParameters, TestReadyToRun);
        QCOMPARE(m_link->commands(), QStringList({ sv('u', dm()->testStartVoltage()), QStringLiteral("StopTest(0)") }));
        QCOMPARE(int(dm()->getTestResult()), result);
    }

    // --- the other rows of the reaction table ---------------------------------

    void startFromIdleBeginsANewTanDeltaRecord()
    {
        useMode(M::TanDelta);
        DB* db = GlobalFuncs::getDB();
        QVERIFY(db);
        QVERIFY(db->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), QStringLiteral("/x/old.vlf")));
        // L1 measured, L2 waited for: the next phase of the same cable keeps its record.
        dm()->setPhasesToTest(IPhaseSelect::L1 | IPhaseSelect::L2);
        dm()->startCurrentPhase();
        dm()->setLastUsedPhase(1);
        change(WaitPhaseConnect, States::InitTest);
        QCOMPARE(db->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")), QStringLiteral("/x/old.vlf"));
        QCOMPARE(dm()->lastUsedPhase(), 1);
        // A new start from Idle does not append to the previous cable's record.
        change(Idle, States::InitTest);
        QVERIFY(db->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")).isEmpty());
        QCOMPARE(dm()->lastUsedPhase(), -1);
    }

    void phaseConnectToIdleResetsThePhases()
    {
        dm()->setLastUsedPhase(1);
        change(WaitPhaseConnect, Idle);
        QCOMPARE(dm()->lastUsedPhase(), -1);
        QVERIFY(m_link->calls().isEmpty());
        QVERIFY(events().isEmpty());
    }

    void waitingStatesAnswerFromTheSafetyBits_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<SafetyCircuitBits>("safety");
        QTest::addColumn<QList<E>>("expected");
        const QList<E> none;
        QTest::newRow("HV free, bit 8") << int(States::InitTest) << int(WaitHVFree) << bits({ 6, 8 })
                                        << QList<E>{ E::ExtEmergOffClosed };
        QTest::newRow("HV free, bit 6") << int(States::InitTest) << int(WaitHVFree) << bits({ 6 })
                                        << QList<E>{ E::GotHVFree };
        QTest::newRow("HV free, none") << int(States::InitTest) << int(WaitHVFree) << bits({ 9 }) << none;
        QTest::newRow("emergency off from init") << int(States::InitTest) << int(WaitExtEmergOff) << bits({ 8 })
                                                 << QList<E>{ E::ExtEmergOffClosed };
        QTest::newRow("emergency off from HV free") << int(WaitHVFree) << int(WaitExtEmergOff) << bits({ 8 })
                                                    << QList<E>{ E::ExtEmergOffClosed };
        QTest::newRow("emergency off open") << int(WaitHVFree) << int(WaitExtEmergOff) << bits({ 6, 9 }) << none;
        QTest::newRow("confirm from init") << int(States::InitTest) << int(WaitConfirmOn) << bits({ 9 })
                                           << QList<E>{ E::HVOn };
        QTest::newRow("confirm from HV free") << int(WaitHVFree) << int(WaitConfirmOn) << bits({ 9 })
                                              << QList<E>{ E::HVOn };
        QTest::newRow("confirm from emergency off") << int(WaitExtEmergOff) << int(WaitConfirmOn) << bits({ 9 })
                                                    << QList<E>{ E::HVOn };
        QTest::newRow("confirm, button not pressed") << int(WaitExtEmergOff) << int(WaitConfirmOn) << bits({ 6, 8 })
                                                     << none;
        QTest::newRow("unlisted pair") << int(WaitHVOn) << int(WaitConfirmOn) << bits({ 6, 8, 9 }) << none;
    }

    void waitingStatesAnswerFromTheSafetyBits()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(SafetyCircuitBits, safety);
        QFETCH(QList<E>, expected);
        dm()->setSafetyCircuitState(safety);
        change(AppState(from), AppState(to));
        QCOMPARE(events(), expected);
        QVERIFY(m_link->calls().isEmpty());
    }

    void leavingTheStartStopsTheInitialisation_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("init to finished") << int(States::InitTest) << int(TestFinished);
        QTest::newRow("HV free to finished") << int(WaitHVFree) << int(TestFinished);
        QTest::newRow("emergency off to finished") << int(WaitExtEmergOff) << int(TestFinished);
        QTest::newRow("confirm to finished") << int(WaitConfirmOn) << int(TestFinished);
        QTest::newRow("HV free to idle") << int(WaitHVFree) << int(Idle);
        QTest::newRow("emergency off to idle") << int(WaitExtEmergOff) << int(Idle);
        QTest::newRow("confirm to idle") << int(WaitConfirmOn) << int(Idle);
        QTest::newRow("aborted while initialising") << int(States::InitTest) << int(Idle);
    }

    void leavingTheStartStopsTheInitialisation()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        dm()->setCommissioningConfig({ 1 });
        m_link->setParameterReply(eHVUnitParamType_Param29, Reply{ 0, { 1 } });
        change(Idle, States::InitTest);
        QVERIFY(timer("powerTemperatureTimer")->isActive());
        m_link->clearCalls();
        m_events->clear();
        dm()->setTestResult(eTestResult_CancelledByOp);

        change(AppState(from), AppState(to));
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("StopTest(0)") }));
        QVERIFY(!timer("powerTemperatureTimer")->isActive());
        // Ended by the unit's error, the test has no record for anybody to confirm.
        QCOMPARE(events(), to == TestFinished ? QList<E>({ E::TestResultConfirmed }) : QList<E>());
        // The test's data stays for the result view.
        QCOMPARE(dm()->getTestResult(), eTestResult_CancelledByOp);
    }

    void breakdownWhileRunningStartsBurning()
    {
        QSignalSpy breakdown(m_worker.get(), &TTestThread::breakdownSignal);
        stMeasurementValues sample;
        sample.timeStamp = 125000;
        dm()->setMeasurementValues(sample);
        change(TestRunning, TestBurning);
        const stTestTime used = dm()->getTestTimeUsed();
        QCOMPARE(used.milliseconds, quint64(185000));
        QCOMPARE(used.minutes, quint16(3));
        QCOMPARE(used.seconds, quint16(5));
        QCOMPARE(breakdown.size(), 1);
        QVERIFY(m_link->calls().isEmpty());
        QVERIFY(events().isEmpty());
    }

    void softStopAfterASafetyCircuitError_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("running") << int(TestRunning);
        QTest::newRow("burning") << int(TestBurning);
    }

    void softStopAfterASafetyCircuitError()
    {
        QFETCH(int, from);
        // Walk the model into a running test and open the safety circuit there.
        SafetyCircuitBits closed;
        closed.set();
        dm()->setSafetyCircuitState(closed);
        for (E e : { E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed, E::HVOn, E::HVOutputOn,
                     E::LoadDetectionFinished, E::FrequencyUnmodified, E::TestStarted })
            dm()->receiveAppEvent(e);
        QCOMPARE(dm()->getAppState(), TestRunning);
        SafetyCircuitBits opened = closed;
        opened.reset(3);
        dm()->setSafetyCircuitState(opened);
        QVERIFY(dm()->safetyCircuitErrorOccurred());
        m_log->clear();

        change(AppState(from), TestSoftStop);
        QCOMPARE(events(), QList<E>({ E::SoftStopFinished }));
        QVERIFY(m_link->calls().isEmpty());
        QVERIFY(!timer("softStopTimer")->isActive());
        QVERIFY(dm()->getTestTime(TestTime_Stop).isValid());
        const QString text = QStringLiteral("SoftStop while SafetyCircuitError occured (%1)!").arg(opened.to_ulong());
        const QList<LoggingData> records = m_log->delivered(text);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().category, int(CAT_ERR));
        QCOMPARE(records.first().file, QStringLiteral("TTestThread"));
        QCOMPARE(records.first().function, QStringLiteral("appStateChanged"));
    }

    void softStopStopsTheUnit_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("running") << int(TestRunning);
        QTest::newRow("burning") << int(TestBurning);
        QTest::newRow("any other") << int(TestReadyToRun);
    }

    void softStopStopsTheUnit()
    {
        QFETCH(int, from);
        change(AppState(from), TestSoftStop);
        QVERIFY(dm()->getTestTime(TestTime_Stop).isValid());
        QVERIFY(timer("softStopTimer")->isActive());
        QVERIFY(!timer("valueTimer")->isActive());
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("StopTest(0)") }));
        QVERIFY(events().isEmpty());
        QCOMPARE(m_log->delivered(QStringLiteral("SoftStop while SafetyCircuitError occured (1023)!")).size(), 0);
    }

    void finalizingStopsAndReports_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("mode");
        QTest::newRow("after a soft stop") << int(TestSoftStop) << int(M::VLFSin);
        QTest::newRow("tan delta") << int(TestRunning) << int(M::TanDelta);
    }

    void finalizingStopsAndReports()
    {
        QFETCH(int, from);
        QFETCH(int, mode);
        useMode(M::OperatingMode(mode));
        change(TestRunning, TestSoftStop);
        m_link->clearCalls();
        m_events->clear();
        change(AppState(from), TestFinalizing);
        QVERIFY(!timer("softStopTimer")->isActive());
        QVERIFY(!timer("valueTimer")->isActive());
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("StopTest(0)") }));
        QCOMPARE(events(), QList<E>({ E::TestFinalized }));
    }

    void transferWithoutFinalizingStoresNothing_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("events");
        QTest::newRow("from idle") << int(Idle) << 1;
        QTest::newRow("from HV unit error") << int(HVUnitError) << 1;
        QTest::newRow("from finalizing without samples") << int(TestFinalizing) << 1;
    }

    void transferWithoutFinalizingStoresNothing()
    {
        QFETCH(int, from);
        QFETCH(int, events);
        change(AppState(from), TransferringToHistory);
        QCOMPARE(this->events(), events ? QList<E>({ E::HistoryReady }) : QList<E>());
        QVERIFY(m_history->savedTo().isEmpty());
    }

    void finishedTestGoesToTheStick()
    {
        change(TestFinished, TransferringTestData);
        QCOMPARE(m_history->savedTo(), QList<GlobalFuncs::Path>({ GlobalFuncs::UsbMeasurements }));
        QCOMPARE(events(), QList<E>({ E::DataReady }));
        // A failed copy is reported by the store itself; the state machine moves on.
        m_history->setSaveResult(false);
        change(TestFinished, TransferringTestData);
        QCOMPARE(events(), QList<E>({ E::DataReady, E::DataReady }));
    }

    void leavingATestClearsItsData_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("finished to starting") << int(TestFinished) << int(Starting);
        QTest::newRow("HV error to starting") << int(HVUnitError) << int(Starting);
        QTest::newRow("updating to starting") << int(Updating) << int(Starting);
        QTest::newRow("transferred to starting") << int(TestDataTransferred) << int(Starting);
        QTest::newRow("finished to idle") << int(TestFinished) << int(Idle);
        QTest::newRow("transferred to idle") << int(TestDataTransferred) << int(Idle);
    }

    void leavingATestClearsItsData()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        timer("usbTimer")->start();
        dm()->setTestResult(eTestResult_BreakdownDetected);
        dm()->setMeasurementValues(stMeasurementValues());
        change(AppState(from), AppState(to));
        QVERIFY(!timer("usbTimer")->isActive());
        QCOMPARE(dm()->getTestResult(), eTestResult_Unknown);
        QVERIFY(!dm()->hasMeasurementValues());
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("StopTest(0)") }));
        QVERIFY(events().isEmpty());
    }

    void hvUnitErrorToIdleStopsTheUnit()
    {
        dm()->setTestResult(eTestResult_OvercurrentHVUnit);
        change(HVUnitError, Idle);
        QCOMPARE(m_link->commands(), QStringList({ QStringLiteral("StopTest(0)") }));
        QCOMPARE(dm()->getTestResult(), eTestResult_OvercurrentHVUnit);
        QVERIFY(events().isEmpty());
    }

    void unlistedPairsDoNothing_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("idle to starting") << int(Idle) << int(Starting);
        QTest::newRow("HV on to load detection") << int(WaitHVOn) << int(WaitLoadDetect);
        QTest::newRow("updating to idle") << int(Updating) << int(Idle);
        QTest::newRow("ready to confirmation") << int(WaitForEffTestParameters) << int(WaitForConfirmation);
    }

    void unlistedPairsDoNothing()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        dm()->setTestResult(eTestResult_CancelledByOp);
        dm()->setSafetyCircuitState(bits({ 6, 8, 9 }));
        change(AppState(from), AppState(to));
        QVERIFY(m_link->calls().isEmpty());
        QVERIFY(events().isEmpty());
        QCOMPARE(dm()->getTestResult(), eTestResult_CancelledByOp);
    }
};

QTEST_GUILESS_MAIN(TstTestThread)
#include "tst_testthread.moc"
