import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The header: the newest, most severe message or else the page title, the status icons
// with the screenshot button, and the clock.
Rectangle {
    id: header

    property string title
    // Hides the screenshot button while a picture is being taken, so it is not in it.
    property bool screenshotBusy: false
    readonly property var message: guiViewModel.messageList.length > 0 ? guiViewModel.messageList[0] : null
    readonly property string shownText: message ? message.name : title
    property alias titleText: titleText
    property alias clockText: clock.text

    signal screenshotRequested()

    implicitHeight: Style.headerHeight
    color: Style.headerColor

    Rectangle {
        id: messageIcon
        objectName: "messageIcon"
        anchors.left: parent.left
        anchors.leftMargin: Style.margin
        anchors.verticalCenter: parent.verticalCenter
        width: header.message ? Style.iconSize + 4 : 0
        height: width
        radius: width / 2
        visible: header.message !== null
        color: header.message ? header.message.value : "transparent"
        Image {
            anchors.centerIn: parent
            source: header.message ? header.message.icon : ""
            sourceSize.height: Style.iconSize - 8
        }
    }

    ScrollingText {
        id: titleText
        objectName: "headerTitle"
        anchors.left: messageIcon.right
        anchors.leftMargin: Style.margin
        anchors.right: icons.left
        anchors.rightMargin: Style.margin
        anchors.verticalCenter: parent.verticalCenter
        text: header.shownText
        color: Style.foreground
        font.pixelSize: Style.fontSize
    }

    Row {
        id: icons
        anchors.right: clock.left
        anchors.rightMargin: Style.margin
        anchors.verticalCenter: parent.verticalCenter
        spacing: Style.margin

        StatusIcon {
            objectName: "hvOnIcon"
            source: "qrc:/icons/warning.svg"
            sourceSize.height: Style.iconSize * 1.5
            height: Style.iconSize * 1.5
            visible: guiViewModel.isHvOn
            blinking: true
            toolTipText: qsTranslate("SafetyCircuit", "HvOn")
        }
        StatusIcon {
            objectName: "calibrationIcon"
            source: "qrc:/icons/calibration.svg"
            visible: guiViewModel.calibration.tanDeltaCalib
        }
        StatusIcon {
            objectName: "burnIcon"
            source: "qrc:/icons/burn.svg"
            visible: guiViewModel.burnState === Qt.Checked
        }
        StatusIcon {
            objectName: "bluetoothIcon"
            source: guiViewModel.connections.bluetoothState === Qt.Checked ? "qrc:/icons/bluetooth-connected.svg"
                                                                          : "qrc:/icons/bluetooth.svg"
            visible: guiViewModel.connections.bluetoothState !== Qt.Unchecked
        }
        StatusIcon {
            objectName: "wlanIcon"
            source: guiViewModel.connections.wlanState === Qt.Checked ? "qrc:/icons/wlan-connected.svg"
                                                                     : "qrc:/icons/wlan.svg"
            visible: guiViewModel.connections.wlanState !== Qt.Unchecked
        }
        StatusIcon {
            objectName: "testBoostIcon"
            source: "qrc:/icons/testboost.svg"
            opacity: guiViewModel.testBoostState === Qt.Checked ? 1.0 : 0.5
            visible: guiViewModel.testBoostState !== Qt.Unchecked
        }
        StatusIcon {
            objectName: "usbIcon"
            source: "qrc:/icons/usb.svg"
            visible: guiViewModel.connections.usbState !== Qt.Unchecked
            blinking: guiViewModel.connections.usbState === Qt.PartiallyChecked
        }
        StatusIcon {
            objectName: "screenshotButton"
            source: "qrc:/icons/screenshot.svg"
            visible: guiViewModel.settings.screenshotsEnabled && !header.screenshotBusy
            opacity: guiViewModel.connections.usbState === Qt.Checked ? 1.0 : 0.25
            MouseArea {
                anchors.fill: parent
                onClicked: header.screenshotRequested()
            }
        }
    }

    Text {
        id: clock
        objectName: "clock"
        anchors.right: parent.right
        anchors.rightMargin: Style.margin
        anchors.verticalCenter: parent.verticalCenter
        color: Style.foreground
        font.pixelSize: Style.fontSize

        function update() {
            text = new Date().toLocaleTimeString(Qt.locale("en_GB"), guiViewModel.settings.timeFormatString)
        }

        Timer {
            interval: 1000
            repeat: true
            running: true
            triggeredOnStart: true
            onTriggered: clock.update()
        }
    }
}
