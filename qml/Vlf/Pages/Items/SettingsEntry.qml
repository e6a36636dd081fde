import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// One entry of a settings menu: opens its page on the page stack, or runs onClicked.
// valueText shows at the right end.
VlfButton {
    id: entry

    // The page URL and its initial properties.
    property string target: ""
    property var targetProperties: ({})
    property string valueText: ""
    // The page the entry stands on; SettingsMenu passes it down.
    readonly property Item page: parent && parent.page !== undefined ? parent.page : null

    width: parent ? parent.width : implicitWidth
    flat: true

    onClicked: {
        // A second tap while the new page comes up would push it twice.
        if (target === "" || !page || !page.current)
            return
        page.StackView.view.push(target, targetProperties)
    }

    contentItem: Item {
        implicitHeight: label.implicitHeight
        Text {
            id: label
            anchors.left: parent.left
            anchors.right: value.left
            anchors.rightMargin: Style.margin
            anchors.verticalCenter: parent.verticalCenter
            text: entry.text
            elide: Text.ElideRight
            color: entry.enabled ? Style.foreground : Style.inactive
            font.pixelSize: Style.fontSize
        }
        Text {
            id: value
            anchors.right: arrow.left
            anchors.rightMargin: Style.margin
            anchors.verticalCenter: parent.verticalCenter
            text: entry.valueText
            // Values such as the connected network's name are drawn as they are.
            textFormat: Text.PlainText
            color: entry.activeFocus ? Style.foreground : Style.inactive
            font.pixelSize: Style.fontSize
        }
        Text {
            id: arrow
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: entry.target !== "" ? "\u203A" : ""
            color: Style.foreground
            font.pixelSize: Style.fontSize * 1.5
        }
    }
}
