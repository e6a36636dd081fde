import QtQuick 2.15
import Vlf.Styles 1.0

// One criterion of one phase: its name, a bar of bands between the ticks, the inner ticks
// written below it and the phase's value marked above it (tan delta in 1e-3).
Item {
    id: item

    // A TanDeltaCriterionItemViewModel: name, subname, ticks, hasValue, value.
    property var criterion: null
    readonly property var ticks: criterion ? criterion.ticks : []
    readonly property int segmentCount: Math.max(0, ticks.length - 1)
    // Precision 0 is a valid setting: no negative decimals.
    readonly property int decimals: Math.max(0, Math.min(10, guiViewModel.settings.tanDeltaPrecision - 3))
    readonly property bool markerShown: criterion !== null && criterion.hasValue && segmentCount > 0
    // Along the bar, from its left end.
    readonly property real markerX: bar.width * markerPosition(criterion ? criterion.value : 0, ticks)
    readonly property alias segments: segments
    readonly property alias marker: marker
    readonly property alias markerLabel: markerLabel
    readonly property alias tickLabels: tickLabels

    implicitHeight: Math.max(names.height, barArea.height)

    // Bands from good to bad: three for two edges, five for symmetric ones.
    function segmentColor(index, tickCount) {
        if (tickCount === 4)
            return [Style.noActionRequired, Style.furtherStudy, Style.actionRequired][index]
        if (tickCount === 6)
            return [Style.actionRequired, Style.furtherStudy, Style.noActionRequired, Style.furtherStudy,
                    Style.actionRequired][index]
        return Style.actionRequired
    }
    // Where a value lies along the bar, 0 to 1: linear inside each band, held at the ends.
    function markerPosition(value, ticks) {
        var n = ticks ? ticks.length : 0
        if (n < 2 || value <= ticks[0])
            return 0
        if (value >= ticks[n - 1])
            return 1
        for (var i = 0; i < n - 1; ++i) {
            if (value <= ticks[i + 1]) {
                var span = ticks[i + 1] - ticks[i]
                var within = span > 0 ? (value - ticks[i]) / span : 0
                return (i + within) / (n - 1)
            }
        }
        return 1
    }
    function valueText(value) {
        return Number(value).toLocaleString(Qt.locale(), 'f', decimals)
    }

    Column {
        id: names
        width: 150
        anchors.verticalCenter: barArea.verticalCenter

        Text {
            width: parent.width
            text: item.criterion ? item.criterion.name : ""
            textFormat: Text.RichText
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
        }
        Text {
            width: parent.width
            text: item.criterion ? item.criterion.subname : ""
            textFormat: Text.RichText
            color: Style.inactive
            font.pixelSize: Style.smallFontSize
        }
    }

    Item {
        id: barArea
        x: names.width + Style.margin
        width: item.width - x
        height: markerLabel.height + bar.height + tickRow.height + Style.margin

        Text {
            id: markerLabel
            objectName: "markerLabel"
            visible: item.markerShown
            x: Math.max(0, Math.min(bar.width - width, item.markerX - width / 2))
            text: item.criterion && item.criterion.hasValue ? item.valueText(item.criterion.value) : ""
            color: Style.foreground
            font.pixelSize: Style.smallFontSize
            font.bold: true
        }

        Row {
            id: bar
            y: markerLabel.height + Style.margin / 2
            width: barArea.width - unitLabel.width - Style.margin
            height: 20

            Repeater {
                id: segments
                model: item.segmentCount

                Rectangle {
                    width: bar.width / item.segmentCount
                    height: bar.height
                    color: item.segmentColor(index, item.ticks.length)
                    border.color: Style.background
                    border.width: 1
                }
            }
        }
        Text {
            id: unitLabel
            anchors.right: parent.right
            anchors.verticalCenter: bar.verticalCenter
            text: "1E-3"
            color: Style.inactive
            font.pixelSize: Style.smallFontSize
        }
        Rectangle {
            id: marker
            objectName: "marker"
            visible: item.markerShown
            x: item.markerX - width / 2
            y: bar.y - 4
            width: 4
            height: bar.height + 8
            color: Style.foreground
        }

        Item {
            id: tickRow
            anchors.top: bar.bottom
            anchors.topMargin: 2
            width: bar.width
            height: Style.smallFontSize + 4

            Repeater {
                id: tickLabels
                model: Math.max(0, item.ticks.length - 2)

                Text {
                    readonly property real boundary: bar.width * (index + 1) / item.segmentCount
                    x: Math.max(0, Math.min(bar.width - width, boundary - width / 2))
                    text: item.valueText(item.ticks[index + 1])
                    color: Style.foreground
                    font.pixelSize: Style.smallFontSize
                }
            }
        }
    }
}
