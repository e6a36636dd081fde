#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadeCalibrationMath.h"
#include "fakes/MachineRun.h"

#include <QtTest>

using namespace Commissioning;

namespace {
struct Summary {
    CascadeCalibrationValues before, after;
    CascadeCalibrationResult calibration;
    bool success = false;
};

// The unit's calibration words (line codes of parameters 3, 7, 5, 9).
constexpr int kCodes[4] = { 13, 14, 17, 18 };

CascadeCalibrationValues values(double p6, double p40, double n6, double n40) { return { p6, p40, n6, n40 }; }
} // namespace

// The cascade calibration as the view model drives and observes it, made by the
// program's factory on the link's thread against the simulated unit.
class TestCascadeCalibration : public QObject {
    Q_OBJECT

    MachineRun<CascadeCalibrationMachine, CascadeCalibrationStage> run;
    CommissioningRig& rig = run.rig;
    HvUnitModel& unit = run.unit;
    QList<Summary> summaries;

    // The calibration the unit holds before each run: p gain 1.1, p offset -3/4096, n gain
    // 0.9, n offset -3/4096 as a sign-extended word; a run that fails gives them back word
    // for word.
    const quint64 kSaved[4] = { 4506, 65533, 3686, ~2ull };

    int calibrationWrites() const
    {
        int n = 0;
        for (int code : kCodes)
            n += run.writes(code).size();
        return n;
    }
    void checkUnitHolds(const quint64 (&words)[4])
    {
        for (int i = 0; i < 4; ++i)
            QCOMPARE(unit.parameter(kCodes[i]), words[i]);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(run.start(&MachineBundle::cascadeCalibration, &CascadeCalibrationMachine::cascadeMachineEvent,
                          &CascadeCalibrationMachine::cascadeCalibrationError, this));
        connect(run.machine, &CascadeCalibrationMachine::cascadeCalibrationSummary, this,
                [this](CascadeCalibrationValues b, CascadeCalibrationValues a, CascadeCalibrationResult c, bool ok) {
                    summaries << Summary { b, a, c, ok };
                });
    }
    void cleanupTestCase() { run.stop(); }
    void init()
    {
        run.reset();
        for (int i = 0; i < 4; ++i)
            unit.setParameter(kCodes[i], kSaved[i]);
        unit.clearCommandLog();
        summaries.clear();
    }

    void calculationAndJudgement_data()
    {
        QTest::addColumn<CascadeCalibrationValues>("before");
        QTest::addColumn<CascadeCalibrationResult>("expected");
        QTest::addColumn<bool>("good");
        QTest::addColumn<QString>("text");
        const QString neutralN = QStringLiteral("\nNGain = 1.0000 (Gut) & NOffset = 0.0000 (Gut)");
        QTest::newRow("exact") << values(6e6, 40e6, -6e6, -40e6) << CascadeCalibrationResult { 1, 0, 1, 0 } << true
                               << "PGain = 1.0000 (Gut) & POffset = 0.0000 (Gut)" + neutralN;
        QTest::newRow("skewed") << values(6.1e6, 40.5e6, -5.9e6, -39.6e6)
                                << CascadeCalibrationResult { 0.988372, -0.000408, 1.008902, 0.000666 } << true
                                << "PGain = 0.9884 (Gut) & POffset = -0.0004 (Gut)\nNGain = 1.0089 (Gut) & NOffset = 0.0007 (Gut)";
        QTest::newRow("p 6/46") << values(6e6, 46e6, -6e6, -40e6) << CascadeCalibrationResult { 0.85, 0.01262, 1, 0 } << true
                                << "PGain = 0.8500 (Gut) & POffset = 0.0126 (Gut)" + neutralN;
        QTest::newRow("p 6/30") << values(6e6, 30e6, -6e6, -40e6) << CascadeCalibrationResult { 1.416667, -0.035057, 1, 0 }
                                << false << "PGain = 1.4167 (Schlecht) & POffset = -0.0351 (Gut)" + neutralN;
    }
    void calculationAndJudgement()
    {
        QFETCH(CascadeCalibrationValues, before);
        QFETCH(CascadeCalibrationResult, expected);
        QFETCH(bool, good);
        QFETCH(QString, text);
        const CascadeCalibrationResult c = calculateCalibration(before);
        for (double CascadeCalibrationResult::*m : { &CascadeCalibrationResult::pGAIN, &CascadeCalibrationResult::pOFFSET,
                                                     &CascadeCalibrationResult::nGAIN, &CascadeCalibrationResult::nOFFSET })
            QVERIFY2(qAbs(c.*m - expected.*m) < 5e-6, qPrintable(QString::number(c.*m, 'f', 8)));
        QCOMPARE(goodCalibration(c), good);
        QCOMPARE(describeBadCalibration(c), text);
    }

