#include "datamodel/InstrumentTypes.h"

#include <QMetaType>

namespace States {
const char* stateName(AppState state)
{
    static const char* const names[StateCount] = {
        "None", "Starting", "Idle", "InitTest", "WaitHVFree", "WaitExtEmergOff", "WaitConfirmOn",
        "WaitHVOn", "WaitLoadDetect", "WaitForEffTestParameters", "WaitForConfirmation",
        "TestReadyToRun", "TestRunning", "TestBurning", "TestSoftStop", "TestFinalizing",
        "TransferringToHistory", "TestFinished", "HVUnitError", "Updating", "TransferringTestData",
        "TestDataTransferred", "WaitPhaseConnect", "WaitFohm", "Backfeed",
    };
    const int i = int(state);
    return (i >= 0 && i < StateCount) ? names[i] : "Unknown";
}
} // namespace States

const char* appEventName(eAppEvent event)
{
    static const char* const names[int(eAppEvent::Count)] = {
        "None", "MainsOn", "StartUpdate", "HostUpdateFinished", "HVInitError", "HVUnitInitialized",
        "HVOutputOn", "LoadDetectionFinished", "TestResultConfirmed", "TestAborted", "TestCanceledUser",
        "TestStarted", "HVUnitErrorDetected", "BreakdownDetected", "StartTest", "TestInitSuccess",
        "GotHVFree", "ExtEmergOffClosed", "HVOn", "SafetyCircuitOpened", "StateTimeout",
        "FrequencyModified", "FrequencyUnmodified", "TestTimeUp", "TestFinalized", "Reserved25",
        "UserAck", "Reserved27", "HVUpdateFinished", "Reserved29", "ExportData", "DataReady",
        "LoadDetResultError", "SoftStopFinished", "Reserved34", "Reserved35", "StartNextPhase",
        "HistoryReady", "Reserved38", "Backfeed",
    };
    const int i = int(event);
    return (i >= 0 && i < int(eAppEvent::Count)) ? names[i] : "Unknown";
}

QPair<int, bool> failedSafetyCircuit(const SafetyCircuitBits& bits)
{
    for (size_t i = 0; i < bits.size(); ++i)
        if (!bits.test(i))
            return qMakePair(int(i), true);
    return qMakePair(0, false);
}

void registerInstrumentTypes()
{
    qRegisterMetaType<States::AppState>("States::AppState");
    qRegisterMetaType<eAppEvent>("eAppEvent");
    qRegisterMetaType<stHVUnitState>("stHVUnitState");
    qRegisterMetaType<eHVUnitParamType>("eHVUnitParamType");
    qRegisterMetaType<QList<eHVUnitParamType>>("QList<eHVUnitParamType>");
    qRegisterMetaType<stIdentification>("stIdentification");
    qRegisterMetaType<eTestResult>("eTestResult");
    qRegisterMetaType<eVoltageType>("eVoltageType");
    qRegisterMetaType<eVoltagePolarity>("eVoltagePolarity");
    qRegisterMetaType<eDutyCycle>("eDutyCycle");
    qRegisterMetaType<eVoltageRampMode>("eVoltageRampMode");
    qRegisterMetaType<eTestTimes>("eTestTimes");
    qRegisterMetaType<eUSBState>("eUSBState");
    qRegisterMetaType<eDisplayParam>("eDisplayParam");
    qRegisterMetaType<SKP_Pevanto_StopFlags>("SKP_Pevanto_StopFlags");
    qRegisterMetaType<stMeasurementValues>("stMeasurementValues");
    qRegisterMetaType<stPeriodicMeasurementValues>("stPeriodicMeasurementValues");
    qRegisterMetaType<stFaultValues>("stFaultValues");
    qRegisterMetaType<TanDeltaMeasurementValues>("TanDeltaMeasurementValues");
    qRegisterMetaType<QVector<TanDeltaMeasurementValues>>("QVector<TanDeltaMeasurementValues>");
    qRegisterMetaType<stTestTime>("stTestTime");
    qRegisterMetaType<stExportTestInfo>("stExportTestInfo");
    qRegisterMetaType<stTBState>("stTBState");
    qRegisterMetaType<stTBData>("stTBData");
    qRegisterMetaType<SafetyCircuitBits>("std::bitset<10>");
    qRegisterMetaType<OperatingModes::OperatingMode>("OperatingModes::OperatingMode");
    qRegisterMetaType<OperatingModes::OperatingMode>("OperatingMode");
}
