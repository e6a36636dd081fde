#include "TTestThread.h"

#include "ITestHistory.h"
#include "ITestLink.h"
#include "TLog.h"
#include "TPOFTestLink.h"
#include "TTestChart.h"
#include "TanDeltaStandard.h"

#include "LoggingCtrl.h"
#include "app/core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

#include <QDateTime>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <stdexcept>

using namespace States;
using M = OperatingModes;

namespace {
const char* const kClass = "TTestThread";

constexpr int ValueIntervalMs = 100;
constexpr int SoftStopIntervalMs = 100;
constexpr int UsbIntervalMs = 500;
constexpr int PowerTemperatureIntervalMs = 500;

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

    // Start of the withstand part of a stepped test; invalid until it begins.
    QDateTime withstandClock;

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

    if (DataModell* model = dm())
        connect(this, &TTestThread::breakdownSignal, model, &DataModell::breakdownSlot);

    m->clearAcquisitionCounters();
}

TTestThread::~TTestThread() = default;

void TTestThread::transferTanDeltaSummary() { qWarning() << "TRANSFER TAN DELTA SUMMARY UNIMPLEMENTED"; }

bool TTestThread::stopTest(SKP_Pevanto_StopFlags flags)
{
    Q_UNUSED(flags)
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
    case pairKey(WaitPhaseConnect, States::InitTest):
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
        if (safety.test(HvOn))
            emit sendAppEvent(eAppEvent::HVOn);
        break;
    case pairKey(States::InitTest, TestFinished):
    case pairKey(WaitHVFree, TestFinished):
    case pairKey(WaitExtEmergOff, TestFinished):
    case pairKey(WaitConfirmOn, TestFinished):
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
    case pairKey(TestFinished, TransferringTestData):
        m->testChart->saveData(GlobalFuncs::UsbMeasurements);
        emit sendAppEvent(eAppEvent::DataReady);
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

    // A unit that could not be initialised is not asked to detect the load.
    if (initialised && !m->pof->StartLoadDetection())
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
          static_cast<unsigned long long>(model->burnMode()) | (static_cast<unsigned long long>(model->shuntSwitching()) << 8) },
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
