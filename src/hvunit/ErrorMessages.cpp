#include "hvunit/ErrorMessages.h"

#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QStringList>

namespace ErrorMessages {

const std::array<ResultMessage, TestResultCount> ResultMessages{{
    {0, QT_TRANSLATE_NOOP("ErrorMessages", "TestResUnknown"), nullptr},
    {1, QT_TRANSLATE_NOOP("ErrorMessages", "TestFinishedSuccess"), nullptr},
    {2, QT_TRANSLATE_NOOP("ErrorMessages", "TestCancelledByOp"), nullptr},
    {3, QT_TRANSLATE_NOOP("ErrorMessages", "ComErrorHVUnit"), nullptr},
    {4, QT_TRANSLATE_NOOP("ErrorMessages", "TestCancelled"), QT_TRANSLATE_NOOP("ErrorMessages", "SCNotClosed")},
    {5, QT_TRANSLATE_NOOP("ErrorMessages", "BreakdownDetected"), nullptr},
    {6, QT_TRANSLATE_NOOP("ErrorMessages", "OvercurrentHVUnit"), QT_TRANSLATE_NOOP("ErrorMessages", "ReasonShortAtOutput")},
    {7, QT_TRANSLATE_NOOP("ErrorMessages", "OvervoltageDetected"), nullptr},
    {8, QT_TRANSLATE_NOOP("ErrorMessages", "OvertemperatureDetected"), nullptr},
    {9, QT_TRANSLATE_NOOP("ErrorMessages", "EMVError"), nullptr},
    {10, QT_TRANSLATE_NOOP("ErrorMessages", "HVUnitNotReady"), QT_TRANSLATE_NOOP("ErrorMessages", "CheckIfSystemWorkingOk")},
    {11, QT_TRANSLATE_NOOP("ErrorMessages", "UnknownErrorHVUnit"), QT_TRANSLATE_NOOP("ErrorMessages", "BitLoad")},
    {12, QT_TRANSLATE_NOOP("ErrorMessages", "TestCancelled"), QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError")},
    {13, QT_TRANSLATE_NOOP("ErrorMessages", "UnknownErrorHVUnit"), QT_TRANSLATE_NOOP("ErrorMessages", "BitVal")},
    {14, QT_TRANSLATE_NOOP("ErrorMessages", "UnknownErrorHVUnit"), QT_TRANSLATE_NOOP("ErrorMessages", "PressJogdial")},
    {15, QT_TRANSLATE_NOOP("ErrorMessages", "LoadImpUnknown"), QT_TRANSLATE_NOOP("ErrorMessages", "HVUnitUnableCharge")},
    {16, QT_TRANSLATE_NOOP("ErrorMessages", "IllegalOperation"), QT_TRANSLATE_NOOP("ErrorMessages", "TestObjectUnableCharge")},
    {17, QT_TRANSLATE_NOOP("ErrorMessages", "Overload"), QT_TRANSLATE_NOOP("ErrorMessages", "TestObjectUnableCharge")},
    {18, QT_TRANSLATE_NOOP("ErrorMessages", "TestCancelled"), QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError")},
    {19, QT_TRANSLATE_NOOP("ErrorMessages", "TestCancelled"), QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError")},
    {20, QT_TRANSLATE_NOOP("ErrorMessages", "OutputOffsetTooBig"), nullptr},
    {21, QT_TRANSLATE_NOOP("ErrorMessages", "VoltageDisabled"), QT_TRANSLATE_NOOP("ErrorMessages", "HVGenDisabled")},
    {22, QT_TRANSLATE_NOOP("ErrorMessages", "Timeout"), QT_TRANSLATE_NOOP("ErrorMessages", "HVGenNotStarted")},
    {23, QT_TRANSLATE_NOOP("ErrorMessages", "Timeout"), QT_TRANSLATE_NOOP("ErrorMessages", "LoadDetection")},
    {24, QT_TRANSLATE_NOOP("ErrorMessages", "HVGenDisabled"), nullptr},
    {25, QT_TRANSLATE_NOOP("ErrorMessages", "RebootHVUnitDetected"), nullptr},
    {26, QT_TRANSLATE_NOOP("ErrorMessages", "TimeoutWaitingAckTestParam"), nullptr},
    {27, QT_TRANSLATE_NOOP("ErrorMessages", "FreqAdaptionImpossible"), QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError")},
    {28, QT_TRANSLATE_NOOP("ErrorMessages", "PolarityError"), nullptr},
    {29, QT_TRANSLATE_NOOP("ErrorMessages", "TBCommunicationError"), nullptr},
    {30, QT_TRANSLATE_NOOP("ErrorMessages", "TBPowerError"), nullptr},
    {31, QT_TRANSLATE_NOOP("ErrorMessages", "TBStateError"), nullptr},
    {32, QT_TRANSLATE_NOOP("ErrorMessages", "OutputVoltageNotReached"), nullptr},
    {33, QT_TRANSLATE_NOOP("ErrorMessages", "TestFinished"), QT_TRANSLATE_NOOP("ErrorMessages", "OutputVoltageNotReached")},
    {34, QT_TRANSLATE_NOOP("ErrorMessages", "CapacitanceTooSmall"), nullptr},
    {35, QT_TRANSLATE_NOOP("ErrorMessages", "IgnitionThyristorSwitchFailed"), nullptr},
    {36, QT_TRANSLATE_NOOP("ErrorMessages", "DischargeDeviceError"), nullptr},
}};

const std::array<SafetyCircuitMessage, 10> SafetyCircuitMessages{{
    {0, 1, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "InterlockKey")},
    {1, 2, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "EmergencyOff")},
    {2, 3, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "HVConnector")},
    {3, 4, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "FOhm")},
    {4, 5, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "OvertemperatureSurrounding")},
    {5, 6, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "Testboost")},
    {6, 7, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "HVClearanceCtrl")},
    {7, 8, "Menu", QT_TRANSLATE_NOOP("Menu", "HvOff")},
    {8, 9, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "ExtEmergencyOff")},
    {9, 10, "SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "HvOn")},
}};

