#include "commissioning/MachineFactory.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/TimerScale.h"
#include "fakes/CommissioningRig.h"

#include <QtTest>

#include <cmath>

using namespace Commissioning;
using E = OutputCalibrationMachine::Event;

// The output calibration as the view model drives it (Start, Abort, Confirm, the
// operator's readings) and observes it (its signals), made by the program's factory on
// the link's thread against the simulated unit.
class TestOutputCalibration : public QObject {
    Q_OBJECT

    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    MachineBundle bundle;
    OutputCalibrationMachine* machine = nullptr;

    // What reached the page, queued to this thread.
    QList<OutputCalibrationStage> stages;
    QStringList errors;
    int stagesBeforeError = -1; // the page must get the text before the Error stage
    QList<QPair<double, double>> gains;
    QList<int> voltages;
    bool settled = false; // the current step takes a Confirm
    bool withdrawn = false; // the current step's Confirm was offered and then taken back
    int atLevel = 0; // the current step's readings in the steps' range (33 to 41 kV)
    QList<int> settledAt; // the output (V) each time a step began to take a Confirm

    static constexpr quint16 kOldU = 9870, kOldI = 10120;

    void send(UserEvent event) { machine->queueEvent(E(event)); }

    bool waitForStage(OutputCalibrationStage stage, int timeoutMs = 8000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (!stages.isEmpty() && stages.last() == stage)
                return true;
            QTest::qWait(20);
        }
        qWarning() << "stages seen:" << stages;
        return false;
    }

    // Start, wait for green, the operator's HV-on key, load detection: Step1.
    bool runToStep1()
    {
        send(Start);
        if (!waitForStage(OutputCalibrationWaitForGreen) || !rig.hvEnable())
            return false;
        unit.pressHvOn();
        return waitForStage(Step1);
    }

    // The operator's one press, 24 readings (6 s) after the step's output reached its level:
    // Confirm is offered by then and was never taken back.
    void confirm()
    {
        QTRY_VERIFY_WITH_TIMEOUT(atLevel >= 24, 5000);
        QVERIFY(settled);
        QVERIFY(!withdrawn);
        send(Confirm);
    }
    void confirmWith(double kilovolts)
    {
        machine->receiveVoltage(kilovolts);
        confirm();
    }

    QList<HvUnitModel::Command> writes(char letter) const
    {
        QList<HvUnitModel::Command> out;
        for (const auto& c : unit.commandLog())
            if (c.letter == letter)
                out << c;
        return out;
    }

    // The end of every failed run: its error then Error, no Done, output stopped, the
    // line off, the old gains on the unit and the inputs back with the data model.
    void checkFailedRun(const QString& error)
    {
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 5000);
        QCOMPARE(errors.first(), error);
        QTRY_COMPARE(stages.last(), Error);
        QCOMPARE(stages.indexOf(Error), stagesBeforeError);
        QVERIFY(!stages.contains(Done));
        QTRY_VERIFY(!rig.hvEnable());
        QTRY_COMPARE(unit.gainU(), kOldU);
        QCOMPARE(unit.gainI(), kOldI);
        checkInputsBack();
    }

    // The data model's HV-state subscriber once it is back (kept alive while used).
    std::shared_ptr<HFStateSubscriber> dataModelSubscriber()
    {
        std::shared_ptr<HFStateSubscriber> installed;
        for (int i = 0; i < 250 && !dynamic_cast<FakeHVData*>(installed.get()); ++i) {
            installed = rig.pof->sub();
            if (!dynamic_cast<FakeHVData*>(installed.get()))
                QTest::qWait(20);
        }
        return dynamic_cast<FakeHVData*>(installed.get()) ? installed : nullptr;
    }

    void checkInputsBack()
    {
        const int safetyBefore = rig.dataModelSafetyStates;
        QTRY_VERIFY(rig.dataModelSafetyStates > safetyBefore);
        const auto installed = dataModelSubscriber();
        QVERIFY(installed);
        auto* dataModel = dynamic_cast<FakeHVData*>(installed.get());
        const int hvBefore = dataModel->stateUpdates();
        QTRY_VERIFY(dataModel->stateUpdates() > hvBefore);
        QVERIFY(!rig.safety->commissioningHoldsHvEnable());
    }

