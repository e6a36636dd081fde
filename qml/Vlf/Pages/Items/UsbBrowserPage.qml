import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The folders and files of the USB stick. A folder opens, an update, a configuration or a
// criteria file goes to its importer (after its menu lock's password while that lock is
// closed); with extensions given only those files and every folder show. Configurations
// are imported only from the top of the stick; below it the page says so. The bottom
// button makes the folder shown the export folder.
VlfPage {
    id: page

    readonly property var connections: guiViewModel.connections
    // File name endings to show, e.g. [".cfg.xml"]; empty: everything. The view model
    // filters as it lists the folder.
    property var extensions: []
    readonly property var entries: connections.usbPathList
    readonly property string folder: connections.currentUsbPath.substring(4)
    readonly property bool isExportFolder: guiViewModel.settings.exportFolder === folder
    property alias list: list
    property alias exportButton: exportButton

    function open(index) {
        var entry = entries[index]
        if (entry)
            connections.activateUsbEntity(String(entry.value))
    }

    // A file behind a closed menu lock opens once that lock's password is given.
    function askPassword(lock, path) {
        var title = lock === "admin_menu" ? qsTranslate("Menu", "AdminSettings") : qsTranslate("Menu", "ServiceSettings")
        var prompt = page.StackView.view.push("qrc:/Vlf/Pages/Items/LockedMenuPage.qml",
                                              { "objectName": "lockPasswordPage", "levels": [lock], "title": title })
        prompt.unlocked.connect(function() {
            prompt.close()
            page.connections.activateUsbEntity(path)
        })
    }

    objectName: "usbBrowserPage"
    title: connections.currentUsbPath
    showBack: true

    Connections {
        target: page.connections
        // A stick put in while the page is open is read from its root.
        function onUsbStateChanged() {
            if (page.connections.usbState === Qt.Checked)
                page.connections.resetUsbPath()
        }
        function onPasswordRequired(lock, path) {
            if (page.current)
                page.askPassword(lock, path)
        }
    }

    Text {
        id: note
        objectName: "usbNote"
        x: Style.margin * 2
        y: Style.margin * 2
        visible: text !== ""
        width: parent.width - 4 * Style.margin
        wrapMode: Text.WordWrap
        text: page.connections.usbState !== Qt.Checked ? qsTranslate("UpdateManager", "NoUsbFound")
              : page.connections.scanningUsbPath ? qsTranslate("UpdateManager", "ReadingUsbFolder")
              : page.entries.length === 0 ? qsTranslate("UpdateManager", "NoDataOnUsbFound")
              : page.connections.usbConfigBelowTop ? qsTranslate("UpdateManager", "ConfigOnlyAtTop") : ""
        color: Style.foreground
        font.pixelSize: Style.fontSize

        // Blinks while the stick is being checked or a folder read.
        SequentialAnimation on opacity {
            running: page.connections.usbState === Qt.PartiallyChecked || page.connections.scanningUsbPath
            loops: Animation.Infinite
            onRunningChanged: if (!running) note.opacity = 1
            NumberAnimation { to: 0.2; duration: 500 }
            NumberAnimation { to: 1; duration: 500 }
        }
    }

    IconItemList {
        id: list
        objectName: "usbList"
        x: Style.margin * 2
        y: note.visible ? note.y + note.height + Style.margin : Style.margin
        width: parent.width - 4 * Style.margin
        visible: page.connections.usbState === Qt.Checked && count > 0
        maxRows: 7
        model: page.entries
        onChosen: page.open(index)
    }

    buttons: [
        VlfButton {
            id: exportButton
            objectName: "exportButton"
            enabled: page.connections.usbState === Qt.Checked
            text: page.isExportFolder ? qsTranslate("UpdateManager", "IsExportFolder")
                                      : qsTranslate("UpdateManager", "UseForExport")
            onClicked: {
                if (page.folder === "")
                    guiViewModel.showWarning(qsTranslate("UpdateManager", "TopIsNoExportFolder"))
                else
                    guiViewModel.settings.exportFolder = page.folder
            }
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(list, false, false)
        connections.usbExtensions = extensions
        connections.resetUsbPath()
    }
}
