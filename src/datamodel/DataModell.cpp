#include "datamodel/DataModell.h"

#include "datamodel/OperatingModes.h"
#include "datamodel/Statistics.h"
#include "core/FsRoot.h"
#include "core/GlobalFuncs.h"
#include "core/IBacklight.h"
#include "core/IConnectionManager.h"
#include "core/Locked.h"
#include "core/ISystemClock.h"
#include "core/Platform.h"
#include "db/DB.h"
#include "logging/LoggingCtrl.h"

#include <QFile>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTimeZone>
#include <QTimer>

using namespace States;
using M = OperatingModes;
namespace TD = TanDelta::evaluation;
namespace Bits = HVStateBits;

namespace {
const char* const kClass = "DataModell";

// Which fault of the HV unit ends a test with which result, in order of precedence.
struct FaultResult {
    quint32 bit;
    eTestResult result;
};
const FaultResult kFaultResults[] = {
    {Bits::Overtemperature, eTestResult_OvertemperatureDetected},
    {Bits::Overvoltage, eTestResult_OvervoltageDetected},
    {Bits::Breakdown, eTestResult_BreakdownDetected},
    {Bits::Overcurrent, eTestResult_OvercurrentHVUnit},
    {Bits::OutputOffset, eTestResult_OutputOffsetTooBig},
    {Bits::PolarityError, eTestResult_PolarityError},
};

// Safety inputs whose rising edge is an application event.
struct SafetyEvent {
    int bit;
    eAppEvent event;
};
const SafetyEvent kSafetyEvents[] = {
    {6, eAppEvent::GotHVFree},
    {8, eAppEvent::ExtEmergOffClosed},
    {9, eAppEvent::HVOn},
};
constexpr int kHvOnButton = 9; // a push button: letting it go is no opening of the circuit

bool hvIsSwitchedOn(AppState s)
{
    return s >= WaitHVOn && s <= TestSoftStop;
}
} // namespace

DataModell::DataModell()
    : m_sm(new Statemachine(this)), m_systemInfo(&m_hv), m_ownPhaseSelect(&m_settings)
{
    registerInstrumentTypes();
    qRegisterMetaType<TD::eEvaluationStandard>("TanDelta::evaluation::eEvaluationStandard");
    qRegisterMetaType<TD::eInsulationType>("TanDelta::evaluation::eInsulationType");
    connect(m_sm, &Statemachine::appStateChanged, this, &DataModell::onStateChanged);
    // Taken as the announcement goes out: a test without samples is confirmed and its
    // data reset before the results page gets round to reading them.
    connect(this, &DataModell::appStateChanged, this, [this](AppState, AppState state) {
        if (state == TestFinished)
            m_testData.keepOutcome();
    });
    connect(m_sm, &Statemachine::updateTimeoutTime, this, &DataModell::updateTimeoutTime);
    connect(m_sm, &Statemachine::stateTimedOut, this, &DataModell::onStateTimedOut);
    m_sm->setHVUnitErrorCheck([this] {
        // A breakdown is the cable's result, not a fault of the unit.
        const stHVUnitState st = m_hv.state();
        return st.comError || (st.state & Bits::FaultMask & ~Bits::Breakdown) != 0;
    });
    m_sm->setBurnCheck([this] { return m_hv.burnModeSent(); });
    if (!GlobalFuncs::getDM())
        GlobalFuncs::setDM(this);
    initialize();
}

DataModell::~DataModell()
{
    if (GlobalFuncs::getDM() == this)
        GlobalFuncs::setDM(nullptr);
}

void DataModell::initialize()
{
    // Before the first read: whatever the file holds, the program reads values in bounds.
    DisplaySettings::holdConfigurationToBounds();
    m_display.ensureDefaults();
    m_settings.load();
    if (DB* db = GlobalFuncs::getDB()) {
        static const Statistics statistics;
        db->setStatistics(&statistics);
        db->setRemoteControlledCheck([this] { return isRemoteControlled(); });
    }
}

// --- state machine ---------------------------------------------------------

bool DataModell::isTestRunningState(AppState state)
{
    return Statemachine::isTestState(state);
}

bool DataModell::isTestRunning() const
{
    return isTestRunningState(getAppState());
}

void DataModell::postEvent(eAppEvent event)
{
    // Always queued: the machine runs on the model's thread, after the current step.
    QMetaObject::invokeMethod(this, [this, event] { receiveAppEvent(event); }, Qt::QueuedConnection);
}

void DataModell::receiveAppEvent(eAppEvent event)
{
    const AppState state = getAppState();
    AppState next = state;
    if (Statemachine::lookup(state, event, next)) {
        if ((event == eAppEvent::TestCanceledUser || event == eAppEvent::TestAborted) && hvIsSwitchedOn(state))
            recordResult(eTestResult_CancelledByOp);
        else if (event == eAppEvent::TestTimeUp)
            recordResult(eTestResult_FinishedSuccess);
    }
    m_sm->receiveAppEvent(event);
}

void DataModell::onStateTimedOut(AppState state)
{
    const eTestResult result = m_sm->timeoutResult(state);
    if (result != eTestResult_Unknown)
        recordResult(result);
}

