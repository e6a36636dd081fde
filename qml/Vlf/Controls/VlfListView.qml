import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A list that the encoder walks entry by entry before it leaves the list; rows beyond its
// height show in its scroll indicator.
ListView {
    id: list

    property alias scrollIndicator: indicator

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
    ScrollIndicator.vertical: VlfScrollIndicator { id: indicator }
    highlight: Rectangle { color: list.activeFocus ? Style.highlight : "transparent" }
}