namespace {

const char* const ErrorContext = "ErrorMessages";
const char* const HVSourceContext = "HVSource";

const char* stateKey(unsigned long long status)
{
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("HVSource", "Off"),     QT_TRANSLATE_NOOP("HVSource", "Wait"),
        QT_TRANSLATE_NOOP("HVSource", "Ramp"),    QT_TRANSLATE_NOOP("HVSource", "Release"),
        QT_TRANSLATE_NOOP("HVSource", "Run"),     QT_TRANSLATE_NOOP("HVSource", "Silent"),
        QT_TRANSLATE_NOOP("HVSource", "Error"),
    };
    const unsigned state = (status >> 8) & 0xFF;
    if (state < sizeof names / sizeof names[0])
        return names[state];
    if (state == 255)
        return "";
    return QT_TRANSLATE_NOOP("HVSource", "Unkown");
}

const char* errorKey(unsigned long long status)
{
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("HVSource", "None"),
        QT_TRANSLATE_NOOP("HVSource", "PfcOverVoltage"),
        QT_TRANSLATE_NOOP("HVSource", "PfcOverCurrent"),
        QT_TRANSLATE_NOOP("HVSource", "PfcOverLoad"),
        QT_TRANSLATE_NOOP("HVSource", "HvcOverVoltage"),
        QT_TRANSLATE_NOOP("HVSource", "HvcOverCurrent"),
        QT_TRANSLATE_NOOP("HVSource", "HvcDevitation"),
        QT_TRANSLATE_NOOP("HVSource", "MainsUnderVoltage"),
        QT_TRANSLATE_NOOP("HVSource", "CanSwitchOff"),
        QT_TRANSLATE_NOOP("HVSource", "OverTemperature"),
        QT_TRANSLATE_NOOP("HVSource", "PfcOverTemperature"),
        QT_TRANSLATE_NOOP("HVSource", "EepromChecksum"),
        QT_TRANSLATE_NOOP("HVSource", "OverTemperaturePositive"),
        QT_TRANSLATE_NOOP("HVSource", "OverTemperatureNegativ"),
        QT_TRANSLATE_NOOP("HVSource", "NoConnectionToHvCasscade"),
        QT_TRANSLATE_NOOP("HVSource", "Reserved"),
        QT_TRANSLATE_NOOP("HVSource", "Reserved"),
        QT_TRANSLATE_NOOP("HVSource", "Reserved"),
        QT_TRANSLATE_NOOP("HVSource", "Reserved"),
        QT_TRANSLATE_NOOP("HVSource", "Reserved"),
        QT_TRANSLATE_NOOP("HVSource", "UnknownError"),
        QT_TRANSLATE_NOOP("HVSource", "WaitForClearance"),
        QT_TRANSLATE_NOOP("HVSource", "PfcStartup"),
        QT_TRANSLATE_NOOP("HVSource", "NormalMode"),
        QT_TRANSLATE_NOOP("HVSource", "SilentMode"),
    };
    const unsigned error = status & 0xFF;
    if (error < sizeof names / sizeof names[0])
        return names[error];
    if (error == 255)
        return "";
    return QT_TRANSLATE_NOOP("HVSource", "Unknown");
}

