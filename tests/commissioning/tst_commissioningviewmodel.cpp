#include "commissioning/BurnInMachine.h"
#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/DiagnoseManualMachine.h"
#include "commissioning/DiagnoseSinusMachine.h"
#include "commissioning/MachineFactory.h"
#include "commissioning/ManualDiagnosisSetter.h"
#include "commissioning/MaxCapacityLoadMachine.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/RangeSetterView.h"
#include "commissioning/SafetyTestMachine.h"
#include "commissioning/ServiceBitView.h"
#include "commissioning/TanDCalibrationMachine.h"
#include "commissioning/TanDValidationTable.h"
#include "commissioning/TimerScale.h"
#include "commissioning/VoltageWaveformMachine.h"
#include "datamodel/DataModell.h"
#include "fakes/CommissioningRig.h"
#include "fakes/DataModelFixture.h"
#include "uiapi/SafetyCircuitView.h"

#include <QAbstractItemModelTester>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace Commissioning;

namespace {
// Notes the thread a signal was emitted on.
class ThreadProbe : public QObject {
    Q_OBJECT
public:
    QList<QThread*> threads;
public slots:
    void hit() { threads << QThread::currentThread(); }
};

template <typename T>
QList<T*> items(QQmlListProperty<T> list)
{
    QList<T*> out;
    for (int i = 0; i < list.count(&list); ++i)
        out << list.at(&list, i);
    return out;
}

QStringList namesOf(const QList<ServiceBitView*>& views)
{
    QStringList names;
    for (ServiceBitView* v : views)
        names << v->name();
    return names;
}

struct Relay {
    const char* name;
    std::function<void(const MachineBundle&)> emitOnMachine;
    const char* signal; // of the view model
    QVariantList expected;
};

const QList<Relay>& relays()
{
    static const QList<Relay> table {
        { "output measurement", [](auto& b) { emit b.outputCalibration->measurementUpdate(-37000, 12); },
          SIGNAL(measurementUpdate(double, double)), { -37000.0, 12.0 } },
        { "output stage", [](auto& b) { emit b.outputCalibration->machineEvent(Step3); },
          SIGNAL(outputMachineEvent(Commissioning::OutputCalibrationStage)), { QVariant::fromValue(Step3) } },
        { "output reading", [](auto& b) { emit b.outputCalibration->outputReading(OutputLost); },
          SIGNAL(outputReading(Commissioning::OutputReading)), { QVariant::fromValue(OutputLost) } },
        { "gains truncated", [](auto& b) { emit b.outputCalibration->calibrationUpdate(10054.9, 9999.99); },
          SIGNAL(calibrationUpdate(int, int)), { 10054, 9999 } },
        { "output error", [](auto& b) { emit b.outputCalibration->errorMessage(QStringLiteral("o")); },
          SIGNAL(errorDescription(QString)), { QStringLiteral("o") } },
        { "cascade stage", [](auto& b) { emit b.cascadeCalibration->cascadeMachineEvent(ConfirmN6); },
          SIGNAL(cascadeMachineEvent(Commissioning::CascadeCalibrationStage)), { QVariant::fromValue(ConfirmN6) } },
        { "cascade values", [](auto& b) { emit b.cascadeCalibration->cascadeUpdate(1.5, -2.5, 3, 4); },
          SIGNAL(cascadeUpdate(double, double, double, double)), { 1.5, -2.5, 3.0, 4.0 } },
        { "cascade error", [](auto& b) { emit b.cascadeCalibration->cascadeCalibrationError(QStringLiteral("c")); },
          SIGNAL(errorDescription(QString)), { QStringLiteral("c") } },
        { "waveform values", [](auto& b) { emit b.voltageWaveform->measurementUpdate(20.5, 1.25, 300); },
          SIGNAL(timedMeasurementUpdate(double, double, int)), { 20.5, 1.25, 300 } },
        { "safety stage", [](auto& b) { emit b.safetyTest->enteredState(SafetyTestIdle); },
          SIGNAL(enteredSafetyStage(Commissioning::SafetyTestStage)), { QVariant::fromValue(SafetyTestIdle) } },
        { "power stage", [](auto& b) { emit b.cascadePower->enteredStage(CascadePowerTest); },
          SIGNAL(enteredCascadePowerStage(Commissioning::CascadePowerStage)), { QVariant::fromValue(CascadePowerTest) } },
        { "power error", [](auto& b) { emit b.cascadePower->error(QStringLiteral("p")); },
          SIGNAL(errorDescription(QString)), { QStringLiteral("p") } },
        { "waveform stage", [](auto& b) { emit b.voltageWaveform->enteredState(WaveformCheckIdle); },
          SIGNAL(enteredWaveformState(Commissioning::WaveformCheckStage)), { QVariant::fromValue(WaveformCheckIdle) } },
        { "burn-in stage", [](auto& b) { emit b.burnIn->enteredStage(BurnInIdle); },
          SIGNAL(enteredBurinInStage(Commissioning::BurnInStage)), { QVariant::fromValue(BurnInIdle) } },
        { "manual stage", [](auto& b) { emit b.diagnoseManual->enteredStage(DiagnoseManualIdle); },
          SIGNAL(enteredDiagnoseManualStage(Commissioning::DiagnoseManualStage)), { QVariant::fromValue(DiagnoseManualIdle) } },
        { "manual values", [](auto& b) { emit b.diagnoseManual->measurementUpdate(-7, 8); },
          SIGNAL(measurementUpdate(double, double)), { -7.0, 8.0 } },
        { "tan delta result", [](auto& b) { emit b.tanDCalibration->calibrationResults({ 1.5, 0.5, 2.5, -0.5 }); },
          SIGNAL(tanDCalibrationResult(Commissioning::TanDCalibrationValues)),
          { QVariant::fromValue(TanDCalibrationValues { 1.5, 0.5, 2.5, -0.5 }) } },
        { "burn-in values", [](auto& b) { emit b.burnIn->measurementUpdate(1, 2, 3); },
          SIGNAL(timedMeasurementUpdate(double, double, int)), { 1.0, 2.0, 3 } },
        { "sine values", [](auto& b) { emit b.diagnoseSinus->measurementUpdate(5, -6); },
          SIGNAL(measurementUpdate(double, double)), { 5.0, -6.0 } },
        { "sine stage", [](auto& b) { emit b.diagnoseSinus->enteredStage(DiagnoseSinusSinus); },
          SIGNAL(enteredDiagnoseSinusStage(Commissioning::DiagnoseSinusStage)), { QVariant::fromValue(DiagnoseSinusSinus) } },
        { "manual cascade", [](auto& b) { emit b.diagnoseManual->cascadeUpdate(1, 2, 3, 4); },
          SIGNAL(cascadeUpdate(double, double, double, double)), { 1.0, 2.0, 3.0, 4.0 } },
        { "load stage", [](auto& b) { emit b.maxCapacityLoad->enteredStage(CommissioningIdle); },
          SIGNAL(maxCapcityLoadStage(Commissioning::CommissioningStage)), { QVariant::fromValue(CommissioningIdle) } },
        { "tan delta periodic", [](auto& b) { emit b.tanDCalibration->periodicUpdate(PeriodicValues { 7, 8, 9 }); },
          SIGNAL(periodicUpdate(Commissioning::PeriodicValues)), { QVariant::fromValue(PeriodicValues { 7, 8, 9 }) } },
        { "tan delta stage", [](auto& b) { emit b.tanDCalibration->enteredStage(TanDCalibrationSecondStepTest); },
          SIGNAL(tanDCalibrationStage(Commissioning::TanDCalibrationStage)),
          { QVariant::fromValue(TanDCalibrationSecondStepTest) } },
    };
    return table;
}
} // namespace

