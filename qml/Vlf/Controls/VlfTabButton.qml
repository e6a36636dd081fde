import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A tab of a page's tab row; the knob or a tap selects it. The page binds `checked`.
Button {
    id: control

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: control.clicked()
    }

    font.pixelSize: Style.fontSize
    focusPolicy: Qt.StrongFocus
    Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, control)

    contentItem: Text {
        text: control.text
        font: control.font
        color: Style.foreground
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        implicitWidth: 140
        implicitHeight: Style.rowHeight
        color: control.activeFocus ? Style.highlight : (control.checked ? Style.panel : Style.background)
        border.color: Style.inactive

        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 3
            visible: control.checked
            color: control.activeFocus ? Style.foreground : Style.highlight
        }
    }
}
