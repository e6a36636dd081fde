#include "datamodel/Statemachine.h"

#include "core/TimeoutCounter.h"
#include "logging/LoggingCtrl.h"

using namespace States;
using E = eAppEvent;

namespace {

QVector<Statemachine::Transition> buildTable()
{
    QVector<Statemachine::Transition> t;
    auto rows = [&t](std::initializer_list<AppState> from, std::initializer_list<E> events, AppState to) {
        for (AppState f : from)
            for (E e : events)
                t.append({f, e, to});
    };

    // Start-up, updates and HV-unit errors outside a test.
    rows({None}, {E::MainsOn}, Starting);
    rows({Starting}, {E::HVUnitInitialized}, Idle);
    rows({Starting, Idle}, {E::HVInitError}, Starting); // the HV link retries
    rows({Idle}, {E::StartUpdate}, Updating);
    rows({Updating}, {E::HostUpdateFinished}, Idle);
    rows({Updating}, {E::HVUpdateFinished}, Starting);
    rows({Idle}, {E::HVUnitErrorDetected}, HVUnitError);
    rows({HVUnitError}, {E::HVUnitInitialized}, Idle);

    // Preparing a test: the operator closes the safety circuit and switches HV on.
    rows({Idle, WaitPhaseConnect}, {E::StartTest}, InitTest);
    rows({InitTest}, {E::TestInitSuccess}, WaitHVFree);
    rows({InitTest, WaitHVFree}, {E::GotHVFree}, WaitExtEmergOff);
    rows({InitTest, WaitHVFree, WaitExtEmergOff}, {E::ExtEmergOffClosed}, WaitConfirmOn);
    rows({WaitConfirmOn}, {E::HVOn}, WaitHVOn);
    rows({InitTest, WaitHVFree, WaitExtEmergOff, WaitConfirmOn}, {E::HVUnitErrorDetected}, TestFinished);
    rows({WaitHVFree, WaitExtEmergOff, WaitConfirmOn}, {E::TestCanceledUser, E::TestAborted}, Idle);
    rows({WaitConfirmOn}, {E::StateTimeout}, Idle);

    // HV on: load detection and the effective test parameters.
    rows({WaitHVOn}, {E::HVOutputOn}, WaitLoadDetect);
    rows({WaitLoadDetect}, {E::LoadDetectionFinished}, WaitForEffTestParameters);
    rows({WaitForEffTestParameters}, {E::FrequencyUnmodified}, TestReadyToRun);
    rows({WaitForEffTestParameters}, {E::FrequencyModified}, WaitForConfirmation);
    rows({WaitForConfirmation}, {E::UserAck}, TestReadyToRun);
    rows({WaitForEffTestParameters}, {E::LoadDetResultError}, TestFinalizing);
    // With the HV switched on, every way out goes through the finalisation, so the
    // HV unit is stopped and the record is kept.
    rows({WaitHVOn, WaitLoadDetect, WaitForEffTestParameters, WaitForConfirmation, TestReadyToRun},
         {E::TestCanceledUser, E::TestAborted, E::StateTimeout, E::HVUnitErrorDetected}, TestFinalizing);
    rows({WaitHVOn, WaitLoadDetect, WaitForEffTestParameters, WaitForConfirmation, TestReadyToRun},
         {E::SafetyCircuitOpened}, TestSoftStop);

    // The running test.
    rows({TestReadyToRun}, {E::TestStarted}, TestRunning);
    rows({TestRunning}, {E::BreakdownDetected}, TestBurning);
    rows({TestRunning, TestBurning}, {E::TestTimeUp, E::TestCanceledUser, E::SafetyCircuitOpened}, TestSoftStop);
    rows({TestRunning, TestBurning}, {E::HVUnitErrorDetected, E::TestAborted}, TestFinalizing);
    rows({TestSoftStop}, {E::SoftStopFinished}, TestFinalizing);
    // The discharge may take long: an opening or a lost unit ends it at once, with the line.
    rows({TestSoftStop}, {E::SafetyCircuitOpened, E::HVUnitErrorDetected}, TestFinalizing);

    // The end of a test.
    rows({TestFinalizing}, {E::TestFinalized}, TransferringToHistory);
    rows({TransferringToHistory}, {E::HistoryReady}, TestFinished);
    rows({TestFinished}, {E::ExportData}, TransferringTestData);
    rows({TransferringTestData}, {E::DataReady}, TestDataTransferred);
    rows({TestFinished, TestDataTransferred}, {E::TestResultConfirmed}, Idle);
    rows({TestFinished}, {E::StartNextPhase}, WaitPhaseConnect);
    rows({WaitPhaseConnect}, {E::TestCanceledUser}, Idle);
    return t;
}

// Waits of a test, in ms. The operator's waits are longer than the HV unit's.
QVector<Statemachine::StateTimeout> buildTimeouts()
{
    return {
        {WaitConfirmOn, 60000, eTestResult_Unknown},
        {WaitHVOn, 30000, eTestResult_TimeoutHVGenNotStarted},
        {WaitLoadDetect, 90000, eTestResult_TimeoutLoadDetection},
        {WaitForEffTestParameters, 30000, eTestResult_TimeoutWaitingAckTestParam},
        {WaitForConfirmation, 60000, eTestResult_TimeoutWaitingAckTestParam},
        {TestReadyToRun, 30000, eTestResult_TimeoutHVGenNotStarted},
    };
}

} // namespace

Statemachine::Statemachine(QObject* parent, int tickMs)
    : QObject(parent), m_counter(new TimeoutCounter(this, tickMs)), m_timeouts(defaultTimeouts())
{
    registerInstrumentTypes();
    connect(m_counter, &TimeoutCounter::updateTimeoutTime, this, &Statemachine::updateTimeoutTime);
    connect(m_counter, &TimeoutCounter::timeout, this, &Statemachine::onTimeout);
}

