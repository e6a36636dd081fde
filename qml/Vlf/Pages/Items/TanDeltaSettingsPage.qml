import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Tan delta resolution, the insulation types offered for a test, and the step levels.
VlfPage {
    id: page

    readonly property var settings: guiViewModel.settings
    // The 45 kV model resolves one decade less.
    readonly property bool coarse: guiViewModel.systemInformation.pevantoTypeInt === 45
    // Rebuilt by the view model on every read: read once per change.
    readonly property var insulations: settings.insulationList
    property alias resolution: resolution
    property alias insulationList: insulationList
    property alias menu: menu
    // The evaluation standards, read again when the view model says they changed. A user
    // standard's id is its place in the folder, so the marks go with every change.
    readonly property var standards: guiViewModel.evaluationStandardList
    property var checkedStandards: []
    readonly property bool builtInChecked: checkedStandards.some(function(id) { return id < 1000 })
    property alias standardList: standardList
    property alias importButton: importButton
    property alias exportButton: exportButton
    property alias deleteButton: deleteButton

    onStandardsChanged: checkedStandards = []

    function toggleStandard(index) {
        var id = standards[index].value
        var checked = checkedStandards.slice()
        var at = checked.indexOf(id)
        if (at >= 0)
            checked.splice(at, 1)
        else
            checked.push(id)
        checkedStandards = checked
    }

    function toggle(index) {
        var value = insulations[index].value
        settings.toggleInsulationState(value)
        // The list comes back reordered; stay on the type just switched.
        for (var i = 0; i < insulationList.count; ++i) {
            if (insulations[i].value === value) {
                insulationList.currentIndex = i
                break
            }
        }
    }

    objectName: "tanDeltaSettingsPage"
    title: qsTranslate("Menu", "TanDeltaSettings")
    showBack: true

    Column {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        SettingHeading { text: qsTranslate("Settings", "TanDeltaResolution") }
        VlfChoiceList {
            id: resolution
            objectName: "resolutionList"
            width: parent.width
            // Superscript characters: the list may draw its texts as plain text.
            model: page.coarse ? ["10\u207B\u2074", "10\u207B\u2075"] : ["10\u207B\u2075", "10\u207B\u2076"]
            selectedIndex: page.settings.tanDeltaPrecision === 6 ? 1 : 0
            onChosen: page.settings.tanDeltaPrecision = index === 1 ? 6 : 0
        }

        SettingHeading { text: qsTranslate("Settings", "Insulations") }
        VlfChoiceList {
            id: insulationList
            objectName: "insulationList"
            width: parent.width
            maxRows: 8
            checkMarks: true
            model: page.insulations
            markedOf: function(item, index) { return item.icon !== "" }
            onChosen: page.toggle(index)
        }

        SettingHeading { text: qsTranslate("Settings", "EvaluationStandards") }
        VlfChoiceList {
            id: standardList
            objectName: "standardList"
            width: parent.width
            maxRows: 6
            checkMarks: true
            model: page.standards
            // The built-in standards cannot be removed.
            iconOf: function(item) { return item.value < 1000 ? "qrc:/icons/locked.svg" : "" }
            markedOf: function(item, index) { return page.checkedStandards.indexOf(item.value) >= 0 }
            onChosen: page.toggleStandard(index)
        }

        SettingsMenu {
            id: menu
            page: page
            width: parent.width

            SettingsEntry {
                objectName: "tanDeltaStepsEntry"
                text: qsTranslate("Menu", "TanDeltaSteps")
                target: "qrc:/Vlf/Pages/Items/TanDeltaStepPage.qml"
            }
        }
    }

    buttons: [
        VlfButton {
            id: importButton
            objectName: "importStandardButton"
            text: qsTranslate("Menu", "ImportData")
            onClicked: {
                if (page.current)
                    page.StackView.view.push("qrc:/Vlf/Pages/Items/UsbBrowserPage.qml",
                                             { "extensions": guiViewModel.fileExtensionTanDeltaStd })
            }
        },
        VlfButton {
            id: exportButton
            objectName: "exportStandardsButton"
            enabled: page.checkedStandards.length > 0 && guiViewModel.connections.usbState === Qt.Checked
            text: qsTranslate("Menu", "Export")
            onClicked: guiViewModel.exportEvaluationStandards(page.checkedStandards)
        },
        VlfButton {
            id: deleteButton
            objectName: "deleteStandardsButton"
            enabled: page.checkedStandards.length > 0 && !page.builtInChecked
            text: qsTranslate("History", "Delete")
            onClicked: guiViewModel.deleteEvaluationStandards(page.checkedStandards)
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(resolution, false, false)
        navigation.addNavElement(insulationList, false, false)
        navigation.addNavElement(standardList, false, false)
        menu.register()
    }
}
