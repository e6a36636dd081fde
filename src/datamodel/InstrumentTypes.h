#pragma once

// Enums and records shared by the data model, the HV-unit link, the test worker and
// the record store. Only Qt Core and std here, so that every library can include it
// without depending on the data model's code. The enums and records that views and
// logs show are known to the meta-object system by their names.

#include "datamodel/OperatingModes.h"

#include <QDateTime>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <bitset>
#include <cstdint>

// ---------------------------------------------------------------------------
// Application states and events
// ---------------------------------------------------------------------------
namespace States {
Q_NAMESPACE

enum AppState : int {
    None = 0,
    Starting = 1,
    Idle = 2,
    InitTest = 3,
    WaitHVFree = 4,
    WaitExtEmergOff = 5,
    WaitConfirmOn = 6,
    WaitHVOn = 7,
    WaitLoadDetect = 8,
    WaitForEffTestParameters = 9,
    WaitForConfirmation = 10,
    TestReadyToRun = 11,
    TestRunning = 12,
    TestBurning = 13,
    TestSoftStop = 14,
    TestFinalizing = 15,
    TransferringToHistory = 16,
    TestFinished = 17,
    HVUnitError = 18,
    Updating = 19,
    TransferringTestData = 20,
    TestDataTransferred = 21,
    WaitPhaseConnect = 22,
    WaitFohm = 23,
    Backfeed = 24,
};
Q_ENUM_NS(AppState)
constexpr int StateCount = 25;

// Name of a state for logs; "Unknown" for a number that names none.
const char* stateName(AppState state);
} // namespace States

// Enums that were global before they joined the meta-object system; the global names
// below keep every use and every registered meta type name as it was.
namespace Instrument {
Q_NAMESPACE

enum class eAppEvent : int {
    None = 0,
    MainsOn = 1,
    StartUpdate = 2,
    HostUpdateFinished = 3,
    HVInitError = 4,
    HVUnitInitialized = 5,
    HVOutputOn = 6,            // the HV unit reports the output switched on
    LoadDetectionFinished = 7, // load detection finished without error bits
    TestResultConfirmed = 8,
    TestAborted = 9,
    TestCanceledUser = 10,
    TestStarted = 11,          // the test voltage runs
    HVUnitErrorDetected = 12,
    BreakdownDetected = 13,
    StartTest = 14,
    TestInitSuccess = 15,
    GotHVFree = 16,
    ExtEmergOffClosed = 17,
    HVOn = 18,
    SafetyCircuitOpened = 19,
    StateTimeout = 20,         // the current state's time-out ran out
    FrequencyModified = 21,
    FrequencyUnmodified = 22,
    TestTimeUp = 23,
    TestFinalized = 24,
    Reserved25 = 25,
    UserAck = 26,
    Reserved27 = 27,
    HVUpdateFinished = 28,
    Reserved29 = 29,
    ExportData = 30,
    DataReady = 31,
    LoadDetResultError = 32,
    SoftStopFinished = 33,
    Reserved34 = 34,
    Reserved35 = 35,
    StartNextPhase = 36,
    HistoryReady = 37,
    Reserved38 = 38,
    Backfeed = 39,
    Count = 40,
};
Q_ENUM_NS(eAppEvent)

enum eTestResult : int {
    eTestResult_Unknown = 0,
    eTestResult_FinishedSuccess = 1,
    eTestResult_CancelledByOp = 2,
    eTestResult_ComErrorHVUnit = 3,
    eTestResult_SafetyCircuitNotClosed = 4,
    eTestResult_BreakdownDetected = 5,
    eTestResult_OvercurrentHVUnit = 6,
    eTestResult_OvervoltageDetected = 7,
    eTestResult_OvertemperatureDetected = 8,
    eTestResult_EMVError = 9,
    eTestResult_HVUnitNotReady = 10,
    eTestResult_UnknownErrorBitLoad = 11,
    eTestResult_InternalSWError12 = 12,
    eTestResult_UnknownErrorBitVal = 13,
    eTestResult_UnknownErrorPressJogdial = 14,
    eTestResult_LoadImpUnknown = 15,
    eTestResult_IllegalOperation = 16,
    eTestResult_Overload = 17,
    eTestResult_InternalSWError18 = 18,
    eTestResult_InternalSWError19 = 19,
    eTestResult_OutputOffsetTooBig = 20,
    eTestResult_VoltageDisabled = 21,
    eTestResult_TimeoutHVGenNotStarted = 22,
    eTestResult_TimeoutLoadDetection = 23,
    eTestResult_HVGenDisabled = 24,
    eTestResult_RebootHVUnitDetected = 25,
    eTestResult_TimeoutWaitingAckTestParam = 26,
    eTestResult_FreqAdaptionImpossible = 27,
    eTestResult_PolarityError = 28,
    eTestResult_TBCommunicationError = 29,
    eTestResult_TBPowerError = 30,
    eTestResult_TBStateError = 31,
    eTestResult_OutputVoltageNotReached = 32,
    eTestResult_FinishedVoltageNotReached = 33,
    eTestResult_CapacitanceTooSmall = 34,
    eTestResult_IgnitionThyristorSwitchFailed = 35,
    eTestResult_DischargeDeviceError = 36,
};
Q_ENUM_NS(eTestResult)

enum eUSBState : int {
    USBState_Ready = 0,
    USBState_NoStick = 1,
    USBState_Checking = 2,
};
Q_ENUM_NS(eUSBState)
} // namespace Instrument

