import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Browses and edits the configuration store one group at a time; a group row opens this
// page again for that group.
VlfPage {
    id: page

    property string path: ""
    readonly property var entries: guiViewModel.settings.configItems(path)
    property alias rows: rows

    objectName: "configurationEditor"
    title: path === "" ? qsTranslate("Menu", "ConfigurationEditor") : path

    function openGroup(name) {
        if (current)
            StackView.view.push("qrc:/Vlf/Pages/Items/ConfigurationEditor.qml", { "path": path + "/" + name })
    }

    Column {
        id: rows
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - 4 * Style.margin

        Repeater {
            model: page.entries
            delegate: ConfigEditorRow {
                width: rows.width
                editorPage: page
                entry: modelData
                path: page.path + "/" + modelData.name
            }
        }
        Text {
            visible: page.entries.length === 0
            text: "-"
            color: Style.inactive
            font.pixelSize: Style.fontSize
        }
    }

    buttons: [
        VlfButton {
            objectName: "leaveButton"
            text: page.path === "" ? qsTranslate("Dialog", "Close") : qsTranslate("Dialog", "Back")
            onClicked: page.close()
        }
    ]
}
