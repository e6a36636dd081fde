#include "commissioning/CascadePowerMachine.h"

#include "commissioning/BadLoadDetect.h"
#include "commissioning/FailedStep.h"
#include "commissioning/GoodLoadDetect.h"
#include "commissioning/HVDelayedInit.h"
#include "commissioning/HvErrorTransition.h"
#include "commissioning/HvOnTransition.h"
#include "commissioning/IdleState.h"
#include "commissioning/MatchesEvent.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/PowerBad.h"
#include "commissioning/PowerGood.h"
#include "commissioning/PowerLevel.h"
#include "commissioning/RampDown.h"
#include "commissioning/SetValuePOF.h"
#include "commissioning/StableTransition.h"
#include "commissioning/WaitErrorTransition.h"
#include "hvunit/TPOF.h"
#include "logging/LoggingCtrl.h"

#include <QThread>
#include <QTimer>

#include <functional>

namespace Commissioning {

namespace {
using E = CascadePowerMachine::Event;
using StatesAndTransitions::constructState;
using Plain = StatesAndTransitions::State<E>;

// Takes over the unit and sets it up for the check.
class InitPowerCascade : public HVDelayedInit<E> {
public:
    InitPowerCascade(CascadePowerMachine* machine, TCheckSafetyCircuit* safety, std::function<void()> setUp)
        : HVDelayedInit<E>(machine, safety), m_setUp(std::move(setUp))
    {
    }
    void init() override { m_setUp(); }

private:
    std::function<void()> m_setUp;
};

const auto noMeasurement = [](boost::circular_buffer<long> const&) {};
} // namespace

std::pair<PowerPoint, std::vector<PowerLevel*>> generateRampUp(CascadePowerMachine* machine, Plain* parent, Plain* failure,
                                                               TPOF* pof, bool positive)
{
    std::vector<PowerLevel*> levels;
    PowerPoint last;
    for (const PowerPoint& p : testPoints) {
        const PowerPoint point = positive ? p : p.negated();
        auto* level = constructState<PowerLevel>(parent, machine, pof, point);
        createEventTransition<PowerBad>(level, failure, pof, point,
                                        [machine](QString const& text) { machine->reportError(text); });
        if (!levels.empty())
            createEventTransition<PowerGood>(levels.back(), level, last);
        levels.push_back(level);
        last = point;
    }
    return { last, levels };
}

CascadePowerMachine::CascadePowerMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    qRegisterMetaType<Event>("CascadePowerEvent");
    qRegisterMetaType<CascadePowerStage>("CascadePowerStage");

    auto* idle = constructState<IdleState<E>>(this, pof, safety, &m_savedReceiver, [this] { emit enteredStage(CascadePowerIdle); });
    auto* init = constructState<InitPowerCascade>(this, this, safety, [this] { setUp(); });
    auto* running = constructState<Plain>(this);
    auto* loadDetection = constructState<Plain>(running);
    const auto up = generateRampUp(this, running, idle, pof, true);
    auto* firstRamp = constructState<RampDown<E>>(running, this, pof);
    const auto down = generateRampUp(this, running, idle, pof, false);
    auto* secondRamp = constructState<RampDown<E>>(running, this, pof);

    const auto report = [this](QString const& text) { reportError(text); };
    const auto abort = [this] {
        // Nothing was started before the inputs were taken over.
        if (holdsInputs())
            stopOutput(m_pof);
    };
    createEventTransition<MatchesEvent<E>>(idle, init, E(Start));
    // A failed set-up has started nothing.
    createEventTransition<FailedStep<E>>(init, idle, &m_failure, report);
    createEventTransition<HvOnTransition<E>>(init, running, [this] { emit enteredStage(CascadePowerLoadDetect); });
    createEventTransition<MatchesEvent<E>>(init, idle, E(Abort), abort);
    createEventTransition<WaitErrorTransition<E>>(init, idle, pof, report);
    createEventTransition<FailedStep<E>>(running, idle, &m_failure, [this](QString const& text) {
        reportError(text);
        stopOutput(m_pof);
    });
    createEventTransition<MatchesEvent<E>>(running, idle, E(Abort), abort);
    createEventTransition<HvErrorTransition<E>>(running, idle, pof, report);
    createEventTransition<GoodLoadDetect<E>>(loadDetection, up.second.front(), [this] { startOutput(); });
    createEventTransition<BadLoadDetect<E>>(loadDetection, idle, pof, report);
    createEventTransition<PowerGood>(up.second.back(), firstRamp, up.first);
    createEventTransition<StableTransition<E>>(firstRamp, down.second.front(), noMeasurement);
    createEventTransition<PowerGood>(down.second.back(), secondRamp, down.first);
    createEventTransition<StableTransition<E>>(secondRamp, idle,
                                               [this](boost::circular_buffer<long> const&) { stopOutput(m_pof); });