void DataModell::onStateChanged(AppState oldState, AppState newState)
{
    if (newState == InitTest)
        m_phases.testStarts();
    if (newState == InitTest && oldState == Idle && isTanDeltaMode()) {
        // A new multi-phase sequence: forget the phases of the last one.
        m_phases.reset();
        if (DB* db = GlobalFuncs::getDB())
            db->clearTanDeltaPhases();
    }
    if (newState == InitTest)
        m_phaseRan = false;
    else if (newState == TestRunning)
        m_phaseRan = true;
    if (newState == TestFinalizing && isTanDeltaMode()) {
        if (m_phaseRan && m_phases.currentPhase() >= 0) {
            // Keep the finished phase's summary for the result views.
            QVector<DB::TanDeltaStep> steps;
            for (const TanDeltaMeasurementValues& v : m_testData.tanDeltaSummary())
                steps.append({v.voltage, v.avgTanDelta, v.stdDevTanDelta});
            if (DB* db = GlobalFuncs::getDB())
                db->setTanDeltaSummary(m_phases.currentPhase(), steps);
        }
        // A phase that ends without its result, also one stopped before its output ran,
        // ends the sequence: the operator sees the results of the phases measured, and the
        // others are not measured.
        m_phases.endCurrent(getTestResult() == eTestResult_FinishedSuccess);
    }
    checkWaitingState(newState, m_hv.state());
    emit appStateChanged(oldState, newState);
}

// Conditions a waiting state looks for may already hold when it is entered.
void DataModell::checkWaitingState(AppState state, const stHVUnitState& hv)
{
    if (state == WaitLoadDetect && !modeUseLoadDetection()) {
        postEvent(eAppEvent::LoadDetectionFinished);
        return;
    }
    if (hv.comError)
        return;
    switch (state) {
    case WaitHVOn:
        if (hv.state & Bits::OutputOn)
            postEvent(eAppEvent::HVOutputOn);
        break;
    case WaitLoadDetect:
        if (hv.state & (Bits::LoadDetectionFinished | Bits::LoadResultError1 | Bits::LoadResultError2))
            postEvent(eAppEvent::LoadDetectionFinished);
        break;
    case TestReadyToRun:
        if (hv.state & Bits::TestVoltageOn)
            postEvent(eAppEvent::TestStarted);
        break;
    default:
        break;
    }
}

void DataModell::recordResult(eTestResult result)
{
    m_testData.setTestResult(result, m_hv.safetyState(), m_hv.state().state);
}

// --- operating mode ----------------------------------------------------------

OperatingModes::OperatingMode DataModell::getOperatingMode() const
{
    return m_settings.getOperatingMode();
}

OperatingModes* DataModell::getOperatingModes() const
{
    return M::getInstance();
}

QString DataModell::getCurrentOperatingModeName() const
{
    return M::getInstance()->getModeName(getOperatingMode());
}

void DataModell::changeOperatingMode(M::OperatingMode mode)
{
    if (!m_settings.changeOperatingMode(mode)) {
        KLOG_WARN2(kClass, "changeOperatingMode", QStringLiteral("Operating mode %1 refused").arg(int(mode)));
        return;
    }
    emit operatingModeChanged(mode);
    emit voltageTypeChanged();
    emit voltageRangeChanged();
    emit frequencyToTestChanged();
    // Stored per mode: the header's burn sign shows what this mode's test will be sent.
    emit burnCurrentLimiterChanged(burnCurrentLimiter());
    emitVoltageChanged();
}

bool DataModell::isOpModeForced(M::OperatingMode mode) const
{
    return m_display.isOpModeForced(mode);
}

bool DataModell::isOperatingModePermitted(M::OperatingMode mode, bool testBoost) const
{
    if (!M::isValid(mode))
        return false;
    if (isOpModeForced(mode))
        return true;
    return !M::getInstance()->isTestBoostMode(mode) || testBoost;
}

bool DataModell::isTestBoostOpMode(M::OperatingMode mode) const
{
    return M::getInstance()->isTestBoostMode(mode == M::Unknown ? getOperatingMode() : mode);
}

bool DataModell::isDutyCycleMode() const
{
    return M::getInstance()->isDutyCycleMode(getOperatingMode());
}

bool DataModell::modeIsPeriodic() const
{
    return periodicModeType() != 0;
}

int DataModell::periodicModeType(M::OperatingMode mode) const
{
    return M::getInstance()->periodicModeType(mode == M::Unknown ? getOperatingMode() : mode);
}

bool DataModell::modeUseLoadDetection() const
{
    const M::OperatingMode mode = getOperatingMode();
    return mode != M::SheathTest && mode != M::SheathPinpointing;
}

const OpModeParameters* DataModell::getPrimaryParameters(M::OperatingMode mode) const
{
    return M::getInstance()->getOpModeParameters(mode == M::Unknown ? getOperatingMode() : mode, OpModeParameters::Primary);
}

const OpModeParameters* DataModell::getSettingParameters(M::OperatingMode mode) const
{
    return M::getInstance()->getOpModeParameters(mode == M::Unknown ? getOperatingMode() : mode, OpModeParameters::Setting);
}

const OpModeParameters* DataModell::getMeasurmentParameters(M::OperatingMode mode) const
{
    return M::getInstance()->getOpModeParameters(mode == M::Unknown ? getOperatingMode() : mode,
                                                 OpModeParameters::Measurement);
}

// --- test settings -----------------------------------------------------------

void DataModell::setTestSettingsDefault()
{
    m_settings.setTestSettingsDefault();
    emit operatingModeChanged(M::None);
    emitVoltageChanged();
}

void DataModell::emitVoltageChanged()
{
    emit voltageChanged(getVoltageToTest());
}

long DataModell::getVoltageToTest() const { return m_settings.getVoltageToTest(); }

void DataModell::setVoltageToTest(long value)
{
    m_settings.setVoltageToTest(value);
    emitVoltageChanged();
}

eVoltageType DataModell::getVoltageType() const { return m_settings.getVoltageType(); }

void DataModell::setVoltageType(eVoltageType type, bool save)
{
    m_settings.setVoltageType(type, save);
    emit voltageTypeChanged();
    emitVoltageChanged();
}

int DataModell::getVoltageFactor(eVoltageType type) const { return m_settings.getVoltageFactor(type); }

void DataModell::setVoltageFactor(int tenths)
{
    m_settings.setVoltageFactor(tenths);
    emitVoltageChanged();
}

