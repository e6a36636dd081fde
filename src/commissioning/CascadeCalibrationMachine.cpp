#include "commissioning/CascadeCalibrationMachine.h"

#include "commissioning/CascadeCalibrationMath.h"
#include "commissioning/CascadeOutput.h"
#include "commissioning/IdleState.h"
#include "commissioning/Measure.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/ProcedureFrame.h"
#include "commissioning/RampDown.h"
#include "commissioning/SetValuePOF.h"
#include "commissioning/StableTransition.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/TPOF.h"

#include <QStringList>

#include <cstdlib>
#include <functional>

namespace Commissioning {

namespace {
using E = CascadeCalibrationMachine::Event;
using StatesAndTransitions::constructState;
using Plain = StatesAndTransitions::State<E>;

QString calibrationNotRestoredText()
{
    return QStringLiteral("Die Kalibrierung der HV-Kaskaden konnte nicht wiederhergestellt werden");
}

QString describe(CalibrationWords const& w)
{
    QStringList words;
    for (unsigned long long word : w)
        words << QStringLiteral("0x%1").arg(word, 0, 16);
    return words.join(QLatin1Char('/'));
}

// Takes over the unit and sets it up for the run.
using InitCascade = DelayedSetUp<E>;
// Load detection done: the output starts with the neutral calibration.
using StartCalib = GoodLoadDetect<E>;
} // namespace

std::vector<StatesAndTransitions::State<E>*>
generateVoltagePath(std::vector<std::tuple<short, double*, CascadeCalibrationStage>> const& points,
                    StatesAndTransitions::State<E>* parent, TPOF* pof, CascadeCalibrationMachine* machine)
{
    std::vector<StatesAndTransitions::State<E>*> path;
    short previous = 0;
    double* pending = nullptr;
    const auto append = [&](StatesAndTransitions::State<E>* state) {
        if (!path.empty())
            createEventTransition<StableTransition<E>>(path.back(), state, Measure(pending));
        path.push_back(state);
    };
    for (const auto& point : points) {
        const short level = std::get<0>(point);
        if (std::abs(level) < std::abs(previous) || (previous != 0 && (level < 0) != (previous < 0))) {
            append(constructState<RampDown<E>>(parent, machine, pof));
            pending = nullptr;
        }
        append(constructState<CascadeOutput>(parent, machine, pof, std::get<2>(point), level));
        pending = std::get<1>(point);
        previous = level;
    }
    append(constructState<RampDown<E>>(parent, machine, pof));
    return path;
}

CascadeCalibrationMachine::CascadeCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety)
    : m_pof(pof), m_safety(safety), m_restore(pof)
{
    qRegisterMetaType<Event>("CascadeCalibrationEvent");
    auto* idle = constructState<IdleState<E>>(this, pof, safety, &m_savedReceiver, [this] { restoreCalibration(); });
    auto* init = constructState<InitCascade>(this, this, safety, [this] { setUp(); });
    auto* running = constructState<Plain>(this);
    auto* loadDetection = constructState<Plain>(running);
    const auto calibration = generateVoltagePath({ { 60, &m_before.p6, CalibrationP6 },
                                                   { 400, &m_before.p40, CalibrationP40 },
                                                   { -60, &m_before.n6, CalibrationN6 },
                                                   { -400, &m_before.n40, CalibrationN40 } },
                                                 running, pof, this);
    const auto confirmation = generateVoltagePath({ { 60, &m_after.p6, ConfirmP6 },
                                                    { 400, &m_after.p40, ConfirmP40 },
                                                    { -60, &m_after.n6, ConfirmN6 },
                                                    { -400, &m_after.n40, ConfirmN40 } },
                                                  running, pof, this);

    ProcedureFrame<E> frame { idle, init, running, loadDetection, calibration.front() };
    frame.report = [this](QString const& text) { report(text); };
    frame.started = [this] { startCalibration(); };
    frame.hvOn = [this] { emit cascadeMachineEvent(CascadeLoadDetect); };
    setRecovery(idle, connectProcedure<E, StartCalib>(frame, pof, safety, &m_savedReceiver, &m_failure));

    // Both leave the last ramp of the first path; each has its own samples.
    const auto good = [this] { return goodCalibration(calculateCalibration(m_before)); };
    createEventTransition<StableTransition<E>>(
        calibration.back(), confirmation.front(), [this](boost::circular_buffer<long> const&) { writeCalibration(); }, good);
    createEventTransition<StableTransition<E>>(
        calibration.back(), idle,
        [this](boost::circular_buffer<long> const&) {
            report(describeBadCalibration(calculateCalibration(m_before)));
            stopOutput(m_pof);
        },
        [good] { return !good(); });
    createEventTransition<StableTransition<E>>(confirmation.back(), idle,
                                               [this](boost::circular_buffer<long> const&) { finish(); });

    enterInitialState();
}

