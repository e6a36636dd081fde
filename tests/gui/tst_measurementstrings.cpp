#include "gui/MeasurementStrings.h"
#include "fakes/KeyTranslator.h"
#include "testrun/TestChart.h"

#include <QLocale>
#include <QTranslator>
#include <QtTest>

using namespace Measurement::strings;

namespace {
const stFaultValues kNoFault;

stFaultValues fault(qint32 voltage, quint64 leakage)
{
    stFaultValues f;
    f.faultTime = 1200;
    f.faultVoltage = voltage;
    f.leakageCurrent = leakage;
    return f;
}
} // namespace

class TstMeasurementStrings : public QObject {
    Q_OBJECT

    QTranslator m_english;
    KeyTranslator m_keys;

    // Runs with every text shown as "context/key".
    struct Keys {
        explicit Keys(KeyTranslator* t) : translator(t) { QCoreApplication::installTranslator(translator); }
        ~Keys() { QCoreApplication::removeTranslator(translator); }
        KeyTranslator* translator;
    };

private slots:
    void initTestCase()
    {
        QVERIFY(m_english.load(QStringLiteral(ENGLISH_QM)));
        QVERIFY(QCoreApplication::installTranslator(&m_english));
    }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void verdicts()
    {
        Keys keys(&m_keys);
        QCOMPARE(testResultToText(Measurement::Unknown), QStringLiteral("TestData/TestResultUnknown"));
        QCOMPARE(testResultToText(Measurement::Done), QStringLiteral("TestData/Done"));
        QCOMPARE(testResultToText(Measurement::Passed), QStringLiteral("TestData/TestPassed"));
        QCOMPARE(testResultToText(Measurement::Failed), QStringLiteral("TestData/TestFailed"));
        QCOMPARE(testResultToText(Measurement::InteruptedByUser), QStringLiteral("TestData/TestInteruptedByUser"));
        QCOMPARE(testResultToText(static_cast<Measurement::eGuiTestResult>(9)),
                 QStringLiteral("TestData/TestInteruptedByUser"));

        QCOMPARE(testResultToText(eTestResult_Unknown), testResultToText(Measurement::Unknown));
        QCOMPARE(testResultToText(eTestResult_FinishedSuccess), testResultToText(Measurement::Passed));
        QCOMPARE(testResultToText(eTestResult_CancelledByOp), testResultToText(Measurement::InteruptedByUser));
        QCOMPARE(testResultToText(eTestResult_HVGenDisabled), testResultToText(Measurement::Done));
        for (int code : {3, 4, 5, 23, 25, 36, 37, -1})
            QCOMPARE(testResultToText(eTestResult(code)), testResultToText(Measurement::Failed));
    }

