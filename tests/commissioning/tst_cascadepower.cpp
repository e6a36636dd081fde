#include "commissioning/CascadePowerMachine.h"
#include "commissioning/PowerPoint.h"
#include "fakes/MachineRun.h"

#include <QtTest>

#include <limits>

using namespace Commissioning;
using Fault = HvUnitSimulator::Fault;

Q_DECLARE_METATYPE(Commissioning::PowerPoint)

// The cascade power-envelope check as the view model drives and observes it, made by
// the program's factory on the link's thread against the simulated unit, whose output
// current follows the envelope.
class TestCascadePower : public QObject {
    Q_OBJECT

    MachineRun<CascadePowerMachine, CascadePowerStage> run;
    CommissioningRig& rig = run.rig;
    HvUnitModel& unit = run.unit;

    bool startToWaitForGreen() { return run.startToWaitForGreen(CascadePowerWaitForGreen); }
    bool reachIdle() { return run.reach(CascadePowerIdle); }
    QList<quint64> levelWrites() const { return run.writes(32); }
    // Runs on the machine's thread when the output has started.
    void atTest(std::function<void()> hook)
    {
        run.atStage = [hook](CascadePowerStage s) {
            if (s == CascadePowerTest)
                hook();
        };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(run.start(&MachineBundle::cascadePower, &CascadePowerMachine::enteredStage, &CascadePowerMachine::error,
                          this));
    }
    void cleanupTestCase() { run.stop(); }
    void init()
    {
        run.reset();
        unit.setEnvelopeCurrent(true);
    }

    void judgingAPoint_data()
    {
        QTest::addColumn<PowerPoint>("point");
        QTest::addColumn<int>("positiveVoltage");
        QTest::addColumn<int>("negativeVoltage");
        QTest::addColumn<qint64>("current");
        QTest::addColumn<bool>("met");
        const PowerPoint p25 = testPoints[4];
        const PowerPoint n15 = testPoints[2].negated();
        QTest::newRow("+25 kV, 247, 39.0 mA") << p25 << 247 << 0 << qint64(39000000) << true;
        QTest::newRow("+25 kV, 253, 35.0 mA") << p25 << 253 << 0 << qint64(35000000) << true;
        QTest::newRow("+25 kV, 246") << p25 << 246 << 0 << qint64(37000000) << false;
        QTest::newRow("+25 kV, 39.1 mA") << p25 << 250 << 0 << qint64(39100000) << false;
        QTest::newRow("+25 kV on the negative cascade") << p25 << 0 << 250 << qint64(37000000) << false;
        QTest::newRow("-15 kV, 0 and 152") << n15 << 0 << 152 << qint64(-44000000) << true;
        QTest::newRow("-15 kV, positive current") << n15 << 0 << 150 << qint64(44000000) << false;
        QTest::newRow("failed output reading") << n15 << 0 << 150 << std::numeric_limits<qint64>::max() << false;
    }
    void judgingAPoint()
    {
        QFETCH(PowerPoint, point);
        QFETCH(int, positiveVoltage);
        QFETCH(int, negativeVoltage);
        QFETCH(qint64, current);
        QFETCH(bool, met);
        const CascadeOutputValues values { { 0, current }, { qint16(positiveVoltage), qint16(negativeVoltage), 0, 0 } };
        QCOMPARE(powerOkay(point, values), met);
    }

    void levelWordsAndMissedText()
    {
        QCOMPARE(powerLevelWord(testPoints[0]), 0x0001003200000051ull);
        QCOMPARE(powerLevelWord(testPoints[0].negated()), 0x0001FFCE00510000ull);
        const CascadeOutputValues reached { { 25000000, 35500000 }, { 247, 3, 0, 0 } };
        QCOMPARE(missedPointText(testPoints[4], reached),
                 QStringLiteral("Konnte 25.0 kV bei 37.0(+/-2.0) mA nicht erreichen.\n"
                                "Erreicht wurden Kaskade P 24.7 kV & N 0.3 kV bei 35.5 mA"));
    }

