#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/MachineFactory.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/TimerScale.h"
#include "core/GlobalFuncs.h"
#include "fakes/CommissioningRig.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingGui.h"
#include "gui/DialogQueue.h"
#include "hvunit/OwedUnitWrites.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>

using namespace Commissioning;
using E = OutputCalibrationMachine::Event;

namespace {
enum Fault { OpenInput, CutLink, Release, AbortRun, Throw, SecondProcedure };
enum Moment { Started, InHvOnWait, WaitingForHvOn, InStep1, InStep3 };

enum Procedure { OutputCal, CascadeCal, CascadePow };
enum Ending { InputOpens, LinkCut, CutThenOff, CutThenClose, Released, ProgramGone, GainRefused, DoublePress, BusyUnit,
              SlowUnit, OtherUnit };
// The link's time-outs while the unit is silent: a fortieth of their length.
qint64 silentUnitClock() { return Heartbeat::now() * 40; }
constexpr int kBusyMs = 400; // the unit's own work, dropping what it is sent
// In a walk's trail: the step's output stood at its level; the reading went stale.
constexpr int kSettled = 100, kLost = 101;

// A run of any of the three procedures: the stages and errors as they come, and for the
// walk the operator's part and the ending done on the machine's thread as the stage comes.
struct Walk {
    MachineBundle bundle;
    QPointer<QObject> machine;
    std::mutex mutex;
    QList<int> stages;
    QStringList errors;
    std::function<void(int)> atStage = [](int) {}; // on the machine's thread
    std::function<void()> atError = [] {};
    std::function<void()> atSettled = [] {}; // output calibration, on the machine's thread
    std::atomic<bool> settled { false };     // the current step takes a Confirm
    QList<int> trail;                        // stages, and kSettled as the steps settle
    std::atomic<bool> triggered { false };
    QElapsedTimer sinceTrigger;
    QByteArray left; // the owed file as a program gone at the trigger left it

    QStringList errorsTold()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return errors;
    }
    QList<int> stagesSeen()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return stages;
    }
    QList<int> trailSeen()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return trail;
    }
    OutputCalibrationMachine* output() const { return bundle.outputCalibration.get(); }
    template <typename M, typename S>
    void watch(M* m, void (M::*stageSignal)(S), void (M::*errorSignal)(QString), std::shared_ptr<Walk> self)
    {
        machine = m;
        QObject::connect(m, stageSignal, m, [self](S stage) {
            {
                std::lock_guard<std::mutex> lock(self->mutex);
                self->stages << int(stage);
                self->trail << int(stage);
            }
            self->settled = false;
            self->atStage(int(stage));
        }, Qt::DirectConnection);
        QObject::connect(m, errorSignal, m, [self](const QString& e) {
            {
                std::lock_guard<std::mutex> lock(self->mutex);
                self->errors << e;
            }
            self->atError();
        }, Qt::DirectConnection);
    }
};
} // namespace

// Whatever ends a run, and wherever: the HV-enable line, the output and the unit's gains
// are left as they were before it, and the data model gets its inputs back.
class TestCommissioningSafety : public QObject {
    Q_OBJECT

    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    LogCapture log;
    RecordingGui gui;
    QList<std::shared_ptr<Walk>> m_runs; // let go after each row
    static constexpr quint16 kOldU = 9870, kOldI = 10120;
    // The cascades' calibration words (line codes of parameters 3, 7, 5, 9) before a run.
    static constexpr int kCodes[4] = { 13, 14, 17, 18 };
    const quint64 kSaved[4] = { 4506, 65533, 3686, ~2ull }; // the last sign-extended