    void detailKeys_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("key");
        const QStringList keys{
            "",                                            // 0
            "",                                            // 1
            "TestResult/SafetyCircuitEvent",               // 2
            "ErrorMessages/ComErrorHVUnit",                // 3
            "TestResult/SafetyCircuitEvent",               // 4
            "TestResult/BreakdownDetectedAt",              // 5
            "TestResult/OverCurrentDetectedAt",            // 6
            "TestResult/OverVoltageDetectedAt",            // 7
            "HVSource/OverTemperature",                    // 8
            "ErrorMessages/EMVError",                      // 9
            "ErrorMessages/HVUnitNotReady",                // 10
            "",                                            // 11
            "ErrorMessages/Overload",                      // 12
            "",                                            // 13
            "HVSource/UnknownError",                       // 14
            "ErrorMessages/LoadImpUnknown",                // 15
            "ErrorMessages/IllegalOperation",              // 16
            "TestResult/NotLoadable",                      // 17
            "",                                            // 18
            "ErrorMessages/InternalSWError",               // 19
            "ErrorMessages/OutputOffsetTooBig",            // 20
            "",                                            // 21
            "ErrorMessages/HVGenNotStarted",               // 22
            "TestResult/TimeoutLoadDetection",             // 23
            "ErrorMessages/HVGenDisabled",                 // 24
            "ErrorMessages/RebootHVUnitDetected",          // 25
            "ErrorMessages/TimeoutWaitingAckTestParam",    // 26
            "ErrorMessages/FreqAdaptionImpossible",        // 27
            "ErrorMessages/PolarityError",                 // 28
            "ErrorMessages/TBCommunicationError",          // 29
            "SafetyCircuit/TestboostNotReady",             // 30
            "SafetyCircuit/TestboostNotReady",             // 31
            "ErrorMessages/OutputVoltageNotReached",       // 32
            "TestResult/OutputVoltageNotStable",           // 33
            "ErrorMessages/CapacitanceTooSmall",           // 34
            "ErrorMessages/IgnitionThyristorSwitchFailed", // 35
            "ErrorMessages/DischargeDeviceError",          // 36
            "ErrorMessages/CommunicationDownCAN",          // 37
        };
        for (int code = 0; code < keys.size(); ++code)
            QTest::addRow("%d", code) << code << keys[code];
        // Codes outside the table, negative ones too, never index it.
        QTest::newRow("200") << 200 << "ErrorMessages/CommunicationDownCAN";
        QTest::newRow("-1") << -1 << "ErrorMessages/CommunicationDownCAN";
        QTest::newRow("min") << std::numeric_limits<int>::min() << "ErrorMessages/CommunicationDownCAN";
    }
    void detailKeys()
    {
        QFETCH(int, code);
        QFETCH(QString, key);
        Keys keys(&m_keys);
        // The templates of 5, 6 and 7 have no %1 under this translator: only the key counts.
        QCOMPARE(testResultToDetailText(eTestResult(code), fault(12345678, 2500000)), key);
    }

    void detailValuesInEnglish()
    {
        QCOMPARE(testResultToDetailText(eTestResult_BreakdownDetected, fault(12345678, 0)),
                 QStringLiteral("Breakdown detected at 12.3 kV"));
        QCOMPARE(testResultToDetailText(eTestResult_OvervoltageDetected, fault(-60000000, 0)),
                 QStringLiteral("Over voltage detected at -60.0 kV"));
        QCOMPARE(testResultToDetailText(eTestResult_OvercurrentHVUnit, fault(0, 4294967295ULL)),
                 QStringLiteral("Over current detected"));
        QCOMPARE(testResultToDetailText(eTestResult_OvercurrentHVUnit, fault(0, 0)),
                 QStringLiteral("Over current detected at 0 \u00B5A"));
        QCOMPARE(testResultToDetailText(eTestResult_OvercurrentHVUnit, fault(0, 2500000)),
                 QStringLiteral("Over current detected at 2.50 mA"));
        // Only 4294967295 means "none"; all 64 bits set is a reading like any other.
        QVERIFY(testResultToDetailText(eTestResult_OvercurrentHVUnit, fault(0, ~0ULL))
                    .startsWith(QStringLiteral("Over current detected at ")));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(testResultToDetailText(eTestResult_BreakdownDetected, fault(12345678, 0)),
                 QStringLiteral("Breakdown detected at 12,3 kV"));
    }

    void safetyCircuit_data()
    {
        QTest::addColumn<qulonglong>("state");
        QTest::addColumn<QString>("key");
        const QStringList keys{"SafetyCircuit/InterlockKey",    "SafetyCircuit/EmergencyOff",
                               "SafetyCircuit/HVConnector",     "SafetyCircuit/FOhm",
                               "SafetyCircuit/OvertemperatureSurrounding", "SafetyCircuit/Testboost",
                               "SafetyCircuit/HVClearanceCtrl", "Menu/HvOff",
                               "SafetyCircuit/ExtEmergencyOff"};
        for (int bit = 0; bit < keys.size(); ++bit)
            QTest::addRow("only %d open", bit) << qulonglong(0x3FF & ~(1u << bit)) << keys[bit];
        QTest::newRow("0 and 1 open") << qulonglong(0x3FC) << keys[0];
        QTest::newRow("all open") << qulonglong(0) << keys[0];
        QTest::newRow("4 and 8 open") << qulonglong(0x2EF) << keys[4];
        QTest::newRow("only 9 open") << qulonglong(0x1FF) << QString();
        QTest::newRow("all closed") << qulonglong(0x3FF) << QString();
        QTest::newRow("higher bits set") << ~0ULL << QString();
    }
    void safetyCircuit()
    {
        QFETCH(qulonglong, state);
        QFETCH(QString, key);
        Keys keys(&m_keys);
        QCOMPARE(safetyCircuitStateText(state), key);
    }

    // The shipped catalogue reaches every kind of text; a key without an English entry shows itself.
    void englishTexts()
    {
        QCOMPARE(testResultToText(eTestResult_FinishedSuccess), QStringLiteral("Test passed"));
        QCOMPARE(testResultToText(eTestResult_ComErrorHVUnit), QStringLiteral("Test Failed"));
        QCOMPARE(testResultToDetailText(eTestResult_CancelledByOp, kNoFault), QStringLiteral("Safety circuit event"));
        QCOMPARE(testResultToDetailText(eTestResult_TBPowerError, kNoFault),
                 QStringLiteral("Boost module is not ready."));
        QCOMPARE(testResultToDetailText(eTestResult(37), kNoFault), QStringLiteral("CommunicationDownCAN"));
        QCOMPARE(safetyCircuitStateText(0x3FC), QStringLiteral("Interlock key"));
        QCOMPARE(safetyCircuitStateText(0x3BF), QStringLiteral("HV clearance control"));

        // History rows name a test's mode by its key without blanks.
        for (auto mode : {OperatingModes::VLFRect, OperatingModes::VLFCosRect, OperatingModes::SheathTest,
                          OperatingModes::VLFSin, OperatingModes::TanDelta, OperatingModes::MWTSingle,
                          OperatingModes::MWTStep, OperatingModes::SheathPinpointing, OperatingModes::LongDurationTest}) {
            const QString shown = QCoreApplication::translate("TestModes", TestChart::operatingModeName(mode).toUtf8().constData(),
                                                              "Test Mode description");
            QCOMPARE(shown, OperatingModes::getInstance()->modeName(mode));
        }
    }
};

QTEST_GUILESS_MAIN(TstMeasurementStrings)
#include "tst_measurementstrings.moc"
