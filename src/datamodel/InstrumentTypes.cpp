#include "datamodel/InstrumentTypes.h"

#include <QMetaEnum>
#include <QMetaType>

namespace {
template <typename E>
const char* enumKey(E value)
{
    const char* key = QMetaEnum::fromType<E>().valueToKey(int(value));
    return key ? key : "Unknown";
}
} // namespace

namespace States {
const char* stateName(AppState state) { return enumKey(state); }
} // namespace States

const char* appEventName(eAppEvent event) { return enumKey(event); }

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
