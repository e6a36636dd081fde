#include "commissioning/BadLoadDetect.h"
#include "commissioning/CascadeMachine.h"
#include "commissioning/GoodLoadDetect.h"
#include "commissioning/HVDelayedInit.h"
#include "commissioning/HvErrorTransition.h"
#include "commissioning/HvOnTransition.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/MatchesEvent.h"
#include "commissioning/Measure.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/RampDown.h"
#include "commissioning/StableTransition.h"
#include "fakes/CommissioningRig.h"
#include "fakes/KeyTranslator.h"
#include "hvunit/ErrorMessages.h"

#include <QtTest>

#include <atomic>

using namespace Commissioning;
using StatesAndTransitions::constructState;
using StatesAndTransitions::State;
using E = MachineEvent<>;
using EO = MachineEvent<OutputValues>;

namespace {

// Counts its init() calls.
class CountingInit : public HVDelayedInit<E> {
public:
    template <typename M>
    CountingInit(M* machine, TCheckSafetyCircuit* safety, int* count) : HVDelayedInit<E>(machine, safety), m_count(count) {}
    void init() override { ++*m_count; }

private:
    int* m_count;
};

// Idle -Start-> delayed init -Abort-> Idle.
class InitMachine : public QObject, public StatesAndTransitions::Machine<E> {
public:
    InitMachine(TCheckSafetyCircuit* safety, int* count)
    {
        auto* idle = constructState<State<E>>(this);
        auto* init = constructState<CountingInit>(this, this, safety, count);
        createEventTransition<MatchesEvent<E>>(idle, init, E(Start));
        createEventTransition<MatchesEvent<E>>(init, idle, E(Abort));
    }
};

// Idle -Start-> RampDown; what reaches receiveOutput is counted.
class RampMachine : public CascadeMachine, public StatesAndTransitions::Machine<EO> {
public:
    explicit RampMachine(TPOF* pof)
    {
        auto* idle = constructState<State<EO>>(this);
        auto* ramp = constructState<RampDown<EO>>(this, this, pof);
        createEventTransition<MatchesEvent<EO>>(idle, ramp, EO(Start));
    }
    void receiveOutput(OutputValues const& values) override
    {
        lastOutput = values;
        ++outputs;
    }
    std::atomic<int> outputs { 0 };
    OutputValues lastOutput;
};

stHVUnitState hv(quint32 word, bool comError = false) { return stHVUnitState(comError, word); }

std::bitset<10> closedBut(std::initializer_list<int> open)
{
    std::bitset<10> b;
    b.set();
    for (int i : open)
        b.reset(size_t(i));
    return b;
}

constexpr quint32 kOn = HVStateBits::OutputOn;
constexpr quint32 kLoadDone = HVStateBits::LoadDetectionFinished;
} // namespace

// The shared states and transitions of the procedures, the HV-unit ones against the
// simulated unit on the link's thread.
class TestCommissioningKit : public QObject {
    Q_OBJECT

    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    State<E> target;
    State<EO> outputTarget;

private slots:
    void initTestCase() { QVERIFY(rig.start()); }
    void cleanupTestCase() { rig.stop(); }
    void init()
    {
        rig.sim.clearFault();
        unit.reset();
        unit.clearCommandLog();
    }

    void delayedInitRunsOncePerEntry()
    {
        int count = 0;
        InitMachine machine(rig.safety.get(), &count);

        // All closed: 100 ms after entry, once.
        QElapsedTimer clock;
        clock.start();
        machine.testEvent(E(Start));
        QCOMPARE(count, 0);
        QTRY_COMPARE(count, 1);
        QVERIFY(clock.elapsed() >= 90);
        QTest::qWait(300);
        QCOMPARE(count, 1);

        // Left within the 100 ms: never.
        machine.testEvent(E(Abort));
        machine.testEvent(E(Start));
        machine.testEvent(E(Abort));
        QTest::qWait(300);
        QCOMPARE(count, 1);

        // Every further run once, however many came before.
        for (int run = 2; run <= 4; ++run) {
            machine.testEvent(E(Start));
            QTRY_COMPARE(count, run);
            QTest::qWait(250);
            QCOMPARE(count, run);
            machine.testEvent(E(Abort));
        }

        // An open input: during the entry itself.
        QVERIFY(rig.tree.setLine(safetyLineOfBit(9), false));
        QTRY_VERIFY(!rig.safety->currentState().test(9));
        machine.testEvent(E(Start));
        QCOMPARE(count, 5);
        QTest::qWait(250);
        QCOMPARE(count, 5);
        machine.testEvent(E(Abort));
        QVERIFY(rig.tree.setLine(safetyLineOfBit(9), true));
        QTRY_VERIFY(rig.safety->currentState().all());
    }

