import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Sine output for diagnosis, with the unit's protections switched on or off one by one.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""
    // Read once per announcement: every read builds the views anew.
    property var serviceBits: guiViewModel.commissioning.serviceBitViews
    property alias voltageSpin: voltageSpin
    property alias frequencySpin: frequencySpin
    property alias bits: bits

    function headlineOf(s) {
        switch (s) {
        case Commissioning.DiagnoseSinusWaitForGreen: return "HVOn betätigen"
        case Commissioning.DiagnoseSinusLoadDetect: return "Lastermittlung"
        case Commissioning.DiagnoseSinusSinus: return "Sinus läuft"
        default: return "Bereit"
        }
    }
    function readSettings() {
        if (!voltageSpin.editing)
            voltageSpin.value = Math.round(guiViewModel.commissioning.sinusVoltage * 10)
        if (!frequencySpin.editing)
            frequencySpin.value = Math.round(guiViewModel.commissioning.sinusFrequency * 100)
    }

    objectName: "diagnosisSinus"
    title: "Diagnose Sinus"
    headline: headlineOf(stage)
    showBack: true
    abort: function() { guiViewModel.commissioning.stopDiagnoseSinus() }

    Connections {
        target: guiViewModel.commissioning
        function onEnteredDiagnoseSinusStage(stage) { page.stage = stage }
        function onMeasurementUpdate(voltage, current) { page.measured = page.outputText(voltage, current) }
        function onDiagnoseSinusVoltageChanged() { page.readSettings() }
        function onDiagnoseSinusFrequencyChanged() { page.readSettings() }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        width: parent.width - 4 * Style.margin
        spacing: Style.margin * 2

        Row {
            spacing: Style.margin * 2
            Text {
                width: 160
                anchors.verticalCenter: parent.verticalCenter
                text: "Spannung"
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfSpinBox {
                id: voltageSpin
                objectName: "voltageSpin"
                width: 200
                from: 0
                to: 420
                textFromValue: function(v) { return (v / 10).toLocaleString(Qt.locale(), "f", 1) + " kV" }
                onCommitted: guiViewModel.commissioning.sinusVoltage = value / 10
            }
            Text {
                width: 120
                anchors.verticalCenter: parent.verticalCenter
                text: "Frequenz"
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfSpinBox {
                id: frequencySpin
                objectName: "frequencySpin"
                width: 200
                from: 0
                to: 1000
                textFromValue: function(v) { return (v / 100).toLocaleString(Qt.locale(), "f", 2) + " Hz" }
                onCommitted: guiViewModel.commissioning.sinusFrequency = value / 100
            }
        }
        Flow {
            width: parent.width
            spacing: Style.margin * 2
            Repeater {
                id: bits
                model: page.serviceBits
                VlfButton {
                    objectName: "serviceBit_" + modelData.name
                    text: (modelData.set ? "\u2611 " : "\u2610 ") + modelData.name
                    checked: modelData.set
                    onClicked: modelData.set = !modelData.set
                }
                onItemAdded: page.navigation.addNavElement(item, false, false)
                onItemRemoved: page.navigation.removeNavElement(item)
            }
        }
        CommissioningValue { visible: page.measured.length > 0; label: "Ausgang"; value: page.measured }
    }

    buttons: [
        VlfButton {
            objectName: "stopButton"
            stopping: true
            text: qsTranslate("Commissioning", "Stop")
            onClicked: guiViewModel.commissioning.stopDiagnoseSinus()
        },
        VlfButton {
            objectName: "startButton"
            text: qsTranslate("Commissioning", "Start")
            onClicked: guiViewModel.commissioning.startDiagnoseSinus()
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(voltageSpin, false, false)
        navigation.addNavElement(frequencySpin, false, false)
        readSettings()
    }
}
