import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Calibration of the tan delta measurement and its two validations; the results page
// follows once the calibration is made.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""
    property string periodic: ""
    property alias confirmButton: confirm

    function headlineOf(s) {
        switch (s) {
        case Commissioning.TanDCalibrationIdle: return "Bereit"
        case Commissioning.TanDCalibrationFirstStepTest: return "Erste Validierung"
        case Commissioning.TanDCalibrationSecondStepTest: return "Zweite Validierung"
        case Commissioning.TanDCalibrationThirdStepTest: return "Dritte Validierung"
        case -1: return "Warte"
        default: return "Kalibrierung läuft"
        }
    }

    objectName: "tanDCalibration"
    title: "TanD-Kalibrierung"
    headline: headlineOf(stage)
    abort: function() { guiViewModel.commissioning.controlTanDCalibration(Commissioning.Abort) }

    Connections {
        target: guiViewModel.commissioning
        function onTanDCalibrationStage(stage) { page.stage = stage }
        function onMeasurementUpdate(voltage, current) { page.measured = page.outputText(voltage, current) }
        // Voltage in millivolts, current in nanoamperes, tan delta in millionths.
        function onPeriodicUpdate(values) {
            page.periodic = (values.voltage / 1000000).toLocaleString(Qt.locale(), "f", 1) + " kV   "
                            + (values.amperage / 1000000).toLocaleString(Qt.locale(), "f", 2) + " mA   tanδ "
                            + (values.tanDelta / 1000).toLocaleString(Qt.locale(), "f", 3) + " 10^-3"
        }
        function onTanDCalibrationResult(values) {
            if (page.current)
                page.StackView.view.push(Qt.resolvedUrl("TanDCalibrationResults.qml"))
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin
        CommissioningValue { visible: page.measured.length > 0; label: "Ausgang"; value: page.measured }
        CommissioningValue { visible: page.periodic.length > 0; label: "Periode"; value: page.periodic }
    }

    buttons: [
        CancelButton {
            stopping: page.stage !== Commissioning.TanDCalibrationIdle
            onClicked: page.close()
        },
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            text: qsTranslate("Menu", "Confirm")
            onClicked: guiViewModel.commissioning.controlTanDCalibration(Commissioning.Confirm)
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.controlTanDCalibration(Commissioning.Start)
}