// The view model over the program's machines on the HV link's thread, against the
// simulated unit; and its views, rows and table on their own.
class TstCommissioningViewModel : public QObject {
    Q_OBJECT

    DataModelFixture fixture;
    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    std::unique_ptr<CommissioningViewModel> vm;

private slots:
    void initTestCase()
    {
        QVERIFY(fixture.isValid());
        setTimerScale(0.1);
        QMetaType::registerEqualsComparator<PeriodicValues>();
        QMetaType::registerEqualsComparator<TanDCalibrationValues>();
        QVERIFY(rig.start());
        vm = std::make_unique<CommissioningViewModel>(nullptr);
        vm->takeCalibrationMachinesFactory(makeMachineFactory(rig.pof, rig.safety.get()));
        vm->createMachines();
        QVERIFY(vm->machines().tanDCalibration);
        // Before any report.
        QCOMPARE(vm->powerTemperatures(), QStringList());
        QCOMPARE(vm->tanDCalibration(), (TanDCalibrationValues { 1.0, 0.0, 1.0, 0.0 }));
    }
    void cleanupTestCase()
    {
        vm.reset();
        rig.stop();
    }

    // Posted commands: from here they run on the link's thread; from that thread before
    // the call returns. The answer (this version's error) comes back on this thread.
    void postedCommandsRunOnTheMachinesThread_data()
    {
        QTest::addColumn<int>("row");
        const char* names[] = { "safety", "waveform", "burn-in", "sine", "manual", "load", "tan delta" };
        for (int i = 0; i < 7; ++i)
            QTest::newRow(names[i]) << i;
    }
    void postedCommandsRunOnTheMachinesThread()
    {
        QFETCH(int, row);
        const MachineBundle& b = vm->machines();
        const std::pair<QObject*, const char*> answers[] = {
            { b.safetyTest.get(), SIGNAL(errorDescription(QString)) },
            { b.voltageWaveform.get(), SIGNAL(errorDescription(QString)) },
            { b.burnIn.get(), SIGNAL(error(QString)) },
            { b.diagnoseSinus.get(), SIGNAL(errorMessage(QString)) },
            { b.diagnoseManual.get(), SIGNAL(errorMessage(QString)) },
            { b.maxCapacityLoad.get(), SIGNAL(errorMessage(QString)) },
            { b.tanDCalibration.get(), SIGNAL(errorMessage(QString)) },
        };
        const std::function<void()> start[] = {
            [this] { vm->startSafetyCircuits(); },      [this] { vm->startWaveformTest(); },
            [this] { vm->startBurnIn(); },              [this] { vm->startDiagnoseSinus(); },
            [this] { vm->controlManualDiagnosis(Start); }, [this] { vm->controlMaxCapacityLoad(Start); },
            [this] { vm->controlTanDCalibration(Start); },
        };
        ThreadProbe atMachine, atViewModel;
        QVERIFY(connect(answers[row].first, answers[row].second, &atMachine, SLOT(hit()), Qt::DirectConnection));
        QVERIFY(connect(vm.get(), SIGNAL(errorDescription(QString)), &atViewModel, SLOT(hit()), Qt::DirectConnection));
        QSignalSpy errors(vm.get(), &CommissioningViewModel::errorDescription);

        start[row]();
        QTRY_COMPARE(errors.size(), 1);
        QCOMPARE(errors.first().first().toString(), QStringLiteral("Diese Prozedur ist in dieser Softwareversion nicht verfügbar."));
        QCOMPARE(atMachine.threads, QList<QThread*>({ &rig.thread }));
        QCOMPARE(atViewModel.threads, QList<QThread*>({ thread() }));

        QCOMPARE(rig.onLink([&] {
            start[row]();
            return atMachine.threads.size();
        }), 2);
        QTRY_COMPARE(errors.size(), 2);
    }

