#pragma once

#include <QObject>

// The operator's commands and the stages the commissioning procedures report; QML
// compares stages by these names.
namespace Commissioning {
Q_NAMESPACE

enum UserEvent : int {
    Start = 0,
    Abort = 1,
    VoltageEntered = 2,
    Confirm = 3,
    NextMeasurement = 4,
    Exit = 5,
    Enter = 6,
};
Q_ENUM_NS(UserEvent)

enum OutputCalibrationStage : int {
    OutputCalibrationWaitForGreen = 0,
    Error = 1,
    Step1 = 2,
    Step2 = 3,
    Step3 = 4,
    Step4 = 5,
    Done = 6,
};
Q_ENUM_NS(OutputCalibrationStage)

// What the output calibration's own output reading says of the step: Confirm is taken
// only once the output has stood at the step's level; scattering while it stands there
// but its readings still move too much; lost when the unit fell silent.
enum OutputReading : int {
    OutputSettling = 0,
    OutputSettled = 1,
    OutputLost = 2,
    OutputScattering = 3,
};
Q_ENUM_NS(OutputReading)

enum CascadeCalibrationStage : int {
    CascadeWaitForGreen = 0,
    CascadeLoadDetect = 1,
    CalibrationP6 = 2,
    CalibrationP40 = 3,
    CalibrationN6 = 4,
    CalibrationN40 = 5,
    CalibrationConfirm = 6,
    ConfirmP6 = 7,
    ConfirmP40 = 8,
    ConfirmN6 = 9,
    ConfirmN40 = 10,
    CascadeDone = 11,
};
Q_ENUM_NS(CascadeCalibrationStage)

enum CascadePowerStage : int {
    CascadePowerIdle = 0,
    CascadePowerWaitForGreen = 1,
    CascadePowerLoadDetect = 2,
    CascadePowerTest = 3,
};
Q_ENUM_NS(CascadePowerStage)

enum CommissioningStage : int {
    CommissioningIdle = 0,
};
Q_ENUM_NS(CommissioningStage)

enum WaveformCheckStage : int {
    WaveformCheckIdle = 0,
};
Q_ENUM_NS(WaveformCheckStage)

enum SafetyTestStage : int {
    SafetyTestIdle = 0,
};
Q_ENUM_NS(SafetyTestStage)

enum BurnInStage : int {
    BurnInIdle = 0,
};
Q_ENUM_NS(BurnInStage)

enum DiagnoseSinusStage : int {
    DiagnoseSinusIdle = 0,
    DiagnoseSinusWaitForGreen = 1,
    DiagnoseSinusLoadDetect = 2,
    DiagnoseSinusSinus = 3,
};
Q_ENUM_NS(DiagnoseSinusStage)

enum DiagnoseManualStage : int {
    DiagnoseManualIdle = 0,
};
Q_ENUM_NS(DiagnoseManualStage)

enum TanDCalibrationStage : int {
    TanDCalibrationIdle = 0,
    TanDCalibrationFirstStepTest = 3,
    TanDCalibrationSecondStepTest = 7,
    TanDCalibrationThirdStepTest = 9,
};
Q_ENUM_NS(TanDCalibrationStage)

} // namespace Commissioning
