import QtQuick 2.15
import QtQuick.VirtualKeyboard 2.15
import Vlf.Styles 1.0

// The on-screen keyboard with its suggestion row. It comes in from the top when the
// focused field lies in the lower part of the body, so the field stays visible.
Item {
    id: panel

    property Item body: null
    property bool fromTop: false
    property int maxSuggestions: 5
    readonly property bool shown: guiViewModel.inputPanelActive
    property alias inputPanel: inputPanel
    property alias suggestionRow: suggestionRow

    visible: shown
    height: inputPanel.height + suggestionRow.height
    y: fromTop ? 0 : (parent ? parent.height - height : 0)

    // Where the keyboard comes from for the item that holds the focus.
    function placeFor(item) {
        if (!item || !body)
            return
        var pos = item.mapToItem(body, 0, 0)
        fromTop = pos.y > body.height * 0.45
    }

    function putSuggestion(text) {
        var item = Window.activeFocusItem
        if (item && item.text !== undefined)
            item.text = text
    }

    Rectangle {
        id: suggestionRow
        objectName: "suggestionRow"
        width: parent.width
        height: guiViewModel.inputPanelSuggestions.length > 0 ? Style.headerHeight : 0
        y: panel.fromTop ? inputPanel.height : 0
        color: Style.panel
        visible: height > 0

        Row {
            anchors.fill: parent
            Repeater {
                model: guiViewModel.inputPanelSuggestions.slice(0, panel.maxSuggestions)
                delegate: Item {
                    width: suggestionRow.width / Math.min(panel.maxSuggestions,
                                                          guiViewModel.inputPanelSuggestions.length)
                    height: suggestionRow.height
                    Text {
                        anchors.centerIn: parent
                        text: modelData
                        color: Style.foreground
                        font.pixelSize: Style.fontSize
                    }
                    Rectangle {
                        width: 1
                        height: parent.height - Style.margin
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        color: Style.inactive
                        visible: index < Math.min(panel.maxSuggestions,
                                                  guiViewModel.inputPanelSuggestions.length) - 1
                    }
                    MouseArea {
                        anchors.fill: parent
                        onClicked: panel.putSuggestion(modelData)
                    }
                }
            }
        }
    }

    // The key being pressed, for pages that react to OK and Cancel of the keyboard:
    // Escape for Cancel, Enter for OK, else the character's code, 0 when none.
    function keyCodeOf(key, uppercase) {
        if (key === Qt.Key_Escape || key === Qt.Key_Cancel)
            return Qt.Key_Escape
        if (key === Qt.Key_Return || key === Qt.Key_Enter)
            return Qt.Key_Enter
        if (key >= Qt.Key_A && key <= Qt.Key_Z)
            return uppercase ? key : key + 32
        if (key > 0 && key < 0x10000)
            return key
        return 0
    }

    Connections {
        target: InputContext.inputEngine
        function onActiveKeyChanged(key) {
            guiViewModel.setActiveKeyCode(panel.keyCodeOf(key, InputContext.uppercase))
        }
    }

    InputPanel {
        id: inputPanel
        objectName: "inputPanel"
        width: parent.width
        y: panel.fromTop ? 0 : suggestionRow.height
        onActiveChanged: guiViewModel.setInputPanelActive(active)
    }
}
