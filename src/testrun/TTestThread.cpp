#include "testrun/TTestThread.h"

#include "testrun/ITestHistory.h"
#include "hvunit/ITestLink.h"
#include "testrun/TLog.h"
#include "hvunit/TPOFTestLink.h"
#include "testrun/TTestChart.h"
#include "tandelta/TanDeltaStandard.h"
#include "testrun/ValueAtPhases.h"

#include "logging/LoggingCtrl.h"
#include "core/GlobalFuncs.h"
#include "core/TransObject.h"
#include "datamodel/DataModell.h"
#include "datamodel/Statistics.h"
#include "db/DB.h"

#include <QDateTime>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace States;
using M = OperatingModes;

namespace {
const char* const kClass = "TTestThread";

constexpr int ValueIntervalMs = 100;
constexpr int SoftStopIntervalMs = 100;
constexpr int UsbIntervalMs = 500;
constexpr int PowerTemperatureIntervalMs = 500;

// Phases of the rectangular wave read by the plateau prediction: the middle of each half.
constexpr double PlateauPhaseHigh = 1.5707963267948966;
constexpr double PlateauPhaseLow = 4.71238898038469;
constexpr unsigned long DefaultDetectorWindow = 36;
constexpr unsigned long DefaultDetectorPeriod = 360;

// Periodic requests of each voltage step that are not read: the unit is still settling.
constexpr quint8 SkippedRequestsPerStep = 2;
// A soft stop is over once the output has fallen below this (mV).
constexpr qint64 SoftStopEndVoltage = 12000000;
// Temperature history: one entry per 5 minutes, at most 18.
constexpr int TemperatureHistoryLength = 18;
constexpr quint32 TemperatureHistoryStepMs = 300000;
constexpr qint64 TemperatureHistoryMaxMinutes = 90;
constexpr int TemperatureOffset = 128;
// The rectangular modes below this frequency (mHz) have no leakage read: the sample is the value.
constexpr unsigned long SlowRectFrequency = 100;
constexpr unsigned long CapacitanceClassStep = 200;

// Safety-circuit inputs the start and the waiting states look at.
constexpr size_t HVClearanceCtrl = 6;
constexpr size_t ExtEmergencyOff = 8;
constexpr size_t HvOn = 9;

// Value written to the output-polarity parameter when commissioning type 1 runs.
constexpr unsigned long long CommissioningPolarityValue = 32;
constexpr Commissioning::CommissioningType CommissioningTypeWithPolarity = 1;

constexpr int pairKey(AppState oldState, AppState newState)
{
    return (int(oldState) & 0xFF) << 8 | (int(newState) & 0xFF);
}

DataModell* dm() { return GlobalFuncs::getDM(); }

bool isTanDeltaStepMode(M::OperatingMode mode) { return mode == M::TanDelta || mode == M::MWTStep; }

unsigned long long signExtended(long value) { return static_cast<unsigned long long>(static_cast<long long>(value)); }

// Test time of a duration in milliseconds, minutes and seconds rounded to whole seconds.
stTestTime testTimeOf(quint64 milliseconds)
{
    const quint64 s = (milliseconds + 500) / 1000;
    stTestTime t;
    t.milliseconds = milliseconds;
    t.minutes = quint16(s / 60);
    t.seconds = quint16(s % 60);
    return t;
}

void setResultUnlessSet(eTestResult result)
{
    if (dm()->getTestResult() == eTestResult_Unknown)
        dm()->setTestResult(result);
}
} // namespace

struct TTestThread::Data {
    Data(std::unique_ptr<ITestLink> ownLink, ITestLink* link, ITestHistory* history)
        : ownedLink(std::move(ownLink)), pof(link), testChart(history)
    {
    }

    std::unique_ptr<ITestLink> ownedLink; // the adapter of a real link
    ITestLink* pof;
    ITestHistory* testChart;
    TLog log;

    // Periodic acquisition: requests skipped in the current step, step index, values taken.
    quint8 periodicSkipped = 0;
    quint8 voltageStepIndex = 0;
    quint8 valuesInStep = 0;

    qint32 savedTestVoltage = 0;

    bool measurementRunning = false;
    bool voltageToRestore = false;
    bool logPart3Written = false;
    bool burning = false;
    bool tanDeltaPhaseRecorded = false;
    // Started with the loop open: the load detection is asked for once it is closed.
    bool loadDetectionOwed = false;

    // Start of the withstand part of a stepped test; invalid until it begins.
    QDateTime withstandClock;

    // Temperature record of the test: history (newest last), minutes per degree.
    QList<int> temperatureHistory;
    std::array<quint32, 256> temperatureMinutes {};
    quint32 temperatureMinutesProcessed = 0;
    quint32 msSinceTemperatureEntry = 0;

    // The end of a test may be reached more than once (a failed read, the soft stop,
    // the finalisation); the test is counted once.
    bool breakdownCounted = false;
    bool endCounted = false;

    quint32 crossingCounter = 0;
    quint32 sampleCount = 0;
    ValueAtPhases<unsigned long, long> detector { { PlateauPhaseHigh, PlateauPhaseLow }, DefaultDetectorWindow,
                                                  DefaultDetectorPeriod };

    QTimer* valueTimer = nullptr;
    QTimer* softStopTimer = nullptr;
    QTimer* usbTimer = nullptr;
    QTimer* powerTemperatureTimer = nullptr;

    void clearAcquisitionCounters()
    {
        periodicSkipped = 0;
        voltageStepIndex = 0;
        valuesInStep = 0;
    }
};

TTestThread::TTestThread(TPOF* pof, TTestChart* testChart, QObject* parent)
    : TTestThread(pof ? std::make_unique<TPOFTestLink>(pof) : nullptr, nullptr, testChart, parent)
{
}

TTestThread::TTestThread(ITestLink* pof, ITestHistory* testChart, QObject* parent)
    : TTestThread(nullptr, pof, testChart, parent)
{
}

