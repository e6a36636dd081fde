#include "fakes/DataModelFixture.h"
#include "fakes/LogCapture.h"
#include "testrun/TLog.h"
#include "datamodel/DataModell.h"

#include <QtTest>

#include <memory>

using M = OperatingModes;

namespace {
const QDateTime kStart(QDate(2026, 12, 6), QTime(14, 3, 9));

stMeasurementValues sampleAt(quint32 ms)
{
    stMeasurementValues v;
    v.timeStamp = ms;
    v.voltage = 1000;
    v.current = 10;
    return v;
}
} // namespace

class TstTLog : public QObject {
    Q_OBJECT

    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DataModelFixture> m_fixture;
    DataModell* dm() const { return m_fixture->dm(); }

    // Lines of one part that reached the log, checked for their record frame.
    QStringList lines(int part)
    {
        const QString function = QStringLiteral("createLogPart%1").arg(part);
        QStringList out;
        for (const LoggingData& r : m_log->deliveredWhere([&](const LoggingData& r) { return r.function == function; })) {
            if (r.category != CAT_MEAS || r.tag != QLatin1String("MEAS") || r.file != QLatin1String("TLog") || r.line != -1)
                return { QStringLiteral("bad record frame for ") + r.text };
            out << r.text;
        }
        return out;
    }

    QString onlyLine(int part)
    {
        const QStringList l = lines(part);
        return l.size() == 1 ? l.first() : QStringLiteral("%1 lines").arg(l.size());
    }

