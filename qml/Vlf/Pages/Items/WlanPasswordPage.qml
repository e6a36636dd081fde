import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The password of one network; OK starts connecting and goes back to the WLAN page, which
// follows the attempt.
VlfPage {
    id: page

    property string ssid: ""
    property string networkName: ""
    property alias field: field

    function connectNetwork() {
        if (!guiViewModel.connections.connectWlan(networkName, field.text))
            guiViewModel.showWarning(qsTranslate("WLAN", "CantConnectToWlan"))
        page.close()
    }

    objectName: "wlanPasswordPage"
    title: ssid
    firstFocus: field

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: Style.fieldWidth
        spacing: Style.margin

        SettingHeading { text: qsTranslate("WLAN", "Password") }
        EntryField {
            id: field
            objectName: "passwordField"
            width: parent.width
            echoMode: TextInput.Password
            inputMethodHints: Qt.ImhSensitiveData | Qt.ImhNoPredictiveText
            onConfirmed: page.connectNetwork()
        }
    }

    buttons: [
        CancelButton { onClicked: page.close() },
        VlfButton {
            objectName: "okButton"
            text: qsTranslate("Dialog", "OK")
            onClicked: page.connectNetwork()
        }
    ]

    Component.onCompleted: navigation.addNavElement(field, false, false)
}