    void relaysArriveOnThisThreadWithTheViewModelsTypes_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < relays().size(); ++i)
            QTest::newRow(relays()[i].name) << i;
    }
    void relaysArriveOnThisThreadWithTheViewModelsTypes()
    {
        QFETCH(int, row);
        const Relay& relay = relays()[row];
        QSignalSpy spy(vm.get(), relay.signal);
        ThreadProbe probe;
        QVERIFY(connect(vm.get(), relay.signal, &probe, SLOT(hit()), Qt::DirectConnection));
        QVERIFY(rig.onLink([&] {
            relay.emitOnMachine(vm->machines());
            return true;
        }));
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy.first(), relay.expected);
        QCOMPARE(probe.threads, QList<QThread*>({ thread() }));
    }

    // The four reports that change what the view model shows.
    void reportsUpdateTheViewModel()
    {
        QSignalSpy temperatures(vm.get(), &CommissioningViewModel::powerTemperaturesChanged);
        QSignalSpy calibration(vm.get(), &CommissioningViewModel::tanDCalibrationChanged);
        QSignalSpy validation(vm.get(), &CommissioningViewModel::tanDValidationChanged);
        const MachineBundle& b = vm->machines();
        rig.onLink([&] {
            emit b.diagnoseManual->temperatures(TemperatureValues { 1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11 });
            emit b.tanDCalibration->calibrationResults(TanDCalibrationValues { 0.5, 0.25, 2.0, -1.0 });
            emit b.tanDCalibration->validationResult(TanDStepStestResult { TanDCalibrationFirstStepTest, { {}, {} } });
            return true;
        });
        QTRY_COMPARE(validation.size(), 1);
        QCOMPARE(temperatures.size(), 1);
        QCOMPARE(calibration.size(), 1);
        QCOMPARE(vm->powerTemperatures(),
                 QStringList({ QStringLiteral("DSP 9°C, Schalter: positive A 10°C, negative B 11°C"),
                               QStringLiteral("Leistungselektronik:"), QStringLiteral("Umgebung: 3°C, PFC: 4°C"),
                               QStringLiteral("Tiefsetzsteller: positive 1°C, negative -2°C"),
                               QStringLiteral("Wechselrichter: positive 7°C, negative 8°C"),
                               QStringLiteral("TP1: 5°C, TP2: 6°C") }));
        QCOMPARE(vm->tanDCalibration(), (TanDCalibrationValues { 0.5, 0.25, 2.0, -1.0 }));
        QCOMPARE(vm->tanDValidation()->rowCount(), 2);
    }

    // A run through the view model: the readings it hands on make the gain; an abort
    // gives the old gains back.
    void outputCalibrationThroughTheViewModel()
    {
        unit.setRampMs(0);
        unit.setGains(9870, 10120);
        QSignalSpy stages(vm.get(), &CommissioningViewModel::outputMachineEvent);
        QSignalSpy gains(vm.get(), &CommissioningViewModel::calibrationUpdate);
        QSignalSpy readings(vm.get(), &CommissioningViewModel::outputReading);
        // As the page offers Confirm: once the step's output stood at its level.
        auto confirmWith = [&](double kilovolts) {
            QTRY_VERIFY_WITH_TIMEOUT(!readings.isEmpty() && readings.last().first().value<OutputReading>() == OutputSettled, 5000);
            readings.clear();
            vm->setCalibrationVoltage(kilovolts);
            vm->confirmCalibrationStep();
        };
        auto reached = [&stages](OutputCalibrationStage s) {
            return !stages.isEmpty() && stages.last().first().value<OutputCalibrationStage>() == s;
        };
        fixture.dm()->setCommissioningConfig({ 0 });
        OutputCalibrationMachine* machine = vm->machines().outputCalibration.get();
        // Always queued, from the machine's own thread too.
        QVERIFY(rig.onLink([&] {
            auto* before = machine->current();
            vm->startOutputCalibration();
            return machine->current() == before;
        }));
        QCOMPARE(fixture.dm()->commissioningConfig().type, 2);
        QTRY_VERIFY_WITH_TIMEOUT(reached(OutputCalibrationWaitForGreen), 8000);
        unit.pressHvOn();
        QTRY_VERIFY_WITH_TIMEOUT(reached(Step1), 8000);
        confirmWith(-37.2);
        QTRY_VERIFY_WITH_TIMEOUT(reached(Step2), 8000);
        confirmWith(37.2);
        QTRY_VERIFY_WITH_TIMEOUT(reached(Step3), 8000);
        QCOMPARE(gains.size(), 1);
        QCOMPARE(gains.first(), QVariantList({ 10054, 10120 }));
        QCOMPARE(unit.gainU(), 10054);
        vm->abortOutputCalibration();
        QTRY_VERIFY_WITH_TIMEOUT(reached(Done), 8000);
        QTRY_COMPARE_WITH_TIMEOUT(unit.gainU(), 9870, 8000);
        QTRY_VERIFY(!rig.hvEnable());
    }

    // The safety views follow the safety test machine that is there now.
    void safetyViewsFollowNewMachines()
    {
        const QList<SafetyCircuitView*> views = items(vm->safetyCircuitViews());
        QCOMPARE(views.size(), 10);
        QCOMPARE(views[9]->name(), QStringLiteral("HV-ON"));
        MachineBundle old = vm->machines();
        vm->createMachines();
        QCOMPARE(items(vm->safetyCircuitViews()), views);
        rig.onLink([&] {
            emit vm->machines().safetyTest->safetyState(std::bitset<10>(0x200));
            return true;
        });
        QTRY_VERIFY(views[9]->closed());
        rig.onLink([&] {
            emit old.safetyTest->safetyState(std::bitset<10>(0x3ff));
            return true;
        });
        QTest::qWait(100);
        QVERIFY(!views[0]->closed());
    }

    // QML may edit the lists as well; the rows list announces each edit, and an item taken
    // out lives on while QML may still hold it.
    void listsTakeQmlEdits()
    {
        auto safety = vm->safetyCircuitViews();
        auto bits = vm->serviceBitViews();
        QVERIFY(safety.append && bits.append);
        QVERIFY(safety.clear && safety.replace && safety.removeLast && bits.clear && bits.replace && bits.removeLast);

        auto rows = vm->manualDiagnosisParameters();
        QSignalSpy changed(vm.get(), &CommissioningViewModel::manualDiagnosisParametersChanged);
        CascadeSetting other;
        QPointer<RangeSetterView> first = items(rows).first();
        auto* added = new ManualDiagnosisSetter(QStringLiteral("extra"), vm.get(), &CascadeSetting::pwmA, &other);
        rows.append(&rows, added);
        rows.replace(&rows, 0, new ManualDiagnosisSetter(QStringLiteral("new"), vm.get(), &CascadeSetting::pwmB, &other));
        QCOMPARE(rows.count(&rows), 4);
        QCOMPARE(rows.at(&rows, 0)->name(), QStringLiteral("new"));
        QCOMPARE(rows.at(&rows, 3), added);
        rows.removeLast(&rows);
        QCOMPARE(rows.count(&rows), 3);
        rows.clear(&rows);
        QCOMPARE(rows.count(&rows), 0);
        QCOMPARE(changed.size(), 4);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first); // retired, not deleted
    }

    void serviceBitViews()
    {
        vm->createMachines();
        auto settings = vm->machines().diagnoseSinus->settingsHandler();
        settings->takeServiceBits(0);
        QList<ServiceBitView*> first = items(vm->serviceBitViews());
        QCOMPARE(namesOf(first), QStringList({ "LoadDetection", "OvervoltageDetection", "OvercurrentDetection",
                                               "BreakdownDetection", "CTolDetection" }));
        for (ServiceBitView* v : first)
            QVERIFY(v->isSet());
        QSignalSpy changed(first[3], &ServiceBitView::setChanged);
        first[3]->set(false);
        QCOMPARE(settings->serviceBits(), 4ull);
        QCOMPARE(changed.size(), 1);
        first[3]->set(false);
        first[0]->set(true);
        QCOMPARE(settings->serviceBits(), 4ull);
        QCOMPARE(changed.size(), 1);

        QPointer<ServiceBitView> held = first[0];
        const QList<ServiceBitView*> second = items(vm->serviceBitViews());
        QVERIFY(held); // QML may still hold it now
        QVERIFY(!second.contains(held.data()));
        QTRY_VERIFY(held.isNull());

        QSignalSpy listChanged(vm.get(), &CommissioningViewModel::serviceBitViewsChanged);
        const MachineBundle& b = vm->machines();
        rig.onLink([&] {
            emit b.diagnoseSinus->enteredStage(DiagnoseSinusWaitForGreen);
            return true;
        });
        QTRY_COMPARE(listChanged.size(), 1);
        QVERIFY(items(vm->serviceBitViews()).isEmpty());
        rig.onLink([&] {
            emit b.diagnoseSinus->enteredStage(DiagnoseSinusSinus);
            return true;
        });
        QTRY_COMPARE(listChanged.size(), 2);
        QCOMPARE(items(vm->serviceBitViews()).size(), 4);
        QVERIFY(!namesOf(items(vm->serviceBitViews())).contains(QStringLiteral("LoadDetection")));
    }

    void sineSettingsHeldToWhatTheUnitTakes_data()
    {
        QTest::addColumn<double>("value"); // Hz and kV
        QTest::addColumn<bool>("known");    // the unit has identified itself: 45 kV, 10 Hz
        QTest::addColumn<quint64>("millihertz");
        QTest::addColumn<quint64>("millivolts");
        QTest::newRow("0.5") << 0.5 << true << quint64(500) << quint64(500000);
        QTest::newRow("4.35") << 4.35 << true << quint64(4350) << quint64(4350000);
        QTest::newRow("negative") << -1.0 << true << quint64(0) << quint64(0);
        QTest::newRow("NaN") << std::nan("") << true << quint64(0) << quint64(0);
        QTest::newRow("1e300") << 1e300 << true << quint64(10000) << quint64(45000000);
        QTest::newRow("between 2^63 and 2^64 when scaled") << 1.2e16 << true << quint64(10000) << quint64(45000000);
        QTest::newRow("unit unknown") << 0.5 << false << quint64(500) << quint64(500000);
        QTest::newRow("unit unknown, 1e300") << 1e300 << false << quint64(1ull << 53) << quint64(1ull << 53);
    }
    void sineSettingsHeldToWhatTheUnitTakes()
    {
        QFETCH(double, value);
        QFETCH(bool, known);
        QFETCH(quint64, millihertz);
        QFETCH(quint64, millivolts);
        stIdentification id;
        id.valid = known;
        id.maxVoltagePeak = 45000000;
        id.maxFrequency = 10000;
        fixture.dm()->setHVIdentification(id);
        auto settings = vm->machines().diagnoseSinus->settingsHandler();
        settings->takeFrequency(1500);
        QCOMPARE(vm->sinusFrequency(), 1.5);
        vm->setSinusFrequency(value);
        QCOMPARE(settings->frequency(), millihertz);
        vm->setSinusVoltage(value);
        QCOMPARE(settings->Voltage(), millivolts);
    }

    void manualRowsHeldToTheirRanges_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("stored");
        QTest::addColumn<double>("shown");
        QTest::newRow("12.3 kV") << 0 << 12.3 << 123 << 12.3;
        QTest::newRow("-0.05 kV") << 0 << -0.05 << 0 << 0.0;
        QTest::newRow("5000 kV") << 0 << 5000.0 << 420 << 42.0;
        QTest::newRow("-5000 kV") << 0 << -5000.0 << -420 << -42.0;
        QTest::newRow("PWM A 57.9") << 1 << 57.9 << 57 << 57.0;
        QTest::newRow("PWM A 5000") << 1 << 5000.0 << 100 << 100.0;
        QTest::newRow("PWM B NaN") << 2 << std::nan("") << 0 << 0.0;
        QTest::newRow("PWM B -3") << 2 << -3.0 << 0 << 0.0;
    }
    void manualRowsHeldToTheirRanges()
    {
        QFETCH(int, row);
        QFETCH(double, value);
        QFETCH(int, stored);
        QFETCH(double, shown);
        const QList<RangeSetterView*> rows = items(vm->manualDiagnosisParameters());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(items(vm->manualDiagnosisParameters()), rows);
        QCOMPARE(rows[0]->name(), QStringLiteral("Kaskaden-\nspannung"));
        QSignalSpy confirmable(vm.get(), &CommissioningViewModel::manualParameterConfirmable);
        QSignalSpy valueChanged(rows[row], &RangeSetterView::valueChanged);
        rows[row]->setValue(value);
        QCOMPARE(confirmable.size(), 1);
        QCOMPARE(valueChanged.size(), 0);
        QCOMPARE(rows[row]->value(), shown);
        vm->sendCascadeParameters();
        const CascadeSetting sent = vm->machines().diagnoseManual->cascadeSetting();
        QCOMPARE(int(row == 0 ? sent.voltage : row == 1 ? sent.pwmA : sent.pwmB), stored);
    }

    void validationTable()
    {
        TanDValidationTable table;
        QAbstractItemModelTester tester(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&table, &QAbstractItemModel::modelReset);
        QCOMPARE(table.rowCount(), 0);
        auto step = [](qulonglong kV, bool good) { return ValidationResult { kV * 1000000, kV, kV, good }; };
        table.result({ TanDCalibrationFirstStepTest, { step(1, true), step(2, false) } });
        table.result({ TanDCalibrationSecondStepTest, { step(3, true), step(4, true), step(5, false) } });
        QCOMPARE(table.rowCount(), 5);
        QCOMPARE(resets.size(), 2);
        QCOMPARE(table.index(1, 0).data().toString(), QStringLiteral("2.0 kV"));
        QCOMPARE(table.index(2, 0).data().toString(), QStringLiteral("3.0 kV"));
        table.result({ TanDCalibrationSecondStepTest, { step(6, true) } });
        QCOMPARE(table.rowCount(), 3);
        table.result({ TanDCalibrationThirdStepTest, { ValidationResult { 12000000, 1234, 56, true } } });
        QCOMPARE(table.rowCount(), 3);
        QCOMPARE(table.index(2, 0).data().toString(), QStringLiteral("12.0 kV"));
        QCOMPARE(table.index(2, 1).data().toString(), QStringLiteral("1.23 10^-3"));
        QCOMPARE(table.index(2, 2).data().toString(), QStringLiteral("0.056 10^-3"));
        QCOMPARE(table.index(2, 0).data(TanDValidationTable::SuccessRole), QVariant(true));
        QCOMPARE(table.index(1, 2).data(TanDValidationTable::SuccessRole), QVariant(false));
        QCOMPARE(table.roleNames().value(TanDValidationTable::SuccessRole), QByteArray("success"));
        QCOMPARE(table.headers(), QStringList({ "Spannung", "TanD", "σ" }));
        QVERIFY(!table.index(3, 0).data().isValid());
    }
};

QTEST_MAIN(TstCommissioningViewModel)
#include "tst_commissioningviewmodel.moc"
