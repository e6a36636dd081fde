import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A text field in the encoder navigation; the on-screen keyboard edits it. Left and Right
// move the cursor; at either end of the text the turn goes on to the page's navigation.
// Focus alone (a page opening, a turn) leaves the keyboard down: it comes up when the
// operator chooses the field, by a tap or by a press on a field not typed in since it took
// the focus. A press with the keyboard up (its Enter too) or after typing enters the text.
TextField {
    id: field

    property bool typed: false

    // The operator is done with the text.
    signal entered()

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: field.knobPress()
    }

    function cursorCanMove(key) {
        if (selectedText.length > 0)
            return true
        return key === Qt.Key_Left ? cursorPosition > 0 : cursorPosition < length
    }

    function knobPress() {
        if (!Qt.inputMethod.visible && !typed) {
            Qt.inputMethod.show()
            return
        }
        typed = false
        Qt.inputMethod.hide()
        entered()
    }

    font.pixelSize: Style.fontSize
    activeFocusOnPress: false
    onTextEdited: typed = true
    onActiveFocusChanged: if (!activeFocus) typed = false
    onReleased: {
        forceActiveFocus()
        Qt.inputMethod.show()
    }
    Keys.onPressed: {
        if ((event.key === Qt.Key_Left || event.key === Qt.Key_Right) && cursorCanMove(event.key))
            return
        event.accepted = vlfNavigationClient.keyPressed(event, field)
    }
}
