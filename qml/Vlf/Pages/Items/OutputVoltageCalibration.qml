import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Calibration of the output voltage: the operator reads the output with an external meter
// at -37 kV and at +37 kV, enters both, and confirms both polarities with the new gain.
CommissioningPage {
    id: page

    // -1 until the procedure reports its first stage.
    property int stage: -1
    // A confirmation is on its way: one press per step.
    property bool waiting: false
    // The procedure takes a Confirm only once the output stood at the step's level; offered
    // once, it stays until pressed or the step ends.
    property int reading: Commissioning.OutputSettling
    property string measured: ""
    property string gains: ""
    readonly property bool inputShown: stage === Commissioning.Step1 || stage === Commissioning.Step2
    readonly property bool done: stage === Commissioning.Done
    readonly property bool stepShown: stage >= Commissioning.Step1 && stage <= Commissioning.Step4
    readonly property bool stale: reading === Commissioning.OutputLost
    readonly property bool confirmOffered: done || (stepShown && reading === Commissioning.OutputSettled && !waiting)
    property alias spin: spin
    property alias confirmButton: confirm
    property alias cancelButton: cancel

    function headlineOf(s) {
        switch (s) {
        case Commissioning.OutputCalibrationWaitForGreen: return "HVOn betätigen"
        case Commissioning.Step1: return "Kalibrierung -37kV"
        case Commissioning.Step2: return "Kalibrierung +37kV"
        case Commissioning.Step3: return "Bestätigung +37kV"
        case Commissioning.Step4: return "Bestätigung -37kV"
        case Commissioning.Done: return "Kalibrierung erfolgreich beendet"
        default: return "Warte"
        }
    }

    function enter(s) {
        // The error's text closes the page.
        if (s === Commissioning.Error)
            return
        // Only the last step's Confirm ends a run well; a Done before it is a cancelled
        // run's end, which a page opened meanwhile must not show as its success.
        if (s === Commissioning.Done && stage !== Commissioning.Step4)
            return
        // A new step is not yet at its level: before anything that could offer Confirm.
        reading = Commissioning.OutputSettling
        stage = s
        waiting = false
        if (s === Commissioning.Step1)
            spin.value = -370
        else if (s === Commissioning.Step2)
            spin.value = 370
        // The knob stays on the step's action, never on Cancel.
        if (confirm.visible)
            navigation.jumpTo(confirm, false)
    }

    function confirmStep() {
        if (done) {
            close()
            return
        }
        if (!confirmOffered)
            return
        spin.setEditing(false)
        if (inputShown)
            guiViewModel.commissioning.setCalibrationVoltage(spin.value / 10)
        waiting = true
        guiViewModel.commissioning.confirmCalibrationStep()
    }

    objectName: "outputVoltageCalibration"
    title: "Kalibrierung HV-Ausgang"
    headline: headlineOf(stage)
    headlineColor: done ? Style.success : Style.foreground
    waitsForHvOnKey: stage === Commissioning.OutputCalibrationWaitForGreen
    succeeded: done
    abort: function() { guiViewModel.commissioning.abortOutputCalibration() }
    firstFocus: confirm

    Connections {
        target: guiViewModel.commissioning
        function onOutputMachineEvent(event) { page.enter(event) }
        function onMeasurementUpdate(voltage, current) {
            page.measured = page.outputText(voltage, current)
        }
        function onOutputReading(reading) {
            page.reading = reading
            // A press the procedure has not taken yet will be dropped: the next one counts.
            if (reading !== Commissioning.OutputSettled)
                page.waiting = false
        }
        function onCalibrationUpdate(gainU, gainI) {
            page.gains = "GainU: " + (gainU / 10000.0).toFixed(3) + "   GainI: " + (gainI / 10000.0).toFixed(3)
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin * 2

        Row {
            spacing: Style.margin * 2
            visible: page.inputShown
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "Gemessene Spannung"
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfSpinBox {
                id: spin
                objectName: "voltageSpin"
                width: Style.columnWidth
                from: page.stage === Commissioning.Step2 ? 330 : -410
                to: page.stage === Commissioning.Step2 ? 410 : -330
                value: -370
                textFromValue: function(v) { return (v / 10).toLocaleString(Qt.locale(), "f", 1) + " kV" }
            }
        }
        CommissioningValue {
            objectName: "measuredValue"
            visible: page.measured.length > 0 && !page.done
            opacity: page.stale ? 0.5 : 1.0
            label: "Ausgang"
            value: page.stale ? page.measured + "  (veraltet)" : page.measured
        }
        Text {
            objectName: "confirmReason"
            width: page.width - Style.margin * 4
            wrapMode: Text.WordWrap
            visible: page.stepShown && !page.confirmOffered && !page.waiting
            text: page.stale ? "Das HV-Gerät antwortet nicht."
                             : page.reading === Commissioning.OutputScattering
                               ? "Der Messwert streut: die Mittelwerte zweier Sekunden liegen mehr als 0.3 kV auseinander."
                               : "Warte, bis der Ausgang die Spannung der Stufe hält."
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        Text {
            objectName: "gainsText"
            visible: page.gains.length > 0
            text: page.gains
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
        }
    }

    buttons: [
        CancelButton {
            id: cancel
            visible: !page.done
            stopping: true
            onClicked: page.close()
        },
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            visible: page.stage !== -1 && page.stage !== Commissioning.OutputCalibrationWaitForGreen
            // Not offered (the step under way, its output not yet at its level, the unit
            // silent) a press does nothing; it keeps the focus, so the next press cannot
            // fall on Cancel.
            opacity: page.confirmOffered ? 1.0 : 0.5
            text: page.done ? qsTranslate("Dialog", "Close") : qsTranslate("Menu", "Confirm")
            onClicked: page.confirmStep()
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(spin, false, false)
        guiViewModel.commissioning.startOutputCalibration()
    }
}
