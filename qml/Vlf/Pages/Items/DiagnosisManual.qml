import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Manual diagnosis of the cascades: voltage and PWM values set by hand and sent on
// confirmation, with the power electronics' temperatures.
CommissioningPage {
    id: page

    property int stage: -1
    property bool running: false
    // Edited rows wait for the confirmation.
    property bool confirmable: false
    property string measured: ""
    property string cascades: ""
    property alias rows: rows
    property alias confirmButton: confirm
    property alias startButton: startStop

    objectName: "diagnosisManual"
    title: "Manuelle Diagnose"
    headline: running ? "Diagnose läuft" : "Bereit"
    showBack: true
    abort: function() {
        guiViewModel.commissioning.controlManualDiagnosis(Commissioning.Abort)
        guiViewModel.commissioning.controlManualDiagnosis(Commissioning.Exit)
    }

    Connections {
        target: guiViewModel.commissioning
        function onEnteredDiagnoseManualStage(stage) {
            page.stage = stage
            if (stage === Commissioning.DiagnoseManualIdle)
                page.running = false
        }
        function onManualParameterConfirmable() { page.confirmable = true }
        function onMeasurementUpdate(voltage, current) { page.measured = page.outputText(voltage, current) }
        function onCascadeUpdate(voltageA, voltageB, currentA, currentB) {
            page.cascades = page.cascadeText(voltageA, voltageB, currentA, currentB)
        }
    }

    Row {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin * 4

        Column {
            spacing: Style.margin * 2
            Repeater {
                id: rows
                model: guiViewModel.commissioning.manualDiagnosisParameters
                Row {
                    property alias spin: spin
                    spacing: Style.margin * 2
                    Text {
                        width: 130
                        anchors.verticalCenter: parent.verticalCenter
                        text: modelData.name
                        color: Style.foreground
                        font.pixelSize: Style.fontSize
                    }
                    // In steps of the row's increment.
                    VlfSpinBox {
                        id: spin
                        objectName: "parameterSpin" + index
                        readonly property real factor: Math.pow(10, modelData.precision)
                        width: 200
                        from: Math.round(modelData.from * factor)
                        to: Math.round(modelData.to * factor)
                        stepSize: Math.max(1, Math.round(modelData.increment * factor))
                        value: Math.round(modelData.value * factor)
                        textFromValue: function(v) {
                            return (v / factor).toLocaleString(Qt.locale(), "f", modelData.precision)
                        }
                        onCommitted: modelData.value = value / factor
                    }
                }
                onItemAdded: page.navigation.addNavElement(item.spin, false, false)
                onItemRemoved: page.navigation.removeNavElement(item.spin)
            }
            CommissioningValue { visible: page.measured.length > 0; labelWidth: 130; label: "Ausgang"; value: page.measured }
            CommissioningValue { visible: page.cascades.length > 0; labelWidth: 130; label: "Kaskaden"; value: page.cascades }
        }
        Column {
            objectName: "temperatures"
            spacing: Style.margin / 2
            Repeater {
                model: guiViewModel.commissioning.powerTemperatures
                Text {
                    text: modelData
                    color: Style.foreground
                    font.pixelSize: Style.smallFontSize
                }
            }
        }
    }

    buttons: [
        VlfButton {
            id: startStop
            objectName: "startButton"
            stopping: page.running
            text: page.running ? qsTranslate("Commissioning", "Stop") : qsTranslate("Commissioning", "Start")
            onClicked: {
                page.running = !page.running
                guiViewModel.commissioning.controlManualDiagnosis(page.running ? Commissioning.Start : Commissioning.Abort)
            }
        },
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            enabled: page.confirmable
            text: qsTranslate("Menu", "Confirm")
            onClicked: {
                page.confirmable = false
                guiViewModel.commissioning.sendCascadeParameters()
            }
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.controlManualDiagnosis(Commissioning.Enter)
}
