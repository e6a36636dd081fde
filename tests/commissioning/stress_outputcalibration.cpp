// Hand-run stress program, not a test: 500 runs of the procedures that drive the HV unit
// (output calibration, cascade calibration, cascade power) against the simulated unit,
// each ended at a random moment by a release, an abort, a lost link, a lost link followed
// by switching commissioning off, an opened safety input, or the program gone (killed: its
// owed-writes file as it was, nothing more to the unit, then started again); or an output
// calibration whose operator presses the knob twice at each step (the second press early in
// the next one), aborted in the last step. Counts the runs that left the HV-enable line on,
// the output on, a stop or old values unsent after the link returned, the unit's gains or
// calibration words changed, or that finished; every count must be 0. Also gives the time
// from the unit falling silent to the line going low.
//
//     build/tests/commissioning/stress_outputcalibration [runs] [seed]

#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/MachineFactory.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/TimerScale.h"
#include "fakes/CommissioningRig.h"
#include "hvunit/OwedUnitWrites.h"

#include <QCoreApplication>
#include <QFile>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace Commissioning;
using E = OutputCalibrationMachine::Event;

namespace {
constexpr quint16 kOldU = 9870, kOldI = 10120;
constexpr int kCodes[4] = { 13, 14, 17, 18 };                 // the cascades' calibration words
constexpr quint64 kWords[4] = { 4506, 65533, 3686, ~2ull };  // before every run
enum Action { ReleaseRun, AbortRun, CutLink, OpenInput, CutThenOff, ProgramGone, DoublePress, ActionCount };
const char* const kActionNames[] = { "release", "abort", "cut link", "open input", "cut link, switch off",
                                     "program gone", "double press" };
enum Procedure { Output, Cascade, Power, ProcedureCount };
const char* const kProcedureNames[] = { "output calibration", "cascade calibration", "cascade power" };

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

// The operator: HV on at green; in the output calibration readings and Confirm in each
// step up to Step4, where the run waits (a finished run would keep its new gain), once
// the step's output stood at its level as the page offers it.
struct Operator : QObject {
    OutputCalibrationMachine* output = nullptr; // null once released: signals may still come in
    HvUnitModel* unit = nullptr;
    int stage = -1;
    bool doublePress = false; // a second press 300 ms (scaled) after each
    bool aborted = false;     // Abort sent: Done says the run ended
    bool finished = false;    // Done without an Abort: the run kept its new gain

    void onStage(Procedure procedure, int s)
    {
        stage = s;
        finished = finished || (procedure == Output && s == Done && !aborted);
        const int waiting = procedure == Power ? int(CascadePowerWaitForGreen) : 0;
        if (s == waiting)
            unit->pressHvOn();
    }
    void onReading(OutputReading reading)
    {
        if (reading != OutputSettled || !output || stage < Step1 || stage > Step3)
            return;
        const double readings[] = { -37.2, 37.1, 0.0 };
        press(readings[stage - Step1]);
        if (doublePress)
            // As the page sends it: the preset of the step it shows by then.
            QTimer::singleShot(scaledInterval(300), this,
                               [this] { press(stage == Step1 ? -37.0 : stage == Step2 ? 37.0 : 0.0); });
    }
    void press(double kilovolts)
    {
        if (!output)
            return;
        if (kilovolts != 0.0)
            output->receiveVoltage(kilovolts);
        output->queueEvent(E(Confirm));
    }
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? atoi(argv[1]) : 500;
    std::mt19937 rng(argc > 2 ? unsigned(atoi(argv[2])) : 20240601u);
    // The cascades' set points pass ten times faster, so a random moment finds any of them.
    setTimerScale(0.1);

    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    const QString owedFile = rig.root.path(QStringLiteral("/owed.json"));
    OwedUnitWrites* owed = nullptr;
    std::function<MachineBundle()> factory;
    // As the program starts: what is owed kept in its file, the unit identified.
    const auto startProgram = [&] {
        if (!rig.start())
            return false;
        owed = rig.pof->owedWrites();
        factory = makeMachineFactory(rig.pof, rig.safety.get());
        return rig.onLink([&] {
            owed->keepIn(owedFile);
            return rig.pof->InitHVUnit();
        });
    };
    if (!startProgram()) {
        std::fprintf(stderr, "the simulated unit did not start\n");
        return 1;
    }
    const auto handedBack = [&] {
        return !rig.safety->commissioningHoldsHvEnable() && dynamic_cast<FakeHVData*>(rig.pof->sub().get());
    };
    const auto valuesBack = [&] {
        if (unit.gainU() != kOldU || unit.gainI() != kOldI)
            return false;
        for (int i = 0; i < 4; ++i)
            if (unit.parameter(kCodes[i]) != kWords[i])
                return false;
        return true;
    };