    std::shared_ptr<Walk> startWalk(Procedure procedure)
    {
        auto walk = std::make_shared<Walk>();
        m_runs << walk;
        walk->bundle = makeMachineFactory(rig.pof, rig.safety.get())();
        if (procedure == OutputCal) {
            OutputCalibrationMachine* m = walk->bundle.outputCalibration.get();
            walk->watch(m, &OutputCalibrationMachine::machineEvent, &OutputCalibrationMachine::errorMessage, walk);
            Walk* w = walk.get();
            QObject::connect(m, &OutputCalibrationMachine::outputReading, m, [w](OutputReading r) {
                if ((w->settled = r == OutputSettled) || r == OutputLost) {
                    std::lock_guard<std::mutex> lock(w->mutex);
                    w->trail << (w->settled ? kSettled : kLost);
                }
                if (w->settled)
                    w->atSettled();
            }, Qt::DirectConnection);
        }
        else if (procedure == CascadeCal)
            walk->watch(walk->bundle.cascadeCalibration.get(), &CascadeCalibrationMachine::cascadeMachineEvent,
                        &CascadeCalibrationMachine::cascadeCalibrationError, walk);
        else
            walk->watch(walk->bundle.cascadePower.get(), &CascadePowerMachine::enteredStage, &CascadePowerMachine::error,
                        walk);
        return walk;
    }
    void sendEvent(Walk& walk, Procedure procedure, UserEvent event)
    {
        if (procedure == OutputCal)
            walk.bundle.outputCalibration->queueEvent(E(event));
        else if (procedure == CascadeCal)
            walk.bundle.cascadeCalibration->receiveEvent(event);
        else
            walk.bundle.cascadePower->receiveEvent(event);
    }
    // As the program starts: the link, and what it tells the operator on the screen.
    bool startProgram()
    {
        if (!rig.start())
            return false;
        OwedUnitWrites* owed = rig.pof->owedWrites();
        connect(owed, &OwedUnitWrites::showMessageDlg, &gui,
                qOverload<MessageCategories, const TransObject&, bool, bool>(&IGUI::showMessageDlg));
        connect(owed, &OwedUnitWrites::holdMessage, &gui, &IGUI::holdMessage);
        connect(owed, &OwedUnitWrites::closeDlg, &gui, &IGUI::closeDlg);
        connect(owed, &OwedUnitWrites::showMessageListDlg, &gui,
                qOverload<MessageCategories, const QList<TransObject>&, bool, bool>(&IGUI::showMessageDlg));
        return true;
    }
    // As the program starts: the unit identifies itself and the link reports itself up.
    bool identifyUnit() { return rig.onLink([this] { return rig.pof->InitHVUnit(); }); }
    // The link's time-outs: fast only while the unit is silent; at full length while it
    // answers, as they bear a late echo.
    void linkTimeouts(qint64 (*now)())
    {
        rig.onLink([this, now] {
            rig.pof->setTimeoutClock(now);
            return true;
        });
    }
    // What the unit is owed kept in a file, as the program keeps it.
    void keepOwed()
    {
        rig.onLink([this] {
            rig.pof->owedWrites()->keepIn(rig.root.path(QStringLiteral("/owed.json")));
            return true;
        });
    }
    // The owed writes' lines on the screen that long after the start: what reached the GUI,
    // in the dialog layer on a clock that far on.
    QStringList owedLinesShownAfter(qint64 ms)
    {
        DialogQueue screen;
        const QDateTime start = QDateTime::currentDateTime();
        screen.setClock([&start] { return start; });
        for (const RecordingGui::Call& c : qAsConst(gui.calls)) {
            const QString text = (QStringList { c.key } + c.arguments).join(QLatin1Char(' '));
            if (c.operation == QLatin1String("showMessageDlg"))
                screen.show(MessageCategories(c.category), text, c.okButton ? DialogQueue::okText() : QString(), QString());
            else if (c.operation == QLatin1String("holdMessage"))
                screen.holdMessage(c.id, text, MessageCategories(c.category));
            else if (c.operation == QLatin1String("closeDlg"))
                screen.releaseMessage(c.id);
        }
        screen.setClock([&start, ms] { return start.addMSecs(ms); });
        screen.checkMessageList();
        QStringList shown;
        for (int i = 0; i < screen.messages().size(); ++i)
            shown << screen.messages().at(i).item->name();
        for (int i = 0; i < screen.questions().size(); ++i)
            shown << screen.questions().at(i).item->name();
        return shown.filter(QRegularExpression(QStringLiteral("^OwedUnitWrites")));
    }
    bool closed(QUuid const& id) const
    {
        return std::any_of(gui.calls.cbegin(), gui.calls.cend(), [&id](const RecordingGui::Call& c) {
            return c.operation == QLatin1String("closeDlg") && c.id == id;
        });
    }

    // Milliseconds from the trigger to the HV-enable line going low; -1 when it did not.
    qint64 lineLowAfter(Walk& walk, int timeoutMs)
    {
        while (rig.tree.lastWritten(HVEnableLine) == '1') {
            if (walk.sinceTrigger.elapsed() > timeoutMs)
                return -1;
            // The safety circuit polls on this thread.
            QCoreApplication::processEvents();
            QThread::usleep(500);
        }
        return walk.sinceTrigger.elapsed();
    }

    static void send(Walk& run, UserEvent event) { run.output()->queueEvent(E(event)); }
    // As the page offers it: once the step's output stood at its level.
    static bool confirmWith(Walk& run, double kilovolts)
    {
        if (!QTest::qWaitFor([&run] { return run.settled.load(); }, 5000))
            return false;
        run.output()->receiveVoltage(kilovolts);
        send(run, Confirm);
        return true;
    }

