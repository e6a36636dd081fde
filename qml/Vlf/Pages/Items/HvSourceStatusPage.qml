import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The HV source's state and error, read again when the page opens and on Refresh.
VlfPage {
    id: page

    readonly property var calibration: guiViewModel.calibration
    property alias refreshButton: refreshButton

    objectName: "hvSourceStatusPage"
    title: qsTranslate("Menu", "HvSourceStatus")
    showBack: true

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin

        InfoRow {
            objectName: "statusRow"
            label: qsTranslate("Calibration", "HvSourceState")
            value: page.calibration.hvUnitStatus
        }
        InfoRow {
            objectName: "errorRow"
            label: qsTranslate("Calibration", "HvSourceError")
            value: page.calibration.hvUnitError
        }
    }

    buttons: [
        VlfButton {
            id: refreshButton
            objectName: "refreshButton"
            text: qsTranslate("Calibration", "Refresh")
            onClicked: guiViewModel.refreshHvUnitStatus()
        }
    ]

    Component.onCompleted: guiViewModel.refreshHvUnitStatus()
}
