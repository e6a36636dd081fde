#include "hvunit/ErrorMessages.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QtTest>

namespace {

using namespace ErrorMessages;

// Prefixes every text of the listed contexts, so a test sees which catalogue and
// which context a piece came from.
class PrefixTranslator : public QTranslator {
public:
    PrefixTranslator(QString prefix, QStringList contexts) : m_prefix(std::move(prefix)), m_contexts(std::move(contexts)) {}
    QString translate(const char* context, const char* sourceText, const char* = nullptr, int = -1) const override
    {
        if (!m_contexts.contains(QString::fromLatin1(context)))
            return QString();
        return m_prefix + QString::fromLatin1(context) + QLatin1Char(':') + QString::fromLatin1(sourceText);
    }
    bool isEmpty() const override { return false; }

private:
    QString m_prefix;
    QStringList m_contexts;
};

ResultDetails details(int code)
{
    ResultDetails d;
    d.result = static_cast<eTestResult>(code);
    d.safetyCircuit.set();
    return d;
}

ResultDetails openCircuit(std::initializer_list<int> openBits)
{
    ResultDetails d = details(eTestResult_SafetyCircuitNotClosed);
    for (int bit : openBits)
        d.safetyCircuit.reset(static_cast<size_t>(bit));
    return d;
}

} // namespace

class TestErrorMessages : public QObject {
    Q_OBJECT
private slots:
    void openCircuitNamesTheFirstOpenElement_data()
    {
        QTest::addColumn<QList<int>>("open");
        QTest::addColumn<QString>("expected");
        QTest::newRow("interlock key") << QList<int>{0} << "[#04.01]  TestCancelled SCNotClosed InterlockKey";
        QTest::newRow("first open wins") << QList<int>{2, 5, 9} << "[#04.03]  TestCancelled SCNotClosed HVConnector";
        QTest::newRow("hv off") << QList<int>{7} << "[#04.08]  TestCancelled SCNotClosed HvOff";
        QTest::newRow("hv on") << QList<int>{9} << "[#04.10]  TestCancelled SCNotClosed HvOn";
        QTest::newRow("all closed") << QList<int>{} << "[#04]  TestCancelled SCNotClosed SCElementUnknown";
    }
    void openCircuitNamesTheFirstOpenElement()
    {
        QFETCH(QList<int>, open);
        QFETCH(QString, expected);
        ResultDetails d = details(eTestResult_SafetyCircuitNotClosed);
        for (int bit : open)
            d.safetyCircuit.reset(static_cast<size_t>(bit));
        QCOMPARE(getErrorMessage(d, Untranslated), expected);
    }

    void translatedFormUsesContextsAndLineBreaks()
    {
        PrefixTranslator translator(QStringLiteral("de/"), {"ErrorMessages", "SafetyCircuit", "Menu", "HVSource"});
        QCoreApplication::installTranslator(&translator);
        QCOMPARE(getErrorMessage(openCircuit({7})),
                 QStringLiteral("[#04.08] \nde/ErrorMessages:TestCancelled\nde/ErrorMessages:SCNotClosed\nde/Menu:HvOff"));
        QCOMPARE(getErrorMessage(openCircuit({0})).split('\n').last(), QStringLiteral("de/SafetyCircuit:InterlockKey"));
        QCOMPARE(getErrorMessage(details(eTestResult_FinishedSuccess)), QStringLiteral("de/ErrorMessages:TestFinishedSuccess"));
        QCOMPARE(HVSource::stateText(0x0400), QStringLiteral("de/HVSource:Run"));
        QCOMPARE(HVSource::errorText(0x00FF), QString());

        // The log form ignores the installed language and takes the English catalogue.
        PrefixTranslator english(QStringLiteral("en/"), {"ErrorMessages", "SafetyCircuit"});
        LoggingCtrl::setEnglishTranslator(&english);
        QCOMPARE(getErrorMessage(openCircuit({0}), Untranslated),
                 QStringLiteral("[#04.01]  en/ErrorMessages:TestCancelled en/ErrorMessages:SCNotClosed "
                                "en/SafetyCircuit:InterlockKey"));
        LoggingCtrl::setEnglishTranslator(nullptr);
        QCoreApplication::removeTranslator(&translator);
    }

    void shortFormHasNoMarkerAndNoItems()
    {
        QCOMPARE(getErrorMessage(openCircuit({0}), ShortForm), QStringLiteral("TestCancelled SCNotClosed"));
        QCOMPARE(getErrorMessage(openCircuit({0}), ShortForm | Untranslated), QStringLiteral("TestCancelled SCNotClosed"));
        ResultDetails d = details(eTestResult_HVGenDisabled);
        d.hvSourceStatusKnown = true;
        d.hvSourceStatus = 0x0609;
        QCOMPARE(getErrorMessage(d, ShortForm), QStringLiteral("HVGenDisabled"));
    }

