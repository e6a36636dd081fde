import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Bluetooth, WLAN and the USB stick.
VlfPage {
    id: page

    readonly property var connections: guiViewModel.connections
    property alias menu: menu

    objectName: "connectionsPage"
    title: qsTranslate("Menu", "Connections")
    showBack: true

    SettingsMenu {
        id: menu
        page: page
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin

        SettingsEntry {
            objectName: "bluetoothEntry"
            text: qsTranslate("Connection", "Bluetooth")
            enabled: false
            target: "qrc:/Vlf/Pages/Items/BluetoothSettingsPage.qml"
        }
        SettingsEntry {
            objectName: "wlanEntry"
            text: qsTranslate("Connection", "WLAN")
            enabled: !guiViewModel.isDemo
            valueText: page.connections.wlanState === Qt.Checked ? page.connections.connectedWlanNetwork : ""
            target: "qrc:/Vlf/Pages/Items/WlanSettingsPage.qml"
        }
        SettingsEntry {
            objectName: "usbEntry"
            text: qsTranslate("Connection", "USB")
            target: "qrc:/Vlf/Pages/Items/UsbBrowserPage.qml"
        }
    }

    Component.onCompleted: menu.register()
}
