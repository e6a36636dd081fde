// Both adapters exist for each of the ten machines.
#include "commissioning/BurnInMachine.h"
#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/CommissioningHVSubscriber.h"
#include "commissioning/CommissioningSafetyReceiver.h"
#include "commissioning/DiagnoseManualMachine.h"
#include "commissioning/DiagnoseSinusMachine.h"
#include "commissioning/MaxCapacityLoadMachine.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/SafetyTestMachine.h"
#include "commissioning/TanDCalibrationMachine.h"
#include "commissioning/VoltageWaveformMachine.h"

namespace Commissioning {

template class CommissioningSafetyReceiver<OutputCalibrationMachine>;
template class CommissioningSafetyReceiver<CascadeCalibrationMachine>;
template class CommissioningSafetyReceiver<CascadePowerMachine>;
template class CommissioningSafetyReceiver<VoltageWaveformMachine>;
template class CommissioningSafetyReceiver<SafetyTestMachine>;
template class CommissioningSafetyReceiver<BurnInMachine>;
template class CommissioningSafetyReceiver<DiagnoseSinusMachine>;
template class CommissioningSafetyReceiver<DiagnoseManualMachine>;
template class CommissioningSafetyReceiver<MaxCapacityLoadMachine>;
template class CommissioningSafetyReceiver<TanDCalibrationMachine>;

template class CommissioningHVSubscriber<OutputCalibrationMachine>;
template class CommissioningHVSubscriber<CascadeCalibrationMachine>;
template class CommissioningHVSubscriber<CascadePowerMachine>;
template class CommissioningHVSubscriber<VoltageWaveformMachine>;
template class CommissioningHVSubscriber<SafetyTestMachine>;
template class CommissioningHVSubscriber<BurnInMachine>;
template class CommissioningHVSubscriber<DiagnoseSinusMachine>;
template class CommissioningHVSubscriber<DiagnoseManualMachine>;
template class CommissioningHVSubscriber<MaxCapacityLoadMachine>;
template class CommissioningHVSubscriber<TanDCalibrationMachine>;

} // namespace Commissioning
