import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A text field in the encoder navigation; the on-screen keyboard edits it.
TextField {
    id: field

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: field.forceActiveFocus()
    }

    font.pixelSize: Style.fontSize
    Keys.onPressed: {
        if (event.key === Qt.Key_Left || event.key === Qt.Key_Right)
            return
        event.accepted = vlfNavigationClient.keyPressed(event, field)
    }
}