QPair<long, long> DataModell::getVoltageRange(M::OperatingMode mode) const { return m_settings.getVoltageRange(mode); }
long DataModell::getVoltageMax(M::OperatingMode mode) const { return m_settings.getVoltageMax(mode); }

bool DataModell::isVoltageTypeRMSSupported(M::OperatingMode mode) const
{
    return (M::getInstance()->getSupportedVoltageTypes(mode == M::Unknown ? getOperatingMode() : mode) & M::SupportsRMS) != 0;
}

QPair<long, long> DataModell::getVoltageRangeToTest() const { return m_settings.getVoltageRangeToTest(); }

void DataModell::setVoltageRangeToTest(long upper)
{
    m_settings.setVoltageRangeToTest(upper);
    emit voltageRangeChanged();
}

long DataModell::voltageInTypeForm(long peak) const { return m_settings.voltageInTypeForm(peak); }
long DataModell::enteredVoltage(long peakTestVoltage) const { return m_settings.enteredVoltage(peakTestVoltage); }
long DataModell::peakTestVoltage(long entered) const { return m_settings.peakTestVoltage(entered); }
QPair<long, long> DataModell::storedVoltageBounds() const { return m_settings.storedVoltageBounds(); }
int DataModell::highestLevel() const { return m_settings.highestLevel(); }
QPair<int, int> DataModell::voltageFactorRange(long enteredU0) const { return m_settings.voltageFactorRange(enteredU0); }
long DataModell::withstandVoltage() const { return m_settings.withstandVoltage(); }

long DataModell::setTargetVoltage(long peak)
{
    const long target = m_settings.setTargetVoltage(peak);
    emitVoltageChanged();
    emit targetVoltageConfirmed(target);
    return target;
}

void DataModell::targetVoltageSent(long peak) { m_testData.noteTargetSent(peak); }

long DataModell::getTestVoltageAsRun() const
{
    if (getVoltageRampMode() != VoltageRampMode_Manual)
        return getVoltageToTest();
    return qMax(m_testData.highestTargetSent(), testStartVoltage());
}

long DataModell::testInitializationVoltage() const { return m_settings.testInitializationVoltage(); }
long DataModell::testStartVoltage() const { return m_settings.testStartVoltage(); }
QList<long> DataModell::getVoltageStepList() const { return m_settings.getVoltageStepList(); }
unsigned DataModell::getVoltageSteps() const { return m_settings.getVoltageSteps(); }

void DataModell::setVoltageSteps(unsigned steps)
{
    m_settings.setVoltageSteps(steps);
    emit voltageStepsChanged();
}

unsigned DataModell::getNumberOfValues() const { return m_settings.getNumberOfValues(); }
void DataModell::setNumberOfValues(unsigned values) { m_settings.setNumberOfValues(values); }
QVector<unsigned short> DataModell::getVoltageFactorList() const { return m_settings.getVoltageFactorList(); }
unsigned short DataModell::getDefaultVoltageFactor(int step) const { return m_settings.getDefaultVoltageFactor(step); }

bool DataModell::setDefaultVoltageFactor(const unsigned short& value, int step)
{
    return m_settings.setDefaultVoltageFactor(value, step);
}

QPair<unsigned long, unsigned long> DataModell::frequencyRange(M::OperatingMode mode) const
{
    return m_settings.frequencyRange(mode);
}

unsigned long DataModell::getFrequencyToTest() const { return m_settings.getFrequencyToTest(); }

void DataModell::setFrequencyToTest(int mHz)
{
    m_settings.setFrequencyToTest(mHz);
    emit frequencyToTestChanged();
}

bool DataModell::getFrequencyToTestModified() const
{
    const unsigned long requested = getFrequencyToTest();
    return requested != 0 && requested != getFrequencyUsed();
}

unsigned short DataModell::getMinutesToTest() const { return m_settings.getMinutesToTest(); }

void DataModell::setMinutesToTest(unsigned short minutes)
{
    m_settings.setMinutesToTest(minutes);
}

unsigned short DataModell::getSecondsToTest() const { return m_settings.getSecondsToTest(); }
void DataModell::setSecondsToTest(unsigned short seconds) { m_settings.setSecondsToTest(seconds); }
eVoltagePolarity DataModell::getVoltagePolarity() const { return m_settings.getVoltagePolarity(); }

void DataModell::setVoltagePolarity(eVoltagePolarity polarity)
{
    m_settings.setVoltagePolarity(polarity);
    emit voltagePolarityChanged(m_settings.getVoltagePolarity());
}

eVoltageRampMode DataModell::getVoltageRampMode() const { return m_settings.getVoltageRampMode(); }
void DataModell::setVoltageRampMode(eVoltageRampMode mode) { m_settings.setVoltageRampMode(mode); }
bool DataModell::burnCurrentLimiter() const { return m_settings.burnCurrentLimiter(); }

void DataModell::setBurnCurrentLimiter(bool on)
{
    m_settings.setBurnCurrentLimiter(on);
    emit burnCurrentLimiterChanged(on);
}

int DataModell::burnMode() const
{
    // The burn mode exists only on units that report it (support bit 0).
    if (!(m_hv.identification().supportFlags & 0x01))
        return 0;
    return burnCurrentLimiter() ? 1 : 0;
}

eDutyCycle DataModell::getDutyCycle() const { return m_settings.getDutyCycle(); }
void DataModell::setDutyCycle(eDutyCycle cycle) { m_settings.setDutyCycle(cycle); }
int DataModell::getVLFCosRectType() const { return m_settings.getVLFCosRectType(); }
int DataModell::phasesToTest() const { return getPhaseSelect()->phases(); }

void DataModell::setPhasesToTest(int phases)
{
    m_settings.setPhasesToTest(phases);
    emit phasesToTestChanged(m_settings.phasesToTest());
}