TTestThread::TTestThread(std::unique_ptr<ITestLink> ownLink, ITestLink* link, ITestHistory* testChart,
                         QObject* parent)
    : QObject(parent)
{
    ITestLink* pof = ownLink ? ownLink.get() : link;
    m = std::make_unique<Data>(std::move(ownLink), pof, testChart);

    if (!pof || !testChart) {
        const QString text = QString::asprintf("Fatal error: Unable to create TTestThread object. m->pof = %p, m_pTestChart = %p",
                                               static_cast<void*>(pof), static_cast<void*>(testChart));
        KLOG_FATAL2(kClass, "TTestThread", text);
        qFatal("%s", qPrintable(text));
    }

    auto makeTimer = [this](const char* name, int intervalMs) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QLatin1String(name));
        timer->setInterval(intervalMs);
        return timer;
    };
    m->valueTimer = makeTimer("valueTimer", ValueIntervalMs);
    m->softStopTimer = makeTimer("softStopTimer", SoftStopIntervalMs);
    m->usbTimer = makeTimer("usbTimer", UsbIntervalMs);
    m->powerTemperatureTimer = makeTimer("powerTemperatureTimer", PowerTemperatureIntervalMs);
    connect(m->powerTemperatureTimer, &QTimer::timeout, this, &TTestThread::readPowerTemperatures);
    connect(m->valueTimer, &QTimer::timeout, this, &TTestThread::getTestValues);
    connect(m->softStopTimer, &QTimer::timeout, this, &TTestThread::softStopVoltageCheck);
    connect(m->usbTimer, &QTimer::timeout, this, &TTestThread::checkUSBState);

    if (DataModell* model = dm()) {
        connect(model, &DataModell::nominalVoltageReached, this, &TTestThread::nominalVoltageReached);
        connect(this, &TTestThread::breakdownSignal, model, &DataModell::breakdownSlot);
    }

    m->clearAcquisitionCounters();
}

TTestThread::~TTestThread() = default;

void TTestThread::transferTanDeltaSummary() { qWarning() << "TRANSFER TAN DELTA SUMMARY UNIMPLEMENTED"; }

bool TTestThread::stopTest(SKP_Pevanto_StopFlags flags)
{
    if (m->measurementRunning)
        StopTest(flags);
    else
        StopInit();
    return true;
}

// ---------------------------------------------------------------------------
// Reaction table
// ---------------------------------------------------------------------------

void TTestThread::appStateChanged(AppState oldState, AppState newState)
{
    const SafetyCircuitBits safety = dm()->getSafetyCircuitState();

    switch (pairKey(oldState, newState)) {
    case pairKey(Idle, States::InitTest):
        // A start from Idle is a new cable: its phases begin a record of their own
        // instead of being appended to the previous cable's record.
        if (isTanDeltaStepMode(dm()->getOperatingMode())) {
            dm()->resetCurrentPhase();
            if (DB* db = GlobalFuncs::getDB())
                db->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), QString());
        }
        onStart();
        break;
    case pairKey(WaitPhaseConnect, States::InitTest):
        // A test configured anew while the next phase waited starts its phases again: a new
        // cable as well, whose record is not the waiting sequence's.
        if (isTanDeltaStepMode(dm()->getOperatingMode()) && !dm()->isTanDeltaWaiting())
            if (DB* db = GlobalFuncs::getDB())
                db->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), QString());
        onStart();
        break;
    case pairKey(WaitPhaseConnect, Idle):
        dm()->resetCurrentPhase();
        break;
    case pairKey(States::InitTest, WaitHVFree):
        if (safety.test(ExtEmergencyOff))
            emit sendAppEvent(eAppEvent::ExtEmergOffClosed);
        else if (safety.test(HVClearanceCtrl))
            emit sendAppEvent(eAppEvent::GotHVFree);
        break;
    case pairKey(States::InitTest, WaitExtEmergOff):
    case pairKey(WaitHVFree, WaitExtEmergOff):
        if (safety.test(ExtEmergencyOff))
            emit sendAppEvent(eAppEvent::ExtEmergOffClosed);
        break;
    case pairKey(States::InitTest, WaitConfirmOn):
    case pairKey(WaitHVFree, WaitConfirmOn):
    case pairKey(WaitExtEmergOff, WaitConfirmOn):
        if (std::exchange(m->loadDetectionOwed, false) && !m->pof->StartLoadDetection())
            InitError();
        if (safety.test(HvOn))
            emit sendAppEvent(eAppEvent::HVOn);
        break;
    case pairKey(States::InitTest, TestFinished):
    case pairKey(WaitHVFree, TestFinished):
    case pairKey(WaitExtEmergOff, TestFinished):
    case pairKey(WaitConfirmOn, TestFinished):
        // Ended by the unit's error before the HV was on: no record waits for the operator,
        // and no page is there to confirm one.
        StopInit();
        if (!dm()->isRemoteControlled())
            emit sendAppEvent(eAppEvent::TestResultConfirmed);
        break;
    case pairKey(States::InitTest, Idle): // aborted while initialising
    case pairKey(WaitHVFree, Idle):
    case pairKey(WaitExtEmergOff, Idle):
    case pairKey(WaitConfirmOn, Idle):
        StopInit();
        break;
    case pairKey(WaitLoadDetect, WaitForEffTestParameters):
        if (CheckLoadResult()) {
            sendFrequencyDecision();
        } else {
            setResultUnlessSet(eTestResult_InternalSWError19);
            emit sendAppEvent(eAppEvent::LoadDetResultError);
        }
        break;
    case pairKey(WaitForEffTestParameters, TestReadyToRun):
    case pairKey(WaitForConfirmation, TestReadyToRun):
        // The output is switched on only with the final parameters in place.
        if (CalcEffTestParameters() && !m->pof->StartTest())
            InitError();
        break;
    case pairKey(TestReadyToRun, TestRunning):
        StartMeasurement();
        dm()->startCurrentPhase();
        break;
    case pairKey(TestRunning, TestBurning): {
        m->burning = true;
        const stMeasurementValues newest = dm()->getLastMeasurementValues();
        const quint64 total = quint64(newest.timeStamp) + 60000;
        const quint64 s = total / 1000;
        stTestTime used;
        used.milliseconds = total;
        used.minutes = quint16(s / 60);
        used.seconds = quint16(s % 60);
        dm()->setTestTimeUsed(used);
        emit breakdownSignal();
        break;
    }
    case pairKey(TestRunning, TestSoftStop):
    case pairKey(TestBurning, TestSoftStop):
        if (dm()->safetyCircuitErrorOccurred()) {
            KLOG_ERROR2(kClass, "appStateChanged",
                        QStringLiteral("SoftStop while SafetyCircuitError occured (%1)!")
                            .arg(dm()->getLastSafetyCircuitError().to_ulong()));
        }
        break;
    case pairKey(TestFinalizing, TransferringToHistory):
        transferToHistory();
        break;
    case pairKey(TransferringToHistory, TestFinished):
        finished();
        break;
    case pairKey(TestFinished, TransferringTestData):
        exportToStick();
        break;
    case pairKey(TestFinished, Starting):
    case pairKey(HVUnitError, Starting):
    case pairKey(Updating, Starting):
    case pairKey(TestDataTransferred, Starting):
    case pairKey(TestFinished, Idle):
    case pairKey(TestDataTransferred, Idle):
        leaveTest();
        break;
    case pairKey(HVUnitError, Idle):
        stopTest(SKP_StopFlags_SoftStop);
        break;
    default:
        break;
    }

    switch (newState) {
    case TestSoftStop:
        softStop();
        break;
    case TestFinalizing:
        finalize();
        break;
    case TransferringToHistory:
        if (oldState != TestFinalizing && oldState != TransferringToHistory)
            emit sendAppEvent(eAppEvent::HistoryReady); // nothing is stored on this road
        break;
    default:
        break;
    }
}

