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

#include <QThread>

namespace Commissioning {

namespace {
// A machine is released wherever its last user lets go, often the GUI thread, while
// its timers and steps run on its own thread: it is deleted there.
void deleteOnOwnThread(QObject* machine)
{
    QThread* own = machine->thread();
    if (own == QThread::currentThread() || !own || !own->isRunning())
        delete machine;
    else
        machine->deleteLater();
}

template <typename M>
std::shared_ptr<M> makeMachine(TPOF* pof, TCheckSafetyCircuit* safety)
{
    return std::shared_ptr<M>(new M(pof, safety), [](M* m) { deleteOnOwnThread(m); });
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
