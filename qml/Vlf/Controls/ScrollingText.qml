import QtQuick 2.15
import Vlf.Styles 1.0

// One line of text; when it is wider than its box it scrolls: pause, move left until its
// end shows, pause, move out while a second copy follows, jump back, again.
Item {
    id: root

    property string text
    property color color: Style.foreground
    property alias font: label.font
    property int msPerPixel: 20
    property int gap: 60
    property real offset: 0
    property real distance: 0
    readonly property bool overflowing: label.implicitWidth > width
    readonly property bool scrolling: animation.running

    clip: true
    implicitHeight: label.implicitHeight

    function restart() {
        animation.stop()
        offset = 0
        // Computed here: bindings on the label's width may not have caught up yet.
        distance = Math.max(0, label.implicitWidth - width)
        // Before the layout gave the box its width there is nothing to scroll.
        if (distance > 0 && width > 0 && visible)
            animation.start()
    }

    onTextChanged: restart()
    onWidthChanged: restart()
    onVisibleChanged: restart()
    Component.onCompleted: restart()

    Text {
        id: label
        x: root.offset
        anchors.verticalCenter: parent.verticalCenter
        text: root.text
        // Titles carry names from outside (system name, folders): never markup.
        textFormat: Text.PlainText
        color: root.color
        onImplicitWidthChanged: root.restart()
    }

    Text {
        x: root.offset + label.implicitWidth + root.gap
        anchors.verticalCenter: parent.verticalCenter
        visible: root.overflowing
        text: root.text
        textFormat: Text.PlainText
        color: root.color
        font: label.font
    }

    SequentialAnimation {
        id: animation
        loops: Animation.Infinite
        PropertyAction { target: root; property: "offset"; value: 0 }
        PauseAnimation { duration: 2000 }
        NumberAnimation {
            target: root
            property: "offset"
            to: -root.distance
            duration: Math.max(0, root.distance * root.msPerPixel)
        }
        PauseAnimation { duration: 5000 }
        NumberAnimation {
            target: root
            property: "offset"
            to: -(root.distance + root.width + root.gap)
            duration: Math.max(0, (root.width + root.gap) * root.msPerPixel)
        }
    }
}