    void markers()
    {
        QCOMPARE(getErrorMessage(details(eTestResult_BreakdownDetected)), QStringLiteral("[#05] \nBreakdownDetected"));
        QCOMPARE(getErrorMessage(details(eTestResult_OvercurrentHVUnit)),
                 QStringLiteral("[#06] \nOvercurrentHVUnit\nReasonShortAtOutput"));
        QCOMPARE(getErrorMessage(details(eTestResult_Unknown), Untranslated), QStringLiteral("[#00]  TestResUnknown"));
        QCOMPARE(getErrorMessage(details(eTestResult_ComErrorHVUnit), Untranslated), QStringLiteral("[#03]  ComErrorHVUnit"));
        QCOMPARE(getErrorMessage(details(eTestResult_FinishedSuccess), Untranslated), QStringLiteral("TestFinishedSuccess"));
        QCOMPARE(getErrorMessage(details(eTestResult_CancelledByOp), Untranslated), QStringLiteral("TestCancelledByOp"));
    }

    void finishedInSheathModes()
    {
        ResultDetails d = details(eTestResult_FinishedSuccess);
        d.mode = OperatingModes::SheathPinpointing;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("TestFinished"));
        d.mode = OperatingModes::SheathTest;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("TestFinished"));
        d.mode = OperatingModes::VLFSin;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("TestFinishedSuccess"));
        // Only the success row changes its title in those modes.
        d = details(eTestResult_BreakdownDetected);
        d.mode = OperatingModes::SheathTest;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("[#05]  BreakdownDetected"));
    }

    void overloadSubCode_data()
    {
        QTest::addColumn<bool>("flag");
        QTest::addColumn<quint64>("value64");
        QTest::addColumn<quint32>("value32");
        QTest::addColumn<QString>("marker");
        QTest::newRow("flag clear") << false << quint64(0) << quint32(0) << "[#17.01] ";
        QTest::newRow("flag, 32-bit zero") << true << quint64(5) << quint32(0) << "[#17.02] ";
        QTest::newRow("flag, 64-bit zero") << true << quint64(0) << quint32(7) << "[#17.02] ";
        QTest::newRow("flag, both set") << true << quint64(5) << quint32(7) << "[#17.01] ";
    }
    void overloadSubCode()
    {
        QFETCH(bool, flag);
        QFETCH(quint64, value64);
        QFETCH(quint32, value32);
        QFETCH(QString, marker);
        ResultDetails d = details(eTestResult_Overload);
        d.overload = flag;
        d.overloadValue64 = value64;
        d.overloadValue32 = value32;
        QCOMPARE(getErrorMessage(d, Untranslated), marker + QStringLiteral(" Overload TestObjectUnableCharge"));
    }

    void hvSourceItems()
    {
        ResultDetails d = details(eTestResult_TimeoutHVGenNotStarted);
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("[#22]  Timeout HVGenNotStarted"));
        d.hvSourceStatusKnown = true;
        d.hvSourceStatus = 0x0609;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("[#22]  Timeout HVGenNotStarted Error OverTemperature"));
        d.result = eTestResult_HVGenDisabled;
        QCOMPARE(getErrorMessage(d), QStringLiteral("[#24] \nHVGenDisabled\nError\nOverTemperature"));
        // 255 gives empty texts, which are left out.
        d.hvSourceStatus = 0xFF18;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("[#24]  HVGenDisabled SilentMode"));
        d.hvSourceStatus = 0xFFFF;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("[#24]  HVGenDisabled"));
        // Other results never carry the HV-source texts.
        d.result = eTestResult_VoltageDisabled;
        d.hvSourceStatus = 0x0609;
        QCOMPARE(getErrorMessage(d, Untranslated), QStringLiteral("[#21]  VoltageDisabled HVGenDisabled"));
    }

    void hvSourceTexts()
    {
        const QStringList states{"Off", "Wait", "Ramp", "Release", "Run", "Silent", "Error"};
        for (int i = 0; i < states.size(); ++i)
            QCOMPARE(HVSource::stateText(quint64(i) << 8), states[i]);
        QCOMPARE(HVSource::stateText(7 << 8), QStringLiteral("Unkown"));
        QCOMPARE(HVSource::stateText(254 << 8), QStringLiteral("Unkown"));
        QCOMPARE(HVSource::stateText(255 << 8), QString());
        QCOMPARE(HVSource::stateText(0x7FFFF0400ull), QStringLiteral("Run"));

        const QStringList errors{"None", "PfcOverVoltage", "PfcOverCurrent", "PfcOverLoad", "HvcOverVoltage",
                                 "HvcOverCurrent", "HvcDevitation", "MainsUnderVoltage", "CanSwitchOff",
                                 "OverTemperature", "PfcOverTemperature", "EepromChecksum",
                                 "OverTemperaturePositive", "OverTemperatureNegativ", "NoConnectionToHvCasscade",
                                 "Reserved", "Reserved", "Reserved", "Reserved", "Reserved", "UnknownError",
                                 "WaitForClearance", "PfcStartup", "NormalMode", "SilentMode"};
        for (int i = 0; i < errors.size(); ++i)
            QCOMPARE(HVSource::errorText(quint64(i) | 0xAB00), errors[i]);
        QCOMPARE(HVSource::errorText(25), QStringLiteral("Unknown"));
        QCOMPARE(HVSource::errorText(254), QStringLiteral("Unknown"));
        QCOMPARE(HVSource::errorText(255), QString());
    }

    void everyCodeHasCategoryAndText()
    {
        // Typed again here, not read from the table under test, so a slip in a key shows.
        const char* const expected[][2] = {
            {"TestResUnknown", nullptr},
            {"TestFinishedSuccess", nullptr},
            {"TestCancelledByOp", nullptr},
            {"ComErrorHVUnit", nullptr},
            {"TestCancelled", "SCNotClosed"},
            {"BreakdownDetected", nullptr},
            {"OvercurrentHVUnit", "ReasonShortAtOutput"},
            {"OvervoltageDetected", nullptr},
            {"OvertemperatureDetected", nullptr},
            {"EMVError", nullptr},
            {"HVUnitNotReady", "CheckIfSystemWorkingOk"},
            {"UnknownErrorHVUnit", "BitLoad"},
            {"TestCancelled", "InternalSWError"},
            {"UnknownErrorHVUnit", "BitVal"},
            {"UnknownErrorHVUnit", "PressJogdial"},
            {"LoadImpUnknown", "HVUnitUnableCharge"},
            {"IllegalOperation", "TestObjectUnableCharge"},
            {"Overload", "TestObjectUnableCharge"},
            {"TestCancelled", "InternalSWError"},
            {"TestCancelled", "InternalSWError"},
            {"OutputOffsetTooBig", nullptr},
            {"VoltageDisabled", "HVGenDisabled"},
            {"Timeout", "HVGenNotStarted"},
            {"Timeout", "LoadDetection"},
            {"HVGenDisabled", nullptr},
            {"RebootHVUnitDetected", nullptr},
            {"TimeoutWaitingAckTestParam", nullptr},
            {"FreqAdaptionImpossible", "InternalSWError"},
            {"PolarityError", nullptr},
            {"TBCommunicationError", nullptr},
            {"TBPowerError", nullptr},
            {"TBStateError", nullptr},
            {"OutputVoltageNotReached", nullptr},
            {"TestFinished", "OutputVoltageNotReached"},
            {"CapacitanceTooSmall", nullptr},
            {"IgnitionThyristorSwitchFailed", nullptr},
            {"DischargeDeviceError", nullptr},
        };
        QCOMPARE(int(sizeof expected / sizeof expected[0]), 37);
        QCOMPARE(int(ResultMessages.size()), 37);
        for (int code = 0; code < 37; ++code) {
            QCOMPARE(ResultMessages[size_t(code)].code, code);
            const ResultDetails d = details(code);
            const MessageCategories category = code == 3 ? CAT_FATAL : (code == 1 || code == 2) ? CAT_INF : CAT_ERR;
            QCOMPARE(getErrorCategory(d.result), category);
            QString want = QString::fromLatin1(expected[code][0]);
            if (expected[code][1])
                want += QLatin1Char(' ') + QString::fromLatin1(expected[code][1]);
            QCOMPARE(getErrorMessage(d, ShortForm), want);
            // Every result but success and cancellation by the operator carries its marker.
            const QString marker = QStringLiteral("[#%1").arg(code, 2, 10, QLatin1Char('0'));
            QCOMPARE(getErrorMessage(d, Untranslated).startsWith(marker), category != CAT_INF);
        }
    }

    void outOfRangeCode()
    {
        QCOMPARE(getErrorCategory(static_cast<eTestResult>(37)), CAT_ERR);
        QCOMPARE(getErrorMessage(details(37), Untranslated),
                 QStringLiteral("[#37]  InternalSWError TesResult value out of range!"));
        QCOMPARE(getErrorMessage(details(200), ShortForm), QStringLiteral("InternalSWError TesResult value out of range!"));
        QCOMPARE(getErrorMessage(details(-3), ShortForm), QStringLiteral("InternalSWError TesResult value out of range!"));
    }

    void errorClassification()
    {
        QVERIFY(!isError(eTestResult_Unknown));
        QVERIFY(!isError(eTestResult_FinishedSuccess));
        for (int code = 2; code <= 37; ++code)
            QVERIFY2(isError(static_cast<eTestResult>(code)), qPrintable(QString::number(code)));
        QVERIFY(!isError(static_cast<eTestResult>(38)));
        QVERIFY(!isError(static_cast<eTestResult>(-1)));
    }

    void safetyElementTable()
    {
        const char* keys[] = {"InterlockKey", "EmergencyOff", "HVConnector", "FOhm", "OvertemperatureSurrounding",
                              "Testboost", "HVClearanceCtrl", "HvOff", "ExtEmergencyOff", "HvOn"};
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(SafetyCircuitMessages[size_t(i)].bit, i);
            QCOMPARE(SafetyCircuitMessages[size_t(i)].number, i + 1);
            QCOMPARE(QByteArray(SafetyCircuitMessages[size_t(i)].key), QByteArray(keys[i]));
            QCOMPARE(QByteArray(SafetyCircuitMessages[size_t(i)].context), QByteArray(i == 7 ? "Menu" : "SafetyCircuit"));
        }
    }
};

QTEST_GUILESS_MAIN(TestErrorMessages)
#include "tst_errormessages.moc"