IPhaseSelect* DataModell::getPhaseSelect() const
{
    IPhaseSelect* p = m_phaseSelect.load();
    return p ? p : const_cast<SettingsPhaseSelect*>(&m_ownPhaseSelect);
}

void DataModell::setPhaseSelect(IPhaseSelect* select)
{
    m_phaseSelect.store(select);
}

QString DataModell::getCableNumber() const { return m_settings.getCableNumber(); }
void DataModell::setCableNumber(const QString& number) { m_settings.setCableNumber(number); }

QStringList DataModell::getCableNumbers(const QString& filter) const
{
    DB* db = GlobalFuncs::getDB();
    return db ? db->getCableNumbers(filter) : QStringList();
}

void DataModell::addCableNumber(const QString& number)
{
    if (number.trimmed().isEmpty())
        return;
    if (DB* db = GlobalFuncs::getDB())
        db->addCableNumber(number);
}

QString DataModell::getTestComment() const { return m_settings.getTestComment(); }
void DataModell::setTestComment(const QString& comment) { m_settings.setTestComment(comment); }
TD::eInsulationType DataModell::getCableInsulation() const { return m_settings.getCableInsulation(); }
void DataModell::setCableInsulation(TD::eInsulationType type) { m_settings.setCableInsulation(type); }
TD::eEvaluationStandard DataModell::getEvaluationStandard() const { return m_settings.getEvaluationStandard(); }
void DataModell::setEvaluationStandard(TD::eEvaluationStandard standard) { m_settings.setEvaluationStandard(standard); }

QVector<TD::eInsulationType> DataModell::getAllInsulationTypes() const
{
    QVector<TD::eInsulationType> all;
    for (int t = TD::PE_XLPE; t <= TD::XLPE; ++t)
        all.append(TD::eInsulationType(t));
    return all;
}

QVector<TD::eInsulationType> DataModell::getEnabledInsulationTypes() const
{
    QVector<TD::eInsulationType> enabled;
    for (TD::eInsulationType t : getAllInsulationTypes())
        if (m_display.isInsulationEnabled(t))
            enabled.append(t);
    return enabled;
}

bool DataModell::isInsulationEnabled(TD::eInsulationType type) const
{
    if (type < TD::PE_XLPE || type > TD::XLPE)
        return false;
    return m_display.isInsulationEnabled(type);
}

void DataModell::setInsulationState(TD::eInsulationType type, bool enabled)
{
    if (type < TD::PE_XLPE || type > TD::XLPE)
        return;
    m_display.setInsulationEnabled(type, enabled);
}

QList<double> DataModell::getVoltageSnapValues(eVoltageSnapTypes type) const
{
    DB* db = GlobalFuncs::getDB();
    QList<double> values = db ? db->getVoltageSnapValues(int(type)) : QList<double>();
    if (values.size() >= 3)
        return values;
    // Built-in snap points in kV.
    if (type == NominalVoltageSnaps)
        return {6.0, 10.0, 12.0, 20.0};
    return {10.0, 20.0, 30.0, 40.0};
}

void DataModell::setVoltageSnapValues(eVoltageSnapTypes type, const QList<double>& values)
{
    if (DB* db = GlobalFuncs::getDB())
        db->setVoltageSnapValues(int(type), values);
    emit voltageSnapValuesChanged();
}

QList<double> DataModell::shownVoltageSnaps(eVoltageSnapTypes type) const
{
    const M::OperatingMode mode = getOperatingMode();
    QList<double> kiloVolts;
    if (type == TestVoltageSnaps && (mode == M::SheathTest || mode == M::SheathPinpointing))
        kiloVolts = {3.0, 50.0, 100.0};
    else
        kiloVolts = getVoltageSnapValues(type == TestVoltageSnaps && mode == M::TanDelta ? NominalVoltageSnaps : type);
    // The snap points are peak values; where RMS equals peak they stay as they are.
    for (double& kV : kiloVolts)
        kV = voltageInTypeForm(long(qRound64(kV * 1e6))) / 1e6;
    return kiloVolts;
}

// --- running test --------------------------------------------------------------

void DataModell::resetTestData()
{
    m_testData.reset();
    // A remark belongs to the test it was written for; the cable number stays.
    m_settings.setTestComment(QString());
    SafetyCircuitBits none;
    none.set();
    m_hv.setLastSafetyError(none);
    m_hv.setLastErrorState(stHVUnitState());
}

void DataModell::setMeasurementValues(stMeasurementValues value)
{
    m_testData.appendMeasurement(value);
    emit updateMeasurementValues(value);
}

stMeasurementValues DataModell::getLastMeasurementValues() const { return m_testData.lastMeasurement(); }
bool DataModell::hasMeasurementValues() const { return m_testData.hasMeasurementValues(); }
RunningTestData::MeasurementIterator DataModell::beginMeasurementValues() const { return m_testData.beginMeasurementValues(); }
RunningTestData::MeasurementIterator DataModell::endMeasurementValues() const { return m_testData.endMeasurementValues(); }

void DataModell::setPeriodicMeasurementValues(stPeriodicMeasurementValues value)
{
    m_testData.appendPeriodic(value);
    emit updatePeriodicMeasurementValues(value);
}

RunningTestData::PeriodicIterator DataModell::beginPeriodicMeasurementValues() const
{
    return m_testData.beginPeriodicMeasurementValues();
}

RunningTestData::PeriodicIterator DataModell::endPeriodicMeasurementValues() const
{
    return m_testData.endPeriodicMeasurementValues();
}

QPair<long, qint64> DataModell::getPeakValues() const { return m_testData.peakValues(); }

void DataModell::voltageStepUp()
{
    m_testData.voltageStepUp(getVoltageToTest());
}

