#include "hvsim/HvEnableFile.h"
#include "hvsim/HvUnitModel.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvsim/SimControl.h"
#include "hvunit/TPOF.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The simulated unit itself: its model answers and the hand commands of the program.
class TestHvUnitSim : public QObject {
    Q_OBJECT

    static QByteArray ask(HvUnitModel& m, const QByteArray& request)
    {
        QByteArray data;
        return m.handle(request, data) ? data : QByteArray("(write)");
    }

    static quint64 field(const QByteArray& d, int pos, int width)
    {
        return TPOF::HEXString2uLongLong(d.constData() + pos, width);
    }

private slots:
    void readsHaveTheirWidthsAndWritesNoReply()
    {
        HvUnitModel m;
        const QList<QPair<QByteArray, int>> reads {
            { ">C.", 8 }, { ">F.", 8 }, { ">H.", 2 }, { ">I.", 80 }, { ">K0C.", 18 }, { ">L.", 32 },
            { ">M.", 32 }, { ">N.", 25 }, { ">P.", 8 }, { ">Q.", 8 }, { ">R.", 16 }, { ">U.", 32 },
            { ">V.", 16 }, { ">W.", 8 },
        };
        for (const auto& r : reads)
            QCOMPARE(ask(m, r.first).size(), r.second);
        for (const char* w : { ">b01.", ">f00000064.", ">l.", ">m73.", ">o.", ">r.", ">s.", ">t003C.",
                                     ">u02349340.", ">x.", ">y.", ">z010307E8090507." })
            QCOMPARE(ask(m, w), QByteArray("(write)"));
        QCOMPARE(ask(m, ">K63."), QByteArray("FF0000000000000000")); // unknown code
        QCOMPARE(m.lastTime(), QByteArray("010307E8090507"));
    }

    void outputRampsAndCurrentFollowsTheLoad()
    {
        HvUnitModel m;
        m.setRampMs(400);
        m.setLoad(1000, 0);    // 1 µF, no leakage
        ask(m, ">f00000064."); // 0.1 Hz
        ask(m, ">u00989680."); // 10 kV
        ask(m, ">m73.");
        QVERIFY(!(m.stateWord() & HVStateBits::OutputOn));
        ask(m, ">r.");
        QVERIFY(m.stateWord() & HVStateBits::OutputOn);
        QVERIFY(m.outputVoltage() < 10000000);
        QTest::qWait(450);
        QCOMPARE(m.outputVoltage(), 10000000ll);
        QVERIFY(m.stateWord() & HVStateBits::NominalVoltageReached);
        const QByteArray u = ask(m, ">U.");
        QCOMPARE(qint32(field(u, 0, 8)), 10000000);
        // I = 2 pi f C U = 2 pi * 0.1 Hz * 1 µF * 10 kV = 6.283 mA
        QCOMPARE(qint64(field(u, 8, 16)), 6283185ll);

        m.setTanDelta(2000, 50);
        for (int i = 0; i < 20; ++i) {
            const quint64 td = field(ask(m, ">M."), 24, 8);
            QVERIFY(td >= 1950 && td <= 2050);
        }
        // A stopped output discharges over the time set, a breakdown at once.
        m.setDischargeMs(400);
        ask(m, ">s.");
        QVERIFY(m.outputVoltage() > 5000000);
        QTRY_COMPARE_WITH_TIMEOUT(m.outputVoltage(), 0ll, 1000);
        ask(m, ">r.");
        QTest::qWait(450);
        m.triggerBreakdown();
        QCOMPARE(m.outputVoltage(), 0ll);
    }