    void hvOnNeedsInputNineThenTheOutputBit()
    {
        HvOnTransition<E> t(&target);
        QVERIFY(!t.testEvent(E(hv(kOn))));
        QVERIFY(!t.testEvent(E(closedBut({}))));
        QVERIFY(!t.testEvent(E(hv(0))));
        // A lost link repeats the last word read: no news of the output.
        QVERIFY(!t.testEvent(E(hv(kOn, true))));
        QVERIFY(t.testEvent(E(hv(kOn))));
        QVERIFY(!t.testEvent(E(closedBut({ 9 }))));
        QVERIFY(!t.testEvent(E(hv(kOn))));
        QVERIFY(!t.testEvent(E(Start)));
    }

    void loadDetectionGoodAndBad()
    {
        QStringList texts;
        GoodLoadDetect<E> good(&target);
        BadLoadDetect<E> bad(&target, rig.pof, [&texts](QString const& t) { texts << t; });

        QVERIFY(good.testEvent(E(hv(kOn | kLoadDone))));
        QVERIFY(!bad.testEvent(E(hv(kOn | kLoadDone))));
        QVERIFY(!good.testEvent(E(hv(kOn | HVStateBits::LoadResultError1))));
        QVERIFY(!bad.testEvent(E(hv(kOn | HVStateBits::LoadResultError1))));
        QVERIFY(texts.isEmpty());

        const stHVUnitState failed = hv(kOn | kLoadDone | HVStateBits::LoadResultError1);
        // Nor from a lost link's last word.
        QVERIFY(!good.testEvent(E(hv(kOn | kLoadDone, true))));
        QVERIFY(!bad.testEvent(E(stHVUnitState(true, failed.state))));
        QVERIFY(!good.testEvent(E(failed)));
        QVERIFY(bad.testEvent(E(failed)));
        const stHVUnitState withFault = hv(kOn | kLoadDone | HVStateBits::LoadResultError2 | HVStateBits::Overcurrent);
        QVERIFY(!good.testEvent(E(withFault)));
        QVERIFY(bad.testEvent(E(withFault)));
        // No named fault: the state word itself.
        QCOMPARE(texts, QStringList({ "Fehlgeschlagene Lastermittlung: Zustandswort 0x0000001A",
                                      "Fehlgeschlagene Lastermittlung: OvercurrentHVUnit" }));

        rig.onLink([&] {
            bad.onActivation();
            return true;
        });
        QCOMPARE(rig.letters(), QByteArray("sx"));
    }

    void hvErrorsAndTheirTexts()
    {
        QStringList texts;
        HvErrorTransition<E> t(&target, rig.pof, [&texts](QString const& s) { texts << s; });
        auto test = [&](E const& e) { return rig.onLink([&] { return t.testEvent(e); }); };

        QVERIFY(!test(E(hv(kOn | HVStateBits::Busy))));
        QVERIFY(!test(E(closedBut({}))));
        QVERIFY(!test(E(Confirm)));
        QVERIFY(texts.isEmpty());

        // Named faults in the operator's language, the state word where none is named.
        KeyTranslator keys;
        QCoreApplication::installTranslator(&keys);
        QVERIFY(test(E(hv(kOn | (1u << 19)))));
        QVERIFY(test(E(hv(kOn | (1u << 16) | (1u << 2)))));
        QVERIFY(test(E(hv(kOn | HVStateBits::Overvoltage | HVStateBits::Overcurrent))));
        QVERIFY(test(E(hv(kOn, true))));
        QVERIFY(test(E(closedBut({ 7, 4 }))));
        QCoreApplication::removeTranslator(&keys);
        QCOMPARE(texts, QStringList({ "DSP Fehler: Zustandswort 0x00080002", "DSP Fehler: Zustandswort 0x00010006",
                                      "DSP Fehler: ErrorMessages/OvervoltageDetected", "ErrorMessages/ComErrorHVUnit",
                                      "Safety Circuit error failed bit: 4" }));

        // Output off: the HV source tells its own state and error.
        texts.clear();
        unit.setParameter(TPOF::getPOFParamCode(eHVUnitParamType_HvSourceStatus), 0x0406);
        QVERIFY(test(E(hv(HVStateBits::LoadDetectionFinished))));
        QCOMPARE(texts.last(), QStringLiteral("Leistungselektronik: \nHV Zustand %1, HV Fehler %2")
                                   .arg(ErrorMessages::HVSource::stateText(0x0406), ErrorMessages::HVSource::errorText(0x0406)));
        QVERIFY(!ErrorMessages::HVSource::stateText(0x0406).isEmpty());
        // Unread, it tells nothing.
        rig.sim.failCommand('K');
        QVERIFY(test(E(hv(0))));
        QCOMPARE(texts.last(), QStringLiteral("Leistungselektronik: \nHV Zustand , HV Fehler "));

        rig.sim.clearFault();
        unit.clearCommandLog();
        rig.onLink([&] {
            t.onActivation();
            return true;
        });
        QCOMPARE(rig.letters(), QByteArray("sx"));
    }

