// Hand-run stress program, not a test: 500 output calibrations against the simulated
// unit, each ended at a random moment by a release, an abort, a lost link or an opened
// safety input. Counts the runs that left the HV-enable line on, the output on or the
// unit's gains changed; every count must be 0.
//
//     build/tests/commissioning/stress_outputcalibration [runs] [seed]

#include "commissioning/MachineFactory.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "fakes/CommissioningRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <functional>
#include <random>

using namespace Commissioning;
using E = OutputCalibrationMachine::Event;

namespace {
constexpr quint16 kOldU = 9870, kOldI = 10120;
enum Action { ReleaseRun, AbortRun, CutLink, OpenInput, ActionCount };
const char* const kActionNames[] = { "release", "abort", "cut link", "open input" };

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

// The operator: HV on at green, readings and Confirm in each step up to Step4, where the
// run waits (a finished run would keep its new gain).
struct Operator : QObject {
    OutputCalibrationMachine* machine; // null once released: its signals may still come in
    HvUnitModel* unit;
    OutputCalibrationStage last = Error;
    bool ended = false;

    void onStage(OutputCalibrationStage stage)
    {
        last = stage;
        if (stage == Done || stage == Error)
            ended = true;
        if (!machine)
            return;
        const double readings[] = { -37.2, 37.1, 0.0 };
        if (stage == OutputCalibrationWaitForGreen)
            unit->pressHvOn();
        if (stage >= Step1 && stage <= Step3) {
            const double reading = readings[qMin(int(stage - Step1), 2)];
            if (reading != 0.0)
                machine->receiveVoltage(reading);
            machine->queueEvent(E(Confirm));
        }
    }
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? atoi(argv[1]) : 500;
    std::mt19937 rng(argc > 2 ? unsigned(atoi(argv[2])) : 20240601u);

    CommissioningRig rig;
    if (!rig.start()) {
        std::fprintf(stderr, "the simulated unit did not start\n");
        return 1;
    }
    HvUnitModel& unit = rig.sim.model();
    auto factory = makeMachineFactory(rig.pof, rig.safety.get());

    int lineOn = 0, outputOn = 0, gainsChanged = 0, failedRuns = 0;
    int perAction[ActionCount] = {};
    QElapsedTimer total;
    total.start();
    for (int run = 0; run < runs; ++run) {
        unit.reset();
        unit.setRampMs(0);
        unit.setGains(kOldU, kOldI);

        MachineBundle bundle = factory();
        Operator op;
        op.machine = bundle.outputCalibration.get();
        op.unit = &unit;
        QObject::connect(op.machine, &OutputCalibrationMachine::machineEvent, &op, [&op](OutputCalibrationStage s) { op.onStage(s); });

        const Action action = Action(std::uniform_int_distribution<int>(0, ActionCount - 1)(rng));
        const int moment = std::uniform_int_distribution<int>(0, 3000)(rng);
        ++perAction[action];
        op.machine->queueEvent(E(Start));
        waitUntil([] { return false; }, moment);

        int openedLine = -1;
        switch (action) {
        case ReleaseRun:
            op.machine = nullptr;
            bundle = MachineBundle();
            break;
        case AbortRun:
            op.machine->queueEvent(E(Abort));
            break;
        case CutLink:
            rig.sim.failNext(-1);
            waitUntil([] { return false; }, std::uniform_int_distribution<int>(500, 3000)(rng));
            rig.sim.clearFault();
            break;
        case OpenInput:
            openedLine = safetyLineOfBit(std::uniform_int_distribution<int>(0, 8)(rng));
            rig.tree.setLine(openedLine, false);
            waitUntil([] { return false; }, 500);
            rig.tree.setLine(openedLine, true);
            break;
        default:
            break;
        }
        // Whatever did not end the run (an input opened before the take-over, a link
        // lost before it) ends with the operator's Abort.
        if (bundle.outputCalibration && !waitUntil([&op] { return op.ended; }, 4000))
            op.machine->queueEvent(E(Abort));
        if (bundle.outputCalibration && !waitUntil([&op] { return op.ended; }, 10000))
            ++failedRuns;

        const bool safe = waitUntil(
            [&] {
                return rig.tree.lastWritten(HVEnableLine) != '1' && !rig.safety->commissioningHoldsHvEnable()
                    && !unit.outputOn() && unit.gainU() == kOldU && unit.gainI() == kOldI;
            },
            10000);
        if (!safe) {
            const bool line = rig.tree.lastWritten(HVEnableLine) == '1' || rig.safety->commissioningHoldsHvEnable();
            const bool output = unit.outputOn();
            const bool gains = unit.gainU() != kOldU || unit.gainI() != kOldI;
            lineOn += line;
            outputOn += output;
            gainsChanged += gains;
            std::printf("run %d (%s at %d ms): line %s, output %s, gains %u/%u\n", run, kActionNames[action], moment,
                        line ? "on" : "off", output ? "on" : "off", unit.gainU(), unit.gainI());
        }
        op.machine = nullptr;
        bundle = MachineBundle();
        waitUntil([&] { return rig.safety->currentState().all(); }, 2000);
    }

    std::printf("%d runs in %.1f s (release %d, abort %d, cut link %d, open input %d)\n", runs,
                total.elapsed() / 1000.0, perAction[ReleaseRun], perAction[AbortRun], perAction[CutLink], perAction[OpenInput]);
    std::printf("left the line on: %d, the output on: %d, the gains changed: %d; runs that did not end: %d\n", lineOn,
                outputOn, gainsChanged, failedRuns);
    rig.stop();
    return lineOn + outputOn + gainsChanged + failedRuns == 0 ? 0 : 1;
}