    void limitsWindowsAndCalibrationWords()
    {
        // The limits pass, but a gain of 1.2 is labelled "Schlecht"; just beyond them fails.
        const CascadeCalibrationResult limits { 1.2, 0.1, 0.8, -0.1 };
        QVERIFY(goodCalibration(limits));
        QCOMPARE(describeBadCalibration(limits),
                 QStringLiteral("PGain = 1.2000 (Schlecht) & POffset = 0.1000 (Gut)\nNGain = 0.8000 (Gut) & NOffset = -0.1000 (Gut)"));
        QVERIFY(!goodCalibration({ 1.2000001, 0, 1, 0 }));
        QVERIFY(!goodCalibration({ 1, 0, 0.7999999, 0 }));
        QVERIFY(!goodCalibration({ 1, 0, 1, -0.1000001 }));

        // Each after value within 300 V of its set point, bounds included.
        const CascadeCalibrationValues exact = values(6e6, 40e6, -6e6, -40e6);
        QVERIFY(calibrationConfirmed(exact));
        for (double p40 : { 40300000.0, 39700000.0 })
            QVERIFY(calibrationConfirmed(values(6e6, p40, -6e6, -40e6)));
        for (double p40 : { 40300001.0, 39699999.0 })
            QVERIFY(!calibrationConfirmed(values(6e6, p40, -6e6, -40e6)));
        QVERIFY(calibrationConfirmed(values(5.7e6, 40e6, -6.3e6, -39.7e6)));
        QVERIFY(!calibrationConfirmed(values(6e6, 40e6, -5699999, -40e6)));
        QVERIFY(!calibrationConfirmed(values(6e6, 40e6, -6e6, -40300001)));

        // Q12 in a 16-bit two's complement word, rounded to nearest.
        for (auto [value, word] : { std::pair { 1.0, 4096ull }, { -3.0 / 4096, 65533ull }, { -0.000408, 65534ull }, { -0.5, 63488ull } })
            QCOMPARE(toCalibrationWord(value), word);
        // ~2: sign-extended.
        for (auto [word, value] : { std::pair { 65534ull, -2.0 / 4096 }, { ~2ull, -3.0 / 4096 }, { 65535ull, -1.0 / 4096 },
                                    { 32768ull, -8.0 }, { 2048ull, 0.5 } })
            QCOMPARE(fromCalibrationWord(word), value);
    }

    // Negative offsets go to the unit and come back unchanged; a word the unit does not
    // know is no calibration.
    void calibrationThroughTheUnit()
    {
        const CascadeCalibrationResult c { 1.1, -3.0 / 4096, 0.9, -3.0 / 4096 };
        QVERIFY(rig.onLink([&] { return setCascadeCalibration(*rig.pof, c); }));
        QCOMPARE(unit.parameter(14), 65533ull);
        QCOMPARE(unit.parameter(18), 65533ull);
        const auto read = rig.onLink([&] { return getCascadeCalibration(*rig.pof); });
        QVERIFY(read);
        QCOMPARE(read->pOFFSET, -3.0 / 4096);
        QCOMPARE(read->nOFFSET, -3.0 / 4096);
        QCOMPARE(read->pGAIN, 4506.0 / 4096);
        unit.setParameter(17, ~0ull);
        QVERIFY(!rig.onLink([&] { return getCascadeCalibration(*rig.pof); }));
    }

