#pragma once

#include "commissioning/MachineBundle.h"
#include "commissioning/MachineFactory.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/TimerScale.h"
#include "fakes/CommissioningRig.h"

#include <QTest>

#include <functional>
#include <stdexcept>

// One machine of the program's factory on the link's thread against the simulated unit,
// its timers 25 times faster: the stages it entered and the errors it told, and hooks
// run on its own thread as a stage or an error comes. Needs vlf_commissioning, vlf_hvsim.
template <typename Machine, typename Stage>
struct MachineRun {
    CommissioningRig rig;
    HvUnitModel& unit = rig.sim.model();
    Commissioning::MachineBundle bundle;
    Machine* machine = nullptr;
    QList<Stage> stages;
    QStringList errors;
    std::function<void(Stage)> atStage;
    std::function<void()> atError;

    bool start(std::shared_ptr<Machine> Commissioning::MachineBundle::*member, void (Machine::*stageSignal)(Stage),
               void (Machine::*errorSignal)(QString), QObject* context)
    {
        Commissioning::setTimerScale(0.04);
        if (!rig.start())
            return false;
        bundle = Commissioning::makeMachineFactory(rig.pof, rig.safety.get())();
        machine = (bundle.*member).get();
        QObject::connect(machine, stageSignal, context, [this](Stage s) { stages << s; });
        QObject::connect(machine, errorSignal, context, [this](const QString& e) { errors << e; });
        QObject::connect(machine, stageSignal, machine, [this](Stage s) { if (atStage) atStage(s); }, Qt::DirectConnection);
        QObject::connect(machine, errorSignal, machine, [this] { if (atError) atError(); }, Qt::DirectConnection);
        return true;
    }
    void stop()
    {
        bundle = Commissioning::MachineBundle();
        rig.stop();
    }
    // Before each case: the machine idle without hooks or fault probe, the unit fresh and
    // quick (CommissioningRig::freshUnit).
    void reset()
    {
        QMetaObject::invokeMethod(machine, [this] { machine->setFaultProbe(nullptr); }, Qt::BlockingQueuedConnection);
        atStage = nullptr;
        atError = nullptr;
        rig.sim.clearFault();
        rig.freshUnit();
        unit.clearCommandLog();
        stages.clear();
        errors.clear();
    }

    void send(Commissioning::UserEvent event) { machine->receiveEvent(event); }
    bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000)
    {
        if (QTest::qWaitFor(done, timeoutMs))
            return true;
        qWarning() << "stages seen:" << stages << "errors:" << errors << "HV enable:" << rig.hvEnable();
        return false;
    }
    bool reach(Stage stage) { return waitFor([&] { return stages.contains(stage); }); }
    // Started: waiting for HV on with the HV-enable line on.
    bool startToWaitForGreen(Stage waiting)
    {
        send(Commissioning::Start);
        return reach(waiting) && rig.hvEnable();
    }
    // The run throws where the machine passes that point.
    void throwAt(const char* point)
    {
        machine->setFaultProbe([point](const char* at) {
            if (qstrcmp(at, point) == 0)
                throw std::runtime_error("probe");
        });
    }

    // The values the unit's 'k' commands wrote to one parameter code, in order.
    QList<quint64> writes(int code) const
    {
        QList<quint64> out;
        for (const auto& c : unit.commandLog())
            if (c.letter == 'k' && int(c.value1) == code)
                out << c.value2;
        return out;
    }
    // The level words of the ramp down after a path, from 36 kV.
    static QList<quint64> rampDown(bool positive)
    {
        QList<quint64> out;
        for (short ramp : { 360, 320, 280, 240, 200, 160, 120, 80, 45 })
            out << Commissioning::rampLevelWord(positive, ramp);
        return out;
    }
    // The end of every run: the rig's, and the unit's output off.
    void checkHandedBack()
    {
        rig.checkHandedBack();
        QTRY_VERIFY(!unit.outputOn());
    }
};