    // A whole pass, also with readings lost now and then.
    void fullPass_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("badReplies"); // replies of the wrong length, three to a reading
        QTest::newRow("clean") << 'K' << 0;
        QTest::newRow("one lost cascade reading") << 'K' << 3;
        QTest::newRow("two lost output readings") << 'U' << 6;
    }
    void fullPass()
    {
        QFETCH(char, letter);
        QFETCH(int, badReplies);
        if (badReplies)
            atTest([this, letter, badReplies] { rig.sim.setFaultFor(letter, Fault::WrongLength, badReplies); });
        QVERIFY(startToWaitForGreen());
        const auto setUp = unit.commandLog();
        QCOMPARE(rig.letters(), QByteArray("zumftbkl"));
        QCOMPARE(setUp[1].value1, 37000000ull);
        QCOMPARE(setUp[2].value1, quint64('+'));
        QCOMPARE(setUp[6].value1, 35ull);
        QCOMPARE(setUp[6].value2, 399ull);
        unit.clearCommandLog();
        unit.pressHvOn();
        QVERIFY(reachIdle());
        QVERIFY(run.errors.isEmpty());
        QCOMPARE(run.stages, (QList<CascadePowerStage> { CascadePowerWaitForGreen, CascadePowerLoadDetect, CascadePowerTest,
                                                      CascadePowerIdle }));

        // Eight levels up, a ramp down, eight levels on the negative cascade, a ramp down.
        QList<quint64> expected;
        for (const PowerPoint& p : testPoints)
            expected << powerLevelWord(p);
        expected << run.rampDown(true);
        for (const PowerPoint& p : testPoints)
            expected << powerLevelWord(p.negated());
        expected << run.rampDown(false);
        QCOMPARE(levelWrites(), expected);
        QCOMPARE(rig.letters().left(1), QByteArray("r"));
        QVERIFY(rig.letters().endsWith("ksx"));
        run.checkHandedBack();
    }

    void runsEndWithTheirError_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("fault"); // after the start; -1: the envelope is off, -2: the poll throws
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("sent"); // from the start on
        QTest::newRow("missed point") << 'K' << -1 << 0
                                      << "Konnte 5.0 kV bei 46.0(+/-2.0) mA nicht erreichen.\n"
                                         "Erreicht wurden Kaskade P 5.0 kV & N 0.0 kV bei 0.0 mA"
                                      << QByteArray("rksx");
        QTest::newRow("three lost cascade readings") << 'K' << int(Fault::WrongLength) << 9
                                                     << "Die Kaskadenwerte konnten dreimal nacheinander nicht gelesen werden."
                                                     << QByteArray("rksx");
        QTest::newRow("three lost output readings") << 'U' << int(Fault::WrongLength) << 9
                                                    << "Die Ausgangswerte konnten dreimal nacheinander nicht gelesen werden."
                                                    << QByteArray("rksx");
        QTest::newRow("a poll throws") << 'K' << -2 << 0 << "Die Prozedur wurde nach einem internen Fehler abgebrochen: probe"
                                       << QByteArray("rksx");
        QTest::newRow("level not taken") << 'k' << int(Fault::Silence) << 3
                                         << "Die Kaskadenspannung 5.0 kV konnte nicht eingestellt werden." << QByteArray("rsx");
    }
    void runsEndWithTheirError()
    {
        QFETCH(char, letter);
        QFETCH(int, fault);
        QFETCH(int, count);
        QFETCH(QString, error);
        QFETCH(QByteArray, sent);
        if (fault == -1)
            unit.setEnvelopeCurrent(false);
        else if (fault == -2)
            run.throwAt("PowerLevel::poll");
        else
            atTest([this, letter, fault, count] { rig.sim.setFaultFor(letter, Fault(fault), count); });
        QVERIFY(startToWaitForGreen());
        unit.clearCommandLog();
        unit.pressHvOn();
        QVERIFY(reachIdle());
        QCOMPARE(run.errors, QStringList { error });
        QCOMPARE(rig.letters(), sent);
        run.checkHandedBack();
    }

    void setUpFailureAndAbortEndInIdle()
    {
        // The set-up stops at the first command the unit does not take; the line stays off.
        rig.sim.failCommand('t');
        run.send(Start);
        QVERIFY(reachIdle());
        QCOMPARE(run.errors, QStringList { "Die HV-Einheit hat den Befehl 't' nicht angenommen." });
        QCOMPARE(rig.letters(), QByteArray("zumf"));
        QVERIFY(!run.stages.contains(CascadePowerWaitForGreen));
        QVERIFY(!rig.hvEnable());

        // Aborted while waiting for HV on: stopped, Idle told.
        rig.sim.clearFault();
        run.errors.clear();
        run.stages.clear();
        QVERIFY(startToWaitForGreen());
        unit.clearCommandLog();
        run.send(Abort);
        QVERIFY(reachIdle());
        QCOMPARE(rig.letters(), QByteArray("sx"));
        QVERIFY(run.errors.isEmpty());
        run.checkHandedBack();
    }

    // Last: the machines are released in the middle of a run.
    void releasedMidRunGivesEverythingBack()
    {
        QVERIFY(startToWaitForGreen());
        unit.pressHvOn();
        QTRY_VERIFY(run.stages.contains(CascadePowerTest));
        QTRY_VERIFY(!levelWrites().isEmpty());
        run.bundle = MachineBundle();
        run.checkHandedBack();
        QVERIFY(run.errors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCascadePower)
#include "tst_cascadepower.moc"
