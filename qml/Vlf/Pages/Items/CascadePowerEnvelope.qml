import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The power envelope of the two cascades, point by point; the page stays to tell the
// verdict, also after an error.
CommissioningPage {
    id: page

    property int stage: -1
    property bool failed: false
    // The run has come back to Idle after the start.
    property bool finished: false
    property string measured: ""
    property string cascades: ""
    property alias confirmButton: confirm
    property alias cancelButton: cancel

    function headlineOf(s) {
        switch (s) {
        case Commissioning.CascadePowerWaitForGreen: return "HV On drücken"
        case Commissioning.CascadePowerLoadDetect: return "Starte HV-Erzeugung"
        case Commissioning.CascadePowerTest: return "Messung läuft"
        default: return "Warte"
        }
    }
    function signed(value, decimals) { return (value >= 0 ? "+" : "") + number(value, decimals) }

    // Errors are shown, and the page stays for the verdict that follows.
    function fail(message) {
        if (hasLeft)
            return
        failed = true
        guiViewModel.showError(message, "OK")
    }

    objectName: "cascadePowerEnvelope"
    title: "Kennlinien der Kaskaden"
    headline: finished ? (failed ? "Test nicht bestanden" : "Test erfolgreich") : (failed ? "Error" : headlineOf(stage))
    headlineColor: finished ? (failed ? Style.failedHeadline : Style.success) : Style.foreground
    waitsForHvOnKey: stage === Commissioning.CascadePowerWaitForGreen
    succeeded: finished && !failed
    abort: function() { guiViewModel.commissioning.abortCascadePowerEnvelope() }
    firstFocus: cancel

    Connections {
        target: guiViewModel.commissioning
        function onEnteredCascadePowerStage(stage) {
            // The verdict first, so the head line goes straight to it.
            if (stage === Commissioning.CascadePowerIdle) {
                page.finished = true
                page.navigation.jumpTo(confirm, false)
            }
            page.stage = stage
        }
        function onMeasurementUpdate(voltage, current) {
            page.measured = "Ausgangsspannung: " + page.signed(Math.round(voltage), 0) + " V & Strom: "
                            + page.signed(current / 1e6, 1) + " mA"
        }
        function onCascadeUpdate(voltageA, voltageB, currentA, currentB) {
            page.cascades = "Kaskaden: SpannungP: " + page.number(voltageA, 0) + " V & " + " SpannungN: "
                            + page.number(voltageB, 0) + " V \n CurrentP: " + page.number(currentA, 1)
                            + " mA & CurrentN: " + page.number(currentB, 1) + " mA"
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin
        visible: !page.finished

        Text {
            objectName: "measuredText"
            visible: text.length > 0
            text: page.measured
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        Text {
            objectName: "cascadesText"
            visible: text.length > 0
            text: page.cascades
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
    }

    buttons: [
        CancelButton {
            id: cancel
            stopping: true
            visible: !page.finished
            onClicked: page.close()
        },
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            visible: page.finished
            text: qsTranslate("Menu", "Confirm")
            onClicked: page.close()
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.startCascadePowerEnvelope()
}
