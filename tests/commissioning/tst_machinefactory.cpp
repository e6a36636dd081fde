#include "app/Application.h"
#include "commissioning/BurnInMachine.h"
#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/CommissioningHVSubscriber.h"
#include "commissioning/CommissioningSafetyReceiver.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/DiagnoseManualMachine.h"
#include "commissioning/DiagnoseSinusMachine.h"
#include "commissioning/MaxCapacityLoadMachine.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/SafetyTestMachine.h"
#include "commissioning/TanDCalibrationMachine.h"
#include "commissioning/VoltageWaveformMachine.h"
#include "datamodel/DataModell.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/SafetyLines.h"
#include "fakes/SimulatedSurroundings.h"
#include "gui/Gui.h"
#include "fakes/RecordingMachine.h"
#include "fakes/TempRoot.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "hvunit/TPOF.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <cstdio>

using namespace Commissioning;

namespace {


// The window host as the commissioning view model will use it: it holds a bundle until
// it is deleted.
class HoldingGui : public Gui {
public:
    MachineBundle held;
};

QList<QObject*> machinesOf(const MachineBundle& b)
{
    return { b.outputCalibration.get(), b.cascadeCalibration.get(), b.voltageWaveform.get(), b.safetyTest.get(),
             b.cascadePower.get(),      b.burnIn.get(),             b.diagnoseSinus.get(),   b.diagnoseManual.get(),
             b.maxCapacityLoad.get(),   b.tanDCalibration.get() };
}
} // namespace