eTestResult DataModell::getTestResult() const { return m_testData.getTestResult(); }

void DataModell::setTestResult(eTestResult result)
{
    if (result < eTestResult_Unknown || result >= TestResultCount) {
        KLOG_ERROR2(kClass, "setTestResult", QStringLiteral("Test result %1 out of range").arg(int(result)));
        result = eTestResult_InternalSWError19;
    }
    recordResult(result);
}

SafetyCircuitBits DataModell::getSafetyCircuitStateOfTestResult() const { return m_testData.safetyCircuitStateOfTestResult(); }
quint64 DataModell::getHvUnitStateOfTestResult() const { return m_testData.hvUnitStateOfTestResult(); }
quint64 DataModell::getHvSourceStatusOfTest() const { return m_testData.hvSourceStatus(); }
RunningTestData::Outcome DataModell::getOutcomeOfFinishedTest() const { return m_testData.outcome(); }
stFaultValues DataModell::getFaultValues() const { return m_testData.faultValues(); }

void DataModell::setFaultValues(const stFaultValues& values)
{
    if (m_testData.setFaultValues(values))
        emit faultValuesChanged(values);
}

QDateTime DataModell::getTestTime(eTestTimes which) const { return m_testData.testTime(which); }
void DataModell::setTestTime(eTestTimes which, const QDateTime& time) { m_testData.setTestTime(which, time); }
stTestTime DataModell::getTestTimeUsed() const { return m_testData.testTimeUsed(); }

void DataModell::setTestTimeUsed(const stTestTime& time)
{
    m_testData.setTestTimeUsed(time);
    emit testTimeChanged(time);
}

unsigned long DataModell::getCapacitanceLoad() const
{
    return modeUseLoadDetection() ? m_testData.capacitanceLoad() : 0;
}

void DataModell::setCapacitanceLoad(unsigned long value) { m_testData.setCapacitanceLoad(value); }

unsigned long long DataModell::getResistorLoad() const
{
    return modeUseLoadDetection() ? m_testData.resistorLoad() : 0;
}

void DataModell::setResistorLoad(unsigned long long value) { m_testData.setResistorLoad(value); }

unsigned long DataModell::minimalRequiredCapacitance() const
{
    if (!isTestBoostOpMode())
        return 0;
    const qint32 c = m_hv.testBoostData().minRequiredCapacitance;
    return c > 0 ? static_cast<unsigned long>(c) : 0;
}

unsigned long DataModell::getFrequencyUsed() const { return m_testData.frequencyUsed(); }

void DataModell::setFrequencyUsed(unsigned long mHz)
{
    if (m_testData.setFrequencyUsed(mHz))
        emit frequencyUsedChanged();
}

double DataModell::getPeriodDuration() const { return m_testData.periodDuration(); }
void DataModell::setPeriodDuration(double seconds) { m_testData.setPeriodDuration(seconds); }
bool DataModell::isNominalVoltageReached() const { return m_testData.nominalVoltageReached(); }
bool DataModell::isNominalVoltageSupported() const { return m_display.isNominalVoltageSupported(); }
stExportTestInfo DataModell::getExportTestInfo() const { return m_testData.exportTestInfo(); }
void DataModell::setExportTestInfo(const stExportTestInfo& info) { m_testData.setExportTestInfo(info); }
stExportTestInfo DataModell::getHistoryTestInfo() const { return m_testData.historyTestInfo(); }
void DataModell::setHistoryTestInfo(const stExportTestInfo& info) { m_testData.setHistoryTestInfo(info); }

QVector<TanDeltaMeasurementValues> DataModell::getTanDeltaSummary(int phase) const
{
    if (phase < 0 || phase > 2)
        return {};
    if (isTanDeltaMode() && phase == m_phases.currentPhase() && isTestRunning())
        return m_testData.tanDeltaSummary();
    QVector<TanDeltaMeasurementValues> out;
    if (DB* db = GlobalFuncs::getDB()) {
        for (const DB::TanDeltaStep& s : db->getTanDeltaSummary(phase)) {
            TanDeltaMeasurementValues v;
            v.voltage = s.meanVoltage;
            v.avgTanDelta = s.meanTanDelta;
            v.stdDevTanDelta = s.stdDeviation;
            out.append(v);
        }
    }
    if (out.isEmpty() && isTanDeltaMode() && phase == m_phases.currentPhase())
        return m_testData.tanDeltaSummary();
    return out;
}

bool DataModell::isTanDeltaMode() const
{
    return M::getInstance()->isMultiPhaseTanDelta(getOperatingMode());
}

void DataModell::startCurrentPhase()
{
    if (!isTanDeltaMode())
        return;
    const int phase = m_phases.startNext(phasesToTest());
    KLOG_DEBUG2(kClass, "startCurrentPhase", QStringLiteral("Tan delta phase %1 started").arg(phase));
    emit phasesUsedChanged();
}

void DataModell::resetCurrentPhase()
{
    m_phases.reset();
    emit phasesUsedChanged();
}

void DataModell::newSequenceConfigured()
{
    // Until its end is taken (TestFinished) the last phase's record is still to be written
    // from the phases done; the new sequence's phases are reset as it starts from Idle.
    const AppState state = getAppState();
    if (state >= InitTest && state <= TestFinished)
        m_phases.end();
    else
        m_phases.reset();
    emit phasesUsedChanged();
}

int DataModell::lastUsedPhase() const { return m_phases.lastUsedPhase(); }
void DataModell::setLastUsedPhase(int phase) { m_phases.setLastUsedPhase(phase); }

bool DataModell::isTanDeltaWaiting() const
{
    return isTanDeltaMode() && m_phases.isWaiting(phasesToTest());
}

int DataModell::phasesOfSequence() const
{
    // A record is written after each phase, and a later phase may never run.
    const int measured = isTanDeltaMode() ? m_phases.phasesMeasured() : 0;
    return measured != 0 ? measured : phasesToTest();
}

