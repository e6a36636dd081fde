import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Burn-in of a unit: a sine part and a DC part of the durations set here.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""
    property string cascades: ""
    property alias sinusSpin: sinusSpin
    property alias dcSpin: dcSpin
    property alias startButton: start

    function sendDurations() { guiViewModel.commissioning.setBurnInDuration(sinusSpin.value, dcSpin.value) }

    objectName: "burnIn"
    title: "Einbrennen"
    headline: stage === -1 || stage === Commissioning.BurnInIdle ? "Dauer einstellen" : "Einbrennen läuft"
    abort: function() { guiViewModel.commissioning.stopBurnIn() }

    Connections {
        target: guiViewModel.commissioning
        function onEnteredBurinInStage(stage) { page.stage = stage }
        function onTimedMeasurementUpdate(voltage, current, millisecond) {
            page.measured = page.outputText(voltage, current) + "   " + Math.ceil(Math.max(0, millisecond) / 60000) + " min"
        }
        function onCascadeUpdate(voltageA, voltageB, currentA, currentB) {
            page.cascades = page.cascadeText(voltageA, voltageB, currentA, currentB)
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin * 2

        Row {
            spacing: Style.margin * 2
            Text {
                width: Style.columnWidth
                anchors.verticalCenter: parent.verticalCenter
                text: "Dauer Sinus"
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfSpinBox {
                id: sinusSpin
                objectName: "sinusSpin"
                width: Style.columnWidth
                from: 1
                to: 1440
                value: 60
                textFromValue: function(v) { return v + " min" }
                onCommitted: page.sendDurations()
            }
        }
        Row {
            spacing: Style.margin * 2
            Text {
                width: Style.columnWidth
                anchors.verticalCenter: parent.verticalCenter
                text: "Dauer DC"
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfSpinBox {
                id: dcSpin
                objectName: "dcSpin"
                width: Style.columnWidth
                from: 1
                to: 1440
                value: 60
                textFromValue: function(v) { return v + " min" }
                onCommitted: page.sendDurations()
            }
        }
        CommissioningValue { visible: page.measured.length > 0; label: "Ausgang"; value: page.measured }
        CommissioningValue { visible: page.cascades.length > 0; label: "Kaskaden"; value: page.cascades }
    }

    buttons: [
        CancelButton {
            stopping: page.stage !== -1 && page.stage !== Commissioning.BurnInIdle
            onClicked: page.close()
        },
        VlfButton {
            objectName: "endPartButton"
            text: qsTranslate("Commissioning", "EndPart")
            onClicked: guiViewModel.commissioning.endBurnInPart()
        },
        VlfButton {
            id: start
            objectName: "startButton"
            text: qsTranslate("Commissioning", "Start")
            onClicked: {
                sinusSpin.setEditing(false)
                dcSpin.setEditing(false)
                page.sendDurations()
                guiViewModel.commissioning.startBurnIn()
            }
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(sinusSpin, false, false)
        navigation.addNavElement(dcSpin, false, false)
        page.sendDurations()
    }
}
