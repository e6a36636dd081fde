#include "commissioning/InputTakeover.h"
#include "commissioning/MachineFactory.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "fakes/CommissioningRig.h"

#include <QtTest>

#include <stdexcept>

using namespace Commissioning;
using E = OutputCalibrationMachine::Event;

namespace {
enum Fault { OpenInput, CutLink, Release, AbortRun, Throw, SecondProcedure };
enum Moment { Started, InHvOnWait, WaitingForHvOn, InStep1, InStep3 };

// One output calibration made by the program's factory, with what reached its page.
struct Run {
    MachineBundle bundle;
    OutputCalibrationMachine* machine = nullptr;
    QList<OutputCalibrationStage> stages;
    QStringList errors;
    QObject receiver; // last: goes first, with the signals still queued to it
};
} // namespace

// Whatever ends a run, and wherever: the HV-enable line, the output and the unit's gains
// are left as they were before it, and the data model gets its inputs back.
class TestCommissioningSafety : public QObject {
    Q_OBJECT

    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    static constexpr quint16 kOldU = 9870, kOldI = 10120;

    std::unique_ptr<Run> makeRun()
    {
        auto run = std::make_unique<Run>();
        run->bundle = makeMachineFactory(rig.pof, rig.safety.get())();
        run->machine = run->bundle.outputCalibration.get();
        Run* r = run.get();
        connect(r->machine, &OutputCalibrationMachine::machineEvent, &r->receiver,
                [r](OutputCalibrationStage s) { r->stages << s; });
        connect(r->machine, &OutputCalibrationMachine::errorMessage, &r->receiver, [r](const QString& e) { r->errors << e; });
        return run;
    }

    static void send(Run& run, UserEvent event) { run.machine->queueEvent(E(event)); }

    // False once the run has ended with an error instead.
    static bool reach(Run& run, OutputCalibrationStage stage)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 8000) {
            if (run.stages.contains(stage))
                return true;
            if (run.stages.contains(Error))
                return false;
            QTest::qWait(10);
        }
        qWarning() << "stages seen:" << run.stages;
        return false;
    }

    // Drives the run to the moment; false when it ended before.
    bool driveTo(Run& run, Moment moment)
    {
        send(run, Start);
        if (moment == Started)
            return true;
        if (moment == InHvOnWait) {
            // The line goes on 50 ms before the stage is told: act in between.
            QElapsedTimer clock;
            clock.start();
            while (!rig.hvEnable() && clock.elapsed() < 8000)
                QThread::usleep(200);
            return rig.hvEnable();
        }
        if (!reach(run, OutputCalibrationWaitForGreen))
            return false;
        if (moment == WaitingForHvOn)
            return true;
        unit.pressHvOn();
        if (!reach(run, Step1))
            return false;
        if (moment == InStep1)
            return true;
        run.machine->receiveVoltage(-37.5);
        send(run, Confirm);
        if (!reach(run, Step2))
            return false;
        run.machine->receiveVoltage(37.5);
        send(run, Confirm);
        return reach(run, Step3);
    }

    // The unit and the circuit as before the run, the data model served again.
    void checkLeftSafe()
    {
        QTRY_COMPARE_WITH_TIMEOUT(rig.tree.lastWritten(HVEnableLine), '0', 8000);
        QVERIFY(!rig.safety->commissioningHoldsHvEnable());
        QTRY_VERIFY(!unit.outputOn());
        QTRY_COMPARE_WITH_TIMEOUT(unit.gainU(), kOldU, 10000);
        QCOMPARE(unit.gainI(), kOldI);

        const int safetyBefore = rig.dataModelSafetyStates;
        QTRY_VERIFY(rig.dataModelSafetyStates > safetyBefore);
        std::shared_ptr<HFStateSubscriber> installed;
        QTRY_VERIFY((installed = rig.pof->sub(), dynamic_cast<FakeHVData*>(installed.get())));
        auto* dataModel = static_cast<FakeHVData*>(installed.get());
        const int hvBefore = dataModel->stateUpdates();
        QTRY_VERIFY(dataModel->stateUpdates() > hvBefore);
    }

