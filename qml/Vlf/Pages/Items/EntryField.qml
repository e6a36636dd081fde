import QtQuick 2.15
import Vlf.Controls 1.0

// A text field whose text counts once the operator enters it: by a press of the knob
// after typing, or the keyboard's Enter.
VlfTextField {
    id: field

    signal confirmed()

    onEntered: confirmed()
}