QString text(const char* context, const char* key, bool untranslated)
{
    if (untranslated)
        return LoggingCtrl::getUntranslatedText(QString::fromLatin1(context), QString::fromLatin1(key));
    return QCoreApplication::translate(context, key);
}

struct Item {
    const char* context;
    const char* key;
};

} // namespace

MessageCategories getErrorCategory(eTestResult result)
{
    switch (static_cast<int>(result)) {
    case 1:
    case 2:
        return CAT_INF;
    case 3:
        return CAT_FATAL;
    default:
        return CAT_ERR;
    }
}

QString getErrorMessage(const ResultDetails& details, unsigned flags)
{
    const bool untranslated = (flags & Untranslated) != 0;
    const bool shortForm = (flags & ShortForm) != 0;
    const int code = static_cast<int>(details.result);

    const char* title = nullptr;
    const char* detail = nullptr;
    int subCode = -1;
    std::array<Item, 2> items{{{nullptr, nullptr}, {nullptr, nullptr}}};

    if (code < 0 || code >= TestResultCount) {
        title = QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError");
        detail = QT_TRANSLATE_NOOP("ErrorMessages", "TesResult value out of range!");
    } else if (ResultMessages[static_cast<size_t>(code)].code != code) {
        title = QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError");
        detail = QT_TRANSLATE_NOOP("ErrorMessages", "TestResult value not match!");
    } else {
        const ResultMessage& row = ResultMessages[static_cast<size_t>(code)];
        title = row.title;
        detail = row.detail;
        if (code == eTestResult_FinishedSuccess
            && (details.mode == OperatingModes::SheathPinpointing || details.mode == OperatingModes::SheathTest))
            title = QT_TRANSLATE_NOOP("ErrorMessages", "TestFinished");

        switch (code) {
        case eTestResult_SafetyCircuitNotClosed:
            items[0] = {"SafetyCircuit", QT_TRANSLATE_NOOP("SafetyCircuit", "SCElementUnknown")};
            for (const SafetyCircuitMessage& element : SafetyCircuitMessages) {
                if (!details.safetyCircuit.test(static_cast<size_t>(element.bit))) {
                    items[0] = {element.context, element.key};
                    subCode = element.number;
                    break;
                }
            }
            break;
        case eTestResult_Overload:
            subCode = details.overload && (details.overloadValue64 == 0 || details.overloadValue32 == 0) ? 2 : 1;
            break;
        case eTestResult_TimeoutHVGenNotStarted:
        case eTestResult_HVGenDisabled:
            if (details.hvSourceStatusKnown) {
                items[0] = {HVSourceContext, stateKey(details.hvSourceStatus)};
                items[1] = {HVSourceContext, errorKey(details.hvSourceStatus)};
            }
            break;
        default:
            break;
        }
    }

    QStringList parts;
    if (!shortForm && getErrorCategory(details.result) != CAT_INF) {
        QString marker = QStringLiteral("[#%1").arg(code, 2, 10, QLatin1Char('0'));
        if (subCode >= 0)
            marker += QStringLiteral(".%1").arg(subCode, 2, 10, QLatin1Char('0'));
        parts << marker + QStringLiteral("] ");
    }
    parts << text(ErrorContext, title, untranslated);
    if (detail)
        parts << text(ErrorContext, detail, untranslated);
    if (!shortForm) {
        for (const Item& item : items) {
            if (item.context && item.key && *item.context && *item.key)
                parts << text(item.context, item.key, untranslated);
        }
    }
    return parts.join(untranslated || shortForm ? QStringLiteral(" ") : QStringLiteral("\n"));
}

namespace HVSource {

QString stateText(unsigned long long status)
{
    const char* key = stateKey(status);
    return *key ? QCoreApplication::translate(HVSourceContext, key) : QString();
}

QString errorText(unsigned long long status)
{
    const char* key = errorKey(status);
    return *key ? QCoreApplication::translate(HVSourceContext, key) : QString();
}

} // namespace HVSource

} // namespace ErrorMessages

bool isError(eTestResult result)
{
    const int code = static_cast<int>(result);
    return code >= 2 && code <= 37;
}
