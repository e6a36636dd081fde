import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The default voltage of each tan delta step as a multiple of U0, with one decimal.
VlfPage {
    id: page

    readonly property int steps: 6
    property alias levels: levels

    objectName: "tanDeltaStepPage"
    title: qsTranslate("Menu", "TanDeltaSteps")
    showBack: true

    Grid {
        x: Style.margin * 2
        y: Style.margin * 2
        columns: 2
        columnSpacing: Style.margin * 4
        rowSpacing: Style.margin

        Repeater {
            id: levels
            model: page.steps
            Row {
                property alias spin: spin
                spacing: Style.margin
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 90
                    text: qsTranslate("Settings", "Step") + " " + (index + 1)
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                }
                VlfSpinBox {
                    id: spin
                    objectName: "levelSpin" + index
                    from: 1
                    to: 30
                    value: Math.round(guiViewModel.settings.getTanDeltaLevel(index) * 10)
                    textFromValue: function(v) { return (v / 10).toLocaleString(Qt.locale(), "f", 1) + " U0" }
                    onCommitted: {
                        if (!guiViewModel.settings.setTanDeltaLevel(index, value / 10))
                            value = Math.round(guiViewModel.settings.getTanDeltaLevel(index) * 10)
                    }
                }
            }
        }
    }

    Component.onCompleted: {
        for (var i = 0; i < levels.count; ++i)
            navigation.addNavElement(levels.itemAt(i).spin, false, false)
    }
}
