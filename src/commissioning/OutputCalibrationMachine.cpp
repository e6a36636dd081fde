#include "commissioning/OutputCalibrationMachine.h"

#include "commissioning/MatchesEvent.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/ProcedureFrame.h"
#include "commissioning/SetValuePOF.h"
#include "commissioning/TimerScale.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/TPOF.h"
#include "logging/LoggingCtrl.h"

#include <QTimer>

#include <boost/circular_buffer.hpp>

#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

namespace Commissioning {

namespace {
using E = OutputCalibrationMachine::Event;
using StatesAndTransitions::constructState;

constexpr unsigned long long kCalibrationVoltage = 37000000; // mV
constexpr unsigned long long kUnitGain = 10000;

// Gains written with the unit's checks (busy until taken, no failure, read back).
bool writeGains(TPOF& pof, unsigned long long gainU, unsigned long long gainI)
{
    if (gainU > 0xFFFF || gainI > 0xFFFF)
        return false;
    stGainCalibration gains;
    gains.gainU = quint16(gainU);
    gains.gainI = quint16(gainI);
    return pof.writeGainCalibration(gains) == TPOF::Ok;
}

QString gainsNotRestoredText()
{
    return QStringLiteral("Die Verstärkungen des HV-Geräts konnten nicht wiederhergestellt werden");
}

// Takes over the unit and sets it up for the run.
using InitTest = DelayedSetUp<E>;
// Load detection done: the DC output starts.
using StartDC = GoodLoadDetect<E>;

// Where a step's output and the operator's reading of it must lie (kV).
struct Level {
    double low;
    double high;
    bool contains(double kilovolts) const { return low <= kilovolts && kilovolts <= high; }
};
constexpr Level kNegativeLevel { -41.0, -33.0 };
constexpr Level kPositiveLevel { 33.0, 41.0 };
// A step offers Confirm once its output stood at the step's level for 16 readings (4 s)
// and the mean of the last 8 (2 s) lies within 0.3 kV of the mean of the 8 before: a
// read-back that scatters still averages out, a ramp of 2 kV/s moves the means 4 kV apart.
constexpr int kMeanReadings = 8;
constexpr double kSteadyKilovolts = 0.3;

// A step at 37 kV: reports its stage and the output every 250 ms, and whether the output
// has stood at the step's level, no longer moving, long enough for a Confirm. Once offered,
// Confirm stays offered for the rest of the step.
class DCState : public StatesAndTransitions::State<E> {
public:
    DCState(OutputCalibrationMachine* machine, TPOF* pof, OutputCalibrationStage stage, Level level,
            const QString* failure, const std::atomic<bool>* lost)
        : m_machine(machine), m_pof(pof), m_stage(stage), m_level(level), m_failure(failure), m_lost(lost),
          m_timer(new QTimer(machine))
    {
        // A tick that finds a step running is skipped; the next one comes 250 ms later.
        m_connection = QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { m_machine->runHook([this] { tick(); }); });
    }
    ~DCState() override { QObject::disconnect(m_connection); }

    void onEntry() override
    {
        m_last.clear();
        m_offered = false;
        m_told = OutputSettling;
        // Entered by a step that failed: the run ends with the next event, silently here.
        if (!m_failure->isEmpty())
            return;
        m_timer->start(scaledInterval(250));
        emit m_machine->machineEvent(m_stage);
    }
    void onExit() override { m_timer->stop(); }

    OutputCalibrationStage stage() const { return m_stage; }
    bool settled() const { return m_offered && !*m_lost; }

private:
    void tick()
    {
        m_machine->faultPoint("DCState::tick");
        const OutputValues v = pollOutputValues(*m_pof);
        const bool read = !(v == OutputValues::failed());
        if (read)
            emit m_machine->measurementUpdate(int(v.voltage * 0.001), int(v.current));
        if (m_offered)
            return;
        // A missing reading starts the count again, as one off the level does.
        if (read && m_level.contains(v.voltage * 1e-6))
            m_last.push_back(v.voltage * 1e-6);
        else
            m_last.clear();
        OutputReading now = OutputSettling;
        if (m_last.full()) {
            const auto half = m_last.begin() + kMeanReadings;
            const double before = std::accumulate(m_last.begin(), half, 0.0) / kMeanReadings;
            const double recent = std::accumulate(half, m_last.end(), 0.0) / kMeanReadings;
            m_offered = std::abs(recent - before) < kSteadyKilovolts;
            now = m_offered ? OutputSettled : OutputScattering;
        }
        if (now != m_told && !*m_lost)
            emit m_machine->outputReading(now);
        m_told = now;
    }

