#include "datamodel/DataModell.h"
#include "fakes/DataModelCase.h"
#include "gui/TestMeasurement.h"
#include "gui/TestPreparation.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using M = OperatingModes;
using S = States::AppState;

namespace {
const char* const kNavigation[] = {"initTest",           "waitForHvSignal",      "hvSignalTimeout",
                                   "prepareMeasurement", "waitForLoadDetection", "waitForEffTestParamerters",
                                   "waitForConfirmation", "testReadyToRun",      "testStarted",
                                   "testFinalizing",     "testFinished",         "waitPhaseConnect"};

stMeasurementValues sample(quint32 time, qint64 nanoamperes = 0, qint32 millivolts = 0)
{
    stMeasurementValues v;
    v.timeStamp = time;
    v.voltage = millivolts;
    v.current = nanoamperes;
    return v;
}

stPeriodicMeasurementValues record(quint32 time, quint32 tanDelta, qint64 nanoamperes = 0)
{
    stPeriodicMeasurementValues p;
    p.timeStamp = time;
    p.tanDelta = tanDelta;
    p.current = nanoamperes;
    return p;
}

// As the test worker announces it: the milliseconds and, restated, minutes and seconds.
stTestTime minutes(quint16 m)
{
    stTestTime t;
    t.milliseconds = quint64(m) * 60000;
    t.minutes = m;
    return t;
}

// "Type value unit hint" per item.
QStringList describe(const QList<FixedValueUnit*>& items)
{
    QStringList out;
    for (const FixedValueUnit* item : items)
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(QMetaEnum::fromType<FixedValueUnit::ValueType>().valueToKey(item->type()), item->value(),
                        item->unit(), item->unitHint())
                   .simplified();
    return out;
}
} // namespace

// The preparation and live view models over a real data model, with the English catalogue.
class TstTestViews : public QObject, public DataModelCase {
    Q_OBJECT
public:
    TstTestViews() : DataModelCase(QStringLiteral(ENGLISH_QM)) {}

private:

