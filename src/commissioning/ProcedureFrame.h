#pragma once

#include "commissioning/BadLoadDetect.h"
#include "commissioning/Command.h"
#include "commissioning/CommissioningStages.h"
#include "commissioning/FailedStep.h"
#include "commissioning/GoodLoadDetect.h"
#include "commissioning/HVDelayedInit.h"
#include "commissioning/HvErrorTransition.h"
#include "commissioning/HvOnTransition.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/MatchesEvent.h"
#include "commissioning/StatesAndTransitions.h"
#include "commissioning/WaitErrorTransition.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <utility>
#include <vector>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

class UnitRestore;

// The set-up state of a procedure: runs the machine's set-up as its init().
template <typename E>
class DelayedSetUp : public HVDelayedInit<E> {
public:
    template <typename M>
    DelayedSetUp(M* machine, TCheckSafetyCircuit* safety, std::function<void()> setUp)
        : HVDelayedInit<E>(machine, safety), m_setUp(std::move(setUp))
    {
    }
    void init() override { m_setUp(); }

private:
    std::function<void()> m_setUp;
};

// The states every procedure on the HV unit has, and what their shared transitions call.
template <typename E>
struct ProcedureFrame {
    using S = StatesAndTransitions::State<E>;
    ProcedureFrame(S* idleState, S* initState, S* runningState, S* loadDetectionState, S* firstStepState)
        : idle(idleState), init(initState), running(runningState), loadDetection(loadDetectionState),
          firstStep(firstStepState)
    {
    }

    S* idle;
    S* init; // the set-up; waits for HV on
    S* running;
    S* loadDetection; // the running state's first child
    S* firstStep;     // after a good load detection
    std::function<void(QString const&)> report; // error end: HV-enable off, then the text
    std::function<void()> started;              // on a good load detection
    std::function<void()> hvOn = [] {};
    std::function<void()> aborted = [] {}; // after an Abort has stopped the output
};

// The way in (Start, HV on, load detection) and the ways back to idle every procedure
// shares: Abort, a failed step, the lost link or an open input, a bad load detection.
// Returns the machine's recovery for whatever a hook throws. The output is stopped only
// while this run holds the inputs.
template <typename E, typename GoodLoad = GoodLoadDetect<E>>
std::function<void(const char*)> connectProcedure(ProcedureFrame<E> const& f, TPOF* pof, TCheckSafetyCircuit* safety,
                                                  SavedReceiver const* saved, QString* failure)
{
    const auto holds = [safety, saved] { return inputsHeldBy(safety, saved); };
    const auto abort = [pof, holds, aborted = f.aborted] {
        // Nothing was started before the inputs were taken over.
        if (holds())
            stopOutput(pof);
        aborted();
    };
    const auto reportAndStop = [pof, report = f.report](QString const& text) {
        report(text);
        stopOutput(pof);
    };
    createEventTransition<MatchesEvent<E>>(f.idle, f.init, E(Start));
    // A failed set-up has started nothing.
    createEventTransition<FailedStep<E>>(f.init, f.idle, failure, f.report);
    createEventTransition<HvOnTransition<E>>(f.init, f.running, f.hvOn);
    createEventTransition<MatchesEvent<E>>(f.init, f.idle, E(Abort), abort);
    createEventTransition<WaitErrorTransition<E>>(f.init, f.idle, pof, f.report);
    createEventTransition<FailedStep<E>>(f.running, f.idle, failure, reportAndStop);
    createEventTransition<MatchesEvent<E>>(f.running, f.idle, E(Abort), abort);
    createEventTransition<HvErrorTransition<E>>(f.running, f.idle, pof, f.report);
    createEventTransition<GoodLoad>(f.loadDetection, f.firstStep, f.started);
    createEventTransition<BadLoadDetect<E>>(f.loadDetection, f.idle, pof, f.report);

    // Whatever throws ends the run as an error; Idle then gives everything back.
    return [failure, holds, reportAndStop, report = f.report](const char* what) {
        failure->clear();
        const QString text = QStringLiteral("Die Prozedur wurde nach einem internen Fehler abgebrochen: %1")
                                 .arg(QString::fromUtf8(what));
        if (holds())
            reportAndStop(text);
        else
            report(text);
    };
}

// What sets the unit up for a procedure, after first: the date, 37 kV, mode 7, 100,
// 10 test minutes, burn mode 256, parameter 35 as the procedure's own, and the load
// detection started.
std::vector<Command> setUpCommands(unsigned long long parameter35, std::vector<Command> first = {});

// Sends the set-up commands in order and switches HV-enable on. Returns the error that
// stopped it, else an empty text. An input open at the end (other than the HV-on key)
// would end the run at once: the line then stays off.
QString sendSetUp(TPOF* pof, TCheckSafetyCircuit* safety, std::vector<Command> const& commands);

// Ends a run on release, on the machine's thread: timers stopped, HV-enable off and the
// output stopped (only while the run holds the inputs), the unit's old values written
// once more (when there is a restore; the link owes them on when that fails) and the
// inputs handed back. Nothing thrown leaves it.
void releaseProcedure(QObject* machine, const char* name, TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* saved,
                      UnitRestore* restore = nullptr);

// For a machine's destructor. Deleted without the bundle's release: on its own thread the
// run still ends properly; elsewhere its link may be gone, and the adapters no longer reach it.
template <typename M>
void releaseOnDelete(M* machine)
{
    if (QThread::currentThread() == machine->thread())
        machine->release();
    else
        machine->retire();
}

} // namespace Commissioning
