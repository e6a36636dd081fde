#include "commissioning/CommissioningHVSubscriber.h"
#include "commissioning/CommissioningSafetyReceiver.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/SetValuePOF.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingMachine.h"
#include "fakes/HVLinkOnThread.h"
#include "fakes/TempRoot.h"
#include "hvunit/GPIOManager.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QtTest>

#include <atomic>

using namespace Commissioning;

// The helpers and adapters of the procedures against the simulated unit, the link on
// its own thread as in the instrument.
class TestCommissioningLink : public QObject {
    Q_OBJECT

    HVLinkOnThread hv;
    HvUnitSimulator& sim = hv.sim;
    LogCapture log;

    template <typename F>
    auto onLink(F f) -> decltype(f())
    {
        return hv.onLink(f);
    }
    QByteArray letters() const { return hv.letters(); }

    // Lets the state polls that earlier commands queued on the link run first, so a
    // fault set now hits the call under test.
    void settle()
    {
        onLink([] { return true; });
    }

    QList<LoggingData> notCalledErrors()
    {
        return log.deliveredWhere(
            [](const LoggingData& r) { return r.category == CAT_ERR && r.text == QLatin1String("this should not be called"); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(log.isRunning());
        QVERIFY(hv.start());
    }

    void cleanupTestCase() { hv.stop(); }

    void init()
    {
        sim.clearFault();
        sim.model().reset();
        sim.model().clearCommandLog();
        log.clear();
    }

    void commandsStopAtTheFirstFailure()
    {
        const std::vector<Command> commands { { TPOF::CMD_DateTime, 0, 0 },
                                              { TPOF::CMD_Voltage, 37000000, 0 },
                                              { TPOF::CMD_Mode, OperatingModes::DC, 0 },
                                              { TPOF::CMD_Frequency, 100, 0 },
                                              { TPOF::CMD_TestMinutes, 10, 0 } };
        sim.failCommand('m');
        QVERIFY(!onLink([&] { return setPofValues(hv.pof, commands); }));
        QCOMPARE(letters(), QByteArray("zu"));

        sim.clearFault();
        sim.model().clearCommandLog();
        QVERIFY(onLink([&] { return setPofValues(hv.pof, commands); }));
        QCOMPARE(letters(), QByteArray("zumft"));
        const auto log = sim.model().commandLog();
        QCOMPARE(log[1].value1, 37000000ull);
        QCOMPARE(log[2].value1, quint64('+'));
        QCOMPARE(log[4].value1, 10ull);

        // The unit took the command, but the state poll after it failed: not a success.
        sim.model().clearCommandLog();
        settle();
        sim.failCommand('W', -1); // the state read retries within its time budget
        QVERIFY(!onLink([&] { return SetValuePOF(hv.pof)({ TPOF::CMD_Frequency, 50, 0 }); }));
        QCOMPARE(letters(), QByteArray("f"));
        sim.clearFault();
        QVERIFY(onLink([&] { return hv.pof->GetHVState(); }));
    }

    void outputValuesAndTheirFailure()
    {
        sim.model().setRampMs(0);
        QVERIFY(onLink([&] { return setPofValues(hv.pof, { { TPOF::CMD_Voltage, 5000000, 0 }, { TPOF::CMD_Start, 0, 0 } }); }));
        const OutputValues v = onLink([&] { return pollOutputValues(*hv.pof); });
        QCOMPARE(v.voltage, 5000000);
        QVERIFY(v.current > 0);
        QVERIFY(v != OutputValues::failed());

        sim.failCommand('U');
        QCOMPARE(onLink([&] { return pollOutputValues(*hv.pof); }), OutputValues::failed());
        sim.clearFault();
        settle();
        sim.failCommand('W', -1); // the state read retries within its time budget
        const OutputValues afterBadPoll = onLink([&] { return pollOutputValues(*hv.pof); });
        QCOMPARE(afterBadPoll.voltage, 2147483647);
        QCOMPARE(afterBadPoll.current, std::numeric_limits<qint64>::max());
        sim.clearFault();
        onLink([&] { return hv.pof->StopTest(SKP_StopFlags_None); });
    }

    void cascadeValuesFromTheTopWordDown()
    {
        sim.model().setCascadeValues(400, -3, 12, -7);
        QCOMPARE(onLink([&] { return pollCascadeValues(*hv.pof); }), (CascadeValues { 400, -3, 12, -7 }));

        sim.failCommand('K');
        QCOMPARE(onLink([&] { return pollCascadeValues(*hv.pof); }), (CascadeValues { 32767, 32767, 32767, 32767 }));
        sim.clearFault();

        // A unit that does not know the parameter answers code FF: no reading either.
        const QByteArray unknown = "FF0000000000000000";
        QByteArray crc(4, '0');
        TPOF::uLongLong2HEXString(TPOF::Create_CRC16(unknown.constData(), unknown.size()), crc.data(), 4);
        sim.overrideReplies("<K" + unknown + crc + ".", 1);
        QCOMPARE(onLink([&] { return pollCascadeValues(*hv.pof); }), CascadeValues::failed());
        QCOMPARE(onLink([&] { return pollCascadeValues(*hv.pof); }), (CascadeValues { 400, -3, 12, -7 }));
    }

    void cascadeLevelsAndPolarityFlips()
    {
        QVERIFY(onLink([&] { return setCascade(hv.pof, 60); }));
        QVERIFY(onLink([&] { return setCascade(hv.pof, -60); }));
        auto cmds = sim.model().commandLog();
        QCOMPARE(cmds.size(), 2);
        QCOMPARE(cmds[0].letter, 'k');
        QCOMPARE(cmds[0].value1, 32ull);
        QCOMPARE(cmds[0].value2, 0x0000003C000D0064ull);
        QCOMPARE(cmds[1].value2, 0x0000FFC40064000Dull);
        const auto logged = log.deliveredWhere([](const LoggingData& r) {
            return r.category == CAT_INF && r.file == QLatin1String("CascadeCalibrationMachine")
                && r.function == QLatin1String("SetCascadeVoltage") && r.text.startsWith("SetCascadeVoltage: '");
        });
        QCOMPARE(logged.size(), 2);
        QCOMPARE(logged[0].text, QStringLiteral("SetCascadeVoltage: '60'"));
        QCOMPARE(logged[1].text, QStringLiteral("SetCascadeVoltage: '-60'"));

        sim.model().clearCommandLog();
        QVERIFY(onLink([&] { return flipDcToPositive(*hv.pof); }));
        QCOMPARE(sim.model().parameter(35), 65664ull);
        QVERIFY(onLink([&] { return flipDcToNegative(*hv.pof); }));
        QCOMPARE(sim.model().parameter(35), 131200ull);
        cmds = sim.model().commandLog();
        QCOMPARE(cmds.size(), 2);
        QCOMPARE(cmds[0].value1, 35ull);
        QCOMPARE(cmds[0].value2, 65664ull);
        QCOMPARE(cmds[1].value2, 131200ull);
        // A value the unit does not keep is no flip.
        sim.model().setParameterWriteMangled(true);
        QVERIFY(!onLink([&] { return flipDcToPositive(*hv.pof); }));
    }

    void hvStatesReachTheMachineOnItsThreadAndItMayUseTheLink()
    {
        auto* machine = new RecordingMachine;
        machine->moveToThread(&hv.thread);
        std::atomic<int> readsInReaction { 0 };
        machine->reaction = [this, &readsInReaction](const stHVUnitState& s) {
            unsigned long long v = 0;
            if (s.comError && hv.pof->GetParameter(eHVUnitParamType_CascadeValues, &v) == TPOF::Ok)
                ++readsInReaction;
        };
        onLink([&] {
            hv.pof->setHVSub(std::make_unique<CommissioningHVSubscriber<RecordingMachine>>(
                machine, &RecordingMachine::receiveEvent<stHVUnitState>, 0));
            return true;
        });

        sim.model().setStateBits(0x4000);
        QVERIFY(onLink([&] { return hv.pof->GetHVState(); }));
        QCOMPARE(hv.pof->sub()->getHVUnitState().state, 0x4000u);
        QTRY_VERIFY(!machine->states().empty());
        QCOMPARE(machine->states().front().state, 0x4000u);

        // A failed transaction reports the lost link while the link holds its lock; the
        // machine reacting with a further read must not block the link.
        sim.failCommand('C');
        QMetaObject::invokeMethod(hv.pof, [this] {
            unsigned long long c = 0;
            unsigned short n = 0;
            hv.pof->GetValue(TPOF::CMD_LoadCapacitance, &c, 1, &n);
        });
        QTRY_COMPARE_WITH_TIMEOUT(readsInReaction.load(), 1, 5000);
        for (QThread* t : machine->threads())
            QCOMPARE(t, &hv.thread);

        // Modes that need no cosine-rectangular type do not ask for it; the one that does
        // gets a logged error instead of an exception.
        QCOMPARE(onLink([&] { return hv.pof->SetValue(TPOF::CMD_Mode, OperatingModes::DC); }), 0);
        QCOMPARE(notCalledErrors().size(), 0);
        QCOMPARE(onLink([&] { return hv.pof->SetValue(TPOF::CMD_Mode, OperatingModes::VLFCosRect); }), 0);
        QCOMPARE(notCalledErrors().size(), 1);

        onLink([&] {
            hv.pof->setHVSub(std::make_unique<FakeHVData>());
            delete machine;
            return true;
        });
    }

    void safetyStatesReachTheMachineFromTheChecker()
    {
        TempRoot root;
        QList<int> lines;
        for (const SCPin& pin : SCPins)
            lines << pin.line;
        FakeGpioTree tree(lines, { HVEnableLine });
        GPIOManager gpio;
        RecordingMachine machine;
        TCheckSafetyCircuit checker(&gpio, std::make_unique<CommissioningSafetyReceiver<RecordingMachine>>(
                                               &machine, &RecordingMachine::receiveEvent<std::bitset<10>>));
        // The start-up reports its driver to the receiver: logged, not thrown.
        QVERIFY(checker.doRun());
        QCOMPARE(notCalledErrors().size(), 1);
        QTRY_VERIFY(!machine.bits().empty());
        QCOMPARE(machine.bits().back(), std::bitset<10>(0x3FF));
        auto previous = checker.setReceiver(nullptr);
        QVERIFY(dynamic_cast<CommissioningSafetyReceiver<RecordingMachine>*>(previous.get()));
    }
};

QTEST_GUILESS_MAIN(TestCommissioningLink)
#include "tst_commissioninglink.moc"
