import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Run with the largest capacitive load the unit drives.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""

    objectName: "maxCapacityLoad"
    title: "Maximale kapazitive Last"
    headline: stage === -1 ? "Warte" : stage === Commissioning.CommissioningIdle ? "Beendet" : "Test läuft"
    abort: function() { guiViewModel.commissioning.controlMaxCapacityLoad(Commissioning.Abort) }

    Connections {
        target: guiViewModel.commissioning
        function onMaxCapcityLoadStage(stage) { page.stage = stage }
        function onMeasurementUpdate(voltage, current) { page.measured = page.outputText(voltage, current) }
    }

    CommissioningValue {
        x: Style.margin * 2
        y: page.contentTop
        visible: page.measured.length > 0
        label: "Ausgang"
        value: page.measured
    }

    buttons: [
        CancelButton {
            stopping: page.stage !== Commissioning.CommissioningIdle
            onClicked: page.close()
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.controlMaxCapacityLoad(Commissioning.Start)
}
