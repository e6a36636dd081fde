import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Check of the output voltage's waveform, with the time it still runs.
CommissioningPage {
    id: page

    property int stage: -1
    property string measured: ""
    property string remaining: ""

    objectName: "voltageWaveformCheck"
    title: "Prüfung Spannungsverlauf"
    headline: stage === -1 ? "Warte" : stage === Commissioning.WaveformCheckIdle ? "Beendet" : "Prüfung läuft"
    abort: function() { guiViewModel.commissioning.abortWaveformTest() }

    Connections {
        target: guiViewModel.commissioning
        function onEnteredWaveformState(stage) { page.stage = stage }
        function onTimedMeasurementUpdate(voltage, current, millisecond) {
            page.measured = page.outputText(voltage, current)
            page.remaining = Math.ceil(Math.max(0, millisecond) / 1000) + " s"
        }
    }

    Column {
        x: Style.margin * 2
        y: page.contentTop
        spacing: Style.margin
        visible: page.measured.length > 0
        CommissioningValue { label: "Ausgang"; value: page.measured }
        CommissioningValue { label: "Restzeit"; value: page.remaining }
    }

    buttons: [
        CancelButton {
            stopping: page.stage !== Commissioning.WaveformCheckIdle
            onClicked: page.close()
        }
    ]

    Component.onCompleted: guiViewModel.commissioning.startWaveformTest()
}
