import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A slider for an integer value. The knob press starts and ends editing: while editing the
// encoder's turns move the value one step, otherwise they move the focus on. Released by
// touch near a tick, the value snaps onto it. `edited(value)` reports every change made
// by the operator.
Slider {
    id: control

    property var ticks: []
    // How near (in value units) a release must be for the value to snap onto a tick.
    readonly property real snapDistance: Math.max(1, (to - from) * 0.03)
    property bool editing: false

    signal edited(int value)

    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        canForward: control.editing
        canBackward: control.editing
        onKnobPressed: control.editing = !control.editing
        onInternalForward: control.step(1)
        onInternalBackward: control.step(-1)
        onNewElementFocused: if (!yourself) control.editing = false
    }

    // One turn moves one stepSize (at least 1).
    function step(direction) {
        var next = Math.max(from, Math.min(to, Math.round(value) + direction * Math.max(1, Math.round(stepSize))))
        if (next !== Math.round(value))
            edited(next)
    }

    // The tick nearest to v when it lies within the snap distance, else v itself.
    function snapped(v) {
        var best = v
        var distance = snapDistance
        for (var i = 0; i < ticks.length; ++i) {
            var tick = Number(ticks[i])
            if (tick < from || tick > to)
                continue
            var d = Math.abs(tick - v)
            if (d <= distance) {
                distance = d
                best = tick
            }
        }
        return Math.round(best)
    }

    stepSize: 1
    focusPolicy: Qt.StrongFocus
    implicitHeight: 56
    onActiveFocusChanged: if (!activeFocus) editing = false
    onMoved: edited(Math.round(value))
    onPressedChanged: if (!pressed) edited(snapped(value))
    // The arrow keys belong to the encoder: the slider's own handling would move the value
    // without editing.
    Keys.onPressed: {
        var used = vlfNavigationClient.keyPressed(event, control)
        event.accepted = used || event.key === Qt.Key_Left || event.key === Qt.Key_Right
                         || event.key === Qt.Key_Up || event.key === Qt.Key_Down
    }

    background: Item {
        x: control.leftPadding
        y: control.topPadding + control.availableHeight / 2 - height / 2
        implicitWidth: 300
        implicitHeight: 6
        width: control.availableWidth
        height: 6

        Rectangle {
            anchors.fill: parent
            radius: 3
            color: Style.inactive
        }
        Rectangle {
            width: control.visualPosition * parent.width
            height: parent.height
            radius: 3
            color: Style.highlight
        }
        Repeater {
            model: control.ticks
            Rectangle {
                readonly property real tick: Number(modelData)
                visible: tick >= control.from && tick <= control.to && control.to > control.from
                x: (tick - control.from) / Math.max(1, control.to - control.from) * parent.width - width / 2
                y: -8
                width: 2
                height: parent.height + 16
                color: Style.foreground
            }
        }
    }

    handle: Rectangle {
        x: control.leftPadding + control.visualPosition * (control.availableWidth - width)
        y: control.topPadding + control.availableHeight / 2 - height / 2
        implicitWidth: 32
        implicitHeight: 32
        radius: 16
        color: control.editing ? Style.highlight : (control.pressed ? Style.inactive : Style.panel)
        border.width: control.activeFocus ? 4 : 1
        border.color: control.activeFocus ? Style.highlight : Style.inactive
    }
}
