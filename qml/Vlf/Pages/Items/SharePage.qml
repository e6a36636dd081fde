import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Where stored tests go: one test (an opened stored one by its `filePath`, the one just
// run by its `fileName`) or every test selected in the history (`allSelected`). A medium can be chosen while it is connected; only the stick takes
// records so far.
VlfPage {
    id: page

    property string fileName: ""
    property string filePath: ""
    property bool allSelected: false
    readonly property var connections: guiViewModel.connections
    property alias bluetoothButton: bluetooth
    property alias wlanButton: wlan
    property alias usbButton: usb

    objectName: "sharePage"
    title: qsTranslate("History", "ChooseStorageMedium")
    showBack: true
    firstFocus: usb

    function exportToUsb() {
        if (!current)
            return
        if (allSelected)
            guiViewModel.activities.exportSelectedActivities()
        else if (filePath.length > 0)
            guiViewModel.activities.exportActivityFile(filePath)
        else if (fileName.length > 0)
            guiViewModel.activities.exportActivity(fileName)
        else
            guiViewModel.showError(qsTranslate("TanDelta", "ResultNoData"), qsTranslate("Dialog", "OK"))
    }

    Row {
        id: media
        anchors.centerIn: parent
        spacing: Style.margin * 4

        VlfButton {
            id: bluetooth
            objectName: "bluetoothButton"
            width: 200
            height: 150
            enabled: page.connections.bluetoothState === Qt.Checked
            text: qsTranslate("Connection", "Bluetooth")
            icon.source: "qrc:/icons/bluetooth.svg"
            icon.width: Style.largeIconSize
            icon.height: Style.largeIconSize
            display: AbstractButton.TextUnderIcon
        }
        VlfButton {
            id: wlan
            objectName: "wlanButton"
            width: 200
            height: 150
            enabled: page.connections.wlanState === Qt.Checked
            text: qsTranslate("Connection", "WLAN")
            icon.source: "qrc:/icons/wlan.svg"
            icon.width: Style.largeIconSize
            icon.height: Style.largeIconSize
            display: AbstractButton.TextUnderIcon
        }
        VlfButton {
            id: usb
            objectName: "usbButton"
            width: 200
            height: 150
            enabled: page.connections.usbState === Qt.Checked
            text: qsTranslate("Connection", "USB")
            icon.source: "qrc:/icons/usb_stick.svg"
            icon.width: Style.largeIconSize
            icon.height: Style.largeIconSize
            display: AbstractButton.TextUnderIcon
            onClicked: page.exportToUsb()
        }
    }

    Component.onCompleted: {
        navigation.addNavElement(bluetooth, false, false)
        navigation.addNavElement(wlan, false, false)
        navigation.addNavElement(usb, false, false)
    }
}