using eAppEvent = Instrument::eAppEvent;
using eTestResult = Instrument::eTestResult;
using eUSBState = Instrument::eUSBState;
using Instrument::eTestResult_Unknown;
using Instrument::eTestResult_FinishedSuccess;
using Instrument::eTestResult_CancelledByOp;
using Instrument::eTestResult_ComErrorHVUnit;
using Instrument::eTestResult_SafetyCircuitNotClosed;
using Instrument::eTestResult_BreakdownDetected;
using Instrument::eTestResult_OvercurrentHVUnit;
using Instrument::eTestResult_OvervoltageDetected;
using Instrument::eTestResult_OvertemperatureDetected;
using Instrument::eTestResult_EMVError;
using Instrument::eTestResult_HVUnitNotReady;
using Instrument::eTestResult_UnknownErrorBitLoad;
using Instrument::eTestResult_InternalSWError12;
using Instrument::eTestResult_UnknownErrorBitVal;
using Instrument::eTestResult_UnknownErrorPressJogdial;
using Instrument::eTestResult_LoadImpUnknown;
using Instrument::eTestResult_IllegalOperation;
using Instrument::eTestResult_Overload;
using Instrument::eTestResult_InternalSWError18;
using Instrument::eTestResult_InternalSWError19;
using Instrument::eTestResult_OutputOffsetTooBig;
using Instrument::eTestResult_VoltageDisabled;
using Instrument::eTestResult_TimeoutHVGenNotStarted;
using Instrument::eTestResult_TimeoutLoadDetection;
using Instrument::eTestResult_HVGenDisabled;
using Instrument::eTestResult_RebootHVUnitDetected;
using Instrument::eTestResult_TimeoutWaitingAckTestParam;
using Instrument::eTestResult_FreqAdaptionImpossible;
using Instrument::eTestResult_PolarityError;
using Instrument::eTestResult_TBCommunicationError;
using Instrument::eTestResult_TBPowerError;
using Instrument::eTestResult_TBStateError;
using Instrument::eTestResult_OutputVoltageNotReached;
using Instrument::eTestResult_FinishedVoltageNotReached;
using Instrument::eTestResult_CapacitanceTooSmall;
using Instrument::eTestResult_IgnitionThyristorSwitchFailed;
using Instrument::eTestResult_DischargeDeviceError;
using Instrument::USBState_Ready;
using Instrument::USBState_NoStick;
using Instrument::USBState_Checking;

// Name of an event for logs; "Unknown" for a number that names none.
const char* appEventName(eAppEvent event);

// ---------------------------------------------------------------------------
// HV unit
// ---------------------------------------------------------------------------

