import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Calibration of the two cascades' voltage measurement: the set points as they are
// measured, then the new gains and offsets with each point before and after.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""
    property string cascades: ""
    // Set by the summary: success, the four results and one row per set point.
    property var summary: null
    readonly property bool done: summary !== null
    property alias confirmButton: confirm
    property alias cancelButton: cancel

    function headlineOf(s) {
        switch (s) {
        case Commissioning.CascadeWaitForGreen: return "HV On drücken"
        case Commissioning.CascadeLoadDetect: return "Starte HV-Erzeugung"
        case Commissioning.CalibrationP6: return "Kalibrieren +6kV"
        case Commissioning.CalibrationP40: return "Kalibrieren +40kV"
        case Commissioning.CalibrationN6: return "Kalibrieren -6kV"
        case Commissioning.CalibrationN40: return "Kalibrieren -40kV"
        case Commissioning.ConfirmP6: return "Bestätigen +6kV"
        case Commissioning.ConfirmP40: return "Bestätigen +40kV"
        case Commissioning.ConfirmN6: return "Bestätigen -6kV"
        case Commissioning.ConfirmN40: return "Bestätigen -40kV"
        default: return "Warte"
        }
    }
    function significant(value) { return value.toPrecision(4).replace(".", Qt.locale().decimalPoint) }
    function kV(mV) { return number(mV / 1e6, 2) + " kV" }
    // The results, then the set points as a table of three columns, heading first.
    function summarise(before, after, calibration, success) {
        var cells = ["Sollwert", "Vorher", "Nachher",
                     "+6 kV", kV(before.p6), kV(after.p6),
                     "+40 kV", kV(before.p40), kV(after.p40),
                     "-6 kV", kV(before.n6), kV(after.n6),
                     "-40 kV", kV(before.n40), kV(after.n40)]
        return {
            "success": success,
            "results": [
                { "label": "PGain", "value": significant(calibration.pGAIN) },
                { "label": "POffset", "value": number(calibration.pOFFSET, 4) },
                { "label": "NGain", "value": significant(calibration.nGAIN) },
                { "label": "NOffset", "value": number(calibration.nOFFSET, 4) }
            ],
            "points": cells
        }
    }

    objectName: "cascadeCalibration"
    title: "Kalibrierung HV-Kaskaden"
    headline: done ? (summary.success ? "Erfolgreiche Kalibrierung" : "Fehlgeschlagene Kalibrierung") : headlineOf(stage)
    headlineColor: done ? (summary.success ? Style.success : Style.failure) : Style.foreground
    waitsForHvOnKey: stage === Commissioning.CascadeWaitForGreen
    succeeded: done && summary.success
    abort: function() { guiViewModel.commissioning.abortCascadeCalibration() }
    firstFocus: cancel

    Connections {
        target: guiViewModel.commissioning
        function onCascadeMachineEvent(stage) { page.stage = stage }
        function onMeasurementUpdate(voltage, current) {
            page.measured = "Ausgangsspannung: " + page.number(voltage, 0) + " V & Strom: " + page.number(current / 1000, 1) + " uA"
        }
        function onCascadeUpdate(voltageA, voltageB, currentA, currentB) {
            page.cascades = "Kaskaden: A " + page.number(voltageA, 0) + " V & B " + page.number(voltageB, 0) + " V, "
                            + page.number(currentA, 1) + " mA & " + page.number(currentB, 1) + " mA"
        }
        function onCascadeCalibrationSummary(before, after, calibration, success) {
            page.summary = page.summarise(before, after, calibration, success)
            page.navigation.jumpTo(confirm, false)
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        Text {
            objectName: "measuredText"
            visible: !page.done && text.length > 0
            text: page.measured
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        Text {
            objectName: "cascadesText"
            visible: !page.done && text.length > 0
            text: page.cascades
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }

        Grid {
            objectName: "results"
            visible: page.done
            columns: 4
            columnSpacing: Style.margin * 2
            rowSpacing: Style.margin
            Repeater {
                model: page.done ? page.summary.results : []
                CommissioningValue {
                    labelWidth: 90
                    label: modelData.label + ":"
                    value: modelData.value
                }
            }
        }
        Grid {
            objectName: "points"
            visible: page.done
            columns: 3
            columnSpacing: Style.margin * 4
            rowSpacing: Style.margin / 2
            Repeater {
                model: page.done ? page.summary.points : []
                Text {
                    width: 140
                    horizontalAlignment: index % 3 === 0 ? Text.AlignLeft : Text.AlignRight
                    text: modelData
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                    font.bold: index < 3
                }
            }
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
            visible: page.done
            text: qsTranslate("Menu", "Confirm")
            onClicked: page.close()
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.startCascadeCalibration()
}