    void stableOutputIsMeasured()
    {
        double measured = 0.0;
        bool allowed = true;
        StableTransition<EO> t(&outputTarget, Measure(&measured), [&allowed] { return allowed; });
        auto feed = [&t](std::initializer_list<qint32> volts, qint64 current = 500) {
            bool fired = false;
            for (qint32 v : volts)
                fired = t.testEvent(EO(OutputValues { v, current }));
            return fired;
        };
        QVERIFY(!t.testEvent(EO(Start)));
        QVERIFY(!feed({ 37000000, 37000000, 37000000, 37000000, 37000000 }));
        QVERIFY(feed({ 37000000 }));
        t.onActivation();
        QCOMPARE(measured, 37000000.0);

        // The voltage ring starts again after a measurement.
        QVERIFY(!feed({ 1000, 1000, 1000, 1000, 1000 }));
        // +-100 V is a variance of exactly 1e10: not below the bound; +-99 V is.
        QVERIFY(!feed({ 37100000, 36900000, 37100000, 36900000, 37100000, 36900000 }));
        QVERIFY(feed({ 37099000, 36901000, 37099000, 36901000, 37099000, 36901000 }));
        // An unsteady current holds it back, so does the condition.
        bool fired = false;
        for (int i = 0; i < 6; ++i)
            fired = t.testEvent(EO(OutputValues { 37000000, i % 2 ? 20000 : -20000 }));
        QVERIFY(!fired);
        allowed = false;
        QVERIFY(!feed({ 37000000, 37000000, 37000000, 37000000, 37000000, 37000000 }));
        allowed = true;
        QVERIFY(feed({ 1000, 2000, 3000, 4000, 5000, 6000 }));
        t.onActivation();
        QCOMPARE(measured, 4500.0); // the 4 newest

        // Five readings of a run cancelled at this level, then the next run's a while later:
        // the old ones count no more.
        QVERIFY(!feed({ 6000000, 6000000, 6000000, 6000000, 6000000 }));
        QTest::qSleep(1100);
        QVERIFY(!feed({ 6100000 }));
        QVERIFY(!feed({ 6100000, 6100000, 6100000, 6100000 }));
        QVERIFY(feed({ 6100000 }));
        t.onActivation();
        QCOMPARE(measured, 6100000.0);
    }

    void rampDownStepsToTheFloorAndThenHandsOnTheOutput()
    {
        unit.setCascadeValues(400, 0, 12, 3);
        auto* machine = new RampMachine(rig.pof);
        machine->moveToThread(&rig.thread);
        int cascadeUpdates = 0;
        QList<double> voltageA;
        connect(machine, &CascadeMachine::cascadeUpdate, this, [&](double a, double, double currentA, double) {
            ++cascadeUpdates;
            voltageA << a;
            QCOMPARE(currentA, 1.2);
        });
        QMetaObject::invokeMethod(machine, [machine] { machine->testEvent(EO(Start)); });
        QTRY_VERIFY_WITH_TIMEOUT(machine->outputs.load() >= 2, 10000);

        QList<quint64> levels;
        for (const auto& c : unit.commandLog()) {
            QCOMPARE(c.letter, 'k');
            QCOMPARE(c.value1, 32ull);
            levels << c.value2;
        }
        QList<quint64> expected;
        for (short level : { 360, 320, 280, 240, 200, 160, 120, 80, 45 })
            expected << rampLevelWord(true, level);
        QCOMPARE(levels, expected);
        QCOMPARE(expected.first(), 0x00000168000D0014ull);
        QCOMPARE(rampLevelWord(false, 45), 0x0000FFD30014000Dull);
        QCOMPARE(voltageA.first(), 40000.0);
        QVERIFY(voltageA.contains(4500.0));
        QVERIFY(cascadeUpdates >= 10);
        QMetaObject::invokeMethod(machine, [machine] { delete machine; }, Qt::BlockingQueuedConnection);
    }
};

QTEST_GUILESS_MAIN(TestCommissioningKit)
#include "tst_commissioningkit.moc"
