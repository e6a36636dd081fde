import QtQuick 2.15
import Vlf.Styles 1.0

// A list that the encoder walks entry by entry before it leaves the list.
ListView {
    id: list

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        canForward: list.currentIndex < list.count - 1
        canBackward: list.currentIndex > 0
        onInternalForward: list.incrementCurrentIndex()
        onInternalBackward: list.decrementCurrentIndex()
        onInternalFirst: list.currentIndex = 0
        onInternalLast: list.currentIndex = list.count - 1
    }

    activeFocusOnTab: true
    clip: true
    keyNavigationEnabled: false
    Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, list)
    highlight: Rectangle { color: list.activeFocus ? Style.highlight : "transparent" }
}
