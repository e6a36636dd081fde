#pragma once

#include <memory>

class QThread;
class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

class OutputCalibrationMachine;
class CascadeCalibrationMachine;
class VoltageWaveformMachine;
class SafetyTestMachine;
class CascadePowerMachine;
class BurnInMachine;
class DiagnoseSinusMachine;
class DiagnoseManualMachine;
class MaxCapacityLoadMachine;
class TanDCalibrationMachine;

// The ten commissioning machines. Copies share them; when the last copy goes, each
// machine is released and deleted on its own thread, later (the caller never waits).
struct MachineBundle {
    std::shared_ptr<OutputCalibrationMachine> outputCalibration;
    std::shared_ptr<CascadeCalibrationMachine> cascadeCalibration;
    std::shared_ptr<VoltageWaveformMachine> voltageWaveform;
    std::shared_ptr<SafetyTestMachine> safetyTest;
    std::shared_ptr<CascadePowerMachine> cascadePower;
    std::shared_ptr<BurnInMachine> burnIn;
    std::shared_ptr<DiagnoseSinusMachine> diagnoseSinus;
    std::shared_ptr<DiagnoseManualMachine> diagnoseManual;
    std::shared_ptr<MaxCapacityLoadMachine> maxCapacityLoad;
    std::shared_ptr<TanDCalibrationMachine> tanDCalibration;

    // Moves every machine, in the order above; call on the thread they live on.
    void moveToThread(QThread* thread);
};

// Builds the ten machines on the calling thread.
MachineBundle createBundle(TPOF* pof, TCheckSafetyCircuit* safety);

// For shutdown, before the link's thread ends: releases every machine still alive on
// its own thread (a run ends as on release, nothing more reaches the link or the safety
// circuit) and waits for each release, at most timeoutMs in all. A machine whose release
// did not come in time is left inert without it; false then.
bool releaseMachines(int timeoutMs);

} // namespace Commissioning