private slots:
    void initTestCase() { QVERIFY(rig.start()); }
    void cleanupTestCase() { rig.stop(); }

    void init()
    {
        rig.sim.clearFault();
        for (int bit = 0; bit < 10; ++bit)
            rig.tree.setLine(safetyLineOfBit(bit), true);
        QTRY_VERIFY(rig.safety->currentState().all());
        unit.reset();
        unit.setRampMs(0);
        unit.setGains(kOldU, kOldI);
        unit.clearCommandLog();
    }

    void faultEndsTheRunSafely_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("moment");
        QTest::addColumn<int>("input");     // OpenInput: which one
        QTest::addColumn<QByteArray>("point"); // Throw: where
        QTest::addColumn<QStringList>("errors"); // told to the operator, in order
        const QString internal = QStringLiteral("Die Prozedur wurde nach einem internen Fehler abgebrochen: probe");
        const QString gainsLost = QStringLiteral("Die Verstärkungen des HV-Geräts konnten nicht wiederhergestellt werden");

        QTest::newRow("1 input 3 opens while waiting for HV on")
            << int(OpenInput) << int(WaitingForHvOn) << 3 << QByteArray() << QStringList { "Safety Circuit error failed bit: 3" };
        QTest::newRow("1 input 9 open while waiting for HV on: the run goes on")
            << int(OpenInput) << int(WaitingForHvOn) << 9 << QByteArray() << QStringList();
        QTest::newRow("2 link lost while waiting for HV on")
            << int(CutLink) << int(WaitingForHvOn) << 0 << QByteArray() << QStringList { "ComErrorHVUnit" };
        QTest::newRow("3 released in Step1") << int(Release) << int(InStep1) << 0 << QByteArray() << QStringList();
        QTest::newRow("4 released in the HV-on wait") << int(Release) << int(InHvOnWait) << 0 << QByteArray() << QStringList();
        QTest::newRow("4 aborted in the HV-on wait") << int(AbortRun) << int(InHvOnWait) << 0 << QByteArray() << QStringList();
        QTest::newRow("6 set-up throws after HV on") << int(Throw) << int(Started) << 0 << QByteArray("setUp") << QStringList { internal };
        QTest::newRow("6 DC start throws") << int(Throw) << int(WaitingForHvOn) << 0 << QByteArray("startDC") << QStringList { internal };
        QTest::newRow("6 DC tick throws") << int(Throw) << int(WaitingForHvOn) << 0 << QByteArray("DCState::tick") << QStringList { internal };
        QTest::newRow("7 link lost in Step1") << int(CutLink) << int(InStep1) << 0 << QByteArray()
                                              << QStringList { "ComErrorHVUnit", gainsLost };
        QTest::newRow("7 link lost in Step3") << int(CutLink) << int(InStep3) << 0 << QByteArray()
                                              << QStringList { "ComErrorHVUnit", gainsLost };
        QTest::newRow("9 a second procedure is refused") << int(SecondProcedure) << int(WaitingForHvOn) << 0 << QByteArray()
                                                         << QStringList { otherProcedureRunningText() };
    }
    void faultEndsTheRunSafely()
    {
        QFETCH(int, fault);
        QFETCH(int, moment);
        QFETCH(int, input);
        QFETCH(QByteArray, point);
        QFETCH(QStringList, errors);

        std::unique_ptr<Run> run = makeRun();
        if (fault == Throw)
            run->machine->setFaultProbe([point](const char* at) {
                if (point == at)
                    throw std::runtime_error("probe");
            });
        QVERIFY(driveTo(*run, Moment(moment)));
        QPointer<QObject> machine = run->machine;

        switch (Fault(fault)) {
        case OpenInput:
            QVERIFY(rig.tree.setLine(safetyLineOfBit(input), false));
            if (errors.isEmpty()) {
                // The HV-on key is open until pressed: the run waits on, the line on.
                QTest::qWait(600);
                QVERIFY(run->errors.isEmpty());
                QCOMPARE(run->stages.last(), OutputCalibrationWaitForGreen);
                QVERIFY(rig.hvEnable());
                send(*run, Abort);
                QTRY_COMPARE(run->stages.last(), Done);
            }
            break;
        case CutLink:
            rig.sim.failNext(-1);
            // Off while the link is still down, not when it returns.
            QTRY_COMPARE_WITH_TIMEOUT(run->errors, errors, 10000);
            QCOMPARE(rig.tree.lastWritten(HVEnableLine), '0');
            QVERIFY(!rig.safety->commissioningHoldsHvEnable());
            rig.sim.clearFault();
            break;
        case Release:
            run->bundle = MachineBundle();
            QTRY_VERIFY(machine.isNull());
            break;
        case AbortRun:
            send(*run, Abort);
            QTRY_VERIFY(run->stages.contains(Done));
            QTest::qWait(300);
            // Done is the last word: the set-up in progress reports nothing after it.
            QCOMPARE(run->stages.last(), Done);
            QVERIFY(run->errors.isEmpty());
            break;
        case Throw:
            if (point != "setUp")
                unit.pressHvOn();
            break;
        case SecondProcedure: {
            std::unique_ptr<Run> second = makeRun();
            send(*second, Start);
            QTRY_COMPARE(second->errors, errors);
            QCOMPARE(second->stages, QList<OutputCalibrationStage> { Error });
            // The first one still holds the line and the inputs.
            QTest::qWait(300);
            QVERIFY(rig.hvEnable());
            QVERIFY(rig.safety->commissioningHoldsHvEnable());
            QCOMPARE(run->stages.last(), OutputCalibrationWaitForGreen);
            send(*run, Abort);
            QTRY_COMPARE(run->stages.last(), Done);
            errors.clear();
            break;
        }
        }
        if (fault != Release && fault != CutLink)
            QTRY_COMPARE_WITH_TIMEOUT(run->errors, errors, 8000);
        if (!errors.isEmpty())
            QCOMPARE(run->stages.last(), Error);
        rig.tree.setLine(safetyLineOfBit(input), true);
        checkLeftSafe();
    }
};

QTEST_GUILESS_MAIN(TestCommissioningSafety)
#include "tst_commissioningsafety.moc"