// Bits of the HV-unit state word that the software reads.
namespace HVStateBits {
constexpr quint32 OutputOn = 1u << 1;             // HV generator output on
constexpr quint32 TestVoltageOn = 1u << 2;        // the test voltage runs
constexpr quint32 LoadDetectionFinished = 1u << 3;
constexpr quint32 LoadResultError1 = 1u << 4;     // with bit 3: load detection failed
constexpr quint32 LoadResultError2 = 1u << 5;
constexpr quint32 Overcurrent = 1u << 7;
constexpr quint32 Breakdown = 1u << 8;
constexpr quint32 Overvoltage = 1u << 9;
constexpr quint32 Overtemperature = 1u << 10;
constexpr quint32 Busy = 1u << 11;                // firmware update or calibration write
constexpr quint32 BusyFailed = 1u << 12;
constexpr quint32 OutputOffset = 1u << 13;
constexpr quint32 NominalVoltageReached = 1u << 14;
constexpr quint32 Backfeed = 1u << 15;
constexpr quint32 PolarityError = 1u << 17;
constexpr quint32 HVOnMask = 0x10006;             // any of these: high voltage may be present
constexpr quint32 FaultMask = 0xB2780;            // any of these: HV-unit fault
} // namespace HVStateBits

struct stHVUnitState {
    Q_GADGET
    Q_PROPERTY(bool comError READ getComError)
    Q_PROPERTY(quint32 state READ getState)
public:
    bool comError = false; // true while the link to the HV unit is down
    quint32 state = 0;     // state word as last read

    bool getComError() const { return comError; }
    quint32 getState() const { return state; }

    stHVUnitState() = default;
    stHVUnitState(bool err, quint32 word) : comError(err), state(word) {}

    bool hasFault() const { return !comError && (state & HVStateBits::FaultMask) != 0; }

    // Two states with the link down are equal whatever the word says.
    bool operator==(const stHVUnitState& o) const
    {
        if (comError || o.comError)
            return comError == o.comError;
        return state == o.state;
    }
    bool operator!=(const stHVUnitState& o) const { return !(*this == o); }
};

// Parameters of the HV unit (64-bit values each).
enum eHVUnitParamType : int {
    eHVUnitParamType_GainU = 0,
    eHVUnitParamType_GainI = 1,
    eHVUnitParamType_GainPFC = 2,
    eHVUnitParamType_GainU_HVP = 3,
    eHVUnitParamType_GainI_HVP = 4,
    eHVUnitParamType_GainU_HVN = 5,
    eHVUnitParamType_GainI_HVN = 6,
    eHVUnitParamType_OffsetU_HVP = 7,
    eHVUnitParamType_OffsetI_HVP = 8,
    eHVUnitParamType_OffsetU_HVN = 9,
    eHVUnitParamType_OffsetI_HVN = 10,
    eHVUnitParamType_ProtectionResistor = 11,
    eHVUnitParamType_LoadDetectionCalibration = 12,
    eHVUnitParamType_EarthingCapacity = 13,
    eHVUnitParamType_EarthingResistance = 14,
    eHVUnitParamType_CalibrationC_HVCable = 15,
    eHVUnitParamType_CalibrationR_HVCable = 16,
    eHVUnitParamType_CalibrationDummyA = 17,
    eHVUnitParamType_TBIgnitionPulse = 18,
    eHVUnitParamType_HvSourceStatus = 19,
    eHVUnitParamType_HvSinParameterVlfSettings = 20,
    eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics = 21,
    eHVUnitParamType_HvSourceVersion = 22,
    eHVUnitParamType_TanDeltaReal1 = 23,
    eHVUnitParamType_TanDeltaImag1 = 24,
    eHVUnitParamType_TanDeltaReal2 = 25,
    eHVUnitParamType_TanDeltaImag2 = 26,
    eHVUnitParamType_Param27 = 27,
    eHVUnitParamType_Param28 = 28,
    eHVUnitParamType_Param29 = 29,
    eHVUnitParamType_Param30 = 30,
    eHVUnitParamType_Param31 = 31,
    eHVUnitParamType_CascadeSetting = 32,
    eHVUnitParamType_CascadeValues = 33,
    eHVUnitParamType_Param34 = 34,
    eHVUnitParamType_OutputPolarity = 35,
};
constexpr int HVUnitParamTypeCount = 36;
constexpr quint64 HVUnitParamUnknown = ~quint64(0); // never received

// Decoded identification of the HV unit.
struct stIdentification {
    char modelName[21] = {0};         // 20 characters and a terminating zero
    quint16 firstNumber = 0;
    quint16 secondNumber = 0;
    quint16 firmwareMajor = 0;
    quint16 firmwareMinor = 0;
    qint32 maxVoltageRMS = 0;         // mV
    qint32 maxVoltagePeak = 0;        // mV
    qint64 secondVoltage = 0;         // mV
    qint64 secondVoltagePeak = 0;     // mV
    quint32 maxFrequency = 0;         // mHz
    quint32 valueB = 0;
    quint16 maxTestMinutes = 0;
    quint64 operatingModeMask = 0;    // bit n: operating mode n available
    quint8 supportFlags = 0;          // bit 0: burn mode
    bool valid = false;

