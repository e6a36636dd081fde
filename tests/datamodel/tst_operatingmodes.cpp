#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "datamodel/Statistics.h"

#include <QSignalSpy>
#include <QtTest>

using M = OperatingModes;
using P = OpModeParameters;

class TstOperatingModes : public QObject {
    Q_OBJECT
    M* modes() { return M::getInstance(); }

private slots:
    void namesAndOutOfRange()
    {
        QCOMPARE(modes()->getModeName(M::None), QStringLiteral("No mode"));
        QCOMPARE(modes()->getModeName(M::Unknown), QStringLiteral("Unknown mode"));
        QCOMPARE(modes()->getModeName(static_cast<M::OperatingMode>(27)), QStringLiteral("Unknown mode"));
        QCOMPARE(modes()->getModeName(static_cast<M::OperatingMode>(-4)), QStringLiteral("Unknown mode"));
        QCOMPARE(M::fromInt(-1), M::Unknown);
        QCOMPARE(M::fromInt(12), M::MWTSingle);
        QCOMPARE(int(M::VWDTest), 12);
        QCOMPARE(int(modes()->getClassification(static_cast<M::OperatingMode>(40))), 0);
        QCOMPARE(modes()->getOpModeParameters(static_cast<M::OperatingMode>(-1), P::Primary), nullptr);
        QCOMPARE(modes()->getOpModeParameters(M::VLFSin, 7), nullptr);
        // Every mode of the menu has a name of its own.
        QSet<QString> names;
        for (int m = 0; m < M::ModeCount; ++m)
            names.insert(modes()->getModeName(M::OperatingMode(m)));
        QCOMPARE(names.size(), M::ModeCount);
    }