    void walkToRunning()
    {
        for (eAppEvent e : { eAppEvent::MainsOn, eAppEvent::HVUnitInitialized, eAppEvent::StartTest,
                             eAppEvent::ExtEmergOffClosed, eAppEvent::HVOn, eAppEvent::HVOutputOn,
                             eAppEvent::LoadDetectionFinished, eAppEvent::FrequencyUnmodified, eAppEvent::TestStarted })
            dm()->receiveAppEvent(e);
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tsttlog"));
        m_log = std::make_unique<LogCapture>();
        QVERIFY(m_log->isRunning());
    }

    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_log->clear();
    }

    void cleanup() { m_fixture.reset(); }

    void cleanupTestCase() { m_log.reset(); }

    void timeStrings()
    {
        QCOMPARE(TLog::TimeString(0, 0, 0), QStringLiteral("00:00:00"));
        QCOMPARE(TLog::TimeString(123, 4, 5), QStringLiteral("123:04:05"));
        QCOMPARE(TLog::TimeString(100, 5, 7), QStringLiteral("100:05:07"));
        QCOMPARE(TLog::elapsedTimeString(3599500), QStringLiteral("01:00:00"));
        QCOMPARE(TLog::elapsedTimeString(3599499), QStringLiteral("00:59:59"));
        QCOMPARE(TLog::elapsedTimeString(499), QStringLiteral("00:00:00"));
        QCOMPARE(TLog::fixedPoint(-12340000, 1000000, 1), QStringLiteral("-12.3"));
        QCOMPARE(TLog::fixedPoint(12960000, 1000000, 1), QStringLiteral("13.0"));
        QCOMPARE(TLog::fixedPoint(100, 1000, 2), QStringLiteral("0.10"));
        QCOMPARE(TLog::fixedPoint(5, 10000, 3), QStringLiteral("0.001"));
        QCOMPARE(TLog::fixedPoint(-40000, 1000000, 1), QStringLiteral("0.0"));
        QCOMPARE(TLog::fixedPoint(-50000, 1000000, 1), QStringLiteral("-0.1"));
        // A gain the unit never reported is the highest 64-bit word.
        QCOMPARE(TLog::fixedPointUnsigned(HVUnitParamUnknown, 10000, 3), QStringLiteral("1844674407370955.162"));
        QCOMPARE(TLog::fixedPointUnsigned(99995, 10000, 3), QStringLiteral("10.000"));
    }

    void part1FromTheDataModel()
    {
        dm()->changeOperatingMode(M::VLFSin);
        stIdentification id;
        id.firmwareMajor = 2;
        id.firmwareMinor = 5;
        id.maxVoltageRMS = 62000000;
        id.maxVoltagePeak = 88000000;
        id.maxFrequency = 100;
        id.operatingModeMask = ~quint64(0);
        id.valid = true;
        dm()->setHVIdentification(id);
        dm()->setVoltageType(VoltageType_PEAK);
        dm()->setVoltageToTest(12000000);
        QCOMPARE(dm()->getVoltageToTest(), 12000000L);
        dm()->setFrequencyToTest(100);
        QCOMPARE(dm()->getFrequencyToTest(), 100UL);
        dm()->setTestTime(TestTime_Start, kStart);
        dm()->setTestTimeUsed({ 3907000, 65, 7 });
        dm()->setHVUnitParam(eHVUnitParamType_GainU, 12340);
        dm()->setHVUnitParam(eHVUnitParamType_GainI, 98766);

        TLog log;
        QVERIFY(log.createLogPart1());
        const QString expected =
            QStringLiteral("Part1; 06/12/2026; 14:03:09; %1; %2; %3; %4; %5; %6; 2.05; %7; 12.0; PEAK; 0.10; 01:05:07; "
                           "%8; OFF; 1.234; 9.877")
                .arg(dm()->getVersion(4), dm()->getVersion(5), dm()->getVersion(6), dm()->getVersion(7, true),
                     dm()->getVersion(8), dm()->getVersion(9), dm()->getSerialNumber(),
                     dm()->getCurrentOperatingModeName());
        QCOMPARE(onlyLine(1), expected);
    }

    void part1NegativeDcFromTheDataModel()
    {
        dm()->changeOperatingMode(M::DC);
        dm()->setVoltagePolarity(VoltagePolarity_Negative);
        dm()->setFrequencyToTest(0);
        dm()->setTestTime(TestTime_Start, kStart);
        TLog log;
        log.createLogPart1();
        const QStringList fields = onlyLine(1).split(QStringLiteral("; "));
        QCOMPARE(fields.size(), 19);
        QCOMPARE(fields.at(15), dm()->getCurrentOperatingModeName() + QLatin1Char('-'));
        QCOMPARE(fields.at(13), QStringLiteral("AUTO"));
    }

    void part1Layout_data()
    {
        QTest::addColumn<int>("voltageType");
        QTest::addColumn<long>("voltage");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("polarity");
        QTest::addColumn<QString>("middle");
        QTest::newRow("type 3 leaves an empty field") << 3 << 12000000L << int(M::VLFSin) << 0
                                                     << QStringLiteral("12.0; ; AUTO; 123:04:05; Sine");
        QTest::newRow("negative DC") << 1 << -40000000L << int(M::DC) << 1
                                     << QStringLiteral("-40.0; RMS; AUTO; 123:04:05; DC-");
        QTest::newRow("DAC positive") << 2 << 5000000L << int(M::DAC) << 0
                                      << QStringLiteral("5.0; PEAK; AUTO; 123:04:05; DAC+");
        QTest::newRow("factor") << 4 << 1000000L << int(M::VLFRect) << 1
                                << QStringLiteral("1.0; FACTOR; AUTO; 123:04:05; Rect");
        QTest::newRow("none") << 0 << 0L << int(M::VLFSin) << 0 << QStringLiteral("0.0; NONE; AUTO; 123:04:05; Sine");
    }

    void part1Layout()
    {
        QFETCH(int, voltageType);
        QFETCH(long, voltage);
        QFETCH(int, mode);
        QFETCH(int, polarity);
        QFETCH(QString, middle);

        TLog::Part1Values v;
        v.start = kStart;
        const char* versions[] = { "1.1", "4.19", "3.0", "4.2.0 (build)", "7", "2" };
        for (int i = 0; i < 6; ++i)
            v.versions[i] = QString::fromLatin1(versions[i]);
        v.firmwareMajor = 12;
        v.firmwareMinor = 3;
        v.serialNumber = QStringLiteral("12345678901");
        v.voltage = voltage;
        v.voltageType = voltageType;
        v.frequency = 0;
        v.testTime = { 0, quint16(123 * 60 + 4), 5 };
        v.modeName = mode == M::DC ? QStringLiteral("DC")
                                   : mode == M::DAC ? QStringLiteral("DAC")
                                                    : mode == M::VLFRect ? QStringLiteral("Rect") : QStringLiteral("Sine");
        v.mode = M::OperatingMode(mode);
        v.polarity = eVoltagePolarity(polarity);
        v.developmentMode = true;
        v.gainU = 10000;
        v.gainI = 0;
        QCOMPARE(TLog::part1Line(v),
                 QStringLiteral("Part1; 06/12/2026; 14:03:09; 1.1; 4.19; 3.0; 4.2.0 (build); 7; 2; 12.03; 12345678901; ")
                     + middle + QStringLiteral("; ON; 1.000; 0.000"));
    }

    void part2LoadResistance_data()
    {
        QTest::addColumn<qulonglong>("milliohms");
        QTest::addColumn<QString>("text");
        QTest::newRow("below 1 M") << 999999999ULL << QStringLiteral("<1M");
        QTest::newRow("1 M") << 1000000000ULL << QStringLiteral("1M");
        QTest::newRow("250 M") << 250999999999ULL << QStringLiteral("250M");
        QTest::newRow("4999 M") << 4999999999999ULL << QStringLiteral("4999M");
        QTest::newRow("5 G") << 5000000000000ULL << QStringLiteral(">=5G");
        QTest::newRow("above") << 9000000000000ULL << QStringLiteral(">=5G");
    }

    void part2LoadResistance()
    {
        QFETCH(qulonglong, milliohms);
        QFETCH(QString, text);
        dm()->changeOperatingMode(M::VLFSin);
        QVERIFY(dm()->modeUseLoadDetection());
        dm()->setTestTime(TestTime_MeasurementStart, QDateTime(QDate(2026, 12, 6), QTime(10, 11, 12)));
        dm()->setHVUnitState({ false, 0x28 });
        dm()->setResistorLoad(milliohms);
        dm()->setCapacitanceLoad(12345);
        dm()->setFrequencyUsed(100);
        TLog log;
        QVERIFY(log.createLogPart2());
        QCOMPARE(onlyLine(2), QStringLiteral("Part2; 10:11:12; 0x00000028; %1; 12.345; 0.10").arg(text));
    }

    void part2WithoutLoadDetectionHasFourFields()
    {
        dm()->changeOperatingMode(M::SheathTest);
        QVERIFY(!dm()->modeUseLoadDetection());
        dm()->setTestTime(TestTime_MeasurementStart, QDateTime(QDate(2026, 12, 6), QTime(23, 59, 1)));
        dm()->setHVUnitState({ false, 0x12345678 });
        dm()->setResistorLoad(250000000000ULL);
        dm()->setFrequencyUsed(0);
        TLog log;
        log.createLogPart2();
        QCOMPARE(onlyLine(2), QStringLiteral("Part2; 23:59:01; 0x12345678; 0.00"));
    }

    void part2BeforeMeasurementStartShowsTheCurrentTime()
    {
        dm()->changeOperatingMode(M::SheathTest);
        dm()->setFrequencyUsed(2500);
        const QTime before = QTime::currentTime();
        TLog log;
        log.createLogPart2();
        const QTime after = QTime::currentTime();
        const QStringList fields = onlyLine(2).split(QStringLiteral("; "));
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields.at(3), QStringLiteral("2.50"));
        const QTime shown = QTime::fromString(fields.at(1), QStringLiteral("hh:mm:ss"));
        QVERIFY2(shown.isValid(), qPrintable(fields.at(1)));
        const QTime from(before.hour(), before.minute(), before.second());
        QVERIFY2(shown >= from && shown <= after, qPrintable(fields.at(1)));
    }

    void part3_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("faultTime");
        QTest::addColumn<int>("faultVoltage");
        QTest::addColumn<quint32>("lastSample");
        QTest::addColumn<QString>("expected");
        QTest::newRow("finished ignores samples")
            << 1 << 5000 << 7000000 << 5000u << QStringLiteral("TestFinishedSuccess; 00:00:00; 0");
        QTest::newRow("breakdown without fault time")
            << 5 << -1 << 23460000 << 9000u << QStringLiteral("[#05]  BreakdownDetected; Unknown.; 23.5");
        QTest::newRow("breakdown rounds up") << 5 << 3599500 << -12340000 << 1000u
                                             << QStringLiteral("[#05]  BreakdownDetected; 01:00:00; -12.3");
        QTest::newRow("cancelled rounds down")
            << 2 << 10 << 7000000 << 3599499u << QStringLiteral("TestCancelledByOp; 00:59:59; 0");
        QTest::newRow("long test") << 2 << -1 << -1 << quint32((123 * 3600 + 4 * 60 + 5) * 1000)
                                   << QStringLiteral("TestCancelledByOp; 123:04:05; 0");
    }

    void part3()
    {
        QFETCH(int, result);
        QFETCH(int, faultTime);
        QFETCH(int, faultVoltage);
        QFETCH(quint32, lastSample);
        QFETCH(QString, expected);

        dm()->changeOperatingMode(M::VLFSin);
        dm()->setMeasurementValues(sampleAt(lastSample / 2));
        dm()->setMeasurementValues(sampleAt(lastSample));
        dm()->setTestResult(eTestResult(result));
        stFaultValues fault;
        fault.faultTime = faultTime;
        fault.faultVoltage = faultVoltage;
        dm()->setFaultValues(fault);
        dm()->setTestTime(TestTime_Stop, QDateTime(QDate(2026, 12, 6), QTime(15, 16, 17)));
        TLog log;
        QVERIFY(log.createLogPart3());
        QCOMPARE(onlyLine(3), QStringLiteral("Part3; 15:16:17; ") + expected + QStringLiteral("; 0x0000"));
    }

    void part3OvercurrentShowsVoltageAndErrorState()
    {
        dm()->changeOperatingMode(M::VLFSin);
        walkToRunning();
        QCOMPARE(dm()->getAppState(), States::TestRunning);
        dm()->setHVUnitState({ false, HVStateBits::Overcurrent | HVStateBits::OutputOn });
        QCOMPARE(dm()->getTestResult(), eTestResult_OvercurrentHVUnit);
        dm()->setMeasurementValues(sampleAt(61499));
        stFaultValues fault;
        fault.faultTime = 61000;
        fault.faultVoltage = 15050001;
        dm()->setFaultValues(fault);
        dm()->setTestTime(TestTime_Stop, QDateTime(QDate(2026, 12, 6), QTime(1, 2, 3)));
        TLog log;
        log.createLogPart3();
        const QStringList fields = onlyLine(3).split(QStringLiteral("; "));
        QCOMPARE(fields.size(), 6);
        QCOMPARE(fields.at(1), QStringLiteral("01:02:03"));
        QVERIFY2(fields.at(2).startsWith(QStringLiteral("[#06]")), qPrintable(fields.at(2)));
        QCOMPARE(fields.at(3), QStringLiteral("00:01:01"));
        QCOMPARE(fields.at(4), QStringLiteral("15.1"));
        QCOMPARE(fields.at(5), QStringLiteral("0x0082"));
    }

    void eachCallWritesOneLine()
    {
        TLog log;
        log.createLogPart3();
        log.createLogPart3();
        QCOMPARE(lines(3).size(), 2);
        QCOMPARE(lines(1).size(), 0);
        QCOMPARE(lines(2).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TstTLog)
#include "tst_tlog.moc"
