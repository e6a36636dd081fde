#include "commissioning/CommissioningValues.h"

#include "datamodel/InstrumentTypes.h"

namespace Commissioning {

void registerCommissioningTypes()
{
    registerInstrumentTypes();
    qRegisterMetaType<OutputValues>("Commissioning::OutputValues");
    qRegisterMetaType<CascadeValues>("Commissioning::CascadeValues");
    qRegisterMetaType<CascadeOutputValues>("Commissioning::CascadeOutputValues");
    qRegisterMetaType<LoadDetectResult>("Commissioning::LoadDetectResult");
    qRegisterMetaType<PeriodicValues>("Commissioning::PeriodicValues");
    qRegisterMetaType<TanDCalibrationValues>("Commissioning::TanDCalibrationValues");
    qRegisterMetaType<ValidationResult>("Commissioning::ValidationResult");
    qRegisterMetaType<TanDStepStestResult>("Commissioning::TanDStepStestResult");
    qRegisterMetaType<CascadeCalibrationValues>("Commissioning::CascadeCalibrationValues");
    qRegisterMetaType<CascadeCalibrationResult>("Commissioning::CascadeCalibrationResult");
    qRegisterMetaType<CascadeSetting>("Commissioning::CascadeSetting");
    qRegisterMetaType<TemperatureValues>("Commissioning::TemperatureValues");
    qRegisterMetaType<SafetyCircuitBits>("stSafetyCircuitState");
    // Stages travel queued from the link's thread to the pages.
    qRegisterMetaType<OutputCalibrationStage>("Commissioning::OutputCalibrationStage");
    qRegisterMetaType<OutputReading>("Commissioning::OutputReading");
    qRegisterMetaType<CascadeCalibrationStage>("Commissioning::CascadeCalibrationStage");
    qRegisterMetaType<CascadePowerStage>("Commissioning::CascadePowerStage");
    qRegisterMetaType<UserEvent>("Commissioning::UserEvent");
    qRegisterMetaType<CommissioningStage>("Commissioning::CommissioningStage");
    qRegisterMetaType<WaveformCheckStage>("Commissioning::WaveformCheckStage");
    qRegisterMetaType<SafetyTestStage>("Commissioning::SafetyTestStage");
    qRegisterMetaType<BurnInStage>("Commissioning::BurnInStage");
    qRegisterMetaType<DiagnoseSinusStage>("Commissioning::DiagnoseSinusStage");
    qRegisterMetaType<DiagnoseManualStage>("Commissioning::DiagnoseManualStage");
    qRegisterMetaType<TanDCalibrationStage>("Commissioning::TanDCalibrationStage");
}

} // namespace Commissioning
