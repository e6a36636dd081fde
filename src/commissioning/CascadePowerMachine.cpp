#include "commissioning/CascadePowerMachine.h"

#include "commissioning/IdleState.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/PowerBad.h"
#include "commissioning/PowerGood.h"
#include "commissioning/PowerLevel.h"
#include "commissioning/ProcedureFrame.h"
#include "commissioning/RampDown.h"
#include "commissioning/StableTransition.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/TPOF.h"

namespace Commissioning {

namespace {
using E = CascadePowerMachine::Event;
using StatesAndTransitions::constructState;
using Plain = StatesAndTransitions::State<E>;

// Takes over the unit and sets it up for the check.
using InitPowerCascade = DelayedSetUp<E>;

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

    ProcedureFrame<E> frame { idle, init, running, loadDetection, up.second.front() };
    frame.report = [this](QString const& text) { reportError(text); };
    frame.started = [this] { startOutput(); };
    frame.hvOn = [this] { emit enteredStage(CascadePowerLoadDetect); };
    setRecovery(idle, connectProcedure(frame, pof, safety, &m_savedReceiver, &m_failure));
    createEventTransition<PowerGood>(up.second.back(), firstRamp, up.first);
    createEventTransition<StableTransition<E>>(firstRamp, down.second.front(), noMeasurement);
    createEventTransition<PowerGood>(down.second.back(), secondRamp, down.first);
    createEventTransition<StableTransition<E>>(secondRamp, idle,
                                               [this](boost::circular_buffer<long> const&) { stopOutput(m_pof); });
}

CascadePowerMachine::~CascadePowerMachine()
{
    releaseOnDelete(this);
}

void CascadePowerMachine::release()
{
    if (retire())
        return;
    releaseProcedure(this, "CascadePowerMachine", m_pof, m_safety, &m_savedReceiver);
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
    // A stop lost with the link goes first: the output must not come back with the line.
    if (!m_pof->owedWrites()->writeOwed()) {
        fail(owedWritesFailedText());
        return;
    }
    const QString error = sendSetUp(m_pof, m_safety, setUpCommands(399));
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
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
