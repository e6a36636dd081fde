import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.GUI 1.0

// The commissioning and calibration procedures; each opens its own page.
TestSelectionPage {
    id: page

    function pageOf(mode) {
        switch (mode) {
        case OperatingMode.SafetyCircuitCheck: return "SafetyCalibration.qml"
        case OperatingMode.OutputCalibration: return "OutputVoltageCalibration.qml"
        case OperatingMode.CascadeCalibration: return "CascadeCalibration.qml"
        case OperatingMode.VoltageWaveformCheck: return "VoltageWaveformCheck.qml"
        case OperatingMode.TanDCalibration: return "TanDCalibration.qml"
        case OperatingMode.MaxCapacityLoad: return "MaxCapacityLoad.qml"
        case OperatingMode.CascadePowerEnvelope: return "CascadePowerEnvelope.qml"
        case OperatingMode.LongDurationTest: return "BurnInPage.qml"
        case OperatingMode.SinusDiagnosis: return "DiagnosisSinus.qml"
        case OperatingMode.ManualDiagnosis: return "DiagnosisManual.qml"
        default: return ""
        }
    }

    commissioning: true
    onProcedureRequested: {
        var file = pageOf(mode)
        if (file.length > 0 && StackView.view)
            StackView.view.push(Qt.resolvedUrl(file))
    }
}
