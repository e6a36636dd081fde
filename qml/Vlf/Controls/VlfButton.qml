import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A push button that takes part in the encoder navigation: the knob presses it.
Button {
    id: control

    // A press only stops or aborts something (HV off, a running procedure's Cancel): the
    // window takes it also right after the page changed, and the knob acts at once.
    property bool stopping: false
    // Two knob presses within the double-click time are one press, not a double press.
    property bool doubleIsOne: stopping

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: control.clicked()
    }

    font.pixelSize: Style.fontSize
    focusPolicy: Qt.StrongFocus
    Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, control)

    background: Rectangle {
        implicitWidth: Style.buttonWidth
        implicitHeight: Style.buttonHeight
        radius: Style.cornerRadius
        // A chosen entry keeps a tint of the highlight.
        color: control.activeFocus ? Style.highlight
                                   : (control.down ? Style.inactive
                                                   : (control.checked ? Qt.tint(Style.panel, Style.chosenTint) : Style.panel))
        border.color: control.checked ? Style.foreground : Style.inactive
        border.width: control.checked ? 2 : 1
    }
}