    int lineOn = 0, outputOn = 0, leftOwed = 0, valuesChanged = 0, failedRuns = 0, finishedRuns = 0;
    int perAction[ActionCount] = {};
    int perProcedure[ProcedureCount] = {};
    std::vector<qint64> silenceToLow;
    QElapsedTimer total;
    total.start();
    for (int run = 0; run < runs; ++run) {
        unit.reset();
        unit.setRampMs(0);
        unit.setEnvelopeCurrent(true);
        unit.setGains(kOldU, kOldI);
        for (int i = 0; i < 4; ++i)
            unit.setParameter(kCodes[i], kWords[i]);

        const Action action = Action(std::uniform_int_distribution<int>(0, ActionCount - 1)(rng));
        // Only the output calibration takes presses.
        const Procedure procedure = action == DoublePress
            ? Output
            : Procedure(std::uniform_int_distribution<int>(0, ProcedureCount - 1)(rng));
        const int moment = std::uniform_int_distribution<int>(0, action == DoublePress ? 500 : 3000)(rng);
        ++perAction[action];
        ++perProcedure[procedure];

        MachineBundle bundle = factory();
        Operator op;
        op.unit = &unit;
        op.doublePress = action == DoublePress;
        std::function<void(UserEvent)> send;
        if (procedure == Output) {
            op.output = bundle.outputCalibration.get();
            QObject::connect(op.output, &OutputCalibrationMachine::machineEvent, &op,
                             [&op](OutputCalibrationStage s) { op.onStage(Output, s); });
            QObject::connect(op.output, &OutputCalibrationMachine::outputReading, &op,
                             [&op](OutputReading r) { op.onReading(r); });
            send = [&bundle, &op](UserEvent e) {
                op.aborted = op.aborted || e == Abort;
                bundle.outputCalibration->queueEvent(E(e));
            };
        } else if (procedure == Cascade) {
            QObject::connect(bundle.cascadeCalibration.get(), &CascadeCalibrationMachine::cascadeMachineEvent, &op,
                             [&op](CascadeCalibrationStage s) { op.onStage(Cascade, s); });
            send = [&bundle](UserEvent e) { bundle.cascadeCalibration->receiveEvent(e); };
        } else {
            QObject::connect(bundle.cascadePower.get(), &CascadePowerMachine::enteredStage, &op,
                             [&op](CascadePowerStage s) { op.onStage(Power, s); });
            send = [&bundle](UserEvent e) { bundle.cascadePower->receiveEvent(e); };
        }
        const auto release = [&] {
            op.output = nullptr;
            bundle = MachineBundle();
        };

        send(Start);
        // Pressed through to the last step, which waits for its own Confirm.
        if (action == DoublePress)
            waitUntil([&op] { return op.stage == Step4 || op.stage == Error || op.finished; }, 10000);
        waitUntil([] { return false; }, moment);

        // Lost: from the unit's silence to the line going low, while the run held it on.
        const auto cutLink = [&] {
            const bool wasOn = rig.hvEnable();
            QElapsedTimer silence;
            silence.start();
            rig.sim.failNext(-1);
            if (wasOn && waitUntil([&] { return !rig.hvEnable(); }, 5000))
                silenceToLow.push_back(silence.elapsed());
            waitUntil([] { return false; }, std::uniform_int_distribution<int>(500, 3000)(rng));
        };
        switch (action) {
        case ReleaseRun:
            release();
            break;
        case AbortRun:
        case DoublePress:
            send(Abort);
            break;
        case CutLink:
            cutLink();
            rig.sim.clearFault();
            break;
        case CutThenOff:
            cutLink();
            release();
            waitUntil([] { return false; }, 500);
            rig.sim.clearFault();
            break;
        case ProgramGone: {
            // Killed between two of the link's transactions: the file as it was then, and
            // nothing more reaches the unit.
            const QByteArray left = rig.onLink([&] {
                rig.pof->setTimeoutClock(&fastSteadyClock);
                rig.sim.failNext(-1);
                return rig.root.readFile(QStringLiteral("/owed.json"));
            });
            release();
            rig.stop();
            QFile::remove(owedFile);
            if (!left.isEmpty())
                rig.root.writeFile(QStringLiteral("/owed.json"), left);
            rig.sim.clearFault();
            if (!startProgram())
                ++failedRuns;
            break;
        }
        case OpenInput: {
            const int line = safetyLineOfBit(std::uniform_int_distribution<int>(0, 8)(rng));
            rig.tree.setLine(line, false);
            waitUntil([] { return false; }, 500);
            rig.tree.setLine(line, true);
            break;
        }
        default:
            break;
        }
        // Whatever did not end the run (an input opened before the take-over, a link
        // lost before it) ends with the operator's Abort.
        if (bundle.outputCalibration) {
            waitUntil([] { return false; }, 300);
            send(Abort);
            if (!waitUntil(handedBack, 10000))
                ++failedRuns;
        }

        const bool safe = waitUntil(
            [&] { return rig.tree.lastWritten(HVEnableLine) != '1' && handedBack() && !unit.outputOn() && !owed->owes() && valuesBack(); },
            10000);
        if (!safe) {
            const bool line = rig.tree.lastWritten(HVEnableLine) == '1' || rig.safety->commissioningHoldsHvEnable();
            const bool output = unit.outputOn();
            const bool stillOwed = owed->owes();
            const bool values = !valuesBack();
            lineOn += line;
            outputOn += output;
            leftOwed += stillOwed;
            valuesChanged += values;
            std::printf("run %d (%s, %s at %d ms): line %s, output %s, owed %s, gains %u/%u, words %llx/%llx/%llx/%llx\n",
                        run, kProcedureNames[procedure], kActionNames[action], moment, line ? "on" : "off",
                        output ? "on" : "off", qPrintable(owed->owed().join(QStringLiteral("; "))), unit.gainU(),
                        unit.gainI(), static_cast<unsigned long long>(unit.parameter(13)), static_cast<unsigned long long>(unit.parameter(14)),
                        static_cast<unsigned long long>(unit.parameter(17)), static_cast<unsigned long long>(unit.parameter(18)));
        }
        finishedRuns += op.finished;
        release();
        waitUntil([&] { return rig.safety->currentState().all(); }, 2000);
    }