    void triggersAndLoadDetection()
    {
        HvUnitModel m;
        m.setRampMs(0);
        ask(m, ">uFFF0BDC0."); // -1 kV
        ask(m, ">r.");
        m.triggerBreakdown();
        QVERIFY(m.stateWord() & HVStateBits::Breakdown);
        QVERIFY(!m.outputOn());
        QCOMPARE(qint32(field(ask(m, ">V."), 0, 8)), -1000000);
        ask(m, ">x.");
        QVERIFY(!(m.stateWord() & HVStateBits::Breakdown));

        m.setTemperature(80);
        QVERIFY(m.stateWord() & HVStateBits::Overtemperature);
        QCOMPARE(ask(m, ">H."), QByteArray("50"));
        m.setTemperature(-3);
        QCOMPARE(ask(m, ">H."), QByteArray("FD"));

        m.setLoadDetectionFails(true);
        ask(m, ">l.");
        QTest::qWait(350);
        QCOMPARE(m.stateWord() & (HVStateBits::LoadDetectionFinished | HVStateBits::LoadResultError1),
                 HVStateBits::LoadDetectionFinished | HVStateBits::LoadResultError1);
    }

    void writesAreLoggedWithBothValuesAndCascadeValuesAreFourWords()
    {
        HvUnitModel m;
        ask(m, ">k200000003C000D0064.");
        ask(m, ">W.");
        ask(m, ">uFFFFFC18.");
        ask(m, ">q27100000.");
        const QList<HvUnitModel::Command> log = m.commandLog();
        QCOMPARE(log.size(), 3); // reads are not logged
        QCOMPARE(log[0].letter, 'k');
        QCOMPARE(log[0].value1, quint64(32));
        QCOMPARE(log[0].value2, quint64(0x0000003C000D0064ull));
        QCOMPARE(log[1].letter, 'u');
        QCOMPARE(qint64(log[1].value1), qint64(-1000));
        QCOMPARE(log[2].value1, quint64(10000));
        m.clearCommandLog();
        QVERIFY(m.commandLog().isEmpty());

        m.setCascadeValues(400, -3, 12, -32768);
        QCOMPARE(ask(m, ">K21."), QByteArray("210190FFFD000C8000"));
        ask(m, ">k230000000000010080.");
        QCOMPARE(ask(m, ">K23."), QByteArray("230000000000010080"));
    }

    void handCommands()
    {
        HvUnitSimulator sim;
        QString reply;
        QVERIFY(applySimCommand(sim, "breakdown", &reply));
        QVERIFY(sim.model().stateWord() & HVStateBits::Breakdown);
        QVERIFY(applySimCommand(sim, "clear", &reply));
        QVERIFY(!(sim.model().stateWord() & HVStateBits::Breakdown));
        QVERIFY(applySimCommand(sim, "error 2000", &reply));
        QVERIFY(sim.model().stateWord() & HVStateBits::OutputOffset);
        QVERIFY(applySimCommand(sim, "temperature 77", &reply));
        QCOMPARE(sim.model().temperature(), 77);
        QVERIFY(applySimCommand(sim, "firmware 1 16", &reply));
        QCOMPARE(sim.model().identification().firmwareMinor, 16);
        QVERIFY(applySimCommand(sim, "fault badcrc 2", &reply));
        QVERIFY(applySimCommand(sim, "  # a comment", &reply));
        QVERIFY(applySimCommand(sim, "status", &reply));
        QVERIFY(reply.startsWith("state word"));
        QVERIFY(applySimCommand(sim, "cascade 60 -60 5 -5", &reply));
        QCOMPARE(sim.model().parameter(33), 0x003CFFC40005FFFBull);
        QVERIFY(applySimCommand(sim, "failcmd m", &reply));
        QVERIFY(applySimCommand(sim, "discharge 2.5", &reply));

        QVERIFY(!applySimCommand(sim, "explode", &reply));
        QCOMPARE(reply, QString("unknown command: explode"));
        QVERIFY(!applySimCommand(sim, "temperature hot", &reply));
        QVERIFY(!applySimCommand(sim, "temperature 300", &reply));
        QVERIFY(!applySimCommand(sim, "fault nosuchfault", &reply));
        QVERIFY(!applySimCommand(sim, "load 5", &reply));
        QVERIFY(!applySimCommand(sim, "cascade 1 2 3 40000", &reply));
        QVERIFY(!applySimCommand(sim, "failcmd mm", &reply));
        QVERIFY(!applySimCommand(sim, "discharge -1", &reply));
        QCOMPARE(sim.model().temperature(), 77);
    }

