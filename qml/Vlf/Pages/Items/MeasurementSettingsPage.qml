import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Graph update interval, phase names and the voltage snap points.
VlfPage {
    id: page

    readonly property var settings: guiViewModel.settings
    property alias interval: interval
    property alias phaseFields: phaseFields
    property alias menu: menu

    objectName: "measurementSettingsPage"
    title: qsTranslate("Menu", "Measurement")
    showBack: true

    Column {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        SettingHeading { text: qsTranslate("Settings", "GraphUpdateIntervall") }
        Row {
            spacing: Style.margin
            VlfSlider {
                id: interval
                objectName: "graphIntervalSlider"
                width: Style.fieldWidth
                from: 50
                to: 2000
                stepSize: 10
                value: page.settings.graphUpdateIntervall
                onEdited: page.settings.graphUpdateIntervall = value
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: (interval.value / 1000).toLocaleString(Qt.locale(), "f", 2) + " s"
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
        }

        SettingHeading { text: qsTranslate("Settings", "PhaseNames") }
        Row {
            id: phaseFields
            spacing: Style.margin * 2
            Repeater {
                id: phases
                model: 3
                VlfTextField {
                    objectName: "phaseName" + index
                    width: 160
                    maximumLength: 10
                    text: guiViewModel.getPhaseName(index)
                    inputMethodHints: Qt.ImhNoPredictiveText
                    onEditingFinished: {
                        var name = text.trim()
                        // An empty name would leave the phase without a label.
                        if (name !== "" && name !== guiViewModel.getPhaseName(index)) {
                            if (index === 0)
                                guiViewModel.setPhaseNameL1(name)
                            else if (index === 1)
                                guiViewModel.setPhaseNameL2(name)
                            else
                                guiViewModel.setPhaseNameL3(name)
                        }
                        text = guiViewModel.getPhaseName(index)
                    }
                }
            }
        }

        SettingsMenu {
            id: menu
            page: page
            width: parent.width

            SettingsEntry {
                objectName: "testVoltageSnapsEntry"
                text: qsTranslate("Menu", "VoltageSnapsTestVoltage")
                target: "qrc:/Vlf/Pages/Items/VoltageSnapPage.qml"
                targetProperties: { "snapType": 1 }
            }
            SettingsEntry {
                objectName: "normVoltageSnapsEntry"
                text: qsTranslate("Menu", "VoltageSnapsNormVoltage")
                target: "qrc:/Vlf/Pages/Items/VoltageSnapPage.qml"
                targetProperties: { "snapType": 0 }
            }
        }
    }

    Component.onCompleted: {
        navigation.addNavElement(interval, false, false)
        for (var i = 0; i < phases.count; ++i)
            navigation.addNavElement(phases.itemAt(i), false, false)
        menu.register()
    }
}