    std::printf("%d runs in %.1f s (output calibration %d, cascade calibration %d, cascade power %d; release %d, "
                "abort %d, cut link %d, open input %d, cut link and switch off %d, program gone %d, double press %d)\n",
                runs, total.elapsed() / 1000.0, perProcedure[Output], perProcedure[Cascade], perProcedure[Power],
                perAction[ReleaseRun], perAction[AbortRun], perAction[CutLink], perAction[OpenInput],
                perAction[CutThenOff], perAction[ProgramGone], perAction[DoublePress]);
    std::printf("left the line on: %d, the output on: %d, something owed after the link returned: %d, "
                "the values changed: %d, finished: %d; runs that did not end: %d\n",
                lineOn, outputOn, leftOwed, valuesChanged, finishedRuns, failedRuns);
    if (!silenceToLow.empty()) {
        std::sort(silenceToLow.begin(), silenceToLow.end());
        std::printf("unit silent to HV-enable low (%zu runs): min %lld ms, median %lld ms, max %lld ms\n",
                    silenceToLow.size(), silenceToLow.front(), silenceToLow[silenceToLow.size() / 2],
                    silenceToLow.back());
    }
    rig.stop();
    return lineOn + outputOn + leftOwed + valuesChanged + finishedRuns + failedRuns == 0 ? 0 : 1;
}