bool DataModell::isTanDeltaFinished() const
{
    const int selected = phasesToTest();
    KLOG_DEBUG2(kClass, "isTanDeltaFinished",
                QStringLiteral("Tan delta phases word 0x%1").arg(m_phases.phasesUsedWord(selected), 2, 16, QLatin1Char('0')));
    return m_phases.isFinished(selected);
}

int DataModell::tanDeltaPhaseIndex() const
{
    return isTanDeltaMode() ? m_phases.currentPhase() : -1;
}

int DataModell::tanDeltaPhaseToMeasure() const
{
    return isTanDeltaMode() ? m_phases.phaseToMeasure(phasesToTest()) : -1;
}

// --- HV unit -------------------------------------------------------------------

stHVUnitState DataModell::getHVUnitState() const { return m_hv.state(); }
stHVUnitState DataModell::getLastHVUnitErrorState() const { return m_hv.lastErrorState(); }
bool DataModell::hvStateOk() const { return m_hv.hvStateOk(); }

void DataModell::setHVUnitState(const stHVUnitState& state)
{
    const stHVUnitState old = m_hv.exchangeState(state);
    const AppState appState = getAppState();
    const bool running = isTestRunningState(appState);

    if (state.comError) {
        if (!old.comError) {
            KLOG_ERROR2(kClass, "setHVUnitState", "Communication with the HV unit lost");
            m_hv.setLastErrorState(state);
            m_hv.setHvStateOk(false);
            if (running)
                recordResult(eTestResult_ComErrorHVUnit);
            postEvent(eAppEvent::HVUnitErrorDetected);
            emit HVStateChanged(old, state);
        }
        return;
    }

    quint32 previous;
    {
        QMutexLocker lock(&m_mutex);
        previous = m_lastGoodWord;
        m_lastGoodWord = state.state;
    }
    if (old.comError)
        KLOG_INFO2(kClass, "setHVUnitState", "Communication with the HV unit is up again");
    m_hv.setHvStateOk((state.state & Bits::FaultMask) == 0);

    // The result is recorded before the change is announced: the test worker reads the
    // fault values on that announcement, from another thread, only once a result is set.
    const quint32 rising = state.state & ~previous;
    quint32 faults = rising & Bits::FaultMask;
    const bool breakdown = (faults & Bits::Breakdown) && appState == TestRunning;
    if (breakdown)
        recordResult(eTestResult_BreakdownDetected);
    if ((faults & Bits::Breakdown) && (appState == TestRunning || appState == TestBurning))
        faults &= ~Bits::Breakdown; // in burning the cable burns on
    if (faults) {
        m_hv.setLastErrorState(state);
        eTestResult result = eTestResult_UnknownErrorBitVal;
        for (const FaultResult& f : kFaultResults) {
            if (faults & f.bit) {
                result = f.result;
                break;
            }
        }
        if (running)
            recordResult(result);
    }
    if (old != state)
        emit HVStateChanged(old, state);

    if (breakdown)
        postEvent(eAppEvent::BreakdownDetected);
    if (faults) {
        KLOG_ERROR2(kClass, "setHVUnitState",
                    QStringLiteral("HV unit reports error bits 0x%1").arg(faults, 0, 16));
        postEvent(eAppEvent::HVUnitErrorDetected);
    }
    if (rising & Bits::Overtemperature)
        emit hvOvertemperatureDetected();
    if (rising & Bits::OutputOffset)
        emit outputOffsetToBig();
    if (rising & Bits::Backfeed) {
        emit hvBackfeedDetected();
        postEvent(eAppEvent::Backfeed);
    }
    const quint32 changed = state.state ^ previous;
    if (changed & Bits::NominalVoltageReached) {
        const bool reached = (state.state & Bits::NominalVoltageReached) != 0;
        if (reached)
            m_testData.setNominalVoltageReached(true);
        emit nominalVoltageReached(reached);
    }
    if (changed)
        checkWaitingState(appState, state);
}

stIdentification DataModell::getHVIdentification() const { return m_hv.identification(); }

void DataModell::setHVIdentification(const stIdentification& id)
{
    m_hv.setIdentification(id);
    m_settings.setUnitLimits(id.maxVoltagePeak, id.maxFrequency);
    m_settings.setDefaultCosRectType((id.supportFlags & 0x02) ? 2 : 1);
    emit hvIdentificationChanged();
}

QString DataModell::getHVCVersion() const { return m_systemInfo.getHVCVersion(); }
QString DataModell::getHVCSerial() const { return m_hv.serial(); }
void DataModell::setHVCSerial(const QString& serial) { m_hv.setSerial(serial); }

quint64 DataModell::getHVUnitParam(eHVUnitParamType type) const { return m_hv.param(type); }

void DataModell::setHVUnitParam(eHVUnitParamType type, quint64 value)
{
    if (type < 0 || type >= HVUnitParamTypeCount)
        return;
    m_hv.setParam(type, value);
    if (type == eHVUnitParamType_HvSourceStatus && isTestRunning())
        m_testData.setHvSourceStatus(value);
    emit hvUnitParamChanged(type, value);
}

quint8 DataModell::getPevantoType() const { return m_systemInfo.getPevantoType(); }
int DataModell::hvGeneratorCharacteristics() const { return m_display.hvGeneratorCharacteristics(); }
bool DataModell::shuntSwitching() const { return m_display.shuntSwitching(); }
bool DataModell::developmentCosRectType() const { return m_display.developmentCosRectType(); }
int DataModell::tanDeltaMinimum() const { return m_display.tanDeltaMinimum(); }

void DataModell::forceHvSourceStatusRefresh()
{
    QTimer::singleShot(1, this, &DataModell::refreshHvSourceStatus);
    QTimer::singleShot(500, this, &DataModell::refreshHvSourceStatus);
}

