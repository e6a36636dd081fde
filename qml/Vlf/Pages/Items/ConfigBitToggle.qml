import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// A switch of the HV unit's settings word: its name, an off or on icon and its state;
// a press asks for the other state.
VlfButton {
    id: toggle

    property string label: ""
    property bool active: false
    // Some switches read the other way round.
    property bool inverted: false

    signal switchRequested(bool wanted)

    width: parent ? parent.width : 400
    flat: true
    onClicked: switchRequested(!active)

    contentItem: Item {
        implicitHeight: 36
        Image {
            id: icon
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            width: 40
            height: 40
            sourceSize.width: 40
            sourceSize.height: 40
            source: toggle.active ? "qrc:/icons/switch_on.svg" : "qrc:/icons/switch_off.svg"
        }
        Text {
            anchors.left: icon.right
            anchors.leftMargin: Style.margin * 2
            anchors.right: state.left
            anchors.verticalCenter: parent.verticalCenter
            text: toggle.label
            elide: Text.ElideRight
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        Text {
            id: state
            objectName: "stateText"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: toggle.active !== toggle.inverted ? qsTranslate("Calibration", "On") : qsTranslate("Calibration", "Off")
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
        }
    }
}
