import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The snap points of the voltage sliders, for test voltages (snapType 1) or nominal
// voltages (0), in kV with one decimal; the lowest position switches a point off.
VlfPage {
    id: page

    property int snapType: 1
    // A working copy; the list is written on Confirm only.
    property var values: snapType === 1 ? guiViewModel.settings.voltageSnapsTestVoltage
                                        : guiViewModel.settings.voltageSnapsNormVoltage
    readonly property real maximum: 80.0
    property alias sliders: sliders

    function confirm() {
        var list = []
        for (var i = 0; i < sliders.count; ++i)
            list.push(Math.round(sliders.itemAt(i).slider.value) / 10)
        if (snapType === 1)
            guiViewModel.settings.voltageSnapsTestVoltage = list
        else
            guiViewModel.settings.voltageSnapsNormVoltage = list
        page.close()
    }

    objectName: "voltageSnapPage"
    title: snapType === 1 ? qsTranslate("Menu", "VoltageSnapsTestVoltage") : qsTranslate("Menu", "VoltageSnapsNormVoltage")

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        Repeater {
            id: sliders
            // Read once: later changes of the stored list must not undo the edits.
            model: page.values.length
            Row {
                property alias slider: slider
                // The slider holds tenths of a kV.
                readonly property real kV: slider.value / 10
                readonly property string valueText: kV < 0.05 ? qsTranslate("Settings", "Off")
                    : kV.toLocaleString(Qt.locale(), "f", 1) + " " + qsTranslate("Units", "kV", "unit kilo volt")
                spacing: Style.margin
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 60
                    text: (index + 1) + "."
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                }
                VlfSlider {
                    id: slider
                    objectName: "snapSlider" + index
                    width: 480
                    from: 0
                    to: page.maximum * 10
                    Component.onCompleted: value = Math.round(Math.min(page.maximum, Math.max(0, page.values[index])) * 10)
                    onEdited: slider.value = value
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: parent.valueText
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                }
            }
        }
    }

    buttons: [
        CancelButton { onClicked: page.close() },
        VlfButton {
            objectName: "confirmButton"
            text: qsTranslate("Menu", "Confirm")
            onClicked: page.confirm()
        }
    ]

    Component.onCompleted: {
        // The copy stays what the page opened with.
        values = values.slice()
        for (var i = 0; i < sliders.count; ++i)
            navigation.addNavElement(sliders.itemAt(i).slider, false, false)
    }
}
