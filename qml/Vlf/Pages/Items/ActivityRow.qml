import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// One row of the history: a folder (test day and cable number) with its expander and a
// tri-state check box, or a stored test that a click selects or deselects. Rows of a
// collapsed folder take no room.
Item {
    id: row

    property var activities: null
    property int rowIndex: -1
    property int type: 0
    property int isSelected: 0
    property bool isVisible: true
    property string date: ""
    property string time: ""
    property string mode: ""
    property string classification: ""
    property string voltage: ""
    property string comment: ""
    property string phase: ""
    property string cableNumber: ""
    property bool collapsed: true
    property bool current: false
    readonly property bool isFolder: type === ActivityEntryType.Folder
    readonly property alias checkBox: checkBox
    readonly property alias expander: expander

    signal collapseToggled()

    function summary() {
        var parts = [mode, phase, voltage, comment].filter(function(t) { return t !== "" })
        return parts.join(" | ")
    }
    // The folder and all its tests, or the one test.
    function toggleSelection() {
        if (!activities)
            return
        if (isFolder) {
            activities.setChecked(date, cableNumber, isSelected === Qt.Checked ? Qt.Unchecked : Qt.Checked)
        } else {
            var model = activities.activityModel
            model.setData(model.index(rowIndex, 0), isSelected === Qt.Checked ? Qt.Unchecked : Qt.Checked,
                          ActivityModel.EntryIsSelectedRole)
        }
    }
    // What the knob does: a folder opens or closes, a test is selected or deselected.
    function activate() {
        if (isFolder)
            toggleCollapsed()
        else
            toggleSelection()
    }
    function toggleCollapsed() {
        if (!activities)
            return
        activities.setCollapsed(date, cableNumber, !collapsed)
        collapseToggled()
    }

    height: isVisible ? (isFolder ? 55 : 35) : 0
    visible: height > 0
    clip: true

    Rectangle {
        anchors.fill: parent
        anchors.bottomMargin: 1
        color: row.current ? Style.highlight : (row.isFolder ? Style.panel : "transparent")
    }
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Style.inactive
        opacity: 0.4
    }

    MouseArea {
        anchors.fill: parent
        onClicked: row.toggleSelection()
    }

    // Folder: expander, date, classification, cable number, check box.
    Item {
        id: expander
        objectName: "expander"
        visible: row.isFolder
        x: Style.margin
        width: 36
        height: parent.height
        Text {
            anchors.centerIn: parent
            text: row.collapsed ? "\u25B6" : "\u25BC"
            color: row.current ? Style.lightText : Style.foreground
            font.pixelSize: Style.fontSize
        }
        MouseArea {
            anchors.fill: parent
            onClicked: row.toggleCollapsed()
        }
    }
    Row {
        visible: row.isFolder
        x: expander.x + expander.width + Style.margin
        width: checkBox.x - x - Style.margin
        anchors.verticalCenter: parent.verticalCenter
        spacing: Style.margin * 2
        Text {
            id: dateText
            text: row.date
            color: row.current ? Style.lightText : Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
        }
        Text {
            width: Math.max(0, parent.width - dateText.width - cableText.width - 2 * parent.spacing)
            text: row.classification
            elide: Text.ElideRight
            color: row.current ? Style.lightText : Style.foreground
            font.pixelSize: Style.fontSize
        }
        Text {
            id: cableText
            objectName: "cableText"
            text: row.cableNumber !== "" ? row.cableNumber : qsTranslate("CableData", "UnknownCable")
            // Typed by the operator: drawn as typed.
            textFormat: Text.PlainText
            color: row.current ? Style.lightText : Style.foreground
            font.pixelSize: Style.fontSize
            font.italic: row.cableNumber === ""
        }
    }
    CheckBox {
        id: checkBox
        objectName: "folderCheckBox"
        visible: row.isFolder
        anchors.right: parent.right
        anchors.rightMargin: Style.margin
        anchors.verticalCenter: parent.verticalCenter
        tristate: true
        focusPolicy: Qt.NoFocus
        checkState: row.isSelected
        // The state follows the tests; a click asks for all or nothing.
        MouseArea {
            anchors.fill: parent
            onClicked: row.toggleSelection()
        }
    }

    // Test: time and what it was.
    Text {
        id: testText
        objectName: "testText"
        visible: !row.isFolder
        x: expander.x + expander.width + Style.margin * 2
        width: parent.width - x - Style.margin * 2 - Style.smallIconSize - Style.margin / 2
        anchors.verticalCenter: parent.verticalCenter
        text: row.time + "   " + row.summary()
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: row.current ? Style.lightText : Style.foreground
        font.pixelSize: Style.smallFontSize + 2
    }
    Image {
        objectName: "selectedMark"
        visible: !row.isFolder && row.isSelected === Qt.Checked
        anchors.right: parent.right
        anchors.rightMargin: Style.margin * 2
        anchors.verticalCenter: parent.verticalCenter
        source: "qrc:/icons/confirm.svg"
        sourceSize.width: Style.smallIconSize
        sourceSize.height: Style.smallIconSize
    }
}
