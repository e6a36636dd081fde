#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadeCalibrationMath.h"
#include "commissioning/MachineFactory.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/TimerScale.h"
#include "fakes/CommissioningRig.h"

#include <QtTest>

#include <functional>
#include <stdexcept>

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
// program's factory on the link's thread against the simulated unit; its timers run
// ten times faster.
class TestCascadeCalibration : public QObject {
    Q_OBJECT

    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    MachineBundle bundle;
    CascadeCalibrationMachine* machine = nullptr;

    QList<CascadeCalibrationStage> stages;
    QStringList errors;
    QList<Summary> summaries;
    // Runs on the machine's thread as a stage is reached, before the stage's first reading.
    std::function<void(CascadeCalibrationStage)> atStage;
    std::function<void()> atError;

    // The calibration the unit holds before each run: p gain 1.1, p offset -3/4096, n gain
    // 0.9, n offset -3/4096 as a sign-extended word.
    const quint64 kSaved[4] = { 4506, 65533, 3686, ~2ull };

    void send(UserEvent event) { machine->receiveEvent(event); }

    bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > timeoutMs) {
                qWarning() << "stages seen:" << stages << "errors:" << errors;
                return false;
            }
            QTest::qWait(20);
        }
        return true;
    }
    bool reach(CascadeCalibrationStage stage) { return waitFor([&] { return stages.contains(stage); }); }

    bool startToWaitForGreen()
    {
        send(Start);
        return reach(CascadeWaitForGreen) && rig.hvEnable();
    }

    // The 'k' writes of one parameter code, in order.
    QList<quint64> writes(int code) const
    {
        QList<quint64> out;
        for (const auto& c : unit.commandLog())
            if (c.letter == 'k' && int(c.value1) == code)
                out << c.value2;
        return out;
    }
    int calibrationWrites() const
    {
        int n = 0;
        for (int code : kCodes)
            n += writes(code).size();
        return n;
    }
    void checkUnitHolds(const quint64 (&words)[4])
    {
        for (int i = 0; i < 4; ++i)
            QCOMPARE(unit.parameter(kCodes[i]), words[i]);
    }
    void checkHandedBack() { rig.checkHandedBack(); }

