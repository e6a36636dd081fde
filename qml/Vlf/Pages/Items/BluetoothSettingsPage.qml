import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The name the instrument advertises, the adapter's power and the connected central.
VlfPage {
    id: page

    readonly property var connections: guiViewModel.connections
    readonly property string stateText: connections.bluetoothState === Qt.Checked
        ? qsTranslate("Connection", "connected") + " (" + connections.connectedBluetoothDevice + ")"
        : connections.bluetoothState === Qt.PartiallyChecked ? qsTranslate("Connection", "listening")
                                                             : qsTranslate("Connection", "disabled")
    property alias nameField: nameField
    property alias powerList: powerList

    objectName: "bluetoothSettingsPage"
    title: qsTranslate("Connection", "Bluetooth")
    showBack: true

    Column {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        SettingHeading { text: qsTranslate("Connection", "DeviceName") }
        EntryField {
            id: nameField
            objectName: "deviceNameField"
            width: Style.narrowFieldWidth
            text: page.connections.deviceName
            onConfirmed: page.connections.deviceName = text
        }

        SettingHeading { text: qsTranslate("Connection", "Power") }
        VlfChoiceList {
            id: powerList
            objectName: "powerList"
            orientation: ListView.Horizontal
            width: parent.width
            model: [qsTranslate("Connection", "Off"), qsTranslate("Connection", "On")]
            selectedIndex: page.connections.bluetoothState === Qt.Unchecked ? 0 : 1
            onChosen: page.connections.enableBluetooth(index === 1)
        }

        SettingHeading { text: qsTranslate("Connection", "State") }
        Text {
            objectName: "stateText"
            text: page.stateText
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
    }

    Component.onCompleted: {
        navigation.addNavElement(nameField, false, false)
        navigation.addNavElement(powerList, false, false)
    }
}