void TTestThread::leaveTest()
{
    m->usbTimer->stop();
    dm()->resetTestData();
    m->pof->StopTest(SKP_StopFlags_None);
}

void TTestThread::softStop()
{
    dm()->setTestTime(TestTime_Stop, QDateTime::currentDateTime());
    m->valueTimer->stop();
    if (dm()->safetyCircuitErrorOccurred()) {
        emit sendAppEvent(eAppEvent::SoftStopFinished);
    } else {
        m->softStopTimer->start();
        stopTest(SKP_StopFlags_SoftStop);
    }
}

void TTestThread::finalize()
{
    m->softStopTimer->stop();
    m->valueTimer->stop();
    stopTest(SKP_StopFlags_None);
    const M::OperatingMode mode = dm()->getOperatingMode();
    if (mode >= M::TanDelta && mode <= M::MWTStep) {
        if (!dm()->isTanDeltaWaiting())
            dm()->isTanDeltaFinished();
    }
    emit sendAppEvent(eAppEvent::TestFinalized);
}

// ---------------------------------------------------------------------------
// Start
// ---------------------------------------------------------------------------

void TTestThread::onStart()
{
    m->burning = false;
    if (!startTest()) {
        dm()->setTestResult(dm()->hvStateOk() ? eTestResult_HVUnitNotReady : eTestResult_ComErrorHVUnit);
        dm()->setFaultValues(stFaultValues());
        emit sendAppEvent(eAppEvent::HVUnitErrorDetected);
        return;
    }
    const SafetyCircuitBits safety = dm()->getSafetyCircuitState();
    if (safety.test(ExtEmergencyOff))
        emit sendAppEvent(eAppEvent::ExtEmergOffClosed);
    else if (safety.test(HVClearanceCtrl))
        emit sendAppEvent(eAppEvent::GotHVFree);
    else
        emit sendAppEvent(eAppEvent::TestInitSuccess);
    m->testChart->clearData();
}

bool TTestThread::startTest()
{
    DataModell* model = dm();
    m->measurementRunning = false;
    model->resetTestData();

    const unsigned short minutes = model->getMinutesToTest();
    const unsigned short seconds = model->getSecondsToTest();
    stTestTime preset;
    preset.milliseconds = (quint64(minutes) * 60 + seconds) * 1000;
    preset.minutes = minutes;
    preset.seconds = seconds;
    model->setTestTimeUsed(preset);

    const M::OperatingMode mode = model->getOperatingMode();
    const unsigned long requested = model->getFrequencyToTest();
    const unsigned long highest = model->getHVIdentification().maxFrequency;
    unsigned long used = highest;
    if (isTanDeltaStepMode(mode) && requested == 0) {
        const auto standard = TanDelta::evaluation::Standard::makeShared(model->getEvaluationStandard());
        const unsigned long automatic = standard ? standard->autoFrequency() : highest;
        used = std::min(automatic, highest);
    } else if (mode == M::DAC && requested == 0) {
        used = 0;
    } else if (model->modeIsPeriodic() && requested != 0) {
        used = requested;
    }
    model->setFrequencyUsed(used);

    const bool initialised = InitTest();
    if (initialised) {
        model->setTestTime(TestTime_Start, QDateTime::currentDateTime());
        m->log.createLogPart1();
        m->logPart3Written = false;
    } else {
        InitError();
    }

    // A unit that could not be initialised is not asked to detect the load, nor one whose
    // loop is open: it gets its parameters only until the start waits for the HV-on key.
    m->loadDetectionOwed = initialised && !model->getSafetyCircuitState().test(ExtEmergencyOff);
    if (initialised && !m->loadDetectionOwed && !m->pof->StartLoadDetection())
        InitError();
    return initialised;
}

bool TTestThread::InitTest()
{
    DataModell* model = dm();

    struct Row {
        bool active;
        enum Kind { Command, Parameter } kind;
        int target;
        unsigned long long value;
    };

    const M::OperatingMode mode = model->getOperatingMode();
    const stTestTime used = model->getTestTimeUsed();
    unsigned long long minutes = 0;
    if (mode == M::MWTStep || model->getMinutesToTest() == 0)
        minutes = 0;
    else if (mode == M::DC)
        minutes = used.minutes;
    else
        minutes = used.minutes + (used.seconds != 0 ? 1 : 0);

    const qint32 boostPower = model->getTestBoostState().powerState;
    const bool ignitionRow =
        model->isTestBoostOpMode(M::Unknown) && (boostPower == 1 || boostPower == 2 || !model->developmentCosRectType());
    const bool polarityRow =
        Commissioning::isType(CommissioningTypeWithPolarity, model->commissioningConfig());
    const int burn = model->burnMode();

    const Row rows[] = {
        { true, Row::Command, TPOF::CMD_DateTime, 0 },
        { true, Row::Command, TPOF::CMD_Voltage, signExtended(model->testInitializationVoltage()) },
        { true, Row::Command, TPOF::CMD_Mode, static_cast<unsigned long long>(mode) },
        { ignitionRow, Row::Parameter, eHVUnitParamType_TBIgnitionPulse,
          signExtended(model->getTestBoostData().ignitionPulse) },
        { polarityRow, Row::Parameter, eHVUnitParamType_OutputPolarity, CommissioningPolarityValue },
        { true, Row::Command, TPOF::CMD_Frequency, model->getFrequencyUsed() },
        { true, Row::Command, TPOF::CMD_TestMinutes, minutes },
        { true, Row::Command, TPOF::CMD_BurnMode,
          static_cast<unsigned long long>(burn) | (static_cast<unsigned long long>(model->shuntSwitching()) << 8) },
    };

    m->pof->StopTest(SKP_StopFlags_None);
    for (const Row& row : rows) {
        if (!row.active)
            continue;
        int rc = 0;
        switch (row.kind) {
        case Row::Command:
            rc = m->pof->SetValue(static_cast<TPOF::eCommandCode>(row.target), row.value);
            break;
        case Row::Parameter:
            rc = m->pof->SetParameter(static_cast<eHVUnitParamType>(row.target), row.value);
            break;
        default:
            throw std::logic_error("Unexpected index");
        }
        if (rc != 0 || !m->pof->GetHVState())
            return false;
    }

    model->setBurnModeSent(burn & 1);
    m->clearAcquisitionCounters();
    m->withstandClock = QDateTime();
    if (polarityRow)
        m->powerTemperatureTimer->start();
    return true;
}

