import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Versions, storage, the test boost's identity and the network addresses; the wired
// address can be edited here.
VlfPage {
    id: page

    readonly property var info: guiViewModel.systemInformation
    readonly property bool boostShown: guiViewModel.testBoostState !== Qt.Unchecked
    // Built anew on every read: read once when the page opens.
    readonly property var networks: info.networkConnectionList
    property alias addressFields: addresses

    // A new address for the connection called name; the field shows the old one again
    // when it is refused.
    function setAddress(field, name, oldAddress) {
        var text = field.text.trim()
        if (text === oldAddress)
            return
        if (guiViewModel.settings.setIp(name, text)) {
            guiViewModel.showInfo(qsTranslate("Dialog", "IpChanged"))
            field.acceptedAddress = text
        } else {
            guiViewModel.showWarning(qsTranslate("Dialog", "CantChangeIp"))
            field.text = oldAddress
        }
    }

    objectName: "informationPage"
    title: qsTranslate("Menu", "Information")
    showBack: true

    Column {
        id: infoColumn
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin

        InfoRow { label: qsTranslate("Information", "HardwareId"); value: page.info.hardwareId }
        InfoRow { label: qsTranslate("Information", "SoftwareInfo"); value: page.info.applicationVersion }
        InfoRow { label: qsTranslate("Information", "DiskUsage"); value: page.info.diskUsage; visible: false }
        InfoRow {
            objectName: "freeSpaceRow"
            label: qsTranslate("Information", "FreeSpaceForData")
            value: page.info.freeMeasurementsToSave
        }
        Item { width: 1; height: Style.margin * 2 }
        InfoRow {
            objectName: "typeRow"
            label: qsTranslate("Information", "PevantoType")
            value: page.info.pevantoType
        }
        InfoRow { label: qsTranslate("Information", "SerialNumber"); value: page.info.serialNumber }
        InfoRow { label: qsTranslate("Information", "BootloaderVersion"); value: page.info.bootloaderVersion; visible: false }
        InfoRow { label: qsTranslate("Information", "KernelVersion"); value: page.info.kernelVersion; visible: false }
        InfoRow { label: qsTranslate("Information", "FilesystemVersion"); value: page.info.filesystemVersion; visible: false }
        InfoRow { label: qsTranslate("Information", "HvUnitApplication"); value: page.info.hvcVersion }
        InfoRow { label: qsTranslate("Information", "HardwareVersion"); value: page.info.hwVersion; visible: false }
        InfoRow { label: qsTranslate("Information", "HvSourceVersion"); value: page.info.hvSourceVersion }
        InfoRow {
            objectName: "boostIdRow"
            label: qsTranslate("Information", "TestBoostId")
            value: page.info.testboostId
            visible: page.boostShown
        }
        InfoRow {
            label: qsTranslate("Information", "TestBoostSerial")
            value: page.info.testboostSerial
            visible: page.boostShown
        }
        InfoRow {
            label: qsTranslate("Information", "IgnitionMode")
            value: page.info.ignitionPuls
            visible: page.boostShown
        }
        Item { width: 1; height: Style.margin * 2 }
        InfoRow {
            label: qsTranslate("Menu", "Connection")
            value: qsTranslate("Menu", "IP")
            visible: addresses.count > 0
        }
        Repeater {
            id: addresses
            model: page.networks

            Item {
                id: addressRow
                width: infoColumn.width
                height: field.height + Style.margin
                property alias field: field

                Row {
                    width: infoColumn.width * 0.45
                    anchors.verticalCenter: field.verticalCenter
                    spacing: Style.margin
                    Image {
                        source: modelData.icon
                        visible: source != ""
                        sourceSize.height: Style.smallIconSize
                        height: Style.smallIconSize
                        fillMode: Image.PreserveAspectFit
                    }
                    Text {
                        text: modelData.name
                        elide: Text.ElideRight
                        color: Style.foreground
                        font.pixelSize: Style.fontSize
                    }
                }
                EntryField {
                    id: field
                    objectName: "addressField"
                    property string acceptedAddress: String(modelData.value)
                    x: infoColumn.width * 0.45 + Style.margin
                    width: Style.columnWidth
                    text: acceptedAddress
                    inputMethodHints: Qt.ImhPreferNumbers
                    onConfirmed: page.setAddress(field, modelData.name, acceptedAddress)
                }
                Component.onCompleted: page.navigation.addNavElement(field, false, false)
            }
        }
    }
}