    // Whatever throws ends the run as an error; Idle then gives everything back.
    setRecovery(idle, [this](const char* what) {
        m_failure.clear();
        const bool running = holdsInputs();
        reportError(QStringLiteral("Die Prozedur wurde nach einem internen Fehler abgebrochen: %1").arg(QString::fromUtf8(what)));
        if (running)
            stopOutput(m_pof);
    });
}

CascadePowerMachine::~CascadePowerMachine()
{
    // Deleted without the bundle's release: on its own thread the run still ends
    // properly; elsewhere its link may be gone, and the adapters no longer reach it.
    if (QThread::currentThread() == thread())
        release();
    else
        retire();
}

void CascadePowerMachine::release()
{
    if (retire())
        return;
    try {
        for (QTimer* timer : findChildren<QTimer*>())
            timer->stop();
        if (holdsInputs()) {
            releaseHvEnable(m_safety);
            stopOutput(m_pof);
        }
        handBackInputs(m_pof, m_safety, &m_savedReceiver);
    } catch (...) {
        KLOG_ERROR2("CascadePowerMachine", "release", "Releasing the machine failed with an exception");
    }
}

void CascadePowerMachine::reportError(QString const& text)
{
    // The line goes first; the operator is told after.
    if (holdsInputs())
        releaseHvEnable(m_safety);
    emit error(text);
}

void CascadePowerMachine::fail(QString const& text)
{
    m_failure = text;
    // Any event carries the failure; this one makes sure there is one.
    testEvent(E(Abort));
}

void CascadePowerMachine::setUp()
{
    if (!inputsFreeFor(m_safety, &m_savedReceiver)
        || takeOverInputs(this, m_pof, m_safety, &m_savedReceiver, &CascadePowerMachine::receiveEvent<std::bitset<10>>,
                          &CascadePowerMachine::receiveEvent<stHVUnitState>, 0)
            == Takeover::Refused) {
        fail(otherProcedureRunningText());
        return;
    }
    const std::vector<Command> commands {
        { TPOF::CMD_DateTime, 0, 0 },
        { TPOF::CMD_Voltage, 37000000, 0 },
        { TPOF::CMD_Mode, 7, 0 },
        { TPOF::CMD_Frequency, 100, 0 },
        { TPOF::CMD_TestMinutes, 10, 0 },
        { TPOF::CMD_BurnMode, 256, 0 },
        { TPOF::CMD_SetParameter, 35, 399 },
        { TPOF::CMD_StartLoadDetection, 0, 0 },
    };
    const SetValuePOF send(m_pof);
    for (const Command& command : commands) {
        if (!send(command)) {
            fail(QStringLiteral("Die HV-Einheit hat den Befehl '%1' nicht angenommen.").arg(QChar(int(command.code))));
            return;
        }
    }
    // An input open now (other than the HV-on key) would end the run at once: the line stays off.
    const QString open = waitingSafetyFaultText(m_safety->currentState());
    if (!open.isEmpty()) {
        fail(open);
        return;
    }
    holdHvEnable(m_safety);
    faultPoint("setUp");
    emit enteredStage(CascadePowerWaitForGreen);
}

void CascadePowerMachine::startOutput()
{
    if (!m_pof->StartTest()) {
        fail(QStringLiteral("Die Hochspannung konnte nicht gestartet werden."));
        return;
    }
    emit enteredStage(CascadePowerTest);
}

} // namespace Commissioning
