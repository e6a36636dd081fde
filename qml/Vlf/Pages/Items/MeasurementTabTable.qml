import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The tan delta values of the running test beside the voltage gauge. The table follows
// the newest row unless the operator scrolled up; a press lets the encoder scroll it row
// by row, another press gives the encoder back to the page.
Item {
    id: tab

    property MeasurementTable table: null
    property real fullScale: 1
    property real voltage: 0
    property bool following: true
    property bool scrolling: false
    readonly property int rowHeight: 30
    readonly property alias view: view
    readonly property alias tableFrame: tableFrame
    readonly property alias hintText: hint

    function scrollTo(y) {
        var lowest = Math.max(0, view.rows * rowHeight - Math.max(0, view.height))
        var target = Math.max(0, Math.min(lowest, y))
        view.contentY = target
        following = target >= lowest
    }
    function scrollToNewest() { scrollTo(view.rows * rowHeight) }

    onVisibleChanged: if (visible && following) follow.restart()

    // Later, once the rows are laid out; it goes with the table, as a call queued for later
    // would not when the page is left at once.
    Timer {
        id: follow
        interval: 0
        onTriggered: tab.scrollToNewest()
    }

    Connections {
        target: tab.table
        function onRowsInserted() {
            if (tab.following)
                follow.restart()
        }
        function onModelReset() { tab.following = true }
    }

    VoltageGauge {
        id: gauge
        width: Math.min(tab.height, tab.width * 0.36)
        height: width
        anchors.verticalCenter: parent.verticalCenter
        fullScale: tab.fullScale
        value: tab.voltage
    }

    Rectangle {
        id: tableFrame
        objectName: "tableFrame"
        x: gauge.width + Style.margin * 2
        width: tab.width - x
        height: tab.height
        color: "transparent"
        border.width: activeFocus ? Style.activeBorderWidth : 1
        border.color: activeFocus ? Style.highlight : Style.inactive
        activeFocusOnTab: true

        property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
            canForward: tab.scrolling
            canBackward: tab.scrolling
            onInternalForward: tab.scrollTo(view.contentY + tab.rowHeight)
            onInternalBackward: tab.scrollTo(view.contentY - tab.rowHeight)
            onKnobPressed: tab.scrolling = !tab.scrolling
        }
        Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, tableFrame)
        onActiveFocusChanged: if (!activeFocus) tab.scrolling = false

        Row {
            id: headerRow
            x: Style.margin
            y: Style.margin
            Repeater {
                model: tab.table ? tab.table.headers : []
                Text {
                    width: view.width * tab.table.getColumnWeigth(index)
                    text: modelData
                    textFormat: Text.RichText
                    color: Style.foreground
                    font.pixelSize: Style.smallFontSize
                    horizontalAlignment: Text.AlignHCenter
                }
            }
        }
        Rectangle {
            id: rule
            anchors.top: headerRow.bottom
            anchors.topMargin: Style.margin / 2
            x: Style.margin
            width: view.width
            height: 1
            color: Style.inactive
        }

        TableView {
            id: view
            objectName: "tableView"
            anchors.top: rule.bottom
            anchors.bottom: hint.top
            x: Style.margin
            width: parent.width - Style.margin * 2
            clip: true
            model: tab.table
            boundsBehavior: Flickable.StopAtBounds
            columnWidthProvider: function(column) { return view.width * tab.table.getColumnWeigth(column) }
            rowHeightProvider: function(row) { return tab.rowHeight }
            onWidthChanged: forceLayout()
            // A tab shown again, or grown, still ends at the newest row.
            onHeightChanged: if (tab.following) tab.scrollToNewest()
            onMovementEnded: tab.scrollTo(contentY)

            delegate: Item {
                implicitWidth: 1
                implicitHeight: tab.rowHeight
                Row {
                    anchors.centerIn: parent
                    spacing: Style.margin / 2
                    Text {
                        id: cell
                        text: model.value !== undefined ? model.value : ""
                        color: Style.foreground
                        font.pixelSize: Style.fontSize
                        font.bold: true
                    }
                    Text {
                        text: tab.table.getUnitForColumn(column)
                        color: Style.foreground
                        font.pixelSize: Style.tinyFontSize
                        anchors.baseline: cell.baseline
                    }
                }
            }
        }

        Text {
            id: hint
            objectName: "tableHint"
            anchors.bottom: parent.bottom
            anchors.bottomMargin: Style.margin / 2
            anchors.horizontalCenter: parent.horizontalCenter
            height: implicitHeight
            text: tableFrame.activeFocus ? (tab.scrolling ? qsTranslate("MeasurementTable", "PressToReturn")
                                                          : qsTranslate("MeasurementTable", "PressToScrollTable"))
                                         : ""
            color: Style.inactive
            font.pixelSize: Style.smallFontSize
        }
    }
}