private slots:
    void initTestCase()
    {
        // The steps' output readings 25 times faster.
        setTimerScale(0.04);
        QVERIFY(rig.start());
        bundle = makeMachineFactory(rig.pof, rig.safety.get())();
        machine = bundle.outputCalibration.get();
        QCOMPARE(machine->thread(), &rig.thread);
        connect(machine, &OutputCalibrationMachine::machineEvent, this, [this](OutputCalibrationStage s) {
            stages << s;
            settled = withdrawn = false;
            atLevel = 0;
        });
        connect(machine, &OutputCalibrationMachine::outputReading, this,
                [this](OutputReading r) {
                    withdrawn = withdrawn || (settled && r != OutputSettled);
                    if ((settled = r == OutputSettled))
                        settledAt << voltages.value(voltages.size() - 1);
                });
        connect(machine, &OutputCalibrationMachine::errorMessage, this, [this](const QString& e) {
            errors << e;
            stagesBeforeError = stages.size();
        });
        connect(machine, &OutputCalibrationMachine::calibrationUpdate, this,
                [this](double u, double i) { gains << qMakePair(u, i); });
        connect(machine, &OutputCalibrationMachine::measurementUpdate, this, [this](int v, int) {
            voltages << v;
            atLevel += std::abs(v) >= 33000 && std::abs(v) <= 41000;
        });
    }

    void cleanupTestCase()
    {
        bundle = MachineBundle();
        rig.stop();
    }

    void init()
    {
        // What the last run still had queued (the restore after Done) happens first.
        QMetaObject::invokeMethod(machine, [] {}, Qt::BlockingQueuedConnection);
        rig.sim.clearFault();
        rig.freshUnit();
        unit.setGains(kOldU, kOldI);
        unit.setParameter(35, 0);
        unit.clearCommandLog();
        stages.clear();
        errors.clear();
        stagesBeforeError = -1;
        gains.clear();
        voltages.clear();
        settledAt.clear();
    }

    void fullRunWritesTheGainFromBothReadings_data()
    {
        QTest::addColumn<double>("negative");
        QTest::addColumn<double>("positive");
        QTest::addColumn<quint64>("gain");
        QTest::addColumn<int>("rampMs"); // the output's rise at the start
        QTest::addColumn<int>("noise"); // the unit's read-back scatters uniformly by +- this (V)
        QTest::newRow("-37.5/37.5") << -37.5 << 37.5 << quint64(10135) << 0 << 0;
        QTest::newRow("-37/37") << -37.0 << 37.0 << quint64(10000) << 0 << 0;
        QTest::newRow("-36.9/37.2") << -36.9 << 37.2 << quint64(10014) << 0 << 0;
        // Through the step's range in about a second: Confirm only once it holds the level.
        QTest::newRow("-37/37, output rising") << -37.0 << 37.0 << quint64(10000) << 1000 << 0;
        // The output holds its level while its read-back scatters: Confirm comes and stays.
        QTest::newRow("-37/37, read-back +-130 V") << -37.0 << 37.0 << quint64(10000) << 0 << 130;
        QTest::newRow("-37/37, read-back +-640 V") << -37.0 << 37.0 << quint64(10000) << 0 << 640;
    }
    void fullRunWritesTheGainFromBothReadings()
    {
        QFETCH(double, negative);
        QFETCH(double, positive);
        QFETCH(quint64, gain);
        QFETCH(int, rampMs);
        QFETCH(int, noise);
        unit.setRampMs(rampMs);
        unit.setVoltageNoise(quint32(noise) * 1000);
        const auto near = [noise](int volts, int level) { return std::abs(volts - level) <= noise; };
        QVERIFY(runToStep1());
        QVERIFY(rig.safety->commissioningHoldsHvEnable());

        // The set-up, in order, with the unit's own I gain; then the DC start.
        const auto log = unit.commandLog();
        QCOMPARE(rig.letters(), QByteArray("qzumftbklur"));
        QCOMPARE(log[0].value1, 10000ull);
        QCOMPARE(log[0].value2, quint64(kOldI));
        QCOMPARE(log[2].value1, 37000000ull);
        QCOMPARE(log[3].value1, quint64('-'));
        QCOMPARE(log[4].value1, 100ull);
        QCOMPARE(log[5].value1, 10ull);
        QCOMPARE(log[6].value1, 0x80ull); // burn mode 256: the shunt flag
        QCOMPARE(log[7].value1, 35ull);
        QCOMPARE(log[7].value2, 128ull);
        QCOMPARE(log[9].value1, 37000000ull);
        QTRY_VERIFY(near(voltages.value(voltages.size() - 1), -37000));

        confirmWith(negative);
        QVERIFY(near(settledAt.value(0), -37000));
        QVERIFY(waitForStage(Step2));
        QCOMPARE(unit.parameter(35), 65664ull);
        voltages.clear();
        QTRY_VERIFY(!voltages.isEmpty());
        QVERIFY(near(voltages.last(), 37000));

        confirmWith(positive);
        QVERIFY(waitForStage(Step3));
        QCOMPARE(gains, (QList<QPair<double, double>> { { double(gain), double(kOldI) } }));
        const auto q = writes('q');
        QCOMPARE(q.size(), 2);
        QCOMPARE(q[1].value1, gain);
        QCOMPARE(q[1].value2, quint64(kOldI));

        confirm();
        QVERIFY(waitForStage(Step4));
        QCOMPARE(unit.parameter(35), 131200ull);
        unit.clearCommandLog();
        confirm();
        QVERIFY(waitForStage(Done));
        // Stopped, no gain written back, the line off, the data model's inputs again.
        QCOMPARE(rig.letters(), QByteArray("sx"));
        QTRY_VERIFY(!rig.hvEnable());
        QCOMPARE(unit.gainU(), quint16(gain));
        QVERIFY(errors.isEmpty());
        checkInputsBack();
        QCOMPARE(rig.letters(), QByteArray("sx"));
        // The parameters were read again for the views.
        QCOMPARE(rig.link.data->getHVUnitParam(eHVUnitParamType_GainU), quint64(gain));
    }

    void readingsOutsideTheirStepEndTheRun_data()
    {
        QTest::addColumn<double>("reading");
        QTest::addColumn<QString>("error");
        QTest::newRow("zero") << 0.0 << "Messwert 0.0 kV für -37 kV liegt nicht zwischen -41.0 und -33.0 kV.";
        QTest::newRow("positive") << 37.0 << "Kein Messwert für -37 kV eingegeben.";
        QTest::newRow("too low") << -41.1 << "Messwert -41.1 kV für -37 kV liegt nicht zwischen -41.0 und -33.0 kV.";
        QTest::newRow("not a number") << std::nan("") << "Messwert nan kV für -37 kV liegt nicht zwischen -41.0 und -33.0 kV.";
    }
    void readingsOutsideTheirStepEndTheRun()
    {
        QFETCH(double, reading);
        QFETCH(QString, error);
        // A reading given before the step does not count.
        machine->receiveVoltage(-37.0);
        QVERIFY(runToStep1());
        confirmWith(reading);
        checkFailedRun(error);
        QCOMPARE(rig.letters().right(3), QByteArray("sxq"));
        QCOMPARE(writes('q').size(), 2); // the set-up's and the restore
        QCOMPARE(writes('k').size(), 1); // no flip
    }

    void abortInStep3RestoresGainsAndInputs()
    {
        QVERIFY(runToStep1());
        confirmWith(-37.5);
        QVERIFY(waitForStage(Step2));
        confirmWith(37.5);
        QVERIFY(waitForStage(Step3));
        QCOMPARE(unit.gainU(), quint16(10135));
        unit.clearCommandLog();
        send(Abort);
        QVERIFY(waitForStage(Done));
        QTRY_COMPARE(rig.letters(), QByteArray("sxq"));
        const auto q = writes('q');
        QCOMPARE(q[0].value1, quint64(kOldU));
        QCOMPARE(q[0].value2, quint64(kOldI));
        QVERIFY(!rig.hvEnable());
        QVERIFY(errors.isEmpty());
        checkInputsBack();

        // The machine is ready for the next run.
        unit.clearCommandLog();
        QVERIFY(runToStep1());
        send(Abort);
        QVERIFY(waitForStage(Done));
    }

    void failingCommandsEndInIdle_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("stage"); // where the failure is set: 0 at start, 1 at green, 2 in Step1, 3 in Step2
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("error");
        QTest::newRow("gain read") << 'Q' << 0 << QByteArray("") << "Die Verstärkungen der HV-Einheit konnten nicht gelesen werden.";
        QTest::newRow("set-up gain") << 'q' << 0 << QByteArray("q") << "Die Verstärkung 10000 konnte nicht geschrieben werden.";
        QTest::newRow("set-up") << 'b' << 0 << QByteArray("qzumftq") << "Die HV-Einheit hat den Befehl 'b' nicht angenommen.";
        QTest::newRow("DC start") << 'r' << 1 << QByteArray("usxq") << "Die Gleichspannung konnte nicht gestartet werden.";
        QTest::newRow("flip") << 'k' << 2 << QByteArray("sxq") << "Die Umschaltung auf positive Spannung ist fehlgeschlagen.";
        QTest::newRow("gain write") << 'q' << 3 << QByteArray("sxq") << "Die Verstärkung 10135 konnte nicht geschrieben werden.";
    }
    void failingCommandsEndInIdle()
    {
        QFETCH(char, letter);
        QFETCH(int, stage);
        QFETCH(QByteArray, sent);
        QFETCH(QString, error);
        if (stage == 0) {
            rig.sim.failCommand(letter);
            send(Start);
            checkFailedRun(error);
            QCOMPARE(rig.letters(), sent);
            QVERIFY(!stages.contains(OutputCalibrationWaitForGreen));
            return;
        }
        if (stage == 1) {
            send(Start);
            QVERIFY(waitForStage(OutputCalibrationWaitForGreen));
            unit.clearCommandLog();
            rig.sim.failCommand(letter);
            unit.pressHvOn();
            checkFailedRun(error);
            QCOMPARE(rig.letters(), sent);
            QVERIFY(!stages.contains(Step1));
            return;
        }
        QVERIFY(runToStep1());
        if (stage == 3) {
            confirmWith(-37.5);
            QVERIFY(waitForStage(Step2));
        }
        unit.clearCommandLog();
        if (letter == 'k')
            unit.setParameterWriteMangled(true); // the unit keeps another value
        else
            rig.sim.failCommand(letter);
        confirmWith(stage == 2 ? -37.0 : 37.5);
        checkFailedRun(error);
        QVERIFY(rig.letters().endsWith(sent));
    }

    void failedLoadDetectionStopsTheOutput()
    {
        unit.setLoadDetectionResult(HVStateBits::LoadResultError2);
        send(Start);
        QVERIFY(waitForStage(OutputCalibrationWaitForGreen));
        unit.pressHvOn();
        checkFailedRun(QStringLiteral("Fehlgeschlagene Lastermittlung: Zustandswort 0x0000002A"));
        QVERIFY(!rig.letters().contains('r'));
        QVERIFY(rig.letters().contains("sx"));
    }

    void lostLinkDuringAStepIsAnError()
    {
        QVERIFY(runToStep1());
        rig.sim.failNext(1000);
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 8000);
        QCOMPARE(errors.first(), QStringLiteral("ComErrorHVUnit"));
        QTRY_COMPARE(stages.last(), Error);
        QTRY_VERIFY(!rig.hvEnable());
        rig.sim.clearFault();
        const auto installed = dataModelSubscriber();
        QVERIFY(installed);
        QTRY_VERIFY_WITH_TIMEOUT(!installed->getHVUnitState().comError, 5000);
    }

    // Last: the machines are released in the middle of a run.
    void releasedDuringARunGivesEverythingBack()
    {
        send(Start);
        QVERIFY(waitForStage(OutputCalibrationWaitForGreen));
        QVERIFY(rig.hvEnable());
        bundle = MachineBundle();
        QTRY_VERIFY(!rig.hvEnable());
        QTRY_COMPARE(unit.gainU(), kOldU);
        checkInputsBack();
    }
};

QTEST_GUILESS_MAIN(TestOutputCalibration)
#include "tst_outputcalibration.moc"