    QString modelNameText() const { return QString::fromLatin1(modelName, int(qstrnlen(modelName, sizeof(modelName)))); }
    bool isModeSupported(int mode) const
    {
        return mode >= 0 && mode < 64 && (operatingModeMask & (quint64(1) << mode)) != 0;
    }
};

// Flags of a stop request: 1 stops with 'o' alone, any other value with 's' then 'x'.
enum SKP_Pevanto_StopFlags : int {
    SKP_StopFlags_None = 0,
    SKP_StopFlags_SoftStop = 1,
};

constexpr int TestResultCount = 37; // values of eTestResult

// ---------------------------------------------------------------------------
// Test settings values
// ---------------------------------------------------------------------------
enum eVoltageType : int {
    VoltageType_None = 0,
    VoltageType_RMS = 1,
    VoltageType_PEAK = 2,
    VoltageType_Factor = 4,
};

enum eVoltagePolarity : int {
    VoltagePolarity_Positive = 0,
    VoltagePolarity_Negative = 1,
};

// On:off ratio of the test frequency.
enum eDutyCycle : int {
    DutyCycle_1_4 = 0,
    DutyCycle_1_3 = 1,
    DutyCycle_1_2 = 2,
    DutyCycle_15_05 = 3, // 1.5 : 0.5
    DutyCycle_05_1 = 4,  // 0.5 : 1
};

enum eVoltageRampMode : int {
    VoltageRampMode_Auto = 0,
    VoltageRampMode_Manual = 1,
    VoltageRampMode_Off = 2,
};

// Time stamps of a test.
enum eTestTimes : int {
    TestTime_Start = 0,
    TestTime_Measurement1 = 1,
    TestTime_MeasurementStart = 2,
    TestTime_Stop = 3,
};
constexpr int TestTimesCount = 4;


enum eDisplayParam : int {
    DisplayParam_Type = 0,
    DisplayParam_Brightness = 1,
};

// ---------------------------------------------------------------------------
// Records of the running test
// ---------------------------------------------------------------------------
constexpr quint32 TanDeltaNone = 1000000000u; // tan delta "no value"

struct stMeasurementValues {
    Q_GADGET
    Q_PROPERTY(quint32 timeStamp READ getTimeStamp)
    Q_PROPERTY(QDateTime localTime READ getLocalTime)
    Q_PROPERTY(qint32 voltage READ getVoltage)
    Q_PROPERTY(qint64 current READ getCurrent)
public:
    quint32 timeStamp = 0; // ms since the test start
    QDateTime localTime;   // filled by the data model
    qint32 voltage = 0;    // mV
    qint64 current = 0;    // nA

    quint32 getTimeStamp() const { return timeStamp; }
    QDateTime getLocalTime() const { return localTime; }
    qint32 getVoltage() const { return voltage; }
    qint64 getCurrent() const { return current; }
};

struct stPeriodicMeasurementValues {
    Q_GADGET
    Q_PROPERTY(qint32 voltage READ getVoltage)
    Q_PROPERTY(qint64 current READ getCurrent)
    Q_PROPERTY(quint32 tanDelta READ getTanDelta)
    Q_PROPERTY(quint32 timeStamp READ getTimeStamp)
public:
    qint32 voltage = 0;           // mV
    qint64 current = 0;           // nA (leakage current in the leakage modes)
    quint32 tanDelta = TanDeltaNone; // millionths
    quint32 timeStamp = 0;        // ms since the test start

    qint32 getVoltage() const { return voltage; }
    qint64 getCurrent() const { return current; }
    quint32 getTanDelta() const { return tanDelta; }
    quint32 getTimeStamp() const { return timeStamp; }
};

// Values recorded when a test ends in a fault.
struct stFaultValues {
    qint32 faultTime = -1;            // ms since the test start, -1 none
    qint32 faultVoltage = -1;         // mV
    quint64 leakageCurrent = 4294967295ULL;

