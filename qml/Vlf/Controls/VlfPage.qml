import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// The frame of every content page: its title for the header, one navigation, a scrolling
// content area that keeps the focused control in view (above the on-screen keyboard too),
// and a bottom row of buttons with an optional Back at its end. See the README of the
// gui folder for how pages use it.
Page {
    id: page

    default property alias content: contentArea.data
    property alias buttons: buttonRow.data
    property alias navigation: navigation
    property alias flickable: flick
    property alias scrollIndicator: scrollIndicator
    property alias backButton: backButton
    property alias firstFocus: navigation.initialElement
    property bool showBack: false
    // Current: on top of the page stack with no dialog, backfeed page or remote frame over it.
    readonly property bool current: StackView.status === StackView.Active && !covered
    readonly property bool covered: appWindow !== null && appWindow.pagesCovered === true
    readonly property var appWindow: ApplicationWindow.window
    readonly property Item keyboardPanel: appWindow && appWindow.keyboard !== undefined ? appWindow.keyboard : null
    readonly property real keyboardCoverTop: coverBy(keyboardPanel, true)
    readonly property real keyboardCoverBottom: coverBy(keyboardPanel, false)
    property bool hasLeft: false

    // Once, whenever the page leaves the stack: popped, replaced or cleared away.
    signal leaving()

    background: Rectangle { color: Style.background }

    // Leaves the page, and whatever lies on top of it; never some other page.
    function close() {
        var view = StackView.view
        if (!view || StackView.index < 0)
            return false
        if (StackView.index === 0)
            return false
        view.pop(view.get(StackView.index - 1, StackView.DontLoad))
        return true
    }

    function replaceWith(target, properties) {
        var view = StackView.view
        if (!view || StackView.index < 0)
            return null
        return view.replace(page, target, properties || {})
    }

    // How far the keyboard reaches into the content area from one side.
    function coverBy(panel, fromTop) {
        if (!panel || !panel.shown || panel.fromTop !== fromTop || !panel.parent)
            return 0
        var area = flick.mapToItem(panel.parent, 0, 0)
        var reach = fromTop ? panel.y + panel.height - area.y : area.y + flick.height - panel.y
        return Math.max(0, Math.min(flick.height, reach))
    }

    // Scrolls the content so that the item shows between the keyboard and the edges.
    function bringIntoView(item) {
        if (!item || !navigation.isInside(item, contentArea))
            return
        var r = item.mapToItem(contentArea, 0, 0, item.width, item.height)
        var y = flick.contentY
        if (r.y + r.height > y + flick.height - keyboardCoverBottom)
            y = r.y + r.height + Style.margin - (flick.height - keyboardCoverBottom)
        // The top edge wins for an item taller than the free space.
        if (r.y < y + keyboardCoverTop)
            y = r.y - Style.margin - keyboardCoverTop
        var lowest = -flick.topMargin
        var highest = Math.max(lowest, flick.contentHeight - flick.height + flick.bottomMargin)
        flick.contentY = Math.max(lowest, Math.min(highest, y))
    }

    function followFocus() {
        if (current)
            bringIntoView(navigation.windowFocusItem)
    }

    function pinButtons() {
        var pins = navigation.pinned.slice()
        for (var i = 0; i < pins.length; ++i)
            navigation.removeNavElement(pins[i])
        for (var j = 0; j < buttonRow.children.length; ++j) {
            var item = buttonRow.children[j]
            if (navigation.clientOf(item))
                navigation.pinNavElement(item)
        }
        navigation.pinNavElement(backButton)
    }

    StackView.onActivated: {
        if (!navigation.heal())
            followFocus()
    }
    StackView.onRemoved: {
        if (!hasLeft) {
            hasLeft = true
            leaving()
        }
    }
    onKeyboardCoverTopChanged: followTimer.restart()
    onKeyboardCoverBottomChanged: followTimer.restart()

    Timer {
        id: followTimer
        interval: 0
        onTriggered: page.followFocus()
    }
    Timer {
        id: pinTimer
        interval: 0
        onTriggered: page.pinButtons()
    }

    Connections {
        target: navigation
        function onWindowFocusItemChanged() { page.followFocus() }
    }

    VlfNavigation {
        id: navigation
        anchors.fill: parent
        focus: true
        scope: page
        active: page.current

        Flickable {
            id: flick
            objectName: "pageContent"
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: buttonBar.top
            clip: true
            contentWidth: width
            contentHeight: contentArea.height
            // Room to scroll a field out from under the keyboard.
            topMargin: page.keyboardCoverTop
            bottomMargin: page.keyboardCoverBottom
            boundsBehavior: Flickable.StopAtBounds
            onHeightChanged: followTimer.restart()
            ScrollIndicator.vertical: VlfScrollIndicator { id: scrollIndicator }

            // Taller content scrolls, with Style.margin * 2 at either end. Measured a turn
            // later: centred content moves with the area's height, which would else
            // depend on itself.
            Item {
                id: contentArea
                property real extent: 0
                // Read here so that the item keeps its children's extent up to date.
                readonly property real childrenHeight: childrenRect.height
                width: flick.width
                height: Math.max(flick.height, extent)
                onChildrenHeightChanged: measureTimer.restart()
            }
            Timer {
                id: measureTimer
                interval: 0
                onTriggered: {
                    contentArea.extent = contentArea.childrenHeight + 4 * Style.margin
                    page.followFocus()
                }
            }
        }

        Item {
            id: buttonBar
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: bottomRow.width > 0 ? bottomRow.height + 2 * Style.margin : 0
            visible: height > 0

            Row {
                id: bottomRow
                anchors.right: parent.right
                anchors.rightMargin: Style.margin * 2
                anchors.verticalCenter: parent.verticalCenter
                spacing: Style.margin * 2

                Row {
                    id: buttonRow
                    spacing: Style.margin * 2
                    onChildrenChanged: pinTimer.restart()
                }
                VlfButton {
                    id: backButton
                    objectName: "backButton"
                    visible: page.showBack
                    text: qsTranslate("Dialog", "Back")
                    onClicked: page.close()
                }
            }
        }

        Component.onCompleted: page.pinButtons()
    }
}
