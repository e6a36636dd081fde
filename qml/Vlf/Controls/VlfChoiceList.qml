import QtQuick 2.15
import Vlf.Styles 1.0

// Entries with a mark each, by default one choice among several (radio marks): the knob
// walks the entries, a press chooses the one it stands on. With checkMarks each entry is
// marked on its own, as markedOf says. The model is a list of texts or of objects; for
// objects textOf and iconOf say what to show.
VlfListView {
    id: list

    property int selectedIndex: -1
    property int rowHeight: Style.rowHeight
    property int maxRows: 5
    property var textOf: function(entry) { return entry !== null && typeof entry === "object" ? entry.name : String(entry) }
    property var iconOf: function(entry) { return "" }
    property bool checkMarks: false
    property var markedOf: function(entry, index) { return index === selectedIndex }

    signal chosen(int index)

    function choose(index) {
        if (index < 0 || index >= count)
            return
        currentIndex = index
        chosen(index)
    }

    implicitWidth: 300
    implicitHeight: orientation === ListView.Vertical ? Math.max(1, Math.min(count, maxRows)) * rowHeight : rowHeight
    highlightMoveDuration: 0
    highlightResizeDuration: 0
    interactive: orientation === ListView.Vertical && count > maxRows

    Connections {
        target: list.vlfNavigationClient
        function onKnobPressed() { list.choose(list.currentIndex) }
    }

    delegate: Item {
        id: row
        width: list.orientation === ListView.Vertical ? list.width : Math.max(Style.buttonWidth, content.implicitWidth + 2 * Style.margin)
        height: list.rowHeight

        Row {
            id: content
            x: Style.margin
            anchors.verticalCenter: parent.verticalCenter
            spacing: Style.margin

            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 20
                height: 20
                radius: list.checkMarks ? 3 : 10
                color: "transparent"
                border.color: Style.foreground
                border.width: 2
                Rectangle {
                    anchors.centerIn: parent
                    width: 10
                    height: 10
                    radius: 5
                    color: Style.foreground
                    visible: !list.checkMarks && list.markedOf(modelData, index)
                }
                Image {
                    anchors.centerIn: parent
                    width: 22
                    height: 22
                    sourceSize.width: 22
                    sourceSize.height: 22
                    source: "qrc:/icons/confirm.svg"
                    visible: list.checkMarks && list.markedOf(modelData, index)
                }
            }
            Image {
                anchors.verticalCenter: parent.verticalCenter
                source: list.iconOf(modelData)
                visible: source != ""
                sourceSize.height: Style.smallIconSize
                height: Style.smallIconSize
                fillMode: Image.PreserveAspectFit
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                width: list.orientation === ListView.Vertical ? list.width - x - 2 * Style.margin : implicitWidth
                text: list.textOf(modelData)
                // Standard names come from files: drawn as they are, never as markup.
                textFormat: Text.PlainText
                elide: Text.ElideRight
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
        }
        MouseArea {
            anchors.fill: parent
            onClicked: {
                list.forceActiveFocus()
                list.choose(index)
            }
        }
    }
}