void TTestThread::StopInit()
{
    m->pof->StopTest(SKP_StopFlags_None);
    m->powerTemperatureTimer->stop();
}

void TTestThread::InitError() { StopInit(); }

void TTestThread::readPowerTemperatures()
{
    unsigned long long value = 0;
    if (m->pof->GetParameter(eHVUnitParamType_Param29, &value) == 0)
        emit dm()->newPowerTemperatures(quint32(value & 0xFFFFFFFFULL), quint32(value >> 32));
}

// ---------------------------------------------------------------------------
// Load detection and effective parameters
// ---------------------------------------------------------------------------

bool TTestThread::CheckLoadResult()
{
    DataModell* model = dm();
    const quint32 word = model->getHVUnitState().state;

    if (word & HVStateBits::LoadResultError2) {
        bool belowMinimum = false;
        if (GetFMax() && ReadTestParameters(&belowMinimum))
            m->log.createLogPart2();
        // The unit continues even when the load values could not be read, but never
        // with a load the test booster cannot drive: the HV unit was stopped for that.
        return !belowMinimum;
    }
    if (word & HVStateBits::LoadDetectionFinished) {
        const bool fixedFrequency = model->getFrequencyToTest() != 0 && !model->modeIsPeriodic();
        if (!fixedFrequency && !GetFMax())
            return false;
        if (!ReadTestParameters())
            return false;
        m->log.createLogPart2();
        if (model->isRemoteControlled())
            return true;
        CalcEffTestParameters();
        return true;
    }
    if (word & HVStateBits::LoadResultError1) {
        model->setTestResult(eTestResult_IllegalOperation);
        return false;
    }
    model->setTestResult(eTestResult_LoadImpUnknown);
    return false;
}

void TTestThread::sendFrequencyDecision()
{
    DataModell* model = dm();
    eAppEvent event = eAppEvent::FrequencyUnmodified;
    if (model->isRemoteControlled()) {
        event = eAppEvent::FrequencyModified;
    } else if (model->modeIsPeriodic()) {
        if (model->getFrequencyToTest() != 0) {
            event = model->getFrequencyToTestModified() ? eAppEvent::FrequencyModified : eAppEvent::FrequencyUnmodified;
        } else if (isTanDeltaStepMode(model->getOperatingMode())) {
            const auto standard = TanDelta::evaluation::Standard::makeShared(model->getEvaluationStandard());
            const bool supported = standard && standard->frequencySupported(model->getFrequencyUsed());
            event = supported ? eAppEvent::FrequencyUnmodified : eAppEvent::FrequencyModified;
        }
    }
    emit sendAppEvent(event);
}

bool TTestThread::GetFMax()
{
    DataModell* model = dm();
    unsigned long long value = 0;
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_MaxFrequency, &value, 1, &count) != 0 || count < 1)
        return false;
    const bool requested = model->getFrequencyToTest() != 0;
    if (!(requested && value == model->getFrequencyUsed()))
        model->setFrequencyUsed(static_cast<unsigned long>(value));
    return m->pof->GetHVState();
}

bool TTestThread::ReadTestParameters(bool* belowMinimalCapacitance)
{
    DataModell* model = dm();
    unsigned long long values[4] = {};
    unsigned short count = 0;

    if (m->pof->GetValue(TPOF::CMD_LoadCapacitance, values, 4, &count) != 0 || count < 1)
        return false;
    model->setCapacitanceLoad(static_cast<unsigned long>(values[0]));
    if (model->getCapacitanceLoad() < model->minimalRequiredCapacitance()) {
        model->setTestResult(eTestResult_CapacitanceTooSmall);
        InitError();
        if (belowMinimalCapacitance)
            *belowMinimalCapacitance = true;
        return false;
    }
    if (!m->pof->GetHVState())
        return false;

    if (m->pof->GetValue(TPOF::CMD_LoadResistance, values, 4, &count) != 0 || count < 1)
        return false;
    model->setResistorLoad(values[0]);
    if (!m->pof->GetHVState())
        return false;

    if (!readTestDuration() || !m->pof->GetHVState())
        return false;
    updatePeriodDuration();
    return true;
}

bool TTestThread::readTestDuration()
{
    unsigned long long values[4] = {};
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_TestDuration, values, 4, &count) != 0 || count < 1)
        return false;
    dm()->setTestTimeUsed(testTimeOf(values[0]));
    return true;
}

void TTestThread::updatePeriodDuration()
{
    DataModell* model = dm();
    const unsigned long used = model->getFrequencyUsed();
    model->setPeriodDuration(model->modeIsPeriodic() && used != 0 ? 1000.0 / double(used) : 1.0);
}

bool TTestThread::CalcEffTestParameters()
{
    DataModell* model = dm();
    auto fail = [this](bool withResult) {
        if (withResult)
            dm()->setTestResult(eTestResult_ComErrorHVUnit);
        InitError();
        return false;
    };

    const long startVoltage = model->testStartVoltage();
    if (m->pof->SetValue(TPOF::CMD_Voltage, signExtended(startVoltage)) != 0)
        return fail(false);
    if (!m->pof->GetHVState())
        return fail(true);
    if (isTanDeltaStepMode(model->getOperatingMode()))
        emit voltageStepUp(startVoltage);

    if (model->modeIsPeriodic()) {
        if (m->pof->SetValue(TPOF::CMD_Frequency, model->getFrequencyUsed()) != 0)
            return fail(false);
        if (!m->pof->GetHVState())
            return fail(true);
        const unsigned long before = model->getFrequencyUsed();
        if (!GetFMax())
            return fail(false);
        if (model->getFrequencyUsed() != before) {
            model->setTestResult(eTestResult_FreqAdaptionImpossible);
            InitError();
            return false;
        }
        if (!m->pof->GetHVState())
            return fail(true);
    }

    if (!readTestDuration())
        return fail(false);
    if (!m->pof->GetHVState())
        return fail(true);
    updatePeriodDuration();
    return true;
}

// ---------------------------------------------------------------------------
// Value acquisition
// ---------------------------------------------------------------------------

quint32 calcNextPeriodicRequestTime(const DataModell& dm, const int& n)
{
    const double period = dm.getPeriodDuration();
    const quint32 half = quint32((double(n) + 0.5) * period);
    const quint32 oneSecond = quint32(double(n) * period + 1.0);
    return std::min(half, oneSecond) * 1000u;
}

