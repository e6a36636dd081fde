import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The power envelope of the two cascades, level by level.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""
    property string cascades: ""

    function headlineOf(s) {
        switch (s) {
        case Commissioning.CascadePowerIdle: return "Beendet"
        case Commissioning.CascadePowerWaitForGreen: return "HVOn betätigen"
        case Commissioning.CascadePowerLoadDetect: return "Lastermittlung"
        case Commissioning.CascadePowerTest: return "Test läuft"
        default: return "Warte"
        }
    }

    objectName: "cascadePowerEnvelope"
    title: "Kaskaden-Leistung"
    headline: headlineOf(stage)
    abort: function() { guiViewModel.commissioning.abortCascadePowerEnvelope() }

    Connections {
        target: guiViewModel.commissioning
        function onEnteredCascadePowerStage(stage) { page.stage = stage }
        function onMeasurementUpdate(voltage, current) { page.measured = page.outputText(voltage, current) }
        function onCascadeUpdate(voltageA, voltageB, currentA, currentB) {
            page.cascades = page.cascadeText(voltageA, voltageB, currentA, currentB)
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin
        CommissioningValue { visible: page.measured.length > 0; label: "Ausgang"; value: page.measured }
        CommissioningValue { visible: page.cascades.length > 0; label: "Kaskaden"; value: page.cascades }
    }

    buttons: [
        VlfButton {
            objectName: "cancelButton"
            text: qsTranslate("Dialog", "Cancel")
            onClicked: page.close()
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.startCascadePowerEnvelope()
}