    void properties()
    {
        const int expectedPeriodic[M::ModeCount] = {0, 0, 0, 0, 0, 3, 3, 0, 0, 0, 2, 2, 2, 2, 0, 1,
                                                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (int m = 0; m < M::ModeCount; ++m)
            QCOMPARE(modes()->periodicModeType(M::OperatingMode(m)), expectedPeriodic[m]);
        for (M::OperatingMode m : {M::SheathFault, M::SheathTest, M::SheathPinpointing})
            QVERIFY(!modes()->loadDetection(m));
        QVERIFY(modes()->loadDetection(M::VLFSin));
        QVERIFY(modes()->isTestBoostMode(M::VLFCosRect));
        QVERIFY(modes()->isTestBoostMode(M::DAC));
        QVERIFY(!modes()->isTestBoostMode(M::VLFSin));
        QVERIFY(modes()->isDutyCycleMode(M::VLFCosRect));
        QCOMPARE(modes()->getSupportedVoltageTypes(M::MWTStep), int(M::SupportsRMS));
        QVERIFY(!(modes()->getSupportedVoltageTypes(M::DC) & M::SupportsRMS));
        for (int m = 10; m <= 13; ++m)
            QVERIFY(modes()->usesRMSConversion(M::OperatingMode(m)));
        QVERIFY(!modes()->usesRMSConversion(M::VLFRect));
        // Every selectable test mode has a usable range, test-time ticks within its maximum.
        for (M::OperatingMode m : {M::VLFRect, M::VLFCosRect, M::DC, M::DAC, M::SheathTest, M::VLFSin, M::TanDelta,
                                   M::MWTSingle, M::MWTStep, M::Decay, M::SheathPinpointing}) {
            const QPair<long, long> r = modes()->voltageRange(m);
            QVERIFY(r.first > 0 && r.first < r.second);
            QVERIFY(r.second <= 60000000);
            for (const QVariant& t : modes()->testTimeTicks(m))
                QVERIFY(t.toInt() <= modes()->maxTestTime(m));
            QVERIFY(modes()->getOpModeParameters(m, P::Primary));
            QVERIFY(modes()->getOpModeParameters(m, P::Measurement));
            const QPair<unsigned long, unsigned long> f = modes()->frequencyRange(m);
            QVERIFY(f.first <= f.second);
            QCOMPARE(f.second > 0, modes()->periodicModeType(m) != 0);
        }
        const P* measured = modes()->getOpModeParameters(M::SheathTest, P::Measurement);
        QVERIFY(measured->isParameterEnabled(P::LeakageCurrent));
        QVERIFY(!measured->isParameterEnabled(20));
        QVERIFY(!measured->isParameterEnabled(-1));
        QCOMPARE(modes()->getOpModeParameters(M::SafetyCircuitCheck, P::Primary), nullptr);
    }

    void menuTree()
    {
        QCOMPARE(modes()->getParentMode(M::Withstand), M::None);
        QCOMPARE(modes()->getParentMode(M::TanDelta), M::Diagnosis);
        QCOMPARE(modes()->getParentMode(M::ManualDiagnosis), M::Calibration);
        QVERIFY(modes()->hasChildren(M::Calibration));
        QCOMPARE(modes()->getChildren(M::Calibration).size(), 10);
        QVERIFY(modes()->hasChildren(M::SheathFault));
        QVERIFY(!modes()->hasChildren(M::VLFSin));
        QVERIFY(!modes()->hasChildren(M::Unknown));
        // Siblings have distinct positions.
        for (M::OperatingMode parent : {M::None, M::Withstand, M::Diagnosis, M::SheathFault, M::Calibration}) {
            QSet<int> prio;
            const QList<M::OperatingMode> children =
                parent == M::None ? QList<M::OperatingMode>{M::Withstand, M::Diagnosis, M::SheathFault, M::Calibration}
                                  : modes()->getChildren(parent);
            for (M::OperatingMode c : children)
                prio.insert(modes()->getPriorityOrderForMode(c));
            QCOMPARE(prio.size(), children.size());
        }
        QVERIFY(modes()->getIconPath(M::VLFSin, true) != modes()->getIconPath(M::VLFSin, false));
    }

    void enablingFollowsTheTree()
    {
        QSignalSpy spy(modes(), &M::operatingModeEnabledChanged);
        modes()->enableMode(M::SheathTest, true);
        QVERIFY(modes()->isModeEnabled(M::SheathTest));
        QVERIFY(modes()->isModeEnabled(M::SheathFault)); // the parent comes along
        QCOMPARE(spy.count(), 2);
        modes()->enableMode(M::SheathPinpointing, true);
        modes()->enableMode(M::SheathTest, false);
        QVERIFY(modes()->isModeEnabled(M::SheathFault)); // one child still on
        modes()->enableMode(M::SheathPinpointing, false);
        QVERIFY(!modes()->isModeEnabled(M::SheathFault)); // the last child took it along
        modes()->enableMode(static_cast<M::OperatingMode>(77), true);
        QVERIFY(!modes()->isModeEnabled(static_cast<M::OperatingMode>(77)));
    }

    void classificationText()
    {
        QCOMPARE(modes()->getClassificationString(M::Classifications()), QStringLiteral("Unknown"));
        QCOMPARE(modes()->getClassificationString(modes()->getClassification(M::MWTStep)),
                 QStringLiteral("Withstand, Monitored"));
    }

    void statisticsIds()
    {
        QCOMPARE(Statistics::getOpmodeParam(M::VLFSin), 0x10A);
        QCOMPARE(Statistics::generateBreakdownParam(100.0), 0x564);
        QCOMPARE(Statistics::generateBreakdownParam(150.0), 0x564);
        QCOMPARE(Statistics::generateBreakdownParam(-3.0), 0x500);
        QCOMPARE(Statistics::generateBreakdownParam(std::nan("")), 0x500);
        QCOMPARE(Statistics::generateCLoadParam(450), 0x302);
        QCOMPARE(Statistics::generateCLoadParam(100000000ul), 0x3FF);
        QCOMPARE(Statistics::getParamName(0x201), QStringLiteral("Test minutes"));
        QVERIFY(!Statistics::getParamName(0x999).isEmpty());
    }

    void firstOpenSafetyInput()
    {
        SafetyCircuitBits b;
        b.set();
        QCOMPARE(failedSafetyCircuit(b), qMakePair(0, false));
        b.reset(SafetyInputTestBoost);
        b.reset(7);
        QCOMPARE(failedSafetyCircuit(b), qMakePair(5, true));
        b.reset(0);
        QCOMPARE(failedSafetyCircuit(b), qMakePair(0, true));
    }
};

QTEST_GUILESS_MAIN(TstOperatingModes)
#include "tst_operatingmodes.moc"