void TTestThread::StartMeasurement()
{
    DataModell* model = dm();
    m->crossingCounter = 0;
    m->sampleCount = 0;
    m->temperatureMinutes.fill(0);
    m->temperatureHistory.clear();
    m->temperatureMinutesProcessed = 0;
    m->msSinceTemperatureEntry = 0;
    m->breakdownCounted = false;
    m->endCounted = false;

    // The voltage as the operator entered it, to be restored after the test.
    m->savedTestVoltage = qint32(model->enteredVoltage(model->getVoltageToTest()));
    m->voltageToRestore = true;

    const QDateTime start = QDateTime::currentDateTime().addMSecs(200);
    model->setTestTime(TestTime_Measurement1, start);
    model->setTestTime(TestTime_MeasurementStart, start);

    const unsigned long period = static_cast<unsigned long>(model->getPeriodDuration() * 1000.0);
    m->detector.reset({ PlateauPhaseHigh, PlateauPhaseLow }, period / 10, period);

    // Running before the first read: a failed first read stops the timer for good.
    m->measurementRunning = true;
    m->valueTimer->start();
    getTestValues();
}

bool TTestThread::getUIT(stMeasurementValues* sample)
{
    unsigned long long values[4] = {};
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_MeasurementValues, values, 4, &count) != 0 || count < 3) {
        readFailed();
        return false;
    }
    ++m->sampleCount;
    sample->timeStamp = quint32(values[2]);
    sample->voltage = qint32(quint32(values[0] & 0xFFFFFFFFULL));
    sample->current = qint64(values[1]);
    if (sample->current == 0)
        emit RampDownPhaseDetected();
    return true;
}

// A unit that cannot be read is stopped, and not read again: every further failed read
// would hold this thread for the link's whole retry budget and delay the test's end.
void TTestThread::readFailed()
{
    m->valueTimer->stop();
    StopTest(SKP_StopFlags_None);
}

void TTestThread::getTestValues()
{
    DataModell* model = dm();
    stMeasurementValues sample;
    // A failed read has stopped the test; a zeroed sample must not enter the record.
    if (!getUIT(&sample))
        return;
    model->setMeasurementValues(sample);

    const M::OperatingMode mode = model->getOperatingMode();
    const unsigned short minutes = model->getMinutesToTest();
    const qint64 total = qint64(minutes) * 60 + model->getSecondsToTest();
    const qint64 withstandMs =
        m->withstandClock.isValid() ? m->withstandClock.msecsTo(QDateTime::currentDateTime()) : 0;
    const bool timeLimited = (mode != M::MWTStep && minutes != 0) || m->burning;

    if (total != 0 && withstandMs > total * 1000) {
        emitTestTimeUp();
    } else if (timeLimited && model->getTestTimeUsed().milliseconds < sample.timeStamp) {
        emitTestTimeUp();
    } else {
        const int type = model->periodicModeType(M::Unknown);
        switch (type) {
        case 2:
            periodicRequest(sample);
            break;
        case 3:
            plateauRequest(sample);
            break;
        case 0:
        case 1:
            break;
        default:
            KLOG_WARN2(kClass, "getTestValues", QStringLiteral("Unknown periodic mode type: %1").arg(type));
            break;
        }
    }
    logTemperature(sample);
}

void TTestThread::periodicRequest(const stMeasurementValues& sample)
{
    DataModell* model = dm();
    const int n = int(m->crossingCounter / 2);
    if (calcNextPeriodicRequestTime(*model, n) >= sample.timeStamp)
        return;
    m->crossingCounter += 2;
    if (m->periodicSkipped < SkippedRequestsPerStep) {
        ++m->periodicSkipped;
        return;
    }
    if (!getPeriodicValues(sample.timeStamp)) {
        KLOG_MEAS2(kClass, "getTestValues", "Failed to get periodic values!");
        return;
    }

    const M::OperatingMode mode = model->getOperatingMode();
    if (!isTanDeltaStepMode(mode))
        return;
    stPeriodicMeasurementValues newest;
    {
        auto end = model->endPeriodicMeasurementValues();
        if (model->beginPeriodicMeasurementValues() == end)
            return;
        newest = *(--end);
    }
    if (newest.tanDelta == TanDeltaNone)
        return;
    ++m->valuesInStep;
    if (m->valuesInStep < model->getNumberOfValues())
        return;
    if (int(m->voltageStepIndex) < int(model->getVoltageSteps()) - 1) {
        performVoltageStepUp();
    } else if (mode == M::MWTStep) {
        if (!m->withstandClock.isValid()) {
            // The steps are done: the withstand part at the test voltage begins.
            m->withstandClock = QDateTime::currentDateTime();
            performVoltageStepUp();
        }
    } else {
        emitTestTimeUp();
    }
}

void TTestThread::plateauRequest(const stMeasurementValues& sample)
{
    DataModell* model = dm();
    m->detector.lookForCrossing(sample.timeStamp, sample.voltage);
    const auto& upcoming = m->detector.upcoming();
    if (upcoming.isEmpty() || upcoming.first().first > sample.timeStamp)
        return;
    m->detector.removeFirstUpcoming();

    // The first half period is still the rise of the output: nothing is read there.
    if (double(sample.timeStamp) <= model->getPeriodDuration() * 1000.0 / 2.0) {
        ++m->crossingCounter;
        return;
    }
    if (model->getOperatingMode() == M::VLFRect && model->getFrequencyUsed() < SlowRectFrequency) {
        stPeriodicMeasurementValues values;
        values.voltage = sample.voltage;
        values.current = sample.current;
        values.tanDelta = TanDeltaNone;
        values.timeStamp = sample.timeStamp;
        storePeriodic(values);
    } else if (!getLeakageValues()) {
        KLOG_MEAS2(kClass, "getTestValues", "Failed to get leakage values!");
        return;
    }
    m->crossingCounter = m->crossingCounter == 0 ? 2 : m->crossingCounter + 1;
}

void TTestThread::storePeriodic(const stPeriodicMeasurementValues& values)
{
    dm()->setPeriodicMeasurementValues(values);
    qDebug() << "CurrentPeriod =" << m->crossingCounter / 2 << ","
             << "Voltage =" << values.voltage / 1000 << "V,"
             << "Amperage =" << double(values.current) / 1000000.0 << "mA,"
             << "TanDelta =" << double(values.tanDelta) / 1000000.0;
}

bool TTestThread::getPeriodicValues(unsigned long time)
{
    unsigned long long values[4] = {};
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_PeriodicValues, values, 4, &count) != 0 || count < 3) {
        readFailed();
        return false;
    }
    const qint64 minimum = std::max<qint64>(0, qint64(dm()->tanDeltaMinimum()) * 1000000);
    stPeriodicMeasurementValues record;
    record.voltage = qint32(quint32(values[0] & 0xFFFFFFFFULL));
    record.current = qint64(values[1]);
    record.tanDelta = quint32(std::max<quint64>(values[2] & 0xFFFFFFFFULL,
                                                quint64(std::min<qint64>(minimum, 0xFFFFFFFFLL))));
    record.timeStamp = quint32(time);
    storePeriodic(record);
    return true;
}