Statemachine::~Statemachine() = default;

const QVector<Statemachine::Transition>& Statemachine::transitions()
{
    static const QVector<Transition> table = buildTable();
    return table;
}

const QVector<Statemachine::StateTimeout>& Statemachine::defaultTimeouts()
{
    static const QVector<StateTimeout> table = buildTimeouts();
    return table;
}

bool Statemachine::lookup(AppState state, eAppEvent event, AppState& next)
{
    for (const Transition& t : transitions()) {
        if (t.from == state && t.event == event) {
            next = t.to;
            return true;
        }
    }
    return false;
}

bool Statemachine::isTestState(AppState state)
{
    return state >= InitTest && state <= TestSoftStop;
}

uint Statemachine::timeoutFor(AppState state) const
{
    for (const StateTimeout& t : m_timeouts)
        if (t.state == state)
            return t.ms;
    return 0;
}

eTestResult Statemachine::timeoutResult(AppState state) const
{
    for (const StateTimeout& t : m_timeouts)
        if (t.state == state)
            return t.result;
    return eTestResult_Unknown;
}

void Statemachine::setStateTimeout(AppState state, uint ms)
{
    for (StateTimeout& t : m_timeouts) {
        if (t.state == state) {
            t.ms = ms;
            return;
        }
    }
    m_timeouts.append({state, ms, eTestResult_Unknown});
}

void Statemachine::receiveAppEvent(eAppEvent event)
{
    m_pending.enqueue(event);
    if (m_busy)
        return;
    m_busy = true;
    while (!m_pending.isEmpty())
        process(m_pending.dequeue());
    m_busy = false;
}

// After the output is off the record is being stored or shown: an HV-unit error
// must not cut that short, so it is kept until the test is left.
bool Statemachine::keepsHVUnitError(AppState state)
{
    switch (state) {
    case TestFinalizing:
    case TransferringToHistory:
    case TestFinished:
    case TransferringTestData:
    case TestDataTransferred:
    case WaitPhaseConnect:
        return true;
    default:
        return false;
    }
}

void Statemachine::setHVUnitErrorCheck(std::function<bool()> check) { m_hvUnitErrorCheck = std::move(check); }
void Statemachine::setBurnCheck(std::function<bool()> check) { m_burnCheck = std::move(check); }

bool Statemachine::hvUnitErrorPending() const
{
    return m_hvUnitErrorKept || (m_hvUnitErrorCheck && m_hvUnitErrorCheck());
}

void Statemachine::process(eAppEvent event)
{
    const AppState old = currentState();
    AppState next = old;
    if (event == E::HVUnitErrorDetected && keepsHVUnitError(old)) {
        m_hvUnitErrorKept = true;
        KLOG_DEBUG2("Statemachine", "receiveAppEvent",
                    QString("HV-unit error in state %1 kept until the test is left").arg(stateName(old)));
        return;
    }
    if (old == InitTest && (event == E::TestCanceledUser || event == E::TestAborted)) {
        // The worker is still initialising; the abort is acted on when it is done.
        m_keptAbort = event;
        KLOG_DEBUG2("Statemachine", "receiveAppEvent", QString("%1 kept until InitTest is left").arg(appEventName(event)));
        return;
    }
    if (!lookup(old, event, next)) {
        KLOG_DEBUG2("Statemachine", "receiveAppEvent",
                    QString("Event %1 (%2) ignored in state %3 (%4)")
                        .arg(appEventName(event))
                        .arg(int(event))
                        .arg(stateName(old))
                        .arg(int(old)));
        return;
    }
    next = redirect(old, next);
    m_counter->stop();
    m_state.store(next);
    KLOG_DEBUG2("Statemachine", "receiveAppEvent",
                QString("%1 --%2--> %3").arg(stateName(old), appEventName(event), stateName(next)));
    const uint ms = timeoutFor(next);
    if (ms > 0)
        m_counter->start(ms);
    emit appStateChanged(old, next);
}

AppState Statemachine::redirect(AppState old, AppState next)
{
    // Without burn mode the unit has switched its output off for good: nothing to count down.
    if (old == TestRunning && next == TestBurning && m_burnCheck && !m_burnCheck())
        return TestFinalizing;
    if (old == InitTest) {
        const bool aborted = m_keptAbort != E::None;
        m_keptAbort = E::None;
        // An aborted test never waits for the operator; an error ends it anyway.
        if (aborted && next != TestFinished) {
            KLOG_DEBUG2("Statemachine", "receiveAppEvent", "Test aborted during its initialisation");
            return Idle;
        }
    }
    if (!keepsHVUnitError(old) || keepsHVUnitError(next))
        return next;
    const bool pending = hvUnitErrorPending();
    m_hvUnitErrorKept = false;
    if (!pending)
        return next;
    if (old == WaitPhaseConnect) {
        // No further phase with the unit in error; Idle then acts on it.
        m_pending.prepend(E::HVUnitErrorDetected);
        return Idle;
    }
    // The record is stored: start the HV unit again instead of idling with it in error.
    KLOG_DEBUG2("Statemachine", "receiveAppEvent", "HV-unit error after the test: starting the HV unit again");
    return Starting;
}

void Statemachine::onTimeout()
{
    const AppState state = currentState();
    KLOG_DEBUG2("Statemachine", "onTimeout", QString("Time-out in state %1").arg(stateName(state)));
    emit stateTimedOut(state);
    receiveAppEvent(eAppEvent::StateTimeout);
}
