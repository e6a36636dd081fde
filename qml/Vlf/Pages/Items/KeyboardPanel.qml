import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.VirtualKeyboard 2.15
import Vlf.Styles 1.0

// The on-screen keyboard with its suggestion row. It comes in from the side where it
// covers less of the focused field.
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

    // The side from which the keyboard covers less of the focused item; the bottom when
    // both cover it as much, and the page then scrolls the item above the keyboard.
    function placeFor(item) {
        if (!item || !body)
            return
        var pos = item.mapToItem(body, 0, 0)
        var reach = inputPanel.height + Style.headerHeight
        var top = Math.max(0, Math.min(item.height, reach - pos.y))
        var bottom = Math.max(0, Math.min(item.height, pos.y + item.height - (body.height - reach)))
        fromTop = top < bottom
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

    // Pages answer the keyboard's OK and Cancel themselves, so these keys carry no
    // text; the language follows the settings, so there is no language key; digit-only
    // fields have no use for a space but need a sign.
    function isKey(item) {
        return item.key !== undefined && item.weight !== undefined && item.functionKey !== undefined
    }
    function isOkKey(key) { return key.key === Qt.Key_Return || key.key === Qt.Key_Enter }
    function isCancelKey(key) { return String(key).indexOf("HideKeyboardKey") === 0 }

    function adjustKeys() {
        if (!inputPanel || !inputPanel.keyboard)
            return
        adjustKeysBelow(inputPanel.keyboard, inputPanel.keyboard.digitsOnly)
    }
    function adjustKeysBelow(item, digitsOnly) {
        for (var i = 0; i < item.children.length; ++i) {
            var key = item.children[i]
            if (isKey(key)) {
                if (key.objectName === "changeLanguageKey") {
                    key.visible = false
                } else if (isOkKey(key) || isCancelKey(key)) {
                    key.text = ""
                    key.displayText = ""
                } else if (digitsOnly && key.key === Qt.Key_Space) {
                    key.key = Qt.Key_Minus
                    key.text = "-"
                    key.displayText = "-"
                }
            }
            adjustKeysBelow(key, digitsOnly)
        }
    }

    // The key being pressed, for pages that react to OK and Cancel of the keyboard:
    // Escape for Cancel, Enter for OK, else the character of its text, 0 when none.
    function keyCodeOf(key) {
        if (!key)
            return 0
        if (isCancelKey(key))
            return Qt.Key_Escape
        if (isOkKey(key))
            return Qt.Key_Enter
        var text = key.uppercased ? key.text.toUpperCase() : key.text
        return text.length > 0 ? text.charCodeAt(0) : 0
    }

    Connections {
        target: inputPanel.keyboard
        // The new layout's keys exist only once the loader has made them.
        function onLayoutChanged() { Qt.callLater(panel.adjustKeys) }
        function onActiveKeyChanged() {
            panel.adjustKeys()
            guiViewModel.setActiveKeyCode(panel.keyCodeOf(inputPanel.keyboard.activeKey))
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