bool TTestThread::getLeakageValues()
{
    unsigned long long values[4] = {};
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_LeakageValues, values, 4, &count) != 0 || count < 3) {
        readFailed();
        return false;
    }
    stPeriodicMeasurementValues record;
    record.voltage = qint32(quint32(values[0] & 0xFFFFFFFFULL));
    record.current = qint64(values[1]);
    record.tanDelta = TanDeltaNone;
    record.timeStamp = quint32(values[2]);
    storePeriodic(record);
    return true;
}

void TTestThread::performVoltageStepUp()
{
    DataModell* model = dm();
    m->periodicSkipped = 0;
    m->valuesInStep = 0;
    ++m->voltageStepIndex;

    const M::OperatingMode mode = model->getOperatingMode();
    QList<long> steps = model->getVoltageStepList();
    if (mode == M::MWTStep)
        steps.append(model->withstandVoltage());
    if (int(m->voltageStepIndex) >= steps.size()) {
        KLOG_DEBUG2(kClass, "performVoltageStepUp", "step > |voltage steps|");
        return;
    }
    const long voltage = steps.at(m->voltageStepIndex);
    // Values taken at the old voltage must not count as the new step: a step the unit
    // did not take ends the test.
    if (!m->pof->GetHVState() || m->pof->SetValue(TPOF::CMD_Voltage, signExtended(voltage)) != 0
        || !m->pof->GetHVState()) {
        stepUpFailed();
        return;
    }
    if (mode == M::MWTStep && m->withstandClock.isValid()) {
        const unsigned short minutes = model->getMinutesToTest();
        const unsigned short seconds = model->getSecondsToTest();
        stTestTime withstand;
        withstand.milliseconds = (quint64(minutes) * 60 + seconds) * 1000;
        withstand.minutes = minutes;
        withstand.seconds = seconds;
        model->setTestTimeUsed(withstand);
    }
    model->voltageStepUp();
    emit voltageStepUp(voltage);
}

void TTestThread::stepUpFailed()
{
    DataModell* model = dm();
    KLOG_ERROR2(kClass, "performVoltageStepUp", "The HV unit did not take the next voltage step");
    setResultUnlessSet(model->hvStateOk() ? eTestResult_HVUnitNotReady : eTestResult_ComErrorHVUnit);
    m->valueTimer->stop();
    StopTest(SKP_StopFlags_None);
    emit sendAppEvent(eAppEvent::HVUnitErrorDetected);
}

void TTestThread::emitTestTimeUp()
{
    m->valueTimer->stop();
    emit sendAppEvent(eAppEvent::TestTimeUp);
}

void TTestThread::softStopVoltageCheck()
{
    unsigned long long values[4] = {};
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_MeasurementValues, values, 4, &count) != 0 || count < 1) {
        m->softStopTimer->stop();
        StopTest(SKP_StopFlags_None);
        // Stopped in full: no later reading ends the soft stop, and the test must not wait
        // in it with the HV-enable line up.
        emit sendAppEvent(eAppEvent::SoftStopFinished);
        return;
    }
    const qint32 voltage = qint32(quint32(values[0] & 0xFFFFFFFFULL));
    if (std::llabs(qint64(voltage)) < SoftStopEndVoltage) {
        m->softStopTimer->stop();
        emit sendAppEvent(eAppEvent::SoftStopFinished);
    }
}

void TTestThread::checkUSBState()
{
    if (dm()->getUSBState() == USBState_Ready) {
        m->usbTimer->stop();
        emit sendAppEvent(eAppEvent::ExportData);
    }
}

void TTestThread::nominalVoltageReached(bool reached)
{
    Q_UNUSED(reached)
    DataModell* model = dm();
    if (!model->isNominalVoltageSupported()) {
        KLOG_WARN2(kClass, "nominalVoltageReached", "Nominal votage not supported!");
        return;
    }
    model->setTestTime(TestTime_MeasurementStart, QDateTime::currentDateTime());
    // The step test's unit was given no duration: its withstand phase keeps its own time.
    if (model->getMinutesToTest() == 0 || model->getOperatingMode() == M::MWTStep)
        return;
    unsigned long long values[4] = {};
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_TestDuration, values, 4, &count) != 0 || count < 1) {
        StopTest(SKP_StopFlags_None);
        return;
    }
    // The unit's duration may include its ramp: it governs this test only, never the
    // operator's settings, which the next test sends again.
    model->setTestTimeUsed(testTimeOf(values[0]));
}

// ---------------------------------------------------------------------------
// End of the test
// ---------------------------------------------------------------------------

void TTestThread::StopTest(SKP_Pevanto_StopFlags flags)
{
    DataModell* model = dm();
    m->powerTemperatureTimer->stop();
    if (!model->getTestTime(TestTime_Stop).isValid())
        model->setTestTime(TestTime_Stop, QDateTime::currentDateTime());

    const stFaultValues fault = model->getFaultValues();
    const stMeasurementValues newest = model->getLastMeasurementValues();
    const bool hadSamples = newest.localTime.isValid();
    if (hadSamples) {
        if (model->getTestResult() == eTestResult_BreakdownDetected && fault.faultVoltage != -1
            && !m->breakdownCounted) {
            const long testVoltage = std::labs(model->getVoltageToTest());
            if (testVoltage != 0) {
                const double ratio =
                    std::min(100.0, std::fabs(double(fault.faultVoltage)) / double(testVoltage) * 100.0);
                if (DB* db = GlobalFuncs::getDB())
                    db->incStatisticParam(Statistics::generateBreakdownParam(ratio), 1);
                m->breakdownCounted = true;
            }
        }
        m->pof->StopTest(flags);
        if (flags == SKP_StopFlags_None && !m->endCounted) {
            m->endCounted = true;
            model->setFaultValues(fault);
            if (model->getMinutesToTest() == 0)
                logTemperatureHistory(newest);
            updateStatistics();
            logMeasurementStatistics();
        }
    }
    if (flags == SKP_StopFlags_SoftStop) {
        KLOG_MSG2(kClass, "StopTest",
                  LoggingCtrl::getUntranslatedText(QStringLiteral("InfoMessages"), QStringLiteral("DischargeInProgress")));
    }
    if (!m->logPart3Written)
        m->logPart3Written = m->log.createLogPart3();
    if (m->voltageToRestore) {
        m->voltageToRestore = false;
        model->setVoltageToTest(m->savedTestVoltage);
    }
}

void TTestThread::logTemperatureHistory(const stMeasurementValues& newest)
{
    const qint64 minutes = std::min<qint64>(TemperatureHistoryMaxMinutes, qint64(newest.timeStamp) / 60000);
    KLOG_INFO2(kClass, "StopTest",
               QStringLiteral("Temperature values of the last %1 minutes in steps of %2 minutes")
                   .arg(minutes)
                   .arg(TemperatureHistoryStepMs / 60000));
    int ago = 0;
    for (int i = m->temperatureHistory.size() - 1; i >= 0; --i, ago += int(TemperatureHistoryStepMs / 60000)) {
        KLOG_INFO2(kClass, "StopTest",
                   QStringLiteral("%1 Minutes ago  -\t%2 degrees").arg(ago).arg(m->temperatureHistory.at(i)));
    }
}