    // False once the run has ended with an error instead.
    static bool reach(Walk& run, OutputCalibrationStage stage)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 8000) {
            const QList<int> stages = run.stagesSeen();
            if (stages.contains(stage))
                return true;
            if (stages.contains(Error))
                return false;
            QTest::qWait(10);
        }
        qWarning() << "stages seen:" << run.stagesSeen();
        return false;
    }

    // Drives the run to the moment; false when it ended before.
    bool driveTo(Walk& run, Moment moment)
    {
        send(run, Start);
        if (moment == Started)
            return true;
        if (moment == InHvOnWait) {
            // The line goes on 50 ms before the stage is told: act in between.
            QElapsedTimer clock;
            clock.start();
            while (!rig.hvEnable() && clock.elapsed() < 8000)
                QThread::usleep(200);
            return rig.hvEnable();
        }
        if (!reach(run, OutputCalibrationWaitForGreen))
            return false;
        if (moment == WaitingForHvOn)
            return true;
        unit.pressHvOn();
        if (!reach(run, Step1))
            return false;
        if (moment == InStep1)
            return true;
        if (!confirmWith(run, -37.5) || !reach(run, Step2) || !confirmWith(run, 37.5))
            return false;
        return reach(run, Step3);
    }

    // The unit and the circuit as before the run, the data model served again.
    void checkLeftSafe()
    {
        QTRY_COMPARE_WITH_TIMEOUT(rig.tree.lastWritten(HVEnableLine), '0', 8000);
        QVERIFY(!rig.safety->commissioningHoldsHvEnable());
        QTRY_VERIFY(!unit.outputOn());
        QTRY_COMPARE_WITH_TIMEOUT(unit.gainU(), kOldU, 10000);
        QCOMPARE(unit.gainI(), kOldI);

        const int safetyBefore = rig.dataModelSafetyStates;
        QTRY_VERIFY(rig.dataModelSafetyStates > safetyBefore);
        std::shared_ptr<HFStateSubscriber> installed;
        QTRY_VERIFY((installed = rig.pof->sub(), dynamic_cast<FakeHVData*>(installed.get())));
        auto* dataModel = static_cast<FakeHVData*>(installed.get());
        const int hvBefore = dataModel->stateUpdates();
        QTRY_VERIFY(dataModel->stateUpdates() > hvBefore);
    }

