import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The HV unit can drive the load only at a lower frequency than requested: the operator
// accepts it or switches the high voltage off.
VlfPage {
    id: page

    readonly property var prepare: guiViewModel.prepare
    property bool done: false
    readonly property alias frequencyText: frequencyText
    readonly property alias hintText: hintText
    readonly property alias confirmButton: confirm
    readonly property alias hvOffButton: hvOff

    title: guiViewModel.getModeString()
    firstFocus: confirm

    function switchHvOff() {
        page.done = true
        guiViewModel.abortTest()
        page.close()
    }

    Connections {
        target: page.prepare
        enabled: !page.done
        function onHvSignalTimeout() { page.switchHvOff() }
    }

    Row {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - Style.margin * 4
        spacing: Style.margin * 4

        Column {
            width: parent.width * 0.45
            spacing: Style.margin * 2

            Row {
                spacing: Style.margin

                Text {
                    id: frequencyText
                    objectName: "usedFrequency"
                    text: Number(page.prepare.frequencyUsed / 1000).toLocaleString(Qt.locale(), 'f', 2)
                    color: Style.foreground
                    font.pixelSize: 64
                    font.bold: true
                }
                Text {
                    text: qsTranslate("Units", "Hz")
                    color: Style.foreground
                    font.pixelSize: Style.titleFontSize
                    anchors.baseline: frequencyText.baseline
                }
            }
            Text {
                objectName: "frequencyReduced"
                width: parent.width
                text: qsTranslate("MeasurementMessages", "FrequencyReduced")
                color: Style.foreground
                font.pixelSize: Style.fontSize
                font.bold: true
                wrapMode: Text.WordWrap
            }
            Text {
                id: hintText
                objectName: "frequencyHint"
                width: parent.width
                text: qsTranslate("MeasurementMessages", "ConsiderTestPhasesOneAfterAnother")
                      .arg(page.prepare.frequencyToTest / 1000)
                color: Style.foreground
                font.pixelSize: Style.smallFontSize
                wrapMode: Text.WordWrap
            }
        }
        TestPropertiesItem {
            width: parent.width * 0.55 - Style.margin * 4
            preparationParameters: page.prepare.preparationParameters
            testParameters: page.prepare.shownTestParameters
        }
    }

    buttons: [
        VlfButton {
            id: hvOff
            objectName: "hvOffButton"
            stopping: true
            text: qsTranslate("Menu", "HvOff")
            onClicked: page.switchHvOff()
        },
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            text: qsTranslate("Menu", "Confirm")
            onClicked: {
                page.done = true
                guiViewModel.userAcknowledged()
                page.replaceWith(Qt.resolvedUrl("MeasurementPage.qml"))
            }
        }
    ]
}