void TTestThread::logTemperature(const stMeasurementValues& sample)
{
    const quint32 k = m->temperatureMinutesProcessed;
    if (double(sample.timeStamp) / 60000.0 < double(k) - 0.5)
        return;
    int degrees = 0;
    if (m->pof->GetTemperature(&degrees)) {
        // The histogram covers -128..127 degrees; a reading beyond is counted at its edge.
        degrees = std::max(-TemperatureOffset, std::min(TemperatureOffset - 1, degrees));
        if (m->msSinceTemperatureEntry == 0 || m->msSinceTemperatureEntry >= TemperatureHistoryStepMs) {
            if (dm()->getMinutesToTest() != 0)
                KLOG_INFO2(kClass, "logTemperature", QStringLiteral("Current Temperature: %1 degrees").arg(degrees));
            m->temperatureHistory.append(degrees);
            while (m->temperatureHistory.size() > TemperatureHistoryLength)
                m->temperatureHistory.removeFirst();
            m->msSinceTemperatureEntry = 0;
        }
        if (k != 0)
            ++m->temperatureMinutes[size_t(degrees + TemperatureOffset)];
        m->msSinceTemperatureEntry += 60000;
    }
    m->temperatureMinutesProcessed = k + 1;
}

void TTestThread::updateStatistics()
{
    DataModell* model = dm();
    DB* db = GlobalFuncs::getDB();
    if (!db)
        return;
    const M::OperatingMode mode = model->getOperatingMode();
    const QDateTime start = model->getTestTime(TestTime_MeasurementStart);
    const QDateTime stop = model->getTestTime(TestTime_Stop);
    const qint64 ms = start.isValid() && stop.isValid() ? std::max<qint64>(0, start.msecsTo(stop)) : 0;
    const qint64 d = (ms + 500) / 1000;

    if (d >= 30) {
        const int minutes = int(d / 60 + (d % 60 >= 30 ? 1 : 0));

        for (size_t i = 0; i < m->temperatureMinutes.size(); ++i) {
            const quint32 count = m->temperatureMinutes[i];
            if (count == 0)
                continue;
            const int degrees = int(i) - TemperatureOffset;
            KLOG_DEBUG2(kClass, "updateStatistics", QString::asprintf("%d degrees - %ld minutes", degrees, long(count)));
            int id = 0x205;
            if (degrees >= 0 && degrees <= 39)
                id = 0x202;
            else if (degrees >= 40 && degrees <= 49)
                id = 0x203;
            else if (degrees >= 50 && degrees <= 59)
                id = 0x204;
            db->incStatisticParam(id, int(count));
        }

        int durationId = 0x405;
        if (minutes < 20)
            durationId = 0x401;
        else if (minutes < 40)
            durationId = 0x402;
        else if (minutes < 60)
            durationId = 0x403;
        else if (minutes == 60)
            durationId = 0x404;
        db->incStatisticParam(durationId, 1);

        const stIdentification id = model->getHVIdentification();
        // A rating of 0 (the unit was never identified) leaves its class out.
        if (mode != M::SheathTest && mode != M::SheathPinpointing && id.maxVoltagePeak > 0) {
            const double q = std::fabs(double(model->getVoltageToTest())) / double(id.maxVoltagePeak);
            int voltageId = 0x209;
            if (q < 0.7)
                voltageId = 0x206;
            else if (q < 0.8)
                voltageId = 0x207;
            else if (q < 0.95)
                voltageId = 0x208;
            db->incStatisticParam(voltageId, minutes);
        }

        if (mode == M::VLFSin) {
            bool havePeriodic = false;
            stPeriodicMeasurementValues oldest;
            {
                auto begin = model->beginPeriodicMeasurementValues();
                if (begin != model->endPeriodicMeasurementValues()) {
                    oldest = *begin;
                    havePeriodic = true;
                }
            }
            const double rating = double(id.maxVoltageRMS) * double(id.valueB);
            if (havePeriodic && rating > 0) {
                const double p = std::fabs(double(oldest.voltage) * double(oldest.current)) / rating;
                int loadId = 0x20e;
                if (p < 0.2)
                    loadId = 0x20a;
                else if (p < 0.4)
                    loadId = 0x20b;
                else if (p < 0.6)
                    loadId = 0x20c;
                else if (p < 0.8)
                    loadId = 0x20d;
                db->incStatisticParam(loadId, minutes);
            }
        }

        if (model->modeUseLoadDetection()) {
            const unsigned long c = model->getCapacitanceLoad();
            db->incStatisticParam(Statistics::generateCLoadParam(c - c % CapacitanceClassStep), minutes);
        }
        db->incStatisticParam(0x201, minutes);
    }
    if (mode != M::None)
        db->incStatisticParam(Statistics::getOpmodeParam(mode), 1);
}

void TTestThread::logMeasurementStatistics()
{
    DataModell* model = dm();
    const eTestResult result = model->getTestResult();
    if ((result != eTestResult_FinishedSuccess && result != eTestResult_CancelledByOp)
        || model->getOperatingMode() != M::VLFSin)
        return;
    std::vector<stPeriodicMeasurementValues> records;
    {
        auto end = model->endPeriodicMeasurementValues();
        for (auto it = model->beginPeriodicMeasurementValues(); it != end; ++it)
            records.push_back(*it);
    }
    if (records.size() < 3)
        return;

    auto microamperes = [](qint64 nA) { return QString::number(nA / 1000); };
    auto units = [](double value) { return QString::number(value, 'f', 5); };
    auto log = [](const QString& text) { KLOG_INFO2(kClass, "logMeasurementStatistics", text); };

    const stPeriodicMeasurementValues& first = records.front();
    const stPeriodicMeasurementValues& lastButOne = records[records.size() - 2];
    log(QStringLiteral("first period amperage value = %1 uA (RMS)").arg(microamperes(first.current)));
    log(QStringLiteral("last but one period amperage value = %1 uA (RMS)").arg(microamperes(lastButOne.current)));
    if (first.tanDelta != TanDeltaNone) {
        log(QStringLiteral("first period Tan Delta value = %1").arg(units(first.tanDelta / 1000000.0)));
        log(QStringLiteral("last but one period Tan Delta value = %1").arg(units(lastButOne.tanDelta / 1000000.0)));
    }

    // Sums in 64 bits: a long test at high currents overflows 32.
    qint64 currentSum = 0;
    qint64 currentMax = records.front().current;
    qint64 currentMin = records.front().current;
    quint64 tanSum = 0;
    quint32 tanMax = records.front().tanDelta;
    quint32 tanMin = records.front().tanDelta;
    for (const stPeriodicMeasurementValues& r : records) {
        currentSum += r.current;
        currentMax = std::max(currentMax, r.current);
        currentMin = std::min(currentMin, r.current);
        tanSum += r.tanDelta;
        tanMax = std::max(tanMax, r.tanDelta);
        tanMin = std::min(tanMin, r.tanDelta);
    }
    const qint64 count = qint64(records.size());
    const qint64 currentAverage = currentSum / count;
    log(QStringLiteral("average amperage value = %1 uA (RMS)").arg(microamperes(currentAverage)));
    log(QStringLiteral("maximal positive variance of amperage value = %1 uA (RMS)")
            .arg(currentMax / 1000 - currentAverage / 1000));
    log(QStringLiteral("maximal negative variance of amperage value = %1 uA (RMS)")
            .arg(currentAverage / 1000 - currentMin / 1000));
    const double tanAverage = double(tanSum / quint64(count)) / 1000000.0;
    log(QStringLiteral("average Tan Delta value = %1").arg(units(tanAverage)));
    log(QStringLiteral("maximal positive variance of Tan Delta value = %1").arg(units(tanMax / 1000000.0 - tanAverage)));
    log(QStringLiteral("maximal negative variance of Tan Delta value = %1").arg(units(tanAverage - tanMin / 1000000.0)));
}