// The machine factory as the program builds it: machines on the HV link's thread, fed
// by the program's safety poll and HV-state poll.
class TstMachineFactory : public QObject {
    Q_OBJECT
public:
    TstMachineFactory(Application* app, FakeGpioTree* gpio, HvUnitModel* unit) : m_app(app), m_gpio(gpio), m_unit(unit) {}

private slots:
    void initTestCase()
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_app->dataModel()->getAppState(), States::Idle, 30000);
    }

    void machinesLiveOnTheLinkThread()
    {
        QVERIFY(m_app->machineFactory());
        MachineBundle bundle = m_app->machineFactory()();
        QThread* link = m_app->hvLink()->thread();
        QCOMPARE(link->objectName(), QStringLiteral("POFThread"));
        for (QObject* machine : machinesOf(bundle)) {
            QVERIFY(machine);
            QCOMPARE(machine->thread(), link);
            for (QObject* child : machine->findChildren<QObject*>())
                QCOMPARE(child->thread(), link);
        }
        // The settings the page edits stay with the page.
        QCOMPARE(bundle.diagnoseSinus->settingsHandler()->thread(), m_app->thread());

        // A command from this thread runs later, on the link's thread; its answer comes back queued.
        QSignalSpy errors(bundle.maxCapacityLoad.get(), &MaxCapacityLoadMachine::errorMessage);
        bundle.maxCapacityLoad->receiveEvent(Start);
        QTRY_COMPARE(errors.size(), 1);

        QPointer<QObject> watch = bundle.safetyTest.get();
        bundle = MachineBundle();
        QTRY_VERIFY(watch.isNull());
    }

    // The window's view model got the factory: switching commissioning on builds the ten
    // machines on the link's thread, switching it off lets them go.
    void commissioningSwitchBuildsTheWindowsMachines()
    {
        GuiViewModel* vm = static_cast<Gui*>(m_app->gui())->viewModel();
        QVERIFY(!vm->commissioningEnabled());
        QVERIFY(!vm->commissioning()->machines().outputCalibration);
        vm->enableCommissioning(true);
        const QList<QObject*> machines = machinesOf(vm->commissioning()->machines());
        QCOMPARE(machines.size(), 10);
        QList<QPointer<QObject>> watched;
        for (QObject* machine : machines) {
            QVERIFY(machine);
            QCOMPARE(machine->thread()->objectName(), QStringLiteral("POFThread"));
            watched << machine;
        }
        vm->enableCommissioning(false);
        for (const QPointer<QObject>& machine : watched)
            QTRY_VERIFY(machine.isNull());
    }

    void adaptersReceiveTheProgramsStates()
    {
        TPOF* pof = m_app->hvLink();
        auto* machine = new RecordingMachine;
        machine->moveToThread(pof->thread());

        auto previous = m_app->safetyCircuit()->setReceiver(
            std::make_unique<CommissioningSafetyReceiver<RecordingMachine>>(
                machine, &RecordingMachine::receiveEvent<std::bitset<10>>));
        QMetaObject::invokeMethod(
            pof,
            [pof, machine] {
                pof->setHVSub(std::make_unique<CommissioningHVSubscriber<RecordingMachine>>(
                    machine, &RecordingMachine::receiveEvent<stHVUnitState>, 0));
            },
            Qt::BlockingQueuedConnection);

        // The HV-state poll runs by itself in Idle.
        QTRY_VERIFY_WITH_TIMEOUT(!machine->states().empty(), 3000);
        // Opening input 3 reaches the machine through the safety poll.
        QVERIFY(m_gpio->setLine(safetyLineOfBit(3), false));
        QTRY_VERIFY_WITH_TIMEOUT(!machine->bits().empty() && !machine->bits().back().test(3), 3000);
        for (QThread* t : machine->threads())
            QCOMPARE(t, pof->thread());

        QVERIFY(m_gpio->setLine(safetyLineOfBit(3), true));
        QTRY_VERIFY(m_app->safetyCircuit()->currentState().all());
        QMetaObject::invokeMethod(pof, [pof] { pof->resetHVSub(); }, Qt::BlockingQueuedConnection);
        m_app->safetyCircuit()->setReceiver(std::move(previous));
        QMetaObject::invokeMethod(machine, [machine] { delete machine; }, Qt::BlockingQueuedConnection);
    }

    // A procedure holds the HV-enable line in Idle: the frame's test-boost rule may take
    // it away but never gives it back.
    void testBoostReportsDuringAProcedure()
    {
        DataModell* dm = m_app->dataModel();
        MachineBundle bundle = m_app->machineFactory()();
        OutputCalibrationMachine* machine = bundle.outputCalibration.get();
        QList<OutputCalibrationStage> stages;
        connect(machine, &OutputCalibrationMachine::machineEvent, this,
                [&stages](OutputCalibrationStage s) { stages << s; });
        machine->queueEvent(OutputCalibrationMachine::Event(Start));
        QTRY_VERIFY_WITH_TIMEOUT(stages.contains(OutputCalibrationWaitForGreen), 8000);
        QCOMPARE(m_gpio->lastWritten(HVEnableLine), '1');
        QVERIFY(m_app->safetyCircuit()->commissioningHoldsHvEnable());

        dm->setTestBoostState(stTBState { 2, 0x6 }, true); // ground and F-Ohm
        QTest::qWait(300);
        QCOMPARE(m_gpio->lastWritten(HVEnableLine), '1');
        dm->setTestBoostState(stTBState { 2, 0x2 }, true); // ground lost
        QTRY_COMPARE(m_gpio->lastWritten(HVEnableLine), '0');
        dm->setTestBoostState(stTBState { 0, 0 }, true);
        QTest::qWait(300);
        QCOMPARE(m_gpio->lastWritten(HVEnableLine), '0');

        machine->queueEvent(OutputCalibrationMachine::Event(Abort));
        QTRY_VERIFY_WITH_TIMEOUT(!stages.isEmpty() && stages.last() == Done, 8000);
        QTRY_VERIFY(!m_app->safetyCircuit()->commissioningHoldsHvEnable());
        QCOMPARE(m_gpio->lastWritten(HVEnableLine), '0');
    }

    // Last: the program ends while the window's procedure runs its DC step (main checks).
    void programEndsDuringAProcedure()
    {
        // The last run's restore, on the link's thread, is over before the unit gets other gains.
        QMetaObject::invokeMethod(m_app->hvLink(), [] {}, Qt::BlockingQueuedConnection);
        m_unit->setGains(9870, 10120);
        m_unit->setRampMs(0);
        auto* gui = static_cast<HoldingGui*>(m_app->gui());
        gui->held = m_app->machineFactory()();
        OutputCalibrationMachine* machine = gui->held.outputCalibration.get();
        QList<OutputCalibrationStage> stages;
        QObject receiver;
        connect(machine, &OutputCalibrationMachine::machineEvent, &receiver, [&stages](OutputCalibrationStage s) { stages << s; });
        machine->queueEvent(OutputCalibrationMachine::Event(Start));
        QTRY_VERIFY_WITH_TIMEOUT(stages.contains(OutputCalibrationWaitForGreen), 8000);
        m_unit->pressHvOn();
        QTRY_VERIFY_WITH_TIMEOUT(stages.contains(Step1), 8000);
        QVERIFY(m_unit->outputOn());
        QCOMPARE(m_gpio->lastWritten(HVEnableLine), '1');
    }

private:
    Application* m_app;
    FakeGpioTree* m_gpio;
    HvUnitModel* m_unit;
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("CONSOLE_LOGGING");
    SimulatedSurroundings around;
    FakeGpioTree& gpio = around.gpio;
    HvUnitSimulator& sim = around.sim;
    if (!around.start(false))
        return 1;
    int rc = 0;
    {
        Application app(argc, argv, [] { return std::make_unique<HoldingGui>(); });
        TstMachineFactory tests(&app, &gpio, &sim.model());
        rc = QTest::qExec(&tests, argc, argv);
    }
    // The run the window held ended with the program: line low, output stopped, the old
    // gains back (and, in the sanitizer build, no use of anything freed on the way).
    int failures = 0;
    auto check = [&failures](bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "FAIL! shutdown: %s\n", what);
            ++failures;
        }
    };
    check(gpio.lastWritten(HVEnableLine) == '0', "HV enable left on");
    check(!sim.model().outputOn(), "output left running");
    check(sim.model().gainU() == 9870 && sim.model().gainI() == 10120, "gains not restored");
    sim.stop();
    return rc != 0 ? rc : (failures ? 1 : 0);
}

#include "tst_machinefactory.moc"