    OutputCalibrationMachine* m_machine;
    TPOF* m_pof;
    OutputCalibrationStage m_stage;
    Level m_level;
    const QString* m_failure;
    const std::atomic<bool>* m_lost;
    QTimer* m_timer; // owned by the machine
    QMetaObject::Connection m_connection;
    // The readings in a row at the level since the step began (kV), the newest last.
    boost::circular_buffer<double> m_last { 2 * kMeanReadings };
    bool m_offered = false;
    OutputReading m_told = OutputSettling; // what the page was last told
};

QString gainNotWrittenText(unsigned long long gainU)
{
    return QStringLiteral("Die Verstärkung %1 konnte nicht geschrieben werden.").arg(gainU);
}

// Empty when the reading was entered in its step and lies in the range.
QString readingError(double kilovolts, bool fresh, Level level, const char* step)
{
    if (!fresh)
        return QStringLiteral("Kein Messwert für %1 eingegeben.").arg(QLatin1String(step));
    // Written so that a reading that is no number fails too.
    if (!level.contains(kilovolts))
        return QStringLiteral("Messwert %1 kV für %2 liegt nicht zwischen %3 und %4 kV.")
            .arg(kilovolts, 0, 'f', 1)
            .arg(QLatin1String(step))
            .arg(level.low, 0, 'f', 1)
            .arg(level.high, 0, 'f', 1);
    return QString();
}
} // namespace

OutputCalibrationMachine::OutputCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety)
    : m_pof(pof), m_safety(safety), m_restore(pof)
{
    using Plain = StatesAndTransitions::State<E>;
    auto* idle = constructState<OutputCalibration::IdleState>(this, pof, safety, &m_savedReceiver, [this] { restoreGains(); });
    auto* init = constructState<InitTest>(this, this, safety, [this] { setUp(); });
    auto* running = constructState<Plain>(this);
    auto* loadDetection = constructState<Plain>(running);
    auto* step1 = constructState<DCState>(running, this, pof, Step1, kNegativeLevel, &m_failure, &m_outputLost);
    auto* step2 = constructState<DCState>(running, this, pof, Step2, kPositiveLevel, &m_failure, &m_outputLost);
    auto* step3 = constructState<DCState>(running, this, pof, Step3, kPositiveLevel, &m_failure, &m_outputLost);
    auto* step4 = constructState<DCState>(running, this, pof, Step4, kNegativeLevel, &m_failure, &m_outputLost);

    ProcedureFrame<E> frame { idle, init, running, loadDetection, step1 };
    frame.report = [this](QString const& text) { report(text); };
    frame.started = [this] { startDC(); };
    frame.aborted = [this] { emit machineEvent(Done); };
    setRecovery(idle, connectProcedure<E, StartDC>(frame, pof, safety, &m_savedReceiver, &m_failure));
    // A step is confirmed only once its output stood at its level; an earlier Confirm is
    // dropped, and the reading that came with it too.
    const auto settled = [this](DCState* step) {
        return [this, step] {
            if (step->settled())
                return true;
            dropEarlyReading(step->stage());
            return false;
        };
    };
    createEventTransition<MatchesEvent<E>>(step1, step2, E(Confirm), [this] { confirmNegative(); }, settled(step1));
    createEventTransition<MatchesEvent<E>>(step2, step3, E(Confirm), [this] { writeGain(); }, settled(step2));
    createEventTransition<MatchesEvent<E>>(step3, step4, E(Confirm), [this] { confirmPositive(); }, settled(step3));
    createEventTransition<MatchesEvent<E>>(step4, idle, E(Confirm), [this] { finish(); }, settled(step4));

    enterInitialState();
}

OutputCalibrationMachine::~OutputCalibrationMachine()
{
    releaseOnDelete(this);
}

void OutputCalibrationMachine::release()
{
    if (retire())
        return;
    releaseProcedure(this, "OutputCalibrationMachine", m_pof, m_safety, &m_savedReceiver, &m_restore);
}

void OutputCalibrationMachine::report(QString const& text)
{
    // The line goes first; the operator is told after.
    if (holdsInputs())
        releaseHvEnable(m_safety);
    emit errorMessage(text);
    emit machineEvent(Error);
}

void OutputCalibrationMachine::restoreGains()
{
    if (m_restore.writeBack())
        return;
    emit errorMessage(gainsNotRestoredText());
    emit machineEvent(Error);
}

void OutputCalibrationMachine::receiveVoltage(double kilovolts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (kilovolts > 0.0) {
        m_positiveVoltage = kilovolts;
        m_positiveFresh = true;
    } else {
        m_negativeVoltage = kilovolts;
        m_negativeFresh = true;
    }
}