bool TTestThread::updateFaultValues()
{
    // A change of the HV state can be reported from inside one of this worker's own link
    // transactions, with the link locked: a call through a connection reads the fault
    // values on the next turn of this thread's event loop instead.
    if (sender()) {
        QMetaObject::invokeMethod(this, [this] { updateFaultValues(); }, Qt::QueuedConnection);
        return false;
    }
    DataModell* model = dm();
    if (model->getTestResult() == eTestResult_Unknown) {
        KLOG_CAT2(CAT_METHOD, "METHOD", kClass, "updateFaultValues", "Test result not set!");
        return false;
    }
    stFaultValues fault = model->getFaultValues();
    if (!getUBD(fault)) {
        KLOG_ERROR2(kClass, "updateFaultValues", "Failed to update fault values!");
        return false;
    }
    model->setFaultValues(fault);
    return true;
}

bool TTestThread::getUBD(stFaultValues& fault)
{
    unsigned long long values[2] = {};
    unsigned short count = 0;
    if (m->pof->GetValue(TPOF::CMD_FaultValues, values, 2, &count) != 0 || count < 2) {
        fault.faultTime = -1;
        return false;
    }
    fault.faultTime = qint32(quint32(values[1] & 0xFFFFFFFFULL));
    fault.faultVoltage = qint32(quint32(values[0] & 0xFFFFFFFFULL));
    const stMeasurementValues newest = dm()->getLastMeasurementValues();
    fault.leakageCurrent = newest.localTime.isValid() ? quint64(newest.current) : 4294967295ULL;
    return m->pof->GetHVState();
}

// The finished test goes into the record store; the phases of one cable share a record.
void TTestThread::transferToHistory()
{
    DataModell* model = dm();
    DB* db = GlobalFuncs::getDB();
    const M::OperatingMode mode = model->getOperatingMode();
    const bool tanDelta = isTanDeltaStepMode(mode);
    auto rememberRecord = [model, db] {
        const QString path = model->getHistoryTestInfo().filePath();
        if (!path.isEmpty() && db)
            db->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), path);
    };

    if (!model->hasMeasurementValues()) {
        emit sendAppEvent(eAppEvent::HistoryReady);
        return;
    }
    const int phase = model->lastUsedPhase();
    if (tanDelta && phase < 0) {
        KLOG_FATAL2(kClass, "appStateChanged", "Generating Test_Result_Canceled");
        model->setTestResult(eTestResult_CancelledByOp);
        rememberRecord();
        m->tanDeltaPhaseRecorded = false;
        emit sendAppEvent(eAppEvent::HistoryReady);
        return;
    }

    const QString fileName =
        tanDelta && db ? db->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")) : QString();
    bool stored = m->testChart->captureData(fileName);
    if (stored && m->testChart->hasHistory())
        stored = m->testChart->saveData(GlobalFuncs::InternalMeasurements);

    if (tanDelta) {
        if (model->getTestResult() == eTestResult_FinishedSuccess && phase >= 0) {
            m->tanDeltaPhaseRecorded = true;
            if (db) {
                const QDateTime start = model->getTestTime(TestTime_MeasurementStart);
                db->setTanDeltaMetainfo(phase, 1, qint64(model->getFrequencyUsed()));
                db->setTanDeltaMetainfo(phase, 2, qint64(model->getCapacitanceLoad()));
                db->setTanDeltaMetainfo(phase, 3, qint64(model->getResistorLoad()));
                db->setTanDeltaMetainfo(phase, 4, start.isValid() ? start.toMSecsSinceEpoch() : 0);
            }
            model->setLastUsedPhase(-1);
        } else {
            m->tanDeltaPhaseRecorded = false;
        }
    }

    if (!stored)
        emit saveToHistoryFailed();
    else if (tanDelta)
        rememberRecord();
    emit sendAppEvent(eAppEvent::HistoryReady);
}

void TTestThread::finished()
{
    DataModell* model = dm();
    const bool remote = model->isRemoteControlled();
    if (!model->hasMeasurementValues()) {
        if (!remote)
            emit sendAppEvent(eAppEvent::TestResultConfirmed);
        return;
    }
    const M::OperatingMode mode = model->getOperatingMode();
    if (mode >= M::TanDelta && mode <= M::MWTStep && m->tanDeltaPhaseRecorded && model->isTanDeltaWaiting())
        emit sendAppEvent(eAppEvent::StartNextPhase);
    if (!remote && (!isTanDeltaStepMode(mode) || model->isTanDeltaFinished()) && model->getAppState() == TestFinished) {
        if (model->getUSBState() == USBState_Ready)
            emit sendAppEvent(eAppEvent::ExportData);
        else
            m->usbTimer->start();
    }
}

void TTestThread::exportToStick()
{
    if (!m->testChart->saveData(GlobalFuncs::UsbMeasurements)) {
        QString shown = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements);
        shown.replace(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint), QStringLiteral("USB:"));
        KLOG_ERROR2(kClass, "appStateChanged", QStringLiteral("Failed to copy the test record to ") + shown);
        emit showMessageDlg(CAT_ERR, TransObject(QStringLiteral("History"), QStringLiteral("UnableToExportData"), {shown}),
                            false, true);
    }
    emit sendAppEvent(eAppEvent::DataReady);
}