    void wholeRun_data()
    {
        QTest::addColumn<CascadeCalibrationValues>("readings"); // raw output at 60, 400, -60, -400
        QTest::addColumn<qint64>("confirmP40");                 // raw output at 400 in the second path; 0: unchanged
        QTest::addColumn<bool>("success");
        QTest::newRow("skewed readings") << values(6.1e6, 40.5e6, -5.9e6, -39.6e6) << qint64(0) << true;
        QTest::newRow("after p40 above its window") << values(6e6, 40e6, -6e6, -40e6) << qint64(40300001) << false;
    }
    void wholeRun()
    {
        QFETCH(CascadeCalibrationValues, readings);
        QFETCH(qint64, confirmP40);
        QFETCH(bool, success);
        unit.setCascadeReading(60, qint64(readings.p6));
        unit.setCascadeReading(400, qint64(readings.p40));
        unit.setCascadeReading(-60, qint64(readings.n6));
        unit.setCascadeReading(-400, qint64(readings.n40));
        if (confirmP40)
            run.atStage = [this, confirmP40](CascadeCalibrationStage s) {
                if (s == ConfirmP6)
                    unit.setCascadeReading(400, confirmP40);
            };

        QVERIFY(run.startToWaitForGreen(CascadeWaitForGreen));
        const auto setUp = unit.commandLog();
        QCOMPARE(rig.letters(), QByteArray("zumftbkl"));
        QCOMPARE(setUp[1].value1, 37000000ull);
        QCOMPARE(setUp[2].value1, quint64('+'));
        QCOMPARE(setUp[3].value1, 100ull);
        QCOMPARE(setUp[4].value1, 10ull);
        QCOMPARE(setUp[6].value1, 35ull);
        QCOMPARE(setUp[6].value2, 397ull);
        unit.clearCommandLog();
        unit.pressHvOn();
        QVERIFY(run.waitFor([&] { return !summaries.isEmpty(); }, 40000));
        QVERIFY(run.errors.isEmpty());

        // The start, the neutral calibration, then the cascade levels of both paths.
        const auto log = unit.commandLog();
        QCOMPARE(rig.letters().left(6), QByteArray("urkkkk"));
        QCOMPARE(log[0].value1, 6000000ull);
        QCOMPARE(run.writes(13).first(), 4096ull);
        QCOMPARE(run.writes(14).first(), 0ull);
        QCOMPARE(run.writes(17).first(), 4096ull);
        QCOMPARE(run.writes(18).first(), 0ull);
        QList<quint64> path;
        for (short level : { 60, 400 })
            path << (0x000D0064ull | quint64(quint16(level)) << 32);
        path << run.rampDown(true);
        for (short level : { -60, -400 })
            path << (0x0064000Dull | quint64(quint16(level)) << 32);
        path << run.rampDown(false);
        QCOMPARE(run.writes(32), path + path);
        QCOMPARE(run.stages, (QList<CascadeCalibrationStage> { CascadeWaitForGreen, CascadeLoadDetect, CalibrationP6,
                                                            CalibrationP40, CalibrationN6, CalibrationN40, ConfirmP6,
                                                            ConfirmP40, ConfirmN6, ConfirmN40 }));

        const Summary s = summaries.first();
        QCOMPARE(s.before.p6, readings.p6);
        QCOMPARE(s.before.p40, readings.p40);
        QCOMPARE(s.before.n6, readings.n6);
        QCOMPARE(s.before.n40, readings.n40);
        QVERIFY(s.calibration == calculateCalibration(readings));
        // The unit measured the confirmation with the calibration written in Q12.
        const quint64 written[4] = { toCalibrationWord(s.calibration.pGAIN), toCalibrationWord(s.calibration.pOFFSET),
                                     toCalibrationWord(s.calibration.nGAIN), toCalibrationWord(s.calibration.nOFFSET) };
        for (int i = 0; i < 4; ++i)
            QCOMPARE(run.writes(kCodes[i]).value(1), written[i]);
        const double p40 = confirmP40 ? double(confirmP40) : readings.p40;
        const double expectedP40 = qRound64(fromCalibrationWord(written[0]) * p40 + fromCalibrationWord(written[1]) * 71313000);
        QCOMPARE(s.after.p40, expectedP40);
        QCOMPARE(s.success, success);
        // The summary goes out before the stop is sent.
        if (success)
            QTRY_VERIFY(rig.letters().endsWith("sx"));

        run.checkHandedBack();
        QTest::qWait(200);
        if (success) {
            // The new calibration stays; Idle wrote nothing.
            QCOMPARE(calibrationWrites(), 8);
            checkUnitHolds(written);
        } else {
            QTRY_COMPARE(calibrationWrites(), 12);
            QVERIFY(rig.letters().endsWith("sxkkkk"));
            checkUnitHolds(kSaved);
            // The views were told the run's calibration; they get the restored one, a
            // value per read from the unit.
            const eHVUnitParamType shown[4] = { eHVUnitParamType_GainU_HVP, eHVUnitParamType_OffsetU_HVP,
                                                eHVUnitParamType_GainU_HVN, eHVUnitParamType_OffsetU_HVN };
            for (int i = 0; i < 4; ++i)
                QTRY_COMPARE(rig.link.data->getHVUnitParam(shown[i]), kSaved[i]);
        }
        QVERIFY(run.errors.isEmpty());
    }