void OutputCalibrationMachine::dropEarlyReading(OutputCalibrationStage step)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (step == Step1)
            m_negativeFresh = false;
        else if (step == Step2)
            m_positiveFresh = false;
    }
    KLOG_INFO2("OutputCalibrationMachine", "dropEarlyReading",
               QStringLiteral("Confirm in stage %1 ignored: the output has not stood at the step's level yet").arg(int(step)));
}

void OutputCalibrationMachine::outputLost()
{
    m_outputLost = true;
    emit outputReading(OutputLost);
}

void OutputCalibrationMachine::fail(QString const& text)
{
    m_failure = text;
    // Any event carries the failure; this one makes sure there is one.
    testEvent(E(Abort));
}

void OutputCalibrationMachine::setUp()
{
    if (!inputsFreeFor(m_safety, &m_savedReceiver)) {
        fail(otherProcedureRunningText());
        return;
    }
    // Gains read now could be those a run left: what the unit is owed goes first.
    if (!m_pof->owedWrites()->writeOwed()) {
        fail(owedWritesFailedText());
        return;
    }
    m_outputLost = false;
    if (takeOverInputs(this, m_pof, m_safety, &m_savedReceiver, &OutputCalibrationMachine::recieveSafety,
                       &OutputCalibrationMachine::recieveHVState, 1, &OutputCalibrationMachine::outputLost)
        == Takeover::Refused) {
        fail(otherProcedureRunningText());
        return;
    }
    unsigned long long gains[4] = {};
    unsigned short count = 0;
    if (m_pof->GetValue(TPOF::CMD_GetGains, gains, 4, &count) != TPOF::Ok || count < 2 || gains[0] > 0xFFFF
        || gains[1] > 0xFFFF) {
        // Without them the first command would write a gain that is never restored.
        m_gains = SavedGains();
        fail(QStringLiteral("Die Verstärkungen der HV-Einheit konnten nicht gelesen werden."));
        return;
    }
    m_gains = { gains[0], gains[1] };
    stGainCalibration old;
    old.gainU = quint16(m_gains.gainU);
    old.gainI = quint16(m_gains.gainI);
    const QString what = QStringLiteral("The gains %1/%2").arg(m_gains.gainU).arg(m_gains.gainI);
    if (!m_restore.arm({ what, gainsNotRestoredText(), old, {} })) {
        fail(oldValuesNotKeptText());
        return;
    }
    if (!writeGains(*m_pof, kUnitGain, m_gains.gainI)) {
        fail(gainNotWrittenText(kUnitGain));
        return;
    }
    const QString error = sendSetUp(m_pof, m_safety, setUpCommands(128));
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    faultPoint("setUp");
    emit machineEvent(OutputCalibrationWaitForGreen);
}

void OutputCalibrationMachine::startDC()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_negativeFresh = false;
    }
    if (!SetValuePOF(m_pof)({ TPOF::CMD_Voltage, kCalibrationVoltage, 0 }) || !m_pof->StartTest())
        fail(QStringLiteral("Die Gleichspannung konnte nicht gestartet werden."));
    faultPoint("startDC");
}

void OutputCalibrationMachine::confirmNegative()
{
    QString error;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        error = readingError(m_negativeVoltage, m_negativeFresh, kNegativeLevel, "-37 kV");
        m_positiveFresh = false;
    }
    if (!error.isEmpty())
        fail(error);
    else if (!flipDcToPositive(*m_pof))
        fail(QStringLiteral("Die Umschaltung auf positive Spannung ist fehlgeschlagen."));
}

void OutputCalibrationMachine::writeGain()
{
    unsigned long long gainU = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const QString error = readingError(m_positiveVoltage, m_positiveFresh, kPositiveLevel, "+37 kV");
        if (!error.isEmpty()) {
            fail(error);
            return;
        }
        gainU = static_cast<unsigned long long>(std::llround((m_positiveVoltage - m_negativeVoltage) / 74.0 * 10000.0));
    }
    // The saved U gain stays: a run ending from here on restores the old one. A gain the
    // unit did not take is an error, never a calibration.
    if (!writeGains(*m_pof, gainU, m_gains.gainI)) {
        fail(gainNotWrittenText(gainU));
        return;
    }
    emit calibrationUpdate(double(gainU), double(m_gains.gainI));
}

void OutputCalibrationMachine::confirmPositive()
{
    if (!flipDcToNegative(*m_pof))
        fail(QStringLiteral("Die Umschaltung auf negative Spannung ist fehlgeschlagen."));
}

void OutputCalibrationMachine::finish()
{
    m_gains = SavedGains();
    m_restore.disarm();
    stopOutput(m_pof);
    m_pof->refreshHVUnitParams(QList<eHVUnitParamType>());
    emit machineEvent(Done);
}

} // namespace Commissioning
