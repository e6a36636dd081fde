#include "gui/MeasurementStrings.h"

#include "core/NumberString.h"

#include <QCoreApplication>

namespace {
struct Text {
    const char* context;
    const char* key;
};

// Leakage current of a fault record when none was recorded.
constexpr quint64 NoLeakageCurrent = 4294967295ULL;

// Detail texts by result code; null keys show nothing. Codes 5, 6 and 7 carry a value
// and are built in testResultToDetailText.
constexpr Text kDetails[TestResultCount] = {
    {nullptr, nullptr},                                                                   // 0
    {nullptr, nullptr},                                                                   // 1
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "SafetyCircuitEvent")},                // 2
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "ComErrorHVUnit")},              // 3
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "SafetyCircuitEvent")},                // 4
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "BreakdownDetectedAt")},               // 5
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "OverCurrentDetectedAt")},             // 6
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "OverVoltageDetectedAt")},             // 7
    {"HVSource", QT_TRANSLATE_NOOP("HVSource", "OverTemperature")},                       // 8
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "EMVError")},                    // 9
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "HVUnitNotReady")},              // 10
    {nullptr, nullptr},                                                                   // 11
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "Overload")},                    // 12
    {nullptr, nullptr},                                                                   // 13
    {"HVSource", QT_TRANSLATE_NOOP("HVSource", "UnknownError")},                          // 14
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "LoadImpUnknown")},              // 15
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "IllegalOperation")},            // 16
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "NotLoadable")},                       // 17
    {nullptr, nullptr},                                                                   // 18
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError")},             // 19
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "OutputOffsetTooBig")},          // 20
    {nullptr, nullptr},                                                                   // 21
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "HVGenNotStarted")},             // 22
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "TimeoutLoadDetection")},              // 23
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "HVGenDisabled")},               // 24
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "RebootHVUnitDetected")},        // 25
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "TimeoutWaitingAckTestParam")},  // 26
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "FreqAdaptionImpossible")},      // 27
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "PolarityError")},               // 28
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "TBCommunicationError")},        // 29
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "TestboostNotReady")},           // 30
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "TestboostNotReady")},           // 31
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "OutputVoltageNotReached")},     // 32
    {"TestResult", QT_TRANSLATE_NOOP("TestResult", "OutputVoltageNotStable")},            // 33
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "CapacitanceTooSmall")},         // 34
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "IgnitionThyristorSwitchFailed")}, // 35
    {"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "DischargeDeviceError")},        // 36
};

// Any code outside the table, negative ones too.
constexpr Text kUnknownResult{"ErrorMessages", QT_TRANSLATE_NOOP("ErrorMessages", "CommunicationDownCAN")};

// Safety inputs 0..8 in the order they are examined; input 9 (HV on) never is.
constexpr Text kSafetyInputs[] = {
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "InterlockKey")},
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "EmergencyOff")},
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "HVConnector")},
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "FOhm")},
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "OvertemperatureSurrounding")},
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "Testboost")},
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "HVClearanceCtrl")},
    {"Menu", QT_TRANSLATE_NOOP("Menu", "HvOff")},
    {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "ExtEmergencyOff")},
};

QString translate(const Text& text)
{
    return text.key ? QCoreApplication::translate(text.context, text.key) : QString();
}

// Number and unit joined by one blank, as the templates take them.
QString valueText(const NumberString::NumberAndUnit& value)
{
    return value.first + QLatin1Char(' ') + value.second;
}
} // namespace

namespace Measurement {
namespace strings {

QString testResultToText(Measurement::eGuiTestResult result)
{
    switch (result) {
    case Measurement::Unknown: return QCoreApplication::translate("TestData", "TestResultUnknown");
    case Measurement::Done: return QCoreApplication::translate("TestData", "Done");
    case Measurement::Passed: return QCoreApplication::translate("TestData", "TestPassed");
    case Measurement::Failed: return QCoreApplication::translate("TestData", "TestFailed");
    case Measurement::InteruptedByUser:
    default: return QCoreApplication::translate("TestData", "TestInteruptedByUser");
    }
}

QString testResultToText(eTestResult result)
{
    switch (result) {
    case eTestResult_Unknown: return testResultToText(Measurement::Unknown);
    case eTestResult_FinishedSuccess: return testResultToText(Measurement::Passed);
    case eTestResult_CancelledByOp: return testResultToText(Measurement::InteruptedByUser);
    case eTestResult_HVGenDisabled: return testResultToText(Measurement::Done);
    default: return testResultToText(Measurement::Failed);
    }
}

QString testResultToDetailText(eTestResult result, stFaultValues faultValues)
{
    const int code = int(result);
    if (code < 0 || code >= TestResultCount)
        return translate(kUnknownResult);
    const Text& text = kDetails[code];
    switch (result) {
    case eTestResult_BreakdownDetected:
    case eTestResult_OvervoltageDetected:
        return translate(text).arg(valueText(NumberString::voltage(faultValues.faultVoltage)));
    case eTestResult_OvercurrentHVUnit:
        if (faultValues.leakageCurrent == NoLeakageCurrent)
            return QCoreApplication::translate("TestResult", "OverCurrentDetected");
        return translate(text).arg(valueText(NumberString::leakageAmperage(qint64(faultValues.leakageCurrent))));
    default: return translate(text);
    }
}

QString safetyCircuitStateText(unsigned long long state)
{
    int bit = 0;
    for (const Text& input : kSafetyInputs) {
        if (!(state & (1ULL << bit)))
            return translate(input);
        ++bit;
    }
    return QString();
}

} // namespace strings
} // namespace Measurement
