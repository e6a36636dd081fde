import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A number the knob edits like VlfSlider: a press starts editing, turns step the value,
// the next press (or leaving) ends editing. Touch steps with the buttons at its sides.
SpinBox {
    id: control

    property bool editing: false

    // The value the operator settled on: after a touch step or the end of knob editing.
    signal committed(int value)

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: control.setEditing(!control.editing)
    }

    function setEditing(on) {
        if (on === editing)
            return
        editing = on
        if (!on)
            committed(value)
    }

    editable: false
    focusPolicy: Qt.StrongFocus
    font.pixelSize: Style.fontSize
    onActiveFocusChanged: if (!activeFocus) setEditing(false)
    onValueModified: if (!editing) committed(value)

    Keys.onPressed: {
        var forward = event.key === Qt.Key_Right || event.key === Qt.Key_Down
        var backward = event.key === Qt.Key_Left || event.key === Qt.Key_Up
        if (editing && (forward || backward)) {
            if (forward)
                increase()
            else
                decrease()
            event.accepted = true
            return
        }
        event.accepted = vlfNavigationClient.keyPressed(event, control) || forward || backward
    }

    Rectangle {
        z: -2
        anchors.fill: parent
        radius: Style.cornerRadius
        color: Style.highlight
        visible: control.activeFocus
        opacity: control.editing ? 0.6 : 0.3
    }
}