    void abortRestoresWhatWasReadAtStartOnce()
    {
        QVERIFY(run.startToWaitForGreen(CascadeWaitForGreen));
        unit.pressHvOn();
        QVERIFY(run.reach(ConfirmP6));
        unit.clearCommandLog();
        run.send(Abort);
        run.checkHandedBack();
        QTRY_COMPARE(rig.letters(), QByteArray("sxkkkk"));
        checkUnitHolds(kSaved);
        QVERIFY(run.errors.isEmpty());

        // Aborted before the set-up: nothing read, nothing written, not even the
        // restore again.
        run.send(Start);
        run.send(Abort);
        QTest::qWait(300);
        QCOMPARE(rig.letters(), QByteArray("sxkkkk"));
    }

    void failuresEndInIdle_data()
    {
        QTest::addColumn<int>("where"); // 0 calibration read, 1 set-up command, 2 neutral write, 3 new calibration,
                                        // 4 a tick, 5 a bad calibration
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("words"); // calibration words written from HV on: the first refused ends the writing
        QTest::newRow("calibration read") << 0 << "Die Kalibrierung der HV-Kaskaden konnte nicht gelesen werden." << QByteArray()
                                          << 0;
        QTest::newRow("set-up command") << 1 << "Die HV-Einheit hat den Befehl 'b' nicht angenommen." << QByteArray("zumft")
                                        << 0;
        QTest::newRow("neutral write") << 2 << "Die neutrale Kalibrierung der HV-Kaskaden konnte nicht geschrieben werden."
                                       << QByteArray("urksxkkkk") << 5;
        QTest::newRow("new calibration") << 3 << "Die neue Kalibrierung der HV-Kaskaden konnte nicht geschrieben werden."
                                         << QByteArray("ksxkkkk") << 9;
        QTest::newRow("a reading throws") << 4 << "Die Prozedur wurde nach einem internen Fehler abgebrochen: probe"
                                          << QByteArray("sxkkkk") << 8;
        // Only the neutral calibration and the saved one are written.
        QTest::newRow("bad calibration") << 5
                                         << "PGain = 1.4167 (Schlecht) & POffset = -0.0351 (Gut)\n"
                                            "NGain = 1.0000 (Gut) & NOffset = 0.0000 (Gut)"
                                         << QByteArray("sxkkkk") << 8;
    }
    void failuresEndInIdle()
    {
        QFETCH(int, where);
        QFETCH(QString, error);
        QFETCH(QByteArray, sent);
        QFETCH(int, words);
        // The unit keeps other values than it was sent, until the error is out.
        run.atError = [this] { unit.setParameterWriteMangled(false); };
        if (where == 0)
            rig.sim.setFaultFor('K', HvUnitSimulator::Fault::WrongLength, 3);
        if (where == 1)
            rig.sim.failCommand('b');
        if (where == 5)
            unit.setCascadeReading(400, 30000000);
        // A unit that had the neutral calibration gets it back too.
        const quint64 neutral[4] = { 4096, 0, 4096, 0 };
        if (where == 2)
            for (int i = 0; i < 4; ++i)
                unit.setParameter(kCodes[i], neutral[i]);
        run.send(Start);
        if (where >= 2) {
            QVERIFY(run.reach(CascadeWaitForGreen));
            unit.clearCommandLog();
            if (where == 2)
                unit.setParameterWriteMangled(true);
            else if (where == 4)
                run.throwAt("CascadeOutput::tick");
            else if (where == 3)
                run.atStage = [this](CascadeCalibrationStage s) {
                    if (s == CalibrationN40)
                        unit.setParameterWriteMangled(true);
                };
            unit.pressHvOn();
        }
        QVERIFY(run.waitFor([&] { return !run.errors.isEmpty(); }, 30000));
        QCOMPARE(run.errors, QStringList { error });
        run.checkHandedBack();
        QVERIFY(!run.stages.contains(where < 2 ? CascadeWaitForGreen : ConfirmP6));
        if (where < 2)
            QCOMPARE(rig.letters(), sent);
        else
            QTRY_COMPARE(rig.letters().right(sent.size()), sent);
        QTRY_COMPARE(calibrationWrites(), words);
        QVERIFY(summaries.isEmpty());
        if (where == 2)
            checkUnitHolds(neutral);
        else
            checkUnitHolds(kSaved);
    }

    // Last: the machines are released in the middle of a run.
    void releasedMidRunGivesEverythingBack()
    {
        QVERIFY(run.startToWaitForGreen(CascadeWaitForGreen));
        unit.pressHvOn();
        QVERIFY(run.reach(CalibrationP40));
        QCOMPARE(unit.parameter(13), 4096ull);
        run.bundle = MachineBundle();
        run.checkHandedBack();
        QTRY_VERIFY(!unit.outputOn());
        checkUnitHolds(kSaved);
        QVERIFY(run.errors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCascadeCalibration)
#include "tst_cascadecalibration.moc"
