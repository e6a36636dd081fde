import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A text field in the encoder navigation; the on-screen keyboard edits it. Left and Right
// move the cursor; at either end of the text the turn goes on to the page's navigation.
TextField {
    id: field

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: field.forceActiveFocus()
    }

    function cursorCanMove(key) {
        if (selectedText.length > 0)
            return true
        return key === Qt.Key_Left ? cursorPosition > 0 : cursorPosition < length
    }

    font.pixelSize: Style.fontSize
    Keys.onPressed: {
        if ((event.key === Qt.Key_Left || event.key === Qt.Key_Right) && cursorCanMove(event.key))
            return
        event.accepted = vlfNavigationClient.keyPressed(event, field)
    }
}
