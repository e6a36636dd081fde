#include "commissioning/MachineBundle.h"

#include "commissioning/BurnInMachine.h"
#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/CommissioningValues.h"
#include "commissioning/DiagnoseManualMachine.h"
#include "commissioning/DiagnoseSinusMachine.h"
#include "commissioning/MaxCapacityLoadMachine.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/SafetyTestMachine.h"
#include "commissioning/TanDCalibrationMachine.h"
#include "commissioning/VoltageWaveformMachine.h"

#include "logging/LoggingCtrl.h"

#include <QThread>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace Commissioning {

namespace {
// Every machine alive, with what releases it and what makes it inert; released is set
// once the shutdown's release has run.
struct Entry {
    std::function<void()> release;
    std::function<void()> retire;
    bool released = false;
};

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::unordered_map<QObject*, Entry> machines;
};

Registry& registry()
{
    static Registry r;
    return r;
}

// Runs the machine's release unless that happened already; forget drops its entry.
void runRelease(QObject* machine, bool forget)
{
    Registry& r = registry();
    std::function<void()> release;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        const auto it = r.machines.find(machine);
        if (it == r.machines.end())
            return;
        if (!it->second.released)
            release = it->second.release;
        it->second.released = true;
        if (forget)
            r.machines.erase(it);
    }
    if (release)
        release();
    r.changed.notify_all();
}

// The last copy of a bundle lets go of the machine, wherever that happens (often the
// GUI thread): its run ends and it is deleted on its own thread, after the event in
// progress there, never from inside a step.
void retireMachine(QObject* machine)
{
    QThread* own = machine->thread();
    if (own == QThread::currentThread()) {
        runRelease(machine, true);
        delete machine;
        return;
    }
    if (!own || !own->isRunning()) {
        // Its thread has ended, and with it the link: nothing to end, only to forget.
        {
            std::lock_guard<std::mutex> lock(registry().mutex);
            const auto it = registry().machines.find(machine);
            if (it != registry().machines.end()) {
                it->second.retire();
                registry().machines.erase(it);
            }
        }
        registry().changed.notify_all();
        delete machine;
        return;
    }
    QMetaObject::invokeMethod(
        machine,
        [machine] {
            runRelease(machine, true);
            delete machine;
        },
        Qt::QueuedConnection);
}

template <typename M>
std::shared_ptr<M> makeMachine(TPOF* pof, TCheckSafetyCircuit* safety)
{
    auto* machine = new M(pof, safety);
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        registry().machines[machine] = Entry { [machine] { machine->release(); }, [machine] { machine->retire(); } };
    }
    return std::shared_ptr<M>(machine, [](M* m) { retireMachine(m); });
}
} // namespace

void MachineBundle::moveToThread(QThread* thread)
{
    outputCalibration->moveToThread(thread);
    cascadeCalibration->moveToThread(thread);
    voltageWaveform->moveToThread(thread);
    safetyTest->moveToThread(thread);
    cascadePower->moveToThread(thread);
    burnIn->moveToThread(thread);
    diagnoseSinus->moveToThread(thread);
    diagnoseManual->moveToThread(thread);
    maxCapacityLoad->moveToThread(thread);
    tanDCalibration->moveToThread(thread);
}

MachineBundle createBundle(TPOF* pof, TCheckSafetyCircuit* safety)
{
    registerCommissioningTypes();
    MachineBundle b;
    b.outputCalibration = makeMachine<OutputCalibrationMachine>(pof, safety);
    b.cascadeCalibration = makeMachine<CascadeCalibrationMachine>(pof, safety);
    b.voltageWaveform = makeMachine<VoltageWaveformMachine>(pof, safety);
    b.safetyTest = makeMachine<SafetyTestMachine>(pof, safety);
    b.cascadePower = makeMachine<CascadePowerMachine>(pof, safety);
    b.burnIn = makeMachine<BurnInMachine>(pof, safety);
    b.diagnoseSinus = makeMachine<DiagnoseSinusMachine>(pof, safety);
    b.diagnoseManual = makeMachine<DiagnoseManualMachine>(pof, safety);
    b.maxCapacityLoad = makeMachine<MaxCapacityLoadMachine>(pof, safety);
    b.tanDCalibration = makeMachine<TanDCalibrationMachine>(pof, safety);
    return b;
}

} // namespace Commissioning

namespace Commissioning {

bool releaseMachines(int timeoutMs)
{
    Registry& r = registry();
    std::vector<QObject*> machines;
    std::vector<QObject*> here;
    {
        // Under the lock: a machine is deleted only after its entry is gone.
        std::lock_guard<std::mutex> lock(r.mutex);
        for (auto& m : r.machines) {
            if (m.second.released)
                continue;
            QObject* machine = m.first;
            QThread* own = machine->thread();
            if (own == QThread::currentThread()) {
                here.push_back(machine);
            } else if (!own || !own->isRunning()) {
                // Its thread has ended, and with it the link: nothing to end.
                m.second.retire();
                m.second.released = true;
                continue;
            } else {
                QMetaObject::invokeMethod(machine, [machine] { runRelease(machine, false); }, Qt::QueuedConnection);
            }
            machines.push_back(machine);
        }
    }
    for (QObject* machine : here)
        runRelease(machine, false);

    std::unique_lock<std::mutex> lock(r.mutex);
    const auto done = [&r, &machines] {
        for (QObject* machine : machines) {
            const auto it = r.machines.find(machine);
            if (it != r.machines.end() && !it->second.released)
                return false;
        }
        return true;
    };
    if (r.changed.wait_for(lock, std::chrono::milliseconds(qMax(0, timeoutMs)), done))
        return true;
    for (QObject* machine : machines) {
        const auto it = r.machines.find(machine);
        if (it != r.machines.end() && !it->second.released) {
            it->second.retire();
            it->second.released = true;
        }
    }
    lock.unlock();
    KLOG_ERROR2("MachineBundle", "releaseMachines", "A commissioning machine did not end its run in time");
    return false;
}

} // namespace Commissioning
