import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A push button that takes part in the encoder navigation: the knob presses it.
Button {
    id: control

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: control.clicked()
    }

    font.pixelSize: Style.fontSize
    focusPolicy: Qt.StrongFocus
    Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, control)

    background: Rectangle {
        implicitWidth: 120
        implicitHeight: 44
        radius: 4
        color: control.activeFocus ? Style.highlight : (control.down ? Style.inactive : Style.panel)
        border.color: Style.inactive
    }
}