    std::unique_ptr<TestMeasurement> live(M::OperatingMode mode)
    {
        dm()->changeOperatingMode(mode);
        auto view = std::make_unique<TestMeasurement>();
        view->onOperationModeChange(mode);
        return view;
    }

private slots:
    void init() { start(); }
    void cleanup() { end(); }
    void statesBecomeNavigationSignals_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<S>("from");
        QTest::addColumn<S>("to");
        QTest::addColumn<QString>("expected");
        const int sin = M::VLFSin;
        QTest::newRow("idle from hv-on wait") << sin << S::WaitConfirmOn << S::Idle << "hvSignalTimeout";
        QTest::newRow("idle from finished") << sin << S::TestFinished << S::Idle << "testFinished";
        QTest::newRow("idle from start-up") << sin << S::Starting << S::Idle << "";
        QTest::newRow("start-up from finished") << sin << S::TestFinished << S::Starting << "testFinished";
        QTest::newRow("idle from finalizing") << sin << S::TestFinalizing << S::Idle << "";
        QTest::newRow("init") << sin << S::Idle << S::InitTest << "initTest";
        QTest::newRow("confirm on") << sin << S::WaitExtEmergOff << S::WaitConfirmOn << "waitForHvSignal";
        QTest::newRow("hv on") << sin << S::WaitConfirmOn << S::WaitHVOn << "prepareMeasurement";
        QTest::newRow("load detect") << sin << S::WaitHVOn << S::WaitLoadDetect << "waitForLoadDetection";
        for (int sheath : {M::SheathFault, M::SheathTest, M::SheathPinpointing})
            QTest::addRow("load detect, mode %d", sheath) << sheath << S::WaitHVOn << S::WaitLoadDetect << "";
        QTest::newRow("effective") << sin << S::WaitLoadDetect << S::WaitForEffTestParameters
                                   << "waitForEffTestParamerters";
        QTest::newRow("confirmation") << sin << S::WaitForEffTestParameters << S::WaitForConfirmation
                                      << "waitForConfirmation";
        QTest::newRow("ready") << sin << S::WaitForEffTestParameters << S::TestReadyToRun << "testReadyToRun";
        QTest::newRow("running") << sin << S::TestReadyToRun << S::TestRunning << "testStarted";
        QTest::newRow("finalizing from confirmation") << sin << S::WaitForConfirmation << S::TestFinalizing
                                                      << "hvSignalTimeout";
        for (S early : {S::WaitHVOn, S::WaitLoadDetect, S::WaitForEffTestParameters})
            QTest::addRow("finalizing from %d", int(early)) << sin << early << S::TestFinalizing << "testFinished";
        for (S late : {S::TestRunning, S::TestBurning, S::TestSoftStop})
            QTest::addRow("finalizing from %d", int(late)) << sin << late << S::TestFinalizing << "testFinalizing";
        QTest::newRow("finished") << sin << S::TransferringToHistory << S::TestFinished << "";
        QTest::newRow("phase connect") << int(M::TanDelta) << S::TestFinished << S::WaitPhaseConnect
                                       << "waitPhaseConnect";
        for (S other : {S::WaitHVFree, S::WaitExtEmergOff, S::TestBurning, S::HVUnitError, S::Backfeed})
            QTest::addRow("other %d", int(other)) << sin << S::InitTest << other << "";
    }
    void statesBecomeNavigationSignals()
    {
        QFETCH(int, mode);
        QFETCH(S, from);
        QFETCH(S, to);
        QFETCH(QString, expected);
        dm()->changeOperatingMode(M::OperatingMode(mode));
        TestPreparation prep;
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const char* name : kNavigation)
            spies.push_back(std::make_unique<QSignalSpy>(&prep, (QByteArray("2") + name + "()").constData()));
        emit dm()->appStateChanged(from, to);
        QStringList fired;
        for (size_t i = 0; i < spies.size(); ++i)
            for (int n = 0; n < spies[i]->size(); ++n)
                fired << QString::fromLatin1(kNavigation[i]);
        QCOMPARE(fired, expected.isEmpty() ? QStringList() : QStringList{expected});
    }

    void timeoutSeconds()
    {
        TestPreparation prep;
        QSignalSpy changed(&prep, &TestPreparation::timeChanged);
        emit dm()->updateTimeoutTime(999);
        QCOMPARE(prep.time(), 0u);
        emit dm()->updateTimeoutTime(1999);
        emit dm()->updateTimeoutTime(1000);
        QCOMPARE(prep.time(), 1u);
        QCOMPARE(changed.size(), 3);
    }

    void shownTestParameters_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("ramp");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("afterVoltageChange");
        // L1 and L3 selected, 20 kV peak, then 10 kV stated in the voltage type.
        QTest::newRow("sine rms") << int(M::VLFSin) << int(VoltageType_RMS) << 0
                                  << QStringList{"Phase L1 L3", "Voltage 14.1 kV RMS", "TestTime 30 min"}
                                  << "Voltage 10.0 kV RMS";
        QTest::newRow("sine peak") << int(M::VLFSin) << int(VoltageType_PEAK) << 0
                                   << QStringList{"Phase L1 L3", "Voltage 20.0 kV PEAK", "TestTime 30 min"}
                                   << "Voltage 10.0 kV PEAK";
        QTest::newRow("dc manual ramp") << int(M::DC) << int(VoltageType_PEAK) << 1
                                        << QStringList{"Phase L1 L3", "Range 25.0 kV", "Voltage 0.0 kV",
                                                       "TestTime 30 min"}
                                        << "Voltage 10.0 kV";
        // The phase the start measures; the rated voltage is no test voltage.
        QTest::newRow("tan delta") << int(M::TanDelta) << int(VoltageType_RMS) << 0
                                   << QStringList{"Phase L1", "VoltageU0 14.1 kV RMS", "Levels 3",
                                                  "Insulation PE/XLPE"}
                                   << "VoltageU0 14.1 kV RMS";
        QTest::newRow("step test") << int(M::MWTStep) << int(VoltageType_RMS) << 0
                                   << QStringList{"Phase L1", "VoltageU0 14.1 kV RMS", "TestTime 30 min", "Levels 3",
                                                  "Insulation PE/XLPE"}
                                   << "VoltageU0 14.1 kV RMS";
        QTest::newRow("no parameter set") << int(M::None) << int(VoltageType_RMS) << 0 << QStringList() << "";
    }
    void shownTestParameters()
    {
        QFETCH(int, mode);
        QFETCH(int, type);
        QFETCH(int, ramp);
        QFETCH(QStringList, expected);
        QFETCH(QString, afterVoltageChange);
        dm()->changeOperatingMode(M::OperatingMode(mode));
        dm()->setVoltageType(eVoltageType(type));
        dm()->setVoltageRampMode(eVoltageRampMode(ramp));
        dm()->setPhasesToTest(0b101);
        dm()->setMinutesToTest(30);
        dm()->setVoltageSteps(3);
        dm()->setCableInsulation(TanDelta::evaluation::eInsulationType(0));
        dm()->setVoltageRangeToTest(25000000);
        dm()->setVoltageToTest(type == VoltageType_RMS ? 14142136 : 20000000);
        // A restart may come before the last test's data, with its highest target, is cleared.
        dm()->targetVoltageSent(7000000);

        TestPreparation prep;
        QSignalSpy shown(&prep, &TestPreparation::shownTestParametersChanged);
        QSignalSpy prepared(&prep, &TestPreparation::preparationParametersChanged);
        emit dm()->appStateChanged(S::Idle, S::InitTest);
        QCOMPARE(describe(prep.shownTestParameters()), expected);
        QObject owner;
        QCOMPARE(describe(TestPreparation::collectShownParameter(&owner)), expected);
        QCOMPARE(owner.children().size(), expected.size());
        if (mode == M::VLFSin) {
            dm()->setPhasesToTest(0);
            QCOMPARE(describe(TestPreparation::collectShownParameter(&owner)).value(0), QStringLiteral("Phase ---"));
        }

        dm()->setVoltageToTest(10000000);
        QCOMPARE(shown.size(), 2);
        if (mode == M::None) {
            QVERIFY(prep.preparationParameters().isEmpty());
            emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
            QVERIFY(prep.preparationParameters().isEmpty());
            QCOMPARE(prepared.size(), 2);
        } else {
            QVERIFY2(describe(prep.shownTestParameters()).contains(afterVoltageChange),
                     qPrintable(describe(prep.shownTestParameters()).join(QLatin1Char('|'))));
        }
    }

    void loadDetectionAndResultCurrents()
    {
        dm()->changeOperatingMode(M::VLFSin);
        TestPreparation prep;
        emit dm()->appStateChanged(S::Idle, S::InitTest);
        QCOMPARE(describe(prep.preparationParameters()), (QStringList{"Resistance", "Capacitance", "Frequency"}));
        dm()->setResistorLoad(2200000);
        dm()->setCapacitanceLoad(1500);
        dm()->setFrequencyUsed(100);
        emit dm()->appStateChanged(S::WaitForEffTestParameters, S::WaitForConfirmation);
        QCOMPARE(describe(prep.preparationParameters()),
                 (QStringList{"Resistance 2.20 k\u2126", "Capacitance 1.50 \u00b5F", "Frequency 0.10 Hz"}));
        // No sample at all: no current to show.
        emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        QCOMPARE(describe(prep.preparationParameters()).mid(3), (QStringList{"Current ---", "MaxCurrent 0 \u00b5A"}));
        dm()->setMeasurementValues(sample(100, 1234567));
        dm()->setMeasurementValues(sample(200, 45000));
        emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        QCOMPARE(describe(prep.preparationParameters()).mid(3),
                 (QStringList{"Current 45 \u00b5A", "MaxCurrent 1.23 mA"}));

        // Sheath test: no load detection; the leakage of the newest periodic record.
        dm()->changeOperatingMode(M::SheathTest);
        emit dm()->appStateChanged(S::Idle, S::InitTest);
        QSignalSpy prepared(&prep, &TestPreparation::preparationParametersChanged);
        prep.updateLoadDetection();
        QCOMPARE(prepared.size(), 0);
        dm()->setPeriodicMeasurementValues(record(100, 1000000000, 5000));
        dm()->setPeriodicMeasurementValues(record(200, 1000000000, 7000));
        emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        QCOMPARE(describe(prep.preparationParameters()), (QStringList{"MaxCurrent 1.23 mA", "Leakage 7 \u00b5A"}));
        // The iterators let their read lock go: the buffer takes records again.
        dm()->setPeriodicMeasurementValues(record(300, 0));
    }

    void timeBookkeeping_data()
    {
        QTest::addColumn<uint>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("minute") << 65000u << "01:05 min";
        QTest::newRow("seconds truncated") << 59999u << "00:59 min";
        QTest::newRow("hour") << 3600000u << "01:00:00 h";
    }
    void timeBookkeeping()
    {
        QFETCH(uint, ms);
        QFETCH(QString, text);
        // Without a fixed duration the elapsed time shows.
        auto view = live(M::VLFSin);
        emit dm()->updateMeasurementValues(sample(ms));
        QCOMPARE(view->remainingText(), text);

        emit dm()->testTimeChanged(minutes(2));
        QSignalSpy remaining(view.get(), &TestMeasurement::remainingTextChanged);
        QSignalSpy interval(view.get(), &TestMeasurement::updateIntervalChanged);
        emit dm()->updateMeasurementValues(sample(1000, 1234567, 12500000));
        QCOMPARE(view->currentVoltage(), 12.5);
        QCOMPARE(describe(view->measureParameters()), QStringList{"Current 1.23 mA"});
        emit dm()->updateMeasurementValues(sample(1100));
        QCOMPARE(view->remainingText(), QStringLiteral("01:58 min left"));
        QCOMPARE(view->updateInterval(), 100);
        // The same time stamp changes nothing; an earlier one recomputes, keeping the interval.
        emit dm()->updateMeasurementValues(sample(1100));
        QCOMPARE(remaining.size(), 2);
        emit dm()->updateMeasurementValues(sample(900));
        QCOMPARE(view->remainingTime(), 119100u);
        QCOMPARE(view->updateInterval(), 100);
        QCOMPARE(interval.size(), 1);
        QCOMPARE(remaining.size(), 3);
    }

    void tanDeltaStepCounting()
    {
        dm()->changeOperatingMode(M::TanDelta);
        dm()->setVoltageSteps(3);
        dm()->setNumberOfValues(2);
        auto view = live(M::TanDelta);
        QSignalSpy remaining(view.get(), &TestMeasurement::remainingTextChanged);
        QSignalSpy maxVoltage(view.get(), &TestMeasurement::maxVoltageChanged);
        const QVector<unsigned short> factors = dm()->getVoltageFactorList();
        const auto left = [&](int values, int step) {
            return QStringLiteral("%1 value(s) left @ %2 U<sub>0</sub>").arg(values).arg(factors.value(step) / 100.0, 0,
                                                                                        'f', 1);
        };
        emit dm()->updateMeasurementValues(sample(100));
        QCOMPARE(remaining.size(), 0);
        // Values per step in turn, a record without tan delta among them (shown, not counted).
        const QList<quint32> tanDeltas = {1234, 1000000000, 1234, 1234, 1234, 1234, 1234, 1234};
        const QStringList expected = {left(1, 0), left(1, 0), left(2, 1), left(1, 1),
                                      left(2, 2), left(1, 2), left(0, 2), left(0, 2)};
        for (int i = 0; i < tanDeltas.size(); ++i) {
            emit dm()->updatePeriodicMeasurementValues(record(1000 + 100 * quint32(i), tanDeltas.at(i)));
            QCOMPARE(view->remainingText(), expected.at(i));
        }
        QCOMPARE(describe(view->measureParameters()), QStringList{"TanDelta 1"});
        // Every record goes to the charts; the table keeps the ones with a tan delta.
        QCOMPARE(view->measurementData()->table()->rowCount(), tanDeltas.size() - 1);
        QCOMPARE(remaining.size(), tanDeltas.size());
        QCOMPARE(maxVoltage.size(), 2);
    }

    void stepTestWithstandPhaseStartsOnce()
    {
        dm()->changeOperatingMode(M::MWTStep);
        dm()->setVoltageSteps(2);
        dm()->setNumberOfValues(1);
        auto view = live(M::MWTStep);
        emit dm()->testTimeChanged(minutes(1));
        emit dm()->updatePeriodicMeasurementValues(record(10000, 500));
        emit dm()->updatePeriodicMeasurementValues(record(20000, 500));
        const QString mwt =
            QStringLiteral("MWT @ %1 U\u2080 ").arg(dm()->getVoltageFactor(VoltageType_Factor) / 10.0, 0, 'f', 1);
        QCOMPARE(view->remainingText(), mwt + QStringLiteral("01:00 min"));
        // The unit reaches the withstand level and reports the duration it was given: none.
        emit dm()->testTimeChanged(minutes(0));
        // Records without tan delta follow: the countdown runs on.
        emit dm()->updatePeriodicMeasurementValues(record(30000, 1000000000));
        emit dm()->updateMeasurementValues(sample(35000));
        QCOMPARE(view->remainingText(), mwt + QStringLiteral("00:45 min"));
        // A sample stamped before the withstand start counts as the start.
        emit dm()->updateMeasurementValues(sample(19900));
        QCOMPARE(view->remainingText(), mwt + QStringLiteral("01:00 min"));
    }

    void measuredValueItems_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("changes");
        // A periodic record (45 uA, tan delta 1.234e-3), then a sample (1.23 mA).
        QTest::newRow("rect 100 mHz") << int(M::VLFRect) << 100 << QStringList{"Leakage 45 \u00b5A"} << 1;
        QTest::newRow("rect 50 mHz") << int(M::VLFRect) << 50 << QStringList() << 0;
        QTest::newRow("cos-rect") << int(M::VLFCosRect) << 100 << QStringList{"Leakage 45 \u00b5A"} << 1;
        QTest::newRow("sheath") << int(M::SheathTest) << 100 << QStringList{"Leakage 1.23 mA"} << 2;
        QTest::newRow("dc") << int(M::DC) << 0 << QStringList{"Current 1.23 mA"} << 1;
        QTest::newRow("mwt") << int(M::MWTSingle) << 100 << QStringList{"TanDelta 1.234"} << 1;
        QTest::newRow("decay") << int(M::Decay) << 0 << QStringList() << 0;
    }
    void measuredValueItems()
    {
        QFETCH(int, mode);
        QFETCH(int, frequency);
        QFETCH(QStringList, items);
        QFETCH(int, changes);
        dm()->setFrequencyUsed(ulong(frequency));
        dm()->setTanDeltaPrecision(6);
        auto view = live(M::OperatingMode(mode));
        QSignalSpy changed(view.get(), &TestMeasurement::measureParametersChanged);
        emit dm()->updatePeriodicMeasurementValues(record(100, 1234, 45000));
        emit dm()->updateMeasurementValues(sample(100, 1234567));
        QCOMPARE(describe(view->measureParameters()), items);
        QCOMPARE(changed.size(), changes);
        // The same mode again changes nothing.
        QSignalSpy modeChanged(view.get(), &TestMeasurement::modeChanged);
        view->onOperationModeChange(M::OperatingMode(mode));
        QCOMPARE(modeChanged.size(), 0);
        QCOMPARE(changed.size(), changes);
    }

    void targetVoltage_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("peak") << int(VoltageType_PEAK);
        QTest::newRow("rms") << int(VoltageType_RMS);
        QTest::newRow("factor") << int(VoltageType_Factor);
    }
    void targetVoltage()
    {
        QFETCH(int, type);
        dm()->changeOperatingMode(M::VLFSin);
        dm()->setVoltageType(eVoltageType(type));
        dm()->setVoltageFactor(20);
        auto view = live(M::VLFSin);
        QSignalSpy announced(dm(), &DataModell::voltageChanged);
        QVERIFY(!view->setTargetVoltage(2.55)); // only while the test runs
        emit dm()->appStateChanged(S::TestReadyToRun, S::TestRunning);
        // PEAK passes 2,550,000 mV, RMS 1,803,122 mV, Factor 2.0 U0 901,561 mV: 2.55 kV peak each.
        QVERIFY(view->setTargetVoltage(2.55));
        QVERIFY(view->setTargetVoltage(2.55)); // the same again is nothing new
        QCOMPARE(announced.size(), 1);
        QVERIFY2(qAbs(dm()->getVoltageToTest() - 2550000) <= 2, qPrintable(QString::number(dm()->getVoltageToTest())));
        // Beyond the Range set for the ramp, the Range is the target.
        dm()->setVoltageRangeToTest(8000000);
        view->setTargetVoltage(30.0);
        QVERIFY2(qAbs(dm()->getVoltageToTest() - 8000000) <= 2, qPrintable(QString::number(dm()->getVoltageToTest())));
        QCOMPARE(view->target(), 8.0);
        emit dm()->appStateChanged(S::TestRunning, S::TestBurning);
        QVERIFY(!view->setTargetVoltage(9.0));
    }

    void gaugeVoltagesAndTexts()
    {
        QCOMPARE(TestMeasurement::largestVoltage({}, 7.0), 7.0);
        QCOMPARE(TestMeasurement::largestVoltage({1000000, -3000000, 3000000}, 7.0), -3.0);
        auto view = live(M::TanDelta);
        emit dm()->voltageChanged(-7000000);
        const QList<long> steps = dm()->getVoltageStepList();
        QCOMPARE(view->maxVoltage(), *std::max_element(steps.begin(), steps.end()) / 1e6);
        QCOMPARE(view->measurementText(), QStringLiteral("Diagnosis running on phase "));

        // The monitored step test ends above its levels, at 3.0 × U0 of 10 kV.
        QCOMPARE(live(M::MWTStep)->maxVoltage(), 30.0);

        view = live(M::SheathTest);
        dm()->setVoltageRangeToTest(4000000);
        QCOMPARE(view->maxVoltage(), 4.0);
        QCOMPARE(view->voltageRange(), 4.0);
        // Charts rebuilt for a new frequency are announced to the pages holding the old ones.
        QSignalSpy charts(view->measurementData(), &MeasurementData::measurementDataChanged);
        dm()->setFrequencyUsed(dm()->getFrequencyUsed() + 100);
        QCOMPARE(charts.size(), 1);

        view = live(M::DC);
        emit dm()->voltageChanged(-7000000);
        QCOMPARE(view->maxVoltage(), 7.0);
        QCOMPARE(view->measurementText(), QStringLiteral("Test running"));
        emit dm()->testTimeChanged(minutes(1));
        emit dm()->updateMeasurementValues(sample(30000));
        QCOMPARE(view->measurementData()->trace()->currentTime(), 30000u);
        // Only reaching the nominal voltage restarts the DC countdown and the trend.
        QSignalSpy trend(view->measurementData(), &MeasurementData::nominalVoltageReached);
        emit dm()->nominalVoltageReached(false);
        QCOMPARE(trend.size(), 0);
        emit dm()->nominalVoltageReached(true);
        QCOMPARE(trend.size(), 1);
        emit dm()->updateMeasurementValues(sample(40000));
        QCOMPARE(view->remainingText(), QStringLiteral("00:50 min left"));
    }
};

QTEST_GUILESS_MAIN(TstTestViews)
#include "tst_testviews.moc"