    void reset() { *this = stFaultValues(); }
    bool operator==(const stFaultValues& o) const
    {
        return faultTime == o.faultTime && faultVoltage == o.faultVoltage && leakageCurrent == o.leakageCurrent;
    }
    bool operator!=(const stFaultValues& o) const { return !(*this == o); }
};

// Summary of one voltage step of a tan delta test.
struct TanDeltaMeasurementValues {
    qint64 voltage = 0;                 // mean voltage, mV
    quint32 avgTanDelta = TanDeltaNone; // millionths
    qint64 stdDevTanDelta = 0;          // millionths
};

struct stTestTime {
    Q_GADGET
    Q_PROPERTY(quint64 milliseconds READ getMilliseconds)
    Q_PROPERTY(quint16 minutes READ getMinutes)
    Q_PROPERTY(quint16 seconds READ getSeconds)
public:
    quint64 milliseconds = 0;
    quint16 minutes = 0;
    quint16 seconds = 0;

    quint64 getMilliseconds() const { return milliseconds; }
    quint16 getMinutes() const { return minutes; }
    quint16 getSeconds() const { return seconds; }
};

// File name and folder of a stored or exported record.
struct stExportTestInfo {
    QString fileName;
    QString directory;

    QString filePath() const
    {
        if (fileName.isEmpty() || directory.isEmpty())
            return QString();
        return QStringLiteral("%1/%2").arg(directory, fileName);
    }
};

// ---------------------------------------------------------------------------
// Test boost accessory
// ---------------------------------------------------------------------------
struct stTBState {
    Q_GADGET
    Q_PROPERTY(qint32 powerState READ getPowerState)
    Q_PROPERTY(qint32 stateWord READ getStateWord)
public:
    qint32 powerState = 0; // 0 nothing known, 1 no power, 2 power present
    qint32 stateWord = 0;  // bit 2 ground, bit 1 F-Ohm, bit 0 HV-enable feedback

    qint32 getPowerState() const { return powerState; }
    qint32 getStateWord() const { return stateWord; }

    bool operator==(const stTBState& o) const { return powerState == o.powerState && stateWord == o.stateWord; }
    bool operator!=(const stTBState& o) const { return !(*this == o); }
};

struct stTBData {
    QString identifier;
    QString serialNumber;
    QDateTime productionDate;
    QDateTime maintenanceDate;
    qint32 ignitionPulse = 0;        // 0, 1, or -1 when unreadable
    qint32 minVoltage = 0;           // mV
    qint32 maxVoltage = 0;           // mV
    qint32 furtherLimit = 0;
    qint32 minRequiredCapacitance = 0;
    bool configValid = false;
};

using SafetyCircuitBits = std::bitset<10>;
using stSafetyCircuitState = std::bitset<10>; // the name the commissioning signals use
constexpr int SafetyInputTestBoost = 5;

// The first open safety input: {index, true}; {0, false} when all ten are closed.
QPair<int, bool> failedSafetyCircuit(const SafetyCircuitBits& bits);

// Registers the types above for queued signals; safe to call more than once.
void registerInstrumentTypes();

Q_DECLARE_METATYPE(States::AppState)
Q_DECLARE_METATYPE(eAppEvent)
Q_DECLARE_METATYPE(stHVUnitState)
Q_DECLARE_METATYPE(eHVUnitParamType)
Q_DECLARE_METATYPE(stIdentification)
Q_DECLARE_METATYPE(eTestResult)
Q_DECLARE_METATYPE(eVoltageType)
Q_DECLARE_METATYPE(eVoltagePolarity)
Q_DECLARE_METATYPE(eDutyCycle)
Q_DECLARE_METATYPE(eVoltageRampMode)
Q_DECLARE_METATYPE(eTestTimes)
Q_DECLARE_METATYPE(eUSBState)
Q_DECLARE_METATYPE(eDisplayParam)
Q_DECLARE_METATYPE(SKP_Pevanto_StopFlags)
Q_DECLARE_METATYPE(stMeasurementValues)
Q_DECLARE_METATYPE(stPeriodicMeasurementValues)
Q_DECLARE_METATYPE(stFaultValues)
Q_DECLARE_METATYPE(TanDeltaMeasurementValues)
Q_DECLARE_METATYPE(stTestTime)
Q_DECLARE_METATYPE(stExportTestInfo)
Q_DECLARE_METATYPE(stTBState)
Q_DECLARE_METATYPE(stTBData)
Q_DECLARE_METATYPE(SafetyCircuitBits)
