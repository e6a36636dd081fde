import QtQuick 2.15
import Vlf.Styles 1.0

// A round voltage gauge: a 240 degree scale from 0 to the full scale (or from a negative
// full scale to 0), a needle at the value and, while a target is being chosen, a marker
// at the target with its number.
Item {
    id: gauge

    property real fullScale: 1.0
    property real value: 0.0
    property bool targetActive: false
    property real target: 0.0
    readonly property real lowEnd: Math.min(0, fullScale)
    readonly property real highEnd: Math.max(0, fullScale) > lowEnd ? Math.max(0, fullScale) : lowEnd + 1
    readonly property real radius: Math.min(width, height) / 2 - Style.margin
    readonly property alias valueText: valueText
    readonly property alias targetText: targetText

    implicitWidth: 240
    implicitHeight: 240

    // Angle in degrees from 12 o'clock, clockwise, for a voltage.
    function angleOf(kV) {
        var share = (kV - lowEnd) / (highEnd - lowEnd)
        return -120 + 240 * Math.max(0, Math.min(1, share))
    }
    function format(kV) { return Number(kV).toLocaleString(Qt.locale(), 'f', 1) }

    onLowEndChanged: scale.requestPaint()
    onHighEndChanged: scale.requestPaint()
    onWidthChanged: scale.requestPaint()
    onHeightChanged: scale.requestPaint()

    Canvas {
        id: scale
        anchors.fill: parent
        onPaint: {
            var ctx = getContext("2d")
            ctx.reset()
            var cx = width / 2, cy = height / 2, r = gauge.radius
            ctx.lineWidth = 10
            ctx.strokeStyle = String(Style.panel)
            ctx.beginPath()
            ctx.arc(cx, cy, r - 5, (-210) * Math.PI / 180, 30 * Math.PI / 180, false)
            ctx.stroke()
            ctx.lineWidth = 2
            ctx.strokeStyle = String(Style.foreground)
            ctx.fillStyle = String(Style.foreground)
            ctx.font = Style.smallFontSize + "px sans-serif"
            ctx.textAlign = "center"
            ctx.textBaseline = "middle"
            for (var i = 0; i <= 4; ++i) {
                var kV = gauge.lowEnd + (gauge.highEnd - gauge.lowEnd) * i / 4
                var a = (gauge.angleOf(kV) - 90) * Math.PI / 180
                ctx.beginPath()
                ctx.moveTo(cx + (r - 14) * Math.cos(a), cy + (r - 14) * Math.sin(a))
                ctx.lineTo(cx + r * Math.cos(a), cy + r * Math.sin(a))
                ctx.stroke()
                ctx.fillText(gauge.format(kV), cx + (r - 34) * Math.cos(a), cy + (r - 34) * Math.sin(a))
            }
        }
    }

    // The target marker: a wedge on the scale.
    Item {
        anchors.fill: parent
        visible: gauge.targetActive
        rotation: gauge.angleOf(gauge.target)

        Rectangle {
            x: parent.width / 2 - width / 2
            y: parent.height / 2 - gauge.radius - 4
            width: 6
            height: 22
            color: Style.highlight
        }
    }

    Item {
        id: needle
        anchors.fill: parent
        rotation: gauge.angleOf(gauge.value)

        Rectangle {
            x: parent.width / 2 - width / 2
            y: parent.height / 2 - gauge.radius + 16
            width: 4
            height: gauge.radius - 16
            radius: 2
            color: Style.voltageColor
        }
    }
    Rectangle {
        anchors.centerIn: parent
        width: 14
        height: 14
        radius: 7
        color: Style.voltageColor
    }

    Column {
        anchors.horizontalCenter: parent.horizontalCenter
        y: parent.height / 2 + gauge.radius * 0.35

        Text {
            id: valueText
            anchors.horizontalCenter: parent.horizontalCenter
            text: gauge.format(gauge.value) + " " + qsTranslate("Units", "kV", "unit kilo volt")
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
        }
        Text {
            id: targetText
            anchors.horizontalCenter: parent.horizontalCenter
            visible: gauge.targetActive
            text: "\u2192 " + gauge.format(gauge.target) + " " + qsTranslate("Units", "kV", "unit kilo volt")
            color: Style.highlight
            font.pixelSize: Style.fontSize
            font.bold: true
        }
    }
}
