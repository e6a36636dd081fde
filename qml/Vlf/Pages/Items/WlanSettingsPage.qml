import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The device name, infrastructure or ad-hoc mode, and in infrastructure mode the networks
// found; choosing one asks for its password. Every change of the connection is reported.
VlfPage {
    id: page

    readonly property var connections: guiViewModel.connections
    readonly property var networks: connections.wlanList
    property int lastState: Qt.Unchecked
    property alias nameField: nameField
    property alias modeList: modeList
    property alias ssidField: ssidField
    property alias searchButton: searchButton
    property alias networkList: networkList

    function report() {
        var state = connections.wlanState
        if (state === Qt.Unchecked && lastState === Qt.Checked) {
            guiViewModel.showWarning(qsTranslate("WLAN", "LostConnectionToWlan"))
        } else if (state === Qt.Unchecked && lastState === Qt.PartiallyChecked) {
            guiViewModel.showWarning(qsTranslate("WLAN", "CantConnectToWlan"))
            networkList.currentIndex = -1
        } else if (state === Qt.PartiallyChecked && lastState !== Qt.PartiallyChecked) {
            guiViewModel.showInfo(qsTranslate("WLAN", "TryToConnectToWlan"))
        } else if (state === Qt.Checked && lastState !== Qt.Checked) {
            guiViewModel.showInfo(qsTranslate("WLAN", "WlanConnectionEstablished"))
        }
        lastState = state
    }

    function choose(index) {
        var network = networks[index]
        if (!network || !current)
            return
        StackView.view.push("qrc:/Vlf/Pages/Items/WlanPasswordPage.qml",
                            { "ssid": network.name, "networkName": String(network.value) })
    }

    objectName: "wlanSettingsPage"
    title: qsTranslate("Connection", "WLAN")
    showBack: true

    Connections {
        target: page.connections
        function onWlanStateChanged() { page.report() }
    }

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

        SettingHeading { text: qsTranslate("WLAN", "NetworkMode") }
        VlfChoiceList {
            id: modeList
            objectName: "modeList"
            orientation: ListView.Horizontal
            width: parent.width
            model: [qsTranslate("WLAN", "Infrastructure"), qsTranslate("WLAN", "AdHoc")]
            selectedIndex: page.connections.adhocNetwork ? 1 : 0
            onChosen: page.connections.adhocNetwork = index === 1
        }

        SettingHeading {
            text: qsTranslate("WLAN", "Ssid")
            visible: page.connections.adhocNetwork
        }
        EntryField {
            id: ssidField
            objectName: "ssidField"
            width: Style.narrowFieldWidth
            visible: page.connections.adhocNetwork
            text: page.connections.adHocSsid
            onConfirmed: page.connections.adHocSsid = text
        }

        VlfButton {
            id: searchButton
            objectName: "searchButton"
            visible: !page.connections.adhocNetwork
            text: page.connections.scanningWlanNetworks ? qsTranslate("WLAN", "searching")
                                                        : qsTranslate("WLAN", "SearchNetworks")
            onClicked: if (!page.connections.scanningWlanNetworks) page.connections.scanWlan()
        }
        IconItemList {
            id: networkList
            objectName: "networkList"
            width: parent.width
            visible: !page.connections.adhocNetwork && count > 0
            maxRows: 5
            model: page.networks
            textOf: function(item) {
                var connected = page.connections.wlanState === Qt.Checked
                        && item.name === page.connections.connectedWlanNetwork
                return connected ? item.name + " (" + qsTranslate("WLAN", "connected") + ")" : item.name
            }
            onChosen: page.choose(index)
        }
    }

    Component.onCompleted: {
        lastState = connections.wlanState
        navigation.addNavElement(nameField, false, false)
        navigation.addNavElement(modeList, false, false)
        navigation.addNavElement(ssidField, false, false)
        navigation.addNavElement(searchButton, false, false)
        navigation.addNavElement(networkList, false, false)
    }
}
