import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// A stored log, newest first: icon, text and the time beside it. The list is read anew
// whenever the page comes back to the operator, so a deletion shows at once; a long log
// fills in while it is read.
VlfPage {
    id: page

    // The log's list model (a LogListModel of the view model).
    property var entries: null
    // Read again when the page comes back from under a dialog or another page.
    property bool stale: false
    property bool canExport: true
    property bool canDelete: false
    property alias list: list
    property alias exportButton: exportButton
    property alias deleteButton: deleteButton

    signal exportRequested()
    signal deleteRequested()

    showBack: true
    firstFocus: list

    function reload() {
        if (entries)
            entries.reload()
    }

    onCurrentChanged: {
        if (!current) {
            stale = true
        } else if (stale) {
            stale = false
            reload()
        }
    }

    VlfListView {
        id: list
        objectName: "logList"
        x: Style.margin * 2
        y: Style.margin * 2
        width: page.width - 4 * Style.margin
        height: page.flickable.height - 4 * Style.margin
        model: page.entries
        highlightMoveDuration: 0

        delegate: Rectangle {
            id: row
            readonly property bool focused: ListView.isCurrentItem && list.activeFocus
            width: list.width
            height: Math.max(Style.iconSize, message.implicitHeight) + Style.margin
            color: focused ? Style.highlight : (index % 2 === 1 ? Style.panel : Style.background)

            Rectangle {
                id: iconBox
                anchors.left: parent.left
                anchors.leftMargin: Style.margin
                anchors.verticalCenter: parent.verticalCenter
                width: model.icon.length > 0 ? Style.iconSize - 4 : 0
                height: width
                radius: width / 2
                visible: width > 0
                color: Style.inactive
                Image {
                    objectName: "logIcon"
                    anchors.centerIn: parent
                    source: model.icon
                    sourceSize.height: Style.iconSize - 10
                }
            }
            Text {
                id: message
                objectName: "logText"
                anchors.left: iconBox.right
                anchors.leftMargin: Style.margin
                anchors.right: time.left
                anchors.rightMargin: Style.margin
                anchors.verticalCenter: parent.verticalCenter
                text: model.name
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                color: Style.foreground
                font.pixelSize: Style.smallFontSize
            }
            Text {
                id: time
                objectName: "logTime"
                anchors.right: parent.right
                anchors.rightMargin: Style.margin
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, row.width * 0.45)
                horizontalAlignment: Text.AlignRight
                text: model.value
                textFormat: Text.PlainText
                elide: Text.ElideLeft
                color: Style.foreground
                font.pixelSize: Style.smallFontSize
            }
        }
    }

    buttons: [
        VlfButton {
            id: exportButton
            objectName: "exportButton"
            visible: page.canExport
            text: qsTranslate("Menu", "Export")
            onClicked: page.exportRequested()
        },
        VlfButton {
            id: deleteButton
            objectName: "deleteButton"
            visible: page.canDelete
            text: qsTranslate("History", "Delete")
            onClicked: page.deleteRequested()
        }
    ]

    Component.onCompleted: {
        reload()
        navigation.addNavElement(list, false, false)
    }
}
