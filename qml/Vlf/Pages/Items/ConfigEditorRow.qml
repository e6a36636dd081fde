import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0
import "ConfigValue.js" as ConfigValue

// One key of the configuration editor: its name, a lock when read-only, and an editor by
// its type. A value is shown as changed only when the store took it.
Item {
    id: row

    property Item editorPage: null
    property var entry: ({})
    property string path: ""
    // What the store holds; editors go back to it when a write is refused.
    property var stored: entry.value
    readonly property int type: entry.type
    readonly property bool readOnly: entry.readOnly === true
    readonly property bool hasRange: type === 3 && entry.range !== undefined
    readonly property Item editor: loader.item

    function navElement() { return loader.item && loader.item.navElement !== undefined ? loader.item.navElement : loader.item }

    function storedText() { return ConfigValue.valueText({ "type": type, "value": stored }) }

    function writeText(text) {
        var ok = false
        var value
        if (type === 2) {
            value = text
            ok = guiViewModel.settings.setConfigItemString(path, value)
        } else if (type === 3) {
            var parsedLong = ConfigValue.parseLong(text)
            value = parsedLong.value
            ok = parsedLong.ok && guiViewModel.settings.setConfigItemLong(path, value)
        } else if (type === 4) {
            var parsedDouble = ConfigValue.parseDouble(text)
            value = parsedDouble.value
            ok = parsedDouble.ok && guiViewModel.settings.setConfigItemDouble(path, value)
        }
        if (ok)
            stored = value
        return ok
    }

    function writeLong(value) {
        if (guiViewModel.settings.setConfigItemLong(path, Math.round(value)))
            stored = Math.round(value)
        return stored
    }

    function writeBool(on) {
        if (guiViewModel.settings.setConfigItemBool(path, on))
            stored = (type === 1) ? (on ? 1 : 0) : on
        return stored
    }

    implicitHeight: Math.max(52, loader.height + Style.margin)

    Image {
        id: lock
        anchors.verticalCenter: parent.verticalCenter
        width: Style.smallIconSize
        height: Style.smallIconSize
        sourceSize.width: Style.smallIconSize
        sourceSize.height: Style.smallIconSize
        source: row.readOnly ? "qrc:/icons/locked.svg" : ""
    }
    Text {
        id: name
        anchors.left: lock.right
        anchors.leftMargin: Style.margin
        anchors.verticalCenter: parent.verticalCenter
        width: 280
        text: row.entry.name
        // Keys and values may come with an imported file: never markup.
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: Style.foreground
        font.pixelSize: Style.fontSize
    }
    Loader {
        id: loader
        anchors.left: name.right
        anchors.leftMargin: Style.margin
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        sourceComponent: {
            if (row.type === -1)
                return groupEditor
            if (row.readOnly || row.type === 0 || row.type > 5)
                return shownValue
            if (row.type === 1 || row.type === 5)
                return boolEditor
            if (row.hasRange)
                return sliderEditor
            return textEditor
        }
        onLoaded: if (row.editorPage) row.editorPage.navigation.addNavElement(row.navElement(), false, false)
    }

    Component {
        id: groupEditor
        VlfButton {
            objectName: "group_" + row.entry.name
            text: "\u203A"
            onClicked: row.editorPage.openGroup(row.entry.name)
        }
    }
    // Read-only rows still take the focus, so that the knob scrolls past them.
    Component {
        id: shownValue
        VlfButton {
            objectName: "value_" + row.entry.name
            flat: true
            text: row.storedText()
            contentItem: Text {
                text: parent.text
                textFormat: Text.PlainText
                elide: Text.ElideRight
                color: parent.activeFocus ? Style.foreground : Style.inactive
                font.pixelSize: Style.fontSize
                verticalAlignment: Text.AlignVCenter
            }
        }
    }
    Component {
        id: textEditor
        VlfTextField {
            objectName: "edit_" + row.entry.name
            text: row.storedText()
            inputMethodHints: row.type === 2 ? Qt.ImhNoPredictiveText
                                             : (row.type === 3 ? Qt.ImhFormattedNumbersOnly : Qt.ImhPreferNumbers)
            onEditingFinished: {
                if (text !== row.storedText())
                    row.writeText(text)
                text = row.storedText()
            }
        }
    }
    Component {
        id: sliderEditor
        Row {
            spacing: Style.margin
            // The navigation focuses the slider itself.
            property Item navElement: slider
            VlfSlider {
                id: slider
                objectName: "slider_" + row.entry.name
                width: 260
                from: row.entry.range.min
                to: row.entry.range.max
                stepSize: row.entry.range.step > 0 ? row.entry.range.step : 1
                value: row.stored
                // A refused value goes back to the stored one.
                onEdited: slider.value = row.writeLong(value)
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: Math.round(slider.value)
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
        }
    }
    Component {
        id: boolEditor
        VlfChoiceList {
            objectName: "choice_" + row.entry.name
            orientation: ListView.Horizontal
            model: [qsTranslate("Dialog", "No"), qsTranslate("Dialog", "Yes")]
            selectedIndex: row.stored ? 1 : 0
            onChosen: selectedIndex = row.writeBool(index === 1) ? 1 : 0
        }
    }
}