private slots:
    void initTestCase()
    {
        setTimerScale(0.1);
        QVERIFY(rig.start());
        bundle = makeMachineFactory(rig.pof, rig.safety.get())();
        machine = bundle.cascadeCalibration.get();
        connect(machine, &CascadeCalibrationMachine::cascadeMachineEvent, this,
                [this](CascadeCalibrationStage s) { stages << s; });
        connect(machine, &CascadeCalibrationMachine::cascadeCalibrationError, this, [this](const QString& e) { errors << e; });
        connect(machine, &CascadeCalibrationMachine::cascadeCalibrationSummary, this,
                [this](CascadeCalibrationValues b, CascadeCalibrationValues a, CascadeCalibrationResult c, bool ok) {
                    summaries << Summary { b, a, c, ok };
                });
        connect(
            machine, &CascadeCalibrationMachine::cascadeMachineEvent, machine,
            [this](CascadeCalibrationStage s) {
                if (atStage)
                    atStage(s);
            },
            Qt::DirectConnection);
        connect(
            machine, &CascadeCalibrationMachine::cascadeCalibrationError, machine,
            [this] {
                if (atError)
                    atError();
            },
            Qt::DirectConnection);
    }

    void cleanupTestCase()
    {
        bundle = MachineBundle();
        rig.stop();
    }

    void init()
    {
        QMetaObject::invokeMethod(machine, [] {}, Qt::BlockingQueuedConnection);
        atStage = nullptr;
        atError = nullptr;
        rig.sim.clearFault();
        unit.reset();
        unit.setRampMs(0);
        for (int i = 0; i < 4; ++i)
            unit.setParameter(kCodes[i], kSaved[i]);
        unit.clearCommandLog();
        stages.clear();
        errors.clear();
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
        QVERIFY2(qAbs(c.pGAIN - expected.pGAIN) < 5e-6, qPrintable(QString::number(c.pGAIN, 'f', 8)));
        QVERIFY2(qAbs(c.pOFFSET - expected.pOFFSET) < 5e-6, qPrintable(QString::number(c.pOFFSET, 'f', 8)));
        QVERIFY2(qAbs(c.nGAIN - expected.nGAIN) < 5e-6, qPrintable(QString::number(c.nGAIN, 'f', 8)));
        QVERIFY2(qAbs(c.nOFFSET - expected.nOFFSET) < 5e-6, qPrintable(QString::number(c.nOFFSET, 'f', 8)));
        QCOMPARE(goodCalibration(c), good);
        QCOMPARE(describeBadCalibration(c), text);

        // The limits pass, but a gain of 1.2 is labelled "Schlecht"; just beyond them fails.
        const CascadeCalibrationResult limits { 1.2, 0.1, 0.8, -0.1 };
        QVERIFY(goodCalibration(limits));
        QCOMPARE(describeBadCalibration(limits),
                 QStringLiteral("PGain = 1.2000 (Schlecht) & POffset = 0.1000 (Gut)\nNGain = 0.8000 (Gut) & NOffset = -0.1000 (Gut)"));
        QVERIFY(!goodCalibration({ 1.2000001, 0, 1, 0 }));
        QVERIFY(!goodCalibration({ 1, 0, 0.7999999, 0 }));
        QVERIFY(!goodCalibration({ 1, 0, 1, -0.1000001 }));
    }

    void windowsAndCalibrationWords()
    {
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
        QCOMPARE(toCalibrationWord(1.0), 4096ull);
        QCOMPARE(toCalibrationWord(-3.0 / 4096), 65533ull);
        QCOMPARE(toCalibrationWord(-0.000408), 65534ull);
        QCOMPARE(toCalibrationWord(-0.5), 63488ull);
        QCOMPARE(fromCalibrationWord(65534), -2.0 / 4096);
        QCOMPARE(fromCalibrationWord(~2ull), -3.0 / 4096); // sign-extended
        QCOMPARE(fromCalibrationWord(65535), -1.0 / 4096);
        QCOMPARE(fromCalibrationWord(32768), -8.0);
        QCOMPARE(fromCalibrationWord(2048), 0.5);
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
            atStage = [this, confirmP40](CascadeCalibrationStage s) {
                if (s == ConfirmP6)
                    unit.setCascadeReading(400, confirmP40);
            };

        QVERIFY(startToWaitForGreen());
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
        QVERIFY(waitFor([&] { return !summaries.isEmpty(); }, 40000));
        QVERIFY(errors.isEmpty());

        // The start, the neutral calibration, then the cascade levels of both paths.
        const auto log = unit.commandLog();
        QCOMPARE(rig.letters().left(6), QByteArray("urkkkk"));
        QCOMPARE(log[0].value1, 6000000ull);
        QCOMPARE(writes(13).first(), 4096ull);
        QCOMPARE(writes(14).first(), 0ull);
        QCOMPARE(writes(17).first(), 4096ull);
        QCOMPARE(writes(18).first(), 0ull);
        QList<quint64> path;
        for (short level : { 60, 400 })
            path << (0x000D0064ull | quint64(quint16(level)) << 32);
        for (short ramp : { 360, 320, 280, 240, 200, 160, 120, 80, 45 })
            path << rampLevelWord(true, ramp);
        for (short level : { -60, -400 })
            path << (0x0064000Dull | quint64(quint16(level)) << 32);
        for (short ramp : { 360, 320, 280, 240, 200, 160, 120, 80, 45 })
            path << rampLevelWord(false, ramp);
        QCOMPARE(writes(32), path + path);
        QCOMPARE(stages, (QList<CascadeCalibrationStage> { CascadeWaitForGreen, CascadeLoadDetect, CalibrationP6,
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
            QCOMPARE(writes(kCodes[i]).value(1), written[i]);
        const double p40 = confirmP40 ? double(confirmP40) : readings.p40;
        const double expectedP40 = qRound64(fromCalibrationWord(written[0]) * p40 + fromCalibrationWord(written[1]) * 71313000);
        QCOMPARE(s.after.p40, expectedP40);
        QCOMPARE(s.success, success);
        // The summary goes out before the stop is sent.
        if (success)
            QTRY_VERIFY(rig.letters().endsWith("sx"));

        checkHandedBack();
        QTest::qWait(200);
        if (success) {
            // The new calibration stays; Idle wrote nothing.
            QCOMPARE(calibrationWrites(), 8);
            checkUnitHolds(written);
        } else {
            QTRY_COMPARE(calibrationWrites(), 12);
            QVERIFY(rig.letters().endsWith("sxkkkk"));
            checkUnitHolds({ kSaved[0], kSaved[1], kSaved[2], 65533 });
            // The views were told the run's calibration; they get the restored one, a
            // value per read from the unit.
            const eHVUnitParamType shown[4] = { eHVUnitParamType_GainU_HVP, eHVUnitParamType_OffsetU_HVP,
                                                eHVUnitParamType_GainU_HVN, eHVUnitParamType_OffsetU_HVN };
            const quint64 restored[4] = { kSaved[0], kSaved[1], kSaved[2], 65533 };
            for (int i = 0; i < 4; ++i)
                QTRY_COMPARE(rig.link.data->getHVUnitParam(shown[i]), restored[i]);
        }
        QVERIFY(errors.isEmpty());
    }

    void badCalibrationEndsTheRun()
    {
        unit.setCascadeReading(400, 30000000);
        QVERIFY(startToWaitForGreen());
        unit.clearCommandLog();
        unit.pressHvOn();
        QVERIFY(waitFor([&] { return !errors.isEmpty(); }, 30000));
        QCOMPARE(errors.first(), describeBadCalibration(calculateCalibration(values(6e6, 30e6, -6e6, -40e6))));
        checkHandedBack();
        QVERIFY(summaries.isEmpty());
        QVERIFY(!stages.contains(ConfirmP6));
        QVERIFY(rig.letters().contains("sx"));
        // Only the neutral calibration and the saved one were written.
        QTRY_COMPARE(calibrationWrites(), 8);
        checkUnitHolds({ kSaved[0], kSaved[1], kSaved[2], 65533 });
    }

    void abortRestoresWhatWasReadAtStartOnce()
    {
        QVERIFY(startToWaitForGreen());
        unit.pressHvOn();
        QVERIFY(reach(ConfirmP6));
        unit.clearCommandLog();
        send(Abort);
        checkHandedBack();
        QTRY_COMPARE(rig.letters(), QByteArray("sxkkkk"));
        checkUnitHolds({ kSaved[0], kSaved[1], kSaved[2], 65533 });
        QVERIFY(errors.isEmpty());

        // Aborted before the set-up: nothing read, nothing written, not even the
        // restore again.
        send(Start);
        send(Abort);
        QTest::qWait(300);
        QCOMPARE(rig.letters(), QByteArray("sxkkkk"));
    }

    void failuresEndInIdle_data()
    {
        QTest::addColumn<int>("where"); // 0 calibration read, 1 set-up command, 2 neutral write, 3 new calibration, 4 a tick
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("calibration read") << 0 << "Die Kalibrierung der HV-Kaskaden konnte nicht gelesen werden." << QByteArray();
        QTest::newRow("set-up command") << 1 << "Die HV-Einheit hat den Befehl 'b' nicht angenommen." << QByteArray("zumft");
        QTest::newRow("neutral write") << 2 << "Die neutrale Kalibrierung der HV-Kaskaden konnte nicht geschrieben werden."
                                       << QByteArray("urksxkkkk");
        QTest::newRow("new calibration") << 3 << "Die neue Kalibrierung der HV-Kaskaden konnte nicht geschrieben werden."
                                         << QByteArray("ksxkkkk");
        QTest::newRow("a reading throws") << 4 << "Die Prozedur wurde nach einem internen Fehler abgebrochen: probe"
                                          << QByteArray("sxkkkk");
    }
    void failuresEndInIdle()
    {
        QFETCH(int, where);
        QFETCH(QString, error);
        QFETCH(QByteArray, sent);
        // The unit keeps other values than it was sent, until the error is out.
        atError = [this] { unit.setParameterWriteMangled(false); };
        if (where == 0)
            rig.sim.setFaultFor('K', HvUnitSimulator::Fault::WrongLength, 3);
        if (where == 1)
            rig.sim.failCommand('b');
        // A unit that had the neutral calibration gets it back too.
        const quint64 neutral[4] = { 4096, 0, 4096, 0 };
        if (where == 2)
            for (int i = 0; i < 4; ++i)
                unit.setParameter(kCodes[i], neutral[i]);
        send(Start);
        if (where >= 2) {
            QVERIFY(reach(CascadeWaitForGreen));
            unit.clearCommandLog();
            if (where == 2)
                unit.setParameterWriteMangled(true);
            else if (where == 4)
                machine->setFaultProbe([](const char* point) {
                    if (QByteArray(point) == "CascadeOutput::tick")
                        throw std::runtime_error("probe");
                });
            else
                atStage = [this](CascadeCalibrationStage s) {
                    if (s == CalibrationN40)
                        unit.setParameterWriteMangled(true);
                };
            unit.pressHvOn();
        }
        QVERIFY(waitFor([&] { return !errors.isEmpty(); }, 30000));
        QCOMPARE(errors, QStringList { error });
        checkHandedBack();
        QMetaObject::invokeMethod(machine, [this] { machine->setFaultProbe(nullptr); }, Qt::BlockingQueuedConnection);
        QVERIFY(!stages.contains(where < 2 ? CascadeWaitForGreen : ConfirmP6));
        if (where < 2)
            QCOMPARE(rig.letters(), sent);
        else
            QTRY_COMPARE(rig.letters().right(sent.size()), sent);
        if (where == 2)
            checkUnitHolds(neutral);
        else
            checkUnitHolds({ kSaved[0], kSaved[1], kSaved[2], where < 2 ? kSaved[3] : 65533 });
    }

    // Last: the machines are released in the middle of a run.
    void releasedMidRunGivesEverythingBack()
    {
        QVERIFY(startToWaitForGreen());
        unit.pressHvOn();
        QVERIFY(reach(CalibrationP40));
        QCOMPARE(unit.parameter(13), 4096ull);
        bundle = MachineBundle();
        checkHandedBack();
        QTRY_VERIFY(!unit.outputOn());
        checkUnitHolds({ kSaved[0], kSaved[1], kSaved[2], 65533 });
        QVERIFY(errors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCascadeCalibration)
#include "tst_cascadecalibration.moc"