    // Driven cascades: 'U' reads the level (or its hand reading) through the calibration
    // words, 33 carries the output current, a new 'u' ends it.
    void cascadeLevelsReadThroughTheCalibration()
    {
        HvUnitSimulator sim;
        HvUnitModel& m = sim.model();
        QString reply;
        m.setRampMs(0);
        ask(m, ">m2B.");
        ask(m, ">r.");
        m.setParameter(13, 4506);  // 1.1
        m.setParameter(14, 65533); // -3/4096
        ask(m, ">k200000019000000000."); // +40 kV
        QCOMPARE(qint32(field(ask(m, ">U."), 0, 8)), 43951675);
        QVERIFY(applySimCommand(sim, "reading 400 40300001", &reply));
        QCOMPARE(qint32(field(ask(m, ">U."), 0, 8)), 44281705);
        QVERIFY(applySimCommand(sim, "envelope on", &reply));
        QCOMPARE(qint64(field(ask(m, ">U."), 8, 16)), 11000000);
        QCOMPARE(ask(m, ">K21."), QByteArray("2101900000006E0000"));
        ask(m, ">k200000FF6A00000000."); // -15 kV, uncalibrated
        const QByteArray u = ask(m, ">U.");
        QCOMPARE(qint32(field(u, 0, 8)), -15000000);
        QCOMPARE(qint64(field(u, 8, 16)), -44000000);
        QCOMPARE(ask(m, ">K21."), QByteArray("2100000096000001B8"));
        QVERIFY(applySimCommand(sim, "reading clear", &reply));
        QVERIFY(applySimCommand(sim, "envelope off", &reply));
        QVERIFY(!applySimCommand(sim, "reading 400", &reply));
        QVERIFY(!applySimCommand(sim, "envelope maybe", &reply));
        ask(m, ">u00989680.");
        QCOMPARE(qint32(field(ask(m, ">U."), 0, 8)), 10000000);
    }

    // Output only with the HV-enable line, load detection results, 'U' after the gain.
    void hvEnableLoadResultAndGain()
    {
        HvUnitSimulator sim;
        HvUnitModel& m = sim.model();
        QString reply;
        m.setRampMs(0);
        QVERIFY(applySimCommand(sim, "hvenable off", &reply));
        QVERIFY(applySimCommand(sim, "hvon", &reply));
        QCOMPARE(reply, QString("output off (HV enable off)"));
        ask(m, ">r.");
        QVERIFY(!(m.stateWord() & HVStateBits::OutputOn));
        QVERIFY(applySimCommand(sim, "hvenable on", &reply));
        QVERIFY(!(m.stateWord() & HVStateBits::OutputOn));
        QVERIFY(applySimCommand(sim, "hvon", &reply));
        QVERIFY(m.stateWord() & HVStateBits::OutputOn);

        QVERIFY(applySimCommand(sim, "loadresult 20", &reply));
        ask(m, ">l.");
        QTRY_VERIFY(m.stateWord() & HVStateBits::LoadDetectionFinished);
        QCOMPARE(m.stateWord() & 0x30u, quint32(HVStateBits::LoadResultError2));
        QVERIFY(!applySimCommand(sim, "loadresult 80", &reply));

        QVERIFY(applySimCommand(sim, "gains 10135 9000", &reply));
        QCOMPARE(ask(m, ">Q."), QByteArray("27972328"));
        ask(m, ">m2D.");
        ask(m, ">u02349340.");
        ask(m, ">r.");
        QCOMPARE(qint32(field(ask(m, ">U."), 0, 8)), -37499500);
        QVERIFY(applySimCommand(sim, "noise 50", &reply));
        const qint32 noisy = qint32(field(ask(m, ">U."), 0, 8));
        QVERIFY(noisy >= -37499550 && noisy <= -37499450);
        // Losing the line takes the output away.
        QVERIFY(applySimCommand(sim, "hvenable off", &reply));
        QCOMPARE(m.stateWord() & HVStateBits::OutputOn, 0u);
        QCOMPARE(field(ask(m, ">U."), 0, 8), 0ull);
    }

