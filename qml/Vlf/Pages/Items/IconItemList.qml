import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// A list of IconListViewItems, an icon and a text each; the knob walks the rows and a
// press (or a tap) opens the one it stands on.
VlfChoiceList {
    id: list

    maxRows: 6
    textOf: function(item) { return item.name }

    delegate: Item {
        width: list.width
        height: list.rowHeight

        // Some icons are drawn for the coloured header: a badge keeps every one visible.
        Rectangle {
            id: icon
            x: Style.margin
            anchors.verticalCenter: parent.verticalCenter
            width: Style.iconSize
            height: Style.iconSize
            radius: Style.largeCornerRadius
            color: Style.inactive
            visible: image.source != ""
            Image {
                id: image
                anchors.centerIn: parent
                width: Style.iconSize - 6
                height: width
                sourceSize.width: width
                sourceSize.height: width
                source: modelData.icon
            }
        }
        Text {
            x: icon.x + icon.width + Style.margin
            width: parent.width - x - Style.margin
            anchors.verticalCenter: parent.verticalCenter
            objectName: "rowText"
            text: list.textOf(modelData)
            // File and network names are names, not markup: "R&D.tar" stays whole.
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: Style.foreground
            font.pixelSize: Style.fontSize
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
