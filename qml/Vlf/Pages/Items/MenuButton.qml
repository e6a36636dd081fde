import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// One mode of the menu tree: its icon (the focus icon while focused) and its caption.
AbstractButton {
    id: control

    property var node: null
    // Shows a knob press that was held back: the list is alive, the press not taken.
    readonly property alias flashing: flashAnimation.running
    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: control.clicked()
    }

    objectName: node ? "modeButton" + node.mode : ""
    visible: node !== null && node.enabled
    focusPolicy: Qt.StrongFocus
    width: 180
    height: 170
    Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, control)

    contentItem: Column {
        spacing: Style.margin
        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: control.node ? (control.activeFocus ? control.node.focusIcon : control.node.icon) : ""
            sourceSize.width: Style.hugeIconSize
            sourceSize.height: Style.hugeIconSize
        }
        Text {
            width: control.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            maximumLineCount: 2
            elide: Text.ElideRight
            text: control.node ? control.node.detailedDescription : ""
            color: Style.foreground
            font.pixelSize: Style.smallFontSize
        }
    }
    function flash() { flashAnimation.restart() }

    background: Rectangle {
        radius: Style.largeCornerRadius
        color: control.activeFocus ? Style.highlight : (control.down ? Style.inactive : "transparent")
        opacity: control.activeFocus ? 0.25 : 1
    }
    Rectangle {
        id: flashMark
        anchors.fill: parent
        radius: Style.largeCornerRadius
        color: Style.highlight
        opacity: 0
    }
    SequentialAnimation {
        id: flashAnimation
        loops: 2
        NumberAnimation { target: flashMark; property: "opacity"; to: 0.6; duration: 120 }
        NumberAnimation { target: flashMark; property: "opacity"; to: 0; duration: 120 }
    }
}
