import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The ten contacts of the safety circuit, each with its state, while the check runs.
CommissioningPage {
    id: page

    property alias contacts: contacts

    objectName: "safetyCalibration"
    title: "SafetyBits"
    showBack: true
    abort: function() { guiViewModel.commissioning.stopSafetyCircuits() }

    Connections {
        target: guiViewModel.commissioning
        function onEnteredSafetyStage(stage) {
            if (stage === Commissioning.SafetyTestIdle)
                page.close()
        }
    }

    Grid {
        x: Style.margin * 2
        y: page.contentTop
        columns: 2
        columnSpacing: Style.margin * 6
        rowSpacing: Style.margin * 2
        flow: Grid.TopToBottom
        rows: 5

        Repeater {
            id: contacts
            model: guiViewModel.commissioning.safetyCircuitViews
            Row {
                spacing: Style.margin * 2
                width: 340
                Rectangle {
                    objectName: "contactState"
                    anchors.verticalCenter: parent.verticalCenter
                    width: 24
                    height: 24
                    radius: 12
                    color: modelData.closed ? Style.success : Style.failure
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData.name + (modelData.closed ? "  geschlossen" : "  offen")
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                }
            }
        }
    }

    Component.onCompleted: guiViewModel.commissioning.startSafetyCircuits()
}
