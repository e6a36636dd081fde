import QtQuick 2.15
import Vlf.Controls 1.0

// A text field whose text counts once the operator confirms it: by a press of the knob
// (or the keyboard's OK) on the field.
VlfTextField {
    id: field

    signal confirmed()

    Connections {
        target: field.vlfNavigationClient
        function onKnobPressed() { field.confirmed() }
    }
}
