import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Sets the instrument's serial number; the data model says whether it is valid.
VlfPage {
    id: page

    property alias field: field

    function apply() {
        if (!guiViewModel.settings.setSerialNumber(field.text.trim())) {
            guiViewModel.showWarning(qsTranslate("Dialog", "SerialNumberNotValid"))
            return
        }
        guiViewModel.showInfo(qsTranslate("Dialog", "SerialNumberChanged"))
        page.close()
    }

    objectName: "serialNumberPage"
    title: qsTranslate("Menu", "SetSerialNumber")

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: Style.fieldWidth
        spacing: Style.margin

        Text {
            text: qsTranslate("Settings", "CurrentSerialNumber")
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        Text {
            objectName: "currentSerialNumber"
            text: guiViewModel.settings.serialNumber
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
        }
        Text {
            text: qsTranslate("Settings", "NewSerialNumber")
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        VlfTextField {
            id: field
            objectName: "serialNumberField"
            width: parent.width
            text: guiViewModel.settings.serialNumber
            inputMethodHints: Qt.ImhDigitsOnly
        }
    }

    buttons: [
        CancelButton { onClicked: page.close() },
        VlfButton {
            objectName: "okButton"
            text: qsTranslate("Dialog", "OK")
            onClicked: page.apply()
        }
    ]

    Component.onCompleted: navigation.addNavElement(field, false, false)
}