private slots:
    void initTestCase()
    {
        setTimerScale(0.04);
        GlobalFuncs::setGUI(&gui);
        QVERIFY(log.isRunning());
        QVERIFY(startProgram());
        unit.setSerialNumber("SIM-1");
        QVERIFY(identifyUnit());
    }
    void cleanup()
    {
        // A failed row leaves its runs: the next one must not find the inputs held.
        for (const std::shared_ptr<Walk>& run : qAsConst(m_runs)) {
            run->bundle = MachineBundle();
            QTRY_VERIFY_WITH_TIMEOUT(run->machine.isNull(), 10000);
        }
        m_runs.clear();
    }
    void cleanupTestCase()
    {
        rig.stop();
        GlobalFuncs::setGUI(nullptr);
    }

    void init()
    {
        rig.sim.clearFault();
        linkTimeouts(&Heartbeat::now);
        for (int bit = 0; bit < 10; ++bit)
            rig.tree.setLine(safetyLineOfBit(bit), true);
        QTRY_VERIFY(rig.safety->currentState().all());
        rig.freshUnit();
        unit.setGains(kOldU, kOldI);
        unit.setEnvelopeCurrent(true);
        for (int i = 0; i < 4; ++i)
            unit.setParameter(kCodes[i], kSaved[i]);
        unit.clearCommandLog();
        gui.calls.clear();
        log.clear();
    }

    // Every procedure, ended every way at each of its stages: the HV-enable line low, a
    // stop at the unit once the link is up, its gains and calibration as before the run;
    // what a closing program could not write any more is logged.
    void everyEndingLeavesTheUnitAsBefore_data()
    {
        QTest::addColumn<int>("procedure");
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("ending");
        QTest::addColumn<QString>("owed"); // what a run at that stage has to give back
        // A CTest entry runs a part of the walk beside the others (VLF_WALK: the parts
        // named below); unset, all of it.
        const QStringList parts = qEnvironmentVariable("VLF_WALK").split(QLatin1Char(','), Qt::SkipEmptyParts);
        const QString gains = QStringLiteral("The gains 9870/10120");
        const QString calibration = QStringLiteral("The cascade calibration");
        const struct {
            Procedure procedure;
            const char* name;
            QList<QPair<int, const char*>> stages;
            QString owed;
        } procedures[] = {
            { OutputCal, "output calibration",
              { { OutputCalibrationWaitForGreen, "waiting for HV on" }, { Step1, "Step1" }, { Step2, "Step2" },
                { Step3, "Step3" }, { Step4, "Step4" } },
              gains },
            { CascadeCal, "cascade calibration",
              { { CascadeWaitForGreen, "waiting for HV on" }, { CascadeLoadDetect, "load detection" },
                { CalibrationP6, "P6" }, { CalibrationP40, "P40" }, { CalibrationN6, "N6" }, { CalibrationN40, "N40" },
                { ConfirmP6, "confirm P6" }, { ConfirmP40, "confirm P40" }, { ConfirmN6, "confirm N6" },
                { ConfirmN40, "confirm N40" } },
              calibration },
            { CascadePow, "cascade power",
              { { CascadePowerWaitForGreen, "waiting for HV on" }, { CascadePowerLoadDetect, "load detection" },
                { CascadePowerTest, "test" } },
              QString() },
        };
        const char* const endings[] = { "input opens", "link cut", "link cut, switched off, link back",
                                        "link cut, program closes", "released", "program gone" };
        for (const auto& p : procedures)
            for (const auto& stage : p.stages) {
                const QString part = p.procedure == OutputCal ? QStringLiteral("output")
                    : p.procedure == CascadePow                ? QStringLiteral("power")
                    : stage.first >= ConfirmP6                 ? QStringLiteral("cascade-confirmation")
                                                               : QStringLiteral("cascade-calibration");
                if (!parts.isEmpty() && !parts.contains(part))
                    continue;
                for (int ending = InputOpens; ending <= ProgramGone; ++ending) {
                    // The calibration is the run's own only from its start on.
                    const bool changed = p.procedure != CascadeCal || stage.first >= CalibrationP6;
                    QTest::addRow("%s, %s, %s", p.name, stage.second, endings[ending])
                        << int(p.procedure) << stage.first << ending << (changed ? p.owed : QString());
                }
                // The unit busy (bit 11), then failed (bit 12): the new gain is refused. Closed
                // with the link down, started again with another unit connected.
                if (p.procedure == OutputCal && stage.first == Step2) {
                    QTest::newRow("output calibration, Step2, gain write refused")
                        << int(OutputCal) << int(Step2) << int(GainRefused) << gains;
                    QTest::newRow("output calibration, Step2, link cut, program closes, another unit starts")
                        << int(OutputCal) << int(Step2) << int(OtherUnit) << gains;
                }
                // The run ends while the unit is busy: its old values are dropped, then
                // written once it is free, the link up throughout.
                if ((p.procedure == OutputCal && stage.first == Step3) || (p.procedure == CascadeCal && stage.first == CalibrationN6))
                    QTest::addRow("%s, %s, ended while the unit is busy", p.name, stage.second)
                        << int(p.procedure) << stage.first << int(BusyUnit) << p.owed;
                // A unit busy for 3 s after each write: the old gains written once, read back once it is free.
                if (p.procedure == OutputCal && stage.first == Step3)
                    QTest::newRow("output calibration, Step3, ended with the unit busy 3 s after each write")
                        << int(OutputCal) << int(Step3) << int(SlowUnit) << gains;
                // The knob pressed twice, the second press early in the next step.
                if (p.procedure == OutputCal && stage.first >= Step1 && stage.first <= Step3)
                    QTest::addRow("output calibration, %s, double press", stage.second)
                        << int(OutputCal) << stage.first << int(DoublePress) << QString();
            }
    }
    void everyEndingLeavesTheUnitAsBefore()
    {
        QFETCH(int, procedure);
        QFETCH(int, stage);
        QFETCH(int, ending);
        QFETCH(QString, owed);
        const int waiting = procedure == CascadePow ? int(CascadePowerWaitForGreen) : 0;
        const bool cut = ending == LinkCut || ending == CutThenOff || ending == CutThenClose || ending == OtherUnit
            || ending == ProgramGone;
        // The output calibration's closing rows keep what is owed as the program does.
        const bool kept = (procedure == OutputCal && (ending == CutThenClose || ending == OtherUnit)) || ending == ProgramGone;
        if (kept) {
            // Only this run's: what a closing program left in earlier rows is not.
            QFile::remove(rig.root.path(QStringLiteral("/owed.json")));
            keepOwed();
        }

        // While the unit is silent the link gives up in a fortieth of the time, but in one row that
        // shows the line low within a second of the unit's last answer at full length.
        const bool fullLength = procedure == OutputCal && stage == Step1 && ending == LinkCut;

        std::shared_ptr<Walk> walk = startWalk(Procedure(procedure));
        Walk* w = walk.get();
        w->atStage = [this, w, procedure, stage, ending, waiting, fullLength](int s) {
            if (s == stage && !w->triggered) {
                unit.clearCommandLog();
                w->sinceTrigger.start();
                if (ending == InputOpens)
                    rig.tree.setLine(safetyLineOfBit(3), false);
                else if (ending == GainRefused)
                    unit.setGainWriteBehaviour(200, true, false);
                else if (ending == BusyUnit)
                    unit.holdBusy(kBusyMs);
                else if (ending == SlowUnit) {
                    unit.setGainWriteBehaviour(3000, false, false);
                    rig.sim.clearRequests();
                }
                else if (ending != Released && ending != DoublePress) {
                    if (!fullLength) // on the link's thread, between its transactions
                        rig.pof->setTimeoutClock(&silentUnitClock);
                    // Gone: nothing more reaches the unit, the disk keeps what it had.
                    if (ending == ProgramGone)
                        w->left = rig.root.readFile(QStringLiteral("/owed.json"));
                    rig.sim.failNext(-1);
                }
                w->triggered = true;
            }
            if (s == waiting)
                unit.pressHvOn();
        };
        // The operator confirms each step as the page offers it, with the meter's reading;
        // the run waits in the step of its ending, but for the gain's Confirm. A double
        // press sends the page's preset of the step it shows by then.
        const auto press = [w](double kilovolts) {
            if (kilovolts != 0.0)
                w->output()->receiveVoltage(kilovolts);
            w->output()->queueEvent(E(Confirm));
        };
        w->atSettled = [w, stage, ending, press] {
            const int s = w->stagesSeen().last();
            const bool waits = s == stage && ending != GainRefused && ending != DoublePress;
            if (waits || s < Step1 || s > (ending == DoublePress ? Step4 : Step3))
                return;
            const double readings[] = { -37.5, 37.5, 0.0, 0.0 };
            press(readings[s - Step1]);
            if (ending == DoublePress && s == stage)
                QTimer::singleShot(scaledInterval(300), w->output(), [w, press] {
                    const int now = w->stagesSeen().last();
                    press(now == Step1 ? -37.0 : now == Step2 ? 37.0 : 0.0);
                });
        };
        // Each write refused quickly.
        if (ending == GainRefused)
            w->atError = [this] { unit.setGainWriteBehaviour(20, true, false); };
        sendEvent(*walk, Procedure(procedure), Start);
        QVERIFY2(QTest::qWaitFor([w] { return w->triggered.load(); }, 20000), qPrintable(w->errorsTold().join('|')));
        if (ending == BusyUnit || ending == SlowUnit)
            sendEvent(*walk, Procedure(procedure), Abort);
        if (ending == DoublePress) {
            // Each step confirmed only with its output at its level: the gain of single
            // presses, and the end only after the last step's reading.
            QVERIFY(QTest::qWaitFor([w] { return w->stagesSeen().contains(Done) || !w->errorsTold().isEmpty(); }, 10000));
            QCOMPARE(w->errorsTold(), QStringList());
            QCOMPARE(w->trailSeen(), (QList<int> { OutputCalibrationWaitForGreen, Step1, kSettled, Step2, kSettled, Step3,
                                                   kSettled, Step4, kSettled, Done }));
            QTRY_COMPARE(unit.gainU(), quint16(10135));
            QCOMPARE(unit.gainI(), kOldI);
            rig.checkHandedBack();
            return;
        }
        if (ending == Released)
            walk->bundle = MachineBundle();
        const qint64 low = lineLowAfter(*walk, 5000);
        QVERIFY2(low >= 0 && low <= 1000, qPrintable(QStringLiteral("the HV-enable line went low after %1 ms").arg(low)));
        // With the line the step's reading goes stale: no Confirm is taken.
        if (cut && procedure == OutputCal && stage >= Step1) {
            QTRY_VERIFY_WITH_TIMEOUT(walk->trailSeen().contains(kLost), 200);
            QVERIFY(!walk->settled);
        }

        if (ending == CutThenOff || ending == Released) {
            walk->bundle = MachineBundle();
            QTRY_VERIFY_WITH_TIMEOUT(walk->machine.isNull(), 10000);
        } else if (ending == CutThenClose || ending == OtherUnit || ending == ProgramGone) {
            // As the program closes: the procedures released, then the link goes. One gone at
            // the trigger instead left its file as it was then, the unit got nothing more.
            QVERIFY(releaseMachines(5000));
            rig.stop();
            walk->bundle = MachineBundle();
            const auto lines = log.deliveredWhere([](const LoggingData& r) {
                return r.text.startsWith(QLatin1String("Could not be written to the HV unit before the link closed: a stop"));
            });
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines.first().text.contains(owed), qPrintable(lines.first().text));
            // The header said so until the program closed.
            QTRY_COMPARE(gui.callsOf(QStringLiteral("holdMessage")).size(), owed.isEmpty() ? 0 : 1);
            const auto held = gui.callsOf(QStringLiteral("holdMessage"));
            // The unit's old gains are kept for it, named by its serial number and hardware
            // id, and the stop.
            if (kept && ending != ProgramGone)
                QCOMPARE(QJsonDocument::fromJson(rig.root.readFile(QStringLiteral("/owed.json"))).object(),
                         QJsonObject({ { "owed", QJsonArray { QJsonObject {
                             { "what", owed }, { "told", held.isEmpty() ? QString() : held.first().key },
                             { "serial", "SIM-1" }, { "hardwareId", "VLF-SIM 45kV 1/2" },
                             { "gains", QJsonArray { kOldU, kOldI } }, { "parameters", QJsonArray() } } } },
                             { "stop", true } }));
            if (ending == ProgramGone) {
                QFile::remove(rig.root.path(QStringLiteral("/owed.json")));
                QVERIFY(walk->left.isEmpty() || rig.root.writeFile(QStringLiteral("/owed.json"), walk->left));
                gui.calls.clear();
            }
            rig.sim.clearFault();
            if (ending != CutThenClose)
                unit.setSerialNumber("SIM-9");
            unit.clearCommandLog();
            QVERIFY(startProgram());
            QCOMPARE(rig.tree.lastWritten(HVEnableLine), '0');
            if (!kept) {
                // Identified as at every start: the next rows' runs keep their values for it.
                QVERIFY(identifyUnit());
                return;
            }
            // Started again: the stop first, to whichever unit answers; what the unit is
            // owed goes to it at the first link-up, and the header and the log say so.
            keepOwed();
            QTRY_COMPARE(gui.callsOf(QStringLiteral("holdMessage")).size(), owed.isEmpty() ? 0 : ending == ProgramGone ? 1 : 2);
            QVERIFY(identifyUnit());
            QVERIFY2(rig.letters().startsWith("zsx"), rig.letters().constData());
            QVERIFY(!unit.outputOn());
            QCOMPARE(log.deliveredWhere([&owed](const LoggingData& r) {
                return r.text.startsWith(QLatin1String("Still owed from before the start: a stop")) && r.text.contains(owed);
            }).size(), 1);
            if (ending != CutThenClose) {
                // Another unit gets nothing; the header says the first one may be wrong,
                // naming both by serial number and hardware id: the serial alone may be the same.
                if (!owed.isEmpty()) {
                    QTRY_VERIFY(owedLinesShownAfter(0).contains(
                        QStringLiteral("OwedUnitWritesOtherUnit SIM-1 VLF-SIM 45kV 1/2 SIM-9 VLF-SIM 45kV 1/2")));
                }
                QVERIFY(!rig.letters().contains('q') && !rig.letters().contains('k'));
                if (ending == OtherUnit)
                    QCOMPARE(unit.gainU(), quint16(10000));
                // The first unit connected again gets its values within 2 s.
                unit.setSerialNumber("SIM-1");
                QVERIFY(identifyUnit());
            }
            // The link writes and tells the operator without waiting for this thread, the GUI's.
            const auto answered = std::make_shared<QSemaphore>();
            QMetaObject::invokeMethod(rig.pof, [answered] { answered->release(); });
            QVERIFY(answered->tryAcquire(1, 5000));
            QVERIFY(QTest::qWaitFor([this] { return unit.gainU() == kOldU && unit.gainI() == kOldI
                    && std::equal(kCodes, kCodes + 4, kSaved, [this](int c, quint64 v) { return unit.parameter(c) == v; }); },
                2000));
            if (!owed.isEmpty()) {
                QTRY_VERIFY(closed(gui.callsOf(QStringLiteral("holdMessage")).last().id));
                QTRY_VERIFY(!log.deliveredWhere([&owed](const LoggingData& r) {
                    return r.text.startsWith(QStringLiteral("Written to the HV unit: ") + owed);
                }).isEmpty());
            }
            QTRY_VERIFY(rig.root.readFile(QStringLiteral("/owed.json")).isEmpty());
            // A minute after the start the operator still reads, until acknowledged, what the
            // procedure could not give back and the unit got at this start. The notice is
            // queued: it is this row's, not the next one's.
            QStringList notice { "OwedUnitWritesStopRestored" };
            if (!owed.isEmpty())
                notice.prepend(procedure == OutputCal ? QStringLiteral("OwedUnitWritesGainsRestored 9870 10120")
                                                      : QStringLiteral("OwedUnitWritesWordsRestored 0x119a/0xfffd/0xe66/0xfffffffffffffffd"));
            QTRY_COMPARE(owedLinesShownAfter(60000), notice);
            QVERIFY(!gui.hasMessage(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesDone")));
            return;
        } else if (ending != BusyUnit && ending != SlowUnit) {
            QTRY_VERIFY_WITH_TIMEOUT(!walk->errorsTold().isEmpty(), 10000);
        }
        const auto oldGainWrites = [this] {
            const auto log = unit.commandLog();
            return std::count_if(log.begin(), log.end(), [](const HvUnitModel::Command& c) { return c.letter == 'q' && c.value1 == kOldU; });
        };
        if (ending == GainRefused) {
            // An error, never a calibration.
            QCOMPARE(walk->errorsTold().value(0), QStringLiteral("Die Verstärkung 10135 konnte nicht geschrieben werden."));
            {
                std::lock_guard<std::mutex> lock(walk->mutex);
                QVERIFY(!walk->stages.contains(Step3) && !walk->stages.contains(Done));
            }
            // The old gains refused for a minute are tried less and less often.
            QTest::qWait(60000 / kFastClockRate);
            QVERIFY2(oldGainWrites() >= 2 && oldGainWrites() <= 8, qPrintable(QString::number(oldGainWrites())));
            // The header speaks of the gains only: the stop went out.
            QVERIFY(gui.hasMessage(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesValuesFailed")));
            QVERIFY(!gui.hasMessage(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesFailed")));
            unit.setGainWriteBehaviour(20, false, false);
        }
        if (cut) {
            QTest::qWait(300);
            linkTimeouts(&Heartbeat::now);
            rig.sim.clearFault();
        }
        // The stop reaches the unit, and the values it had before the run are back.
        QTRY_VERIFY_WITH_TIMEOUT(rig.letters().contains('s'), 10000);
        QTRY_VERIFY(!unit.outputOn());
        QTRY_COMPARE_WITH_TIMEOUT(unit.gainU(), kOldU, 10000);
        QCOMPARE(unit.gainI(), kOldI);
        for (int i = 0; i < 4; ++i)
            QTRY_COMPARE_WITH_TIMEOUT(unit.parameter(kCodes[i]), kSaved[i], 10000);
        const auto held = gui.callsOf(QStringLiteral("holdMessage"));
        // Dropped by the busy unit, written within 2 s of its being free.
        if (ending == BusyUnit)
            QVERIFY2(w->sinceTrigger.elapsed() <= kBusyMs + 2000, qPrintable(QString::number(w->sinceTrigger.elapsed())));
        // A header line held while values were owed goes when they are written.
        for (const RecordingGui::Call& h : held)
            QTRY_VERIFY(closed(h.id));
        rig.tree.setLine(safetyLineOfBit(3), true);
        rig.checkHandedBack();
        // The operator hears once that the unit got what it was owed.
        const auto notes = [this] {
            int n = 0;
            for (const RecordingGui::Call& c : gui.callsOf(QStringLiteral("showMessageDlg")))
                n += c.key == QLatin1String("OwedUnitWritesDone");
            return n;
        };
        const bool owedLater = cut || ending == BusyUnit || ending == SlowUnit || ending == GainRefused;
        if (owedLater)
            QTRY_COMPARE(notes(), 1);
        // A busy unit's restore: nothing on the screen ever said they could not be written,
        // only that they were.
        if (ending == BusyUnit || ending == SlowUnit) {
            QCOMPARE(gui.callsOf(QStringLiteral("holdMessage")).size(), 0);
            QCOMPARE(walk->errorsTold(), QStringList());
            QVERIFY(!gui.hasMessage(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesValuesFailed")));
        }
        QTest::qWait(100);
        QCOMPARE(notes(), owedLater ? 1 : 0);
        if (ending == SlowUnit) {
            // Not written again: read back once the unit was free, and found taken.
            QCOMPARE(oldGainWrites(), 1);
            QCOMPARE(rig.sim.completeRequests().count(">Q."), 1);
        }
        walk->bundle = MachineBundle();
    }

    void faultEndsTheRunSafely_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("moment");
        QTest::addColumn<int>("input");     // OpenInput: which one
        QTest::addColumn<QByteArray>("point"); // Throw: where
        QTest::addColumn<QStringList>("errors"); // told to the operator, in order
        const QString internal = QStringLiteral("Die Prozedur wurde nach einem internen Fehler abgebrochen: probe");
        const QString gainsLost = QStringLiteral("Die Verstärkungen des HV-Geräts konnten nicht wiederhergestellt werden");

        QTest::newRow("1 input 3 opens while waiting for HV on")
            << int(OpenInput) << int(WaitingForHvOn) << 3 << QByteArray() << QStringList { "Safety Circuit error failed bit: 3" };
        QTest::newRow("1 input 9 open while waiting for HV on: the run goes on")
            << int(OpenInput) << int(WaitingForHvOn) << 9 << QByteArray() << QStringList();
        QTest::newRow("2 link lost while waiting for HV on")
            << int(CutLink) << int(WaitingForHvOn) << 0 << QByteArray() << QStringList { "ComErrorHVUnit" };
        QTest::newRow("3 released in Step1") << int(Release) << int(InStep1) << 0 << QByteArray() << QStringList();
        QTest::newRow("4 released in the HV-on wait") << int(Release) << int(InHvOnWait) << 0 << QByteArray() << QStringList();
        QTest::newRow("4 aborted in the HV-on wait") << int(AbortRun) << int(InHvOnWait) << 0 << QByteArray() << QStringList();
        QTest::newRow("6 set-up throws after HV on") << int(Throw) << int(Started) << 0 << QByteArray("setUp") << QStringList { internal };
        QTest::newRow("6 DC start throws") << int(Throw) << int(WaitingForHvOn) << 0 << QByteArray("startDC") << QStringList { internal };
        QTest::newRow("6 DC tick throws") << int(Throw) << int(WaitingForHvOn) << 0 << QByteArray("DCState::tick") << QStringList { internal };
        QTest::newRow("7 link lost in Step1") << int(CutLink) << int(InStep1) << 0 << QByteArray()
                                              << QStringList { "ComErrorHVUnit", gainsLost };
        QTest::newRow("7 link lost in Step3") << int(CutLink) << int(InStep3) << 0 << QByteArray()
                                              << QStringList { "ComErrorHVUnit", gainsLost };
        QTest::newRow("9 a second procedure is refused") << int(SecondProcedure) << int(WaitingForHvOn) << 0 << QByteArray()
                                                         << QStringList { otherProcedureRunningText() };
    }
    void faultEndsTheRunSafely()
    {
        QFETCH(int, fault);
        QFETCH(int, moment);
        QFETCH(int, input);
        QFETCH(QByteArray, point);
        QFETCH(QStringList, errors);

        std::shared_ptr<Walk> run = startWalk(OutputCal);
        if (fault == Throw)
            run->output()->setFaultProbe([point](const char* at) {
                if (point == at)
                    throw std::runtime_error("probe");
            });
        QVERIFY(driveTo(*run, Moment(moment)));

        switch (Fault(fault)) {
        case OpenInput:
            QVERIFY(rig.tree.setLine(safetyLineOfBit(input), false));
            if (errors.isEmpty()) {
                // The HV-on key is open until pressed: the run waits on, the line on.
                QTest::qWait(600);
                QVERIFY(run->errorsTold().isEmpty());
                QCOMPARE(run->stagesSeen().last(), int(OutputCalibrationWaitForGreen));
                QVERIFY(rig.hvEnable());
                send(*run, Abort);
                QTRY_COMPARE(run->stagesSeen().last(), int(Done));
            }
            break;
        case CutLink:
            linkTimeouts(&fastSteadyClock);
            rig.sim.failNext(-1);
            // Off while the link is still down, not when it returns.
            QTRY_COMPARE_WITH_TIMEOUT(run->errorsTold(), errors, 10000);
            QCOMPARE(rig.tree.lastWritten(HVEnableLine), '0');
            QVERIFY(!rig.safety->commissioningHoldsHvEnable());
            linkTimeouts(&Heartbeat::now);
            rig.sim.clearFault();
            break;
        case Release:
            run->bundle = MachineBundle();
            QTRY_VERIFY(run->machine.isNull());
            break;
        case AbortRun:
            send(*run, Abort);
            QTRY_VERIFY(run->stagesSeen().contains(Done));
            QTest::qWait(300);
            // Done is the last word: the set-up in progress reports nothing after it.
            QCOMPARE(run->stagesSeen().last(), int(Done));
            QVERIFY(run->errorsTold().isEmpty());
            break;
        case Throw:
            if (point != "setUp")
                unit.pressHvOn();
            break;
        case SecondProcedure: {
            std::shared_ptr<Walk> second = startWalk(OutputCal);
            send(*second, Start);
            QTRY_COMPARE(second->errorsTold(), errors);
            QCOMPARE(second->stagesSeen(), QList<int> { Error });
            // The first one still holds the line and the inputs.
            QTest::qWait(300);
            QVERIFY(rig.hvEnable());
            QVERIFY(rig.safety->commissioningHoldsHvEnable());
            QCOMPARE(run->stagesSeen().last(), int(OutputCalibrationWaitForGreen));
            send(*run, Abort);
            QTRY_COMPARE(run->stagesSeen().last(), int(Done));
            second->bundle = MachineBundle();
            errors.clear();
            break;
        }
        }
        if (fault != Release && fault != CutLink)
            QTRY_COMPARE_WITH_TIMEOUT(run->errorsTold(), errors, 8000);
        if (!errors.isEmpty())
            QCOMPARE(run->stagesSeen().last(), int(Error));
        rig.tree.setLine(safetyLineOfBit(input), true);
        checkLeftSafe();
    }
};

QTEST_GUILESS_MAIN(TestCommissioningSafety)
#include "tst_commissioningsafety.moc"
