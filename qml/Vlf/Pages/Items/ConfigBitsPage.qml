import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The five switches of the HV unit's settings word, and whether a test boost is there and
// commissioning is on.
VlfPage {
    id: page

    readonly property var calibration: guiViewModel.calibration
    property alias toggles: toggles

    objectName: "configBitsPage"
    title: qsTranslate("Menu", "ConfigBits")
    showBack: true

    Column {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        Column {
            id: toggles
            width: parent.width
            spacing: Style.smallSpacing

            ConfigBitToggle {
                objectName: "limitPwmToggle"
                label: qsTranslate("Calibration", "LimitPwm")
                active: page.calibration.limitPwm
                onSwitchRequested: page.calibration.limitPwm = wanted
            }
            ConfigBitToggle {
                objectName: "bridgeCircuitToggle"
                label: qsTranslate("Calibration", "H-Bridge")
                active: page.calibration.bridgeCircuit
                onSwitchRequested: page.calibration.bridgeCircuit = wanted
            }
            ConfigBitToggle {
                objectName: "loadDetectionToggle"
                label: qsTranslate("ErrorMessages", "LoadDetection")
                active: page.calibration.loadDetection
                inverted: true
                onSwitchRequested: page.calibration.loadDetection = wanted
            }
            ConfigBitToggle {
                objectName: "tanDeltaCalibToggle"
                label: qsTranslate("Calibration", "TDCalibrationMode")
                active: page.calibration.tanDeltaCalib
                onSwitchRequested: page.calibration.tanDeltaCalib = wanted
            }
            ConfigBitToggle {
                objectName: "crossCurrentToggle"
                label: qsTranslate("Calibration", "CrossCurrentIncrease")
                active: page.calibration.crossCurrentIncrease
                onSwitchRequested: page.calibration.crossCurrentIncrease = wanted
            }
        }

        Item { width: 1; height: Style.margin }
        InfoRow {
            objectName: "boostRow"
            label: qsTranslate("Calibration", "TestBoostPresent")
            value: guiViewModel.testBoostState !== Qt.Unchecked ? qsTranslate("Calibration", "Yes")
                                                                : qsTranslate("Calibration", "No")
        }
        InfoRow {
            objectName: "commissioningRow"
            label: qsTranslate("Calibration", "CommissioningEnabled")
            value: guiViewModel.commissioningEnabled ? qsTranslate("Calibration", "Yes") : qsTranslate("Calibration", "No")
        }
    }

    Component.onCompleted: {
        for (var i = 0; i < toggles.children.length; ++i)
            navigation.addNavElement(toggles.children[i], false, false)
    }
}