    // The key pressed by itself after the load-detection request, once the HV-enable line
    // (the last character of its value file) is on; a stop before ends the wait.
    void hvOnKeyByItself_data()
    {
        QTest::addColumn<QByteArray>("line"); // the value file before; null: none
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QByteArray>("between"); // a request after 'l'
        QTest::addColumn<bool>("on");            // after the delay
        QTest::addColumn<bool>("onWithLine");    // once the program writes '1'
        QTest::newRow("line on") << QByteArray("1") << 500 << QByteArray() << true << true;
        QTest::newRow("line switched off") << QByteArray("10") << 500 << QByteArray() << false << true;
        QTest::newRow("no value file") << QByteArray() << 500 << QByteArray() << false << true;
        QTest::newRow("stopped") << QByteArray("1") << 500 << QByteArray(">s.") << false << false;
        QTest::newRow("by hand only") << QByteArray("1") << 0 << QByteArray() << false << false;
    }

    void hvOnKeyByItself()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, delayMs);
        QFETCH(QByteArray, between);
        QFETCH(bool, on);
        QFETCH(bool, onWithLine);
        QTemporaryDir dir;
        QFile value(dir.filePath("value"));
        if (!line.isNull()) {
            QVERIFY(value.open(QIODevice::WriteOnly));
            value.write(line);
            value.close();
        }
        HvUnitModel m;
        m.setHvEnableProbe(hvEnableFromFile(value.fileName()));
        m.setHvOnKeyDelayMs(delayMs);
        ask(m, ">l.");
        QVERIFY(!(field(ask(m, ">W."), 0, 8) & HVStateBits::OutputOn));
        if (!between.isEmpty())
            ask(m, between);
        QTest::qWait(delayMs + 200);
        QCOMPARE(bool(field(ask(m, ">W."), 0, 8) & HVStateBits::OutputOn), on);
        QVERIFY(value.open(QIODevice::Append));
        value.write("1");
        value.close();
        QCOMPARE(bool(field(ask(m, ">W."), 0, 8) & HVStateBits::OutputOn), onWithLine);
    }

    // Another process holding the line is named (a test of the bytes on it then fails for
    // that reason); once it lets go, the line is ours again.
    void otherHolderOfTheLineIsNamed()
    {
        HvUnitSimulator sim;
        QVERIFY(sim.start());
        QVERIFY(sim.otherHolders().isEmpty());
        QProcess holder;
        holder.start(QStringLiteral("sh"), { QStringLiteral("-c"), QStringLiteral("exec sleep 30 <") + sim.slavePath() });
        QVERIFY(holder.waitForStarted());
        const QStringList expected { QStringLiteral("%1 (sleep)").arg(holder.processId()) };
        QTRY_COMPARE(sim.otherHolders(), expected);
        holder.kill();
        QVERIFY(holder.waitForFinished());
        QVERIFY(sim.otherHolders().isEmpty());
    }

    // A program left running for a terminal's name opens it again once the number is
    // handed out anew: the next unit takes another one.
    void aTerminalAnotherProcessWasStartedForIsLeftToIt()
    {
        HvUnitSimulator first;
        QVERIFY(first.start());
        const QString name = first.slavePath();
        QProcess orphan;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SERIAL_COMDEVICE"), name);
        orphan.setProcessEnvironment(env);
        orphan.start(QStringLiteral("sleep"), { QStringLiteral("30") });
        QVERIFY(orphan.waitForStarted());
        first.stop();
        HvUnitSimulator next;
        QVERIFY(next.start());
        QVERIFY2(next.slavePath() != name, qPrintable(name));
        orphan.kill();
        QVERIFY(orphan.waitForFinished());
    }
};

QTEST_GUILESS_MAIN(TestHvUnitSim)
#include "tst_HvUnitSim.moc"