void DataModell::breakdownSlot()
{
    emit breakdownSignal();
}

// --- safety circuit ---------------------------------------------------------------

SafetyCircuitBits DataModell::getSafetyCircuitState() const { return m_hv.safetyState(); }

Commissioning::CommissioningCfg DataModell::commissioningConfig() const
{
    return Locked::read(m_mutex, m_commissioningCfg);
}

void DataModell::setCommissioningConfig(const Commissioning::CommissioningCfg& cfg)
{
    Locked::write(m_mutex, m_commissioningCfg, cfg);
}

void DataModell::setSafetyCircuitState(const SafetyCircuitBits& bits)
{
    const SafetyCircuitBits old = m_hv.exchangeSafetyState(bits);
    if (old == bits)
        return;
    emit safetyCircuitChanged();
    const SafetyCircuitBits rising = bits & ~old;
    for (const SafetyEvent& e : kSafetyEvents)
        if (rising.test(size_t(e.bit)))
            postEvent(e.event);
    SafetyCircuitBits opened = old & ~bits;
    opened.reset(kHvOnButton);
    const AppState state = getAppState();
    if (opened.any() && hvIsSwitchedOn(state)) {
        KLOG_ERROR2(kClass, "setSafetyCircuitState",
                    QStringLiteral("Safety circuit opened during a test (%1)").arg(bits.to_ulong()));
        m_hv.setLastSafetyError(bits);
        recordResult(eTestResult_SafetyCircuitNotClosed);
        postEvent(eAppEvent::SafetyCircuitOpened);
    }
}

void DataModell::setSafetyCircuitDriverEnabled(bool on)
{
    m_hv.setSafetyDriverEnabled(on);
    KLOG_INFO2(kClass, "setSafetyCircuitDriverEnabled",
               QStringLiteral("Safety circuit driver %1").arg(on ? "enabled" : "disabled"));
}

bool DataModell::safetyCircuitDriverEnabled() const { return m_hv.safetyDriverEnabled(); }
SafetyCircuitBits DataModell::getLastSafetyCircuitError() const { return m_hv.lastSafetyError(); }
bool DataModell::safetyCircuitErrorOccurred() const { return !m_hv.lastSafetyError().all(); }
void DataModell::setBurnModeSent(bool on) { m_hv.setBurnModeSent(on); }

// --- test boost ---------------------------------------------------------------------

stTBState DataModell::getTestBoostState() const { return m_hv.testBoostState(); }

void DataModell::setTestBoostState(const stTBState& state, bool force)
{
    const stTBState current = m_hv.testBoostState();
    if (state == current && !force)
        return;
    stTBState next = state;
    if (hasVirtualTestBoost())
        next = stTBState{2, 7};
    const stTBState old = m_hv.exchangeTestBoostState(next);
    emit TestBoostStateChanged(old, next);
    emit testBoostStateChanged();
}

stTBData DataModell::getTestBoostData() const { return m_hv.testBoostData(); }
void DataModell::setTestBoostData(const stTBData& data) { m_hv.setTestBoostData(data); }
bool DataModell::hasVirtualTestBoost() const { return m_display.hasVirtualTestBoost(); }

// --- display and general settings ---------------------------------------------------

QString DataModell::getTimeFormat() const { return m_display.timeFormat(); }
void DataModell::setTimeFormat(const QString& format) { m_display.setTimeFormat(format); }
QString DataModell::getDateFormat() const { return m_display.dateFormat(); }
void DataModell::setDateFormat(const QString& format) { m_display.setDateFormat(format); }
int DataModell::dblClickTime() const { return m_display.dblClickTime(); }

void DataModell::setDblClickTime(int ms)
{
    if (m_display.setDblClickTime(ms))
        emit dblClickTimeChanged();
}

int DataModell::textScrollSpeed() const { return m_display.textScrollSpeed(); }

void DataModell::setTextScrollSpeed(int speed)
{
    if (m_display.setTextScrollSpeed(speed))
        emit textScrollSpeedChanged();
}

int DataModell::graphUpdateIntervall() const { return m_display.graphUpdateIntervall(); }

void DataModell::setGraphUpdateIntervall(int ms)
{
    if (m_display.setGraphUpdateIntervall(ms))
        emit graphUpdateIntervallChanged();
}

int DataModell::getTanDeltaPrecision() const
{
    if (m_display.tanDeltaPrecisionExtended())
        return 6;
    // The unit's own resolution: 1e-4 on the 45 kV model, 1e-5 on the others.
    const quint8 type = getPevantoType();
    if (type == 0)
        return 0;
    return type == 45 ? 4 : 5;
}

void DataModell::setTanDeltaPrecision(int precision)
{
    if (m_display.setTanDeltaPrecisionExtended(precision >= 6))
        emit tanDeltaPrecisionChanged(getTanDeltaPrecision());
}

QString DataModell::exportFolder() const { return m_display.exportFolder(); }

void DataModell::setExportFolder(const QString& folder)
{
    if (!m_display.setExportFolder(folder)) {
        KLOG_WARN2(kClass, "setExportFolder", QStringLiteral("Export folder \"%1\" refused").arg(folder));
        return;
    }
    emit exportFolderChanged();
}

bool DataModell::screenshotsEnabled() const { return m_display.screenshotsEnabled(); }
bool DataModell::isSmoothScrolling() const { return m_display.isSmoothScrolling(); }

bool DataModell::calibrationMode() const { return Locked::read(m_mutex, m_calibrationMode); }

void DataModell::setCalibrationMode(bool on)
{
    if (Locked::exchange(m_mutex, m_calibrationMode, on) != on)
        emit calibrationModeChanged();
}

