import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The HV unit's calibration values: each shows the unit's last report and writes a new
// value to the unit; Refresh reads them all again.
VlfPage {
    id: page

    readonly property var calibration: guiViewModel.calibration
    readonly property bool model45kV: guiViewModel.systemInformation.pevantoTypeInt === 45
    property alias refreshButton: refreshButton
    property alias fields: grid
    property alias generatorList: generatorList
    property alias commissioningButton: commissioningButton

    // label, property, decimals, minimum, maximum
    readonly property var rows: [
        [qsTranslate("Calibration", "Gain U"), "gainU", 3, 0.8, 1.2],
        [qsTranslate("Calibration", "Gain I"), "gainI", 3, 0.8, 1.2],
        [qsTranslate("Calibration", "LD Calibration"), "ldCalibration", 3, 0.8, 1.2],
        [qsTranslate("Calibration", "HV Protection R (Ω)"), "hvProtection", 1, 10, 5000],
        [qsTranslate("Calibration", "CErd Calibration (pF)"), "cErdCalibration", 1, 1, 500],
        [qsTranslate("Calibration", "RErd Calibration (GΩ)"), "rErdCalibration", 1, 1, 18446744],
        [qsTranslate("Calibration", "C HV Output (pF)"), "cHvOutput", 1, 1, 10000],
        [qsTranslate("Calibration", "R HV Output (GΩ)"), "rHvOutput", 1, 1, 5000],
        [qsTranslate("Calibration", "Gain PFC"), "gainPFC", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Gain U HVP"), "gainHvpU", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Offset U HVP"), "offsetHvpU", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Gain U HVN"), "gainHvnU", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Offset U HVN"), "offsetHvnU", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Gain I HVP"), "gainHvpI", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Offset I HVP"), "offsetHvpI", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Gain I HVN"), "gainHvnI", 4, -8, 7.9998],
        [qsTranslate("Calibration", "Offset I HVN"), "offsetHvnI", 4, -8, 7.9998],
        [qsTranslate("Calibration", "1 tanδ Re"), "tanDeltaReal1", 8, -2, 2],
        [qsTranslate("Calibration", "1 tanδ Im"), "tanDeltaImag1", 8, -2, 2],
        [qsTranslate("Calibration", "2 tanδ Re"), "tanDeltaReal2", 8, -2, 2],
        [qsTranslate("Calibration", "2 tanδ Im"), "tanDeltaImag2", 8, -2, 2]
    ]

    // The field of a property, for the tests and the focus.
    function fieldOf(property) {
        for (var i = 0; i < repeater.count; ++i)
            if (rows[i][1] === property)
                return repeater.itemAt(i)
        return null
    }

    objectName: "calibrationMenuPage"
    title: qsTranslate("Menu", "CalibrationMode")
    showBack: true

    Column {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        Grid {
            id: grid
            columns: 2
            columnSpacing: Style.margin * 4
            rowSpacing: Style.margin

            Repeater {
                id: repeater
                model: page.rows

                CalibrationValueField {
                    width: Style.narrowFieldWidth
                    label: modelData[0]
                    value: page.calibration[modelData[1]]
                    decimals: modelData[2]
                    minimum: modelData[3]
                    maximum: modelData[4]
                    onEntered: page.calibration[modelData[1]] = value
                }
            }
        }

        Row {
            spacing: Style.margin * 2
            visible: page.model45kV
            Text {
                width: 200
                anchors.verticalCenter: parent.verticalCenter
                text: qsTranslate("Calibration", "HV Generator Char")
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfChoiceList {
                id: generatorList
                objectName: "generatorList"
                width: 260
                orientation: ListView.Horizontal
                model: ["0", "1"]
                selectedIndex: page.calibration.hvGeneratorChar === 1 ? 1 : 0
                onChosen: page.calibration.hvGeneratorChar = index
            }
        }
        InfoRow {
            objectName: "ignitionRow"
            width: Style.narrowFieldWidth
            label: qsTranslate("Calibration", "Ignition Pulse Type")
            value: page.calibration.ignition
        }
    }

    buttons: [
        // The commissioning procedures, switched on with this page.
        VlfButton {
            id: commissioningButton
            objectName: "commissioningButton"
            visible: guiViewModel.commissioningEnabled
            text: qsTranslate("Menu", "Commissioning")
            onClicked: {
                if (page.current)
                    page.StackView.view.push(Qt.resolvedUrl("CommissioningSelectionPage.qml"),
                                             { "node": guiViewModel.getMenuEntry(OperatingMode.Calibration) })
            }
        },
        VlfButton {
            id: refreshButton
            objectName: "refreshButton"
            text: qsTranslate("Calibration", "Refresh")
            onClicked: page.calibration.refresh()
        }
    ]

    Component.onCompleted: {
        // Opened from the unlocked service menu: commissioning is on until it is locked.
        if (!guiViewModel.settings.serviceMenuLocked)
            guiViewModel.commissioningEnabled = true
        for (var i = 0; i < repeater.count; ++i)
            navigation.addNavElement(repeater.itemAt(i).field, false, false)
        navigation.addNavElement(generatorList, false, false)
    }
}