CascadeCalibrationMachine::~CascadeCalibrationMachine()
{
    releaseOnDelete(this);
}

void CascadeCalibrationMachine::release()
{
    if (retire())
        return;
    releaseProcedure(this, "CascadeCalibrationMachine", m_pof, m_safety, &m_savedReceiver, &m_restore);
}

void CascadeCalibrationMachine::report(QString const& text)
{
    // The line goes first; the operator is told after.
    if (holdsInputs())
        releaseHvEnable(m_safety);
    emit cascadeCalibrationError(text);
}

void CascadeCalibrationMachine::restoreCalibration()
{
    // Refused because another procedure runs: the unit is that one's now.
    if (!inputsFreeFor(m_safety, &m_savedReceiver) || m_restore.writeBack())
        return;
    emit cascadeCalibrationError(calibrationNotRestoredText());
}

void CascadeCalibrationMachine::fail(QString const& text)
{
    m_failure = text;
    // Any event carries the failure; this one makes sure there is one.
    testEvent(E(Abort));
}

void CascadeCalibrationMachine::setUp()
{
    if (!inputsFreeFor(m_safety, &m_savedReceiver)) {
        fail(otherProcedureRunningText());
        return;
    }
    // A calibration read now could be one a run left: what the unit is owed goes first.
    if (!m_restore.writeBack() || !m_pof->owedWrites()->writeOwed()) {
        fail(owedWritesFailedText());
        return;
    }
    if (takeOverInputs(this, m_pof, m_safety, &m_savedReceiver, &CascadeCalibrationMachine::receiveEvent<std::bitset<10>>,
                       &CascadeCalibrationMachine::receiveEvent<stHVUnitState>, 0)
        == Takeover::Refused) {
        fail(otherProcedureRunningText());
        return;
    }
    // Without it the run could not give the unit its calibration back.
    // Kept as read: they go back word for word, whatever they hold.
    const std::optional<CalibrationWords> saved = getCalibrationWords(*m_pof);
    if (!saved) {
        fail(QStringLiteral("Die Kalibrierung der HV-Kaskaden konnte nicht gelesen werden."));
        return;
    }
    m_saved = *saved;
    const QString error = sendSetUp(m_pof, m_safety, setUpCommands(397));
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    faultPoint("setUp");
    emit cascadeMachineEvent(CascadeWaitForGreen);
}

void CascadeCalibrationMachine::startCalibration()
{
    if (!SetValuePOF(m_pof)({ TPOF::CMD_Voltage, 6000000, 0 }) || !m_pof->StartTest()) {
        fail(QStringLiteral("Die Hochspannung konnte nicht gestartet werden."));
        return;
    }
    // From here on the unit holds another calibration than its own.
    if (!m_restore.arm({ QStringLiteral("The cascade calibration %1").arg(describe(m_saved)), calibrationNotRestoredText(),
                         std::nullopt, calibrationParameters(m_saved) })) {
        fail(oldValuesNotKeptText());
        return;
    }
    // The first path measures without any calibration.
    if (!setCascadeCalibration(*m_pof, CascadeCalibrationResult()))
        fail(QStringLiteral("Die neutrale Kalibrierung der HV-Kaskaden konnte nicht geschrieben werden."));
    faultPoint("startCalib");
}

void CascadeCalibrationMachine::writeCalibration()
{
    const CascadeCalibrationResult calibration = calculateCalibration(m_before);
    if (!setCascadeCalibration(*m_pof, calibration))
        fail(QStringLiteral("Die neue Kalibrierung der HV-Kaskaden konnte nicht geschrieben werden."));
}

void CascadeCalibrationMachine::finish()
{
    const bool success = calibrationConfirmed(m_after);
    emit cascadeCalibrationSummary(m_before, m_after, calculateCalibration(m_before), success);
    if (success) {
        // The new calibration stays in the unit.
        m_restore.disarm();
    }
    stopOutput(m_pof);
    m_pof->refreshHVUnitParams(QList<eHVUnitParamType>());
}

} // namespace Commissioning