QString DataModell::getPhaseName(int phase) const { return m_display.phaseName(phase); }

void DataModell::setPhaseName(int phase, const QString& name)
{
    if (m_display.setPhaseName(phase, name))
        emit phaseNameChanged(phase);
}

void DataModell::setDisplayParam(eDisplayParam param, const QVariant& value)
{
    switch (param) {
    case DisplayParam_Type:
        m_display.setDisplayType(value.toInt());
        break;
    case DisplayParam_Brightness: {
        IBacklight* backlight = Platform::backlight();
        const int percent = qBound(0, value.toInt(), 100);
        if (backlight && backlight->setBrightness(percent))
            emit brightnessChanged(percent);
        break;
    }
    default:
        KLOG_DEBUG2(kClass, "setDisplayParam", QStringLiteral("Unknown display parameter %1").arg(int(param)));
        break;
    }
}

QVariant DataModell::getDisplayParam(eDisplayParam param) const
{
    switch (param) {
    case DisplayParam_Type:
        return m_display.displayType();
    case DisplayParam_Brightness: {
        IBacklight* backlight = Platform::backlight();
        return backlight ? backlight->brightness() : -1;
    }
    default:
        return QVariant();
    }
}

QString DataModell::getCurrentLanguage() const
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_languageRead)
            return m_language;
    }
    DB* db = GlobalFuncs::getDB();
    const QString language = db ? db->getDefaultValue(QStringLiteral("General"), QStringLiteral("Language")) : QString();
    QMutexLocker lock(&m_mutex);
    if (db) {
        m_language = language;
        m_languageRead = true;
    }
    return language;
}

void DataModell::setCurrentLanguage(const QString& language)
{
    if (language == getCurrentLanguage())
        return;
    if (DB* db = GlobalFuncs::getDB())
        db->setDefaultValue(QStringLiteral("General"), QStringLiteral("Language"), language);
    {
        QMutexLocker lock(&m_mutex);
        m_language = language;
        m_languageRead = true;
    }
    emit currentLanguageChanged();
}

bool DataModell::isDevelopmentMode() const { return m_display.isDevelopmentMode(); }

eUSBState DataModell::getUSBState() const { return Locked::read(m_mutex, m_usbState); }

void DataModell::setUSBState(eUSBState state) { Locked::write(m_mutex, m_usbState, state); }

bool DataModell::isRemoteControlled() const { return Locked::read(m_mutex, m_remoteControlled); }

QString DataModell::peerName() const
{
    QMutexLocker lock(&m_mutex);
    return m_remoteControlled ? m_peerName : QString();
}

void DataModell::setRemoteControlled(bool on, const QString& peer)
{
    QMutexLocker lock(&m_mutex);
    m_remoteControlled = on;
    m_peerName = on ? peer : QString();
}

bool DataModell::setDateTime(qlonglong seconds, int offsetSeconds)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::OffsetFromUTC, offsetSeconds);
    ISystemClock* clock = Platform::systemClock();
    if (!clock || !time.isValid())
        return false;
    const bool system = clock->setSystemTime(time);
    const bool hardware = clock->setHardwareClock(time);
    return system && hardware;
}

bool DataModell::setIp(const QString& name, const QString& address)
{
    // Four decimal numbers 0..255 without leading zeros: a parser would also take "1",
    // "127.1" or read "010.0.0.1" as octal, none of which the operator meant.
    static const QRegularExpression valid(QRegularExpression::anchoredPattern(QStringLiteral(
        "(?:(?:25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}(?:25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])")));
    if (!valid.match(address).hasMatch()) {
        KLOG_WARN2(kClass, "setIp", QStringLiteral("IP address \"%1\" refused").arg(address));
        return false;
    }
    IConnectionManager* manager = GlobalFuncs::getConnectionManager();
    if (!manager || !manager->isWiredConnection(name))
        return false;
    return manager->setWiredIp(address);
}

// --- system ------------------------------------------------------------------------------

QString DataModell::getSerialNumber() const { return m_display.serialNumber(); }

bool DataModell::setSerialNumber(const QString& number)
{
    static const QRegularExpression valid(QStringLiteral("^[0-9]{11}$"));
    if (!valid.match(number).hasMatch())
        return false;
    m_display.setSerialNumber(number);
    return m_display.serialNumber() == number;
}

QString DataModell::getMACAddress() const
{
    QFile f(FsRoot::path(QStringLiteral("/sys/class/net/eth0/address")));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readLine(64)).trimmed();
}

QString DataModell::getHardwareId() const { return m_display.hardwareId(); }
QString DataModell::getVersion(int index, bool verbose) const { return m_systemInfo.getVersion(index, verbose); }

void DataModell::lockSystemFunction(SystemFunction::eSysFunc func)
{
    if (!m_sysFuncs.setLocked(func, true))
        return;
    if (func == SystemFunction::Service)
        emit serviceMenuLockedChanged();
    else if (func == SystemFunction::Administration)
        emit adminMenuLockedChanged();
    else if (func == SystemFunction::RYX)
        emit ryxMenuLockedChanged();
}

void DataModell::unlockSystemFunction(SystemFunction::eSysFunc func)
{
    if (!m_sysFuncs.setLocked(func, false))
        return;
    if (func == SystemFunction::Service)
        emit serviceMenuLockedChanged();
    else if (func == SystemFunction::Administration)
        emit adminMenuLockedChanged();
    else if (func == SystemFunction::RYX)
        emit ryxMenuLockedChanged();
}

bool DataModell::serviceMenuLocked() const { return m_sysFuncs.isLocked(SystemFunction::Service); }
bool DataModell::adminMenuLocked() const { return m_sysFuncs.isLocked(SystemFunction::Administration); }
bool DataModell::ryxMenuLocked() const { return m_sysFuncs.isLocked(SystemFunction::RYX); }
