import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Calibration of the two cascades' voltage measurement, with the values before and after.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""
    property string cascades: ""
    property var summary: null

    function headlineOf(s) {
        switch (s) {
        case Commissioning.CascadeWaitForGreen: return "HVOn betätigen"
        case Commissioning.CascadeLoadDetect: return "Lastermittlung"
        case Commissioning.CalibrationP6: return "Kalibrierung +6kV"
        case Commissioning.CalibrationP40: return "Kalibrierung +40kV"
        case Commissioning.CalibrationN6: return "Kalibrierung -6kV"
        case Commissioning.CalibrationN40: return "Kalibrierung -40kV"
        case Commissioning.CalibrationConfirm: return "Kalibrierung übernehmen"
        case Commissioning.ConfirmP6: return "Bestätigung +6kV"
        case Commissioning.ConfirmP40: return "Bestätigung +40kV"
        case Commissioning.ConfirmN6: return "Bestätigung -6kV"
        case Commissioning.ConfirmN40: return "Bestätigung -40kV"
        case Commissioning.CascadeDone: return "Kalibrierung beendet"
        default: return "Warte"
        }
    }
    function kV(mV) { return (mV / 1000000).toLocaleString(Qt.locale(), "f", 2) }
    function values(v) { return kV(v.p6) + " / " + kV(v.p40) + " / " + kV(v.n6) + " / " + kV(v.n40) + " kV" }

    objectName: "cascadeCalibration"
    title: "Kaskadenkalibrierung"
    headline: headlineOf(stage)
    abort: function() { guiViewModel.commissioning.abortCascadeCalibration() }

    Connections {
        target: guiViewModel.commissioning
        function onCascadeMachineEvent(stage) { page.stage = stage }
        function onMeasurementUpdate(voltage, current) { page.measured = page.outputText(voltage, current) }
        function onCascadeUpdate(voltageA, voltageB, currentA, currentB) {
            page.cascades = page.cascadeText(voltageA, voltageB, currentA, currentB)
        }
        function onCascadeCalibrationSummary(before, after, calibration, success) {
            page.summary = { "before": page.values(before), "after": page.values(after),
                             "gains": "P " + calibration.pGAIN.toFixed(6) + " " + calibration.pOFFSET.toFixed(6)
                                      + "   N " + calibration.nGAIN.toFixed(6) + " " + calibration.nOFFSET.toFixed(6),
                             "success": success }
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin
        CommissioningValue { visible: page.measured.length > 0; label: "Ausgang"; value: page.measured }
        CommissioningValue { visible: page.cascades.length > 0; label: "Kaskaden"; value: page.cascades }
        CommissioningValue { visible: page.summary !== null; label: "Vorher"; value: page.summary ? page.summary.before : "" }
        CommissioningValue { visible: page.summary !== null; label: "Nachher"; value: page.summary ? page.summary.after : "" }
        CommissioningValue { visible: page.summary !== null; label: "Gain / Offset"; value: page.summary ? page.summary.gains : "" }
    }

    buttons: [
        VlfButton {
            objectName: "cancelButton"
            text: qsTranslate("Dialog", "Cancel")
            onClicked: page.close()
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.startCascadeCalibration()
}
