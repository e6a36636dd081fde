import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The parameters of the next test: one button per parameter, the editor of the one being
// edited, and Confirm, which confirms it and moves on; the last Confirm opens the
// confirmation page. Settings opens the extended parameters.
VlfPage {
    id: page

    readonly property TestConfiguration config: guiViewModel.config
    property var parameters: []
    readonly property PropertySettingsViewModel activeItem: {
        for (var i = 0; i < parameters.length; ++i)
            if (parameters[i].isActive)
                return parameters[i]
        return null
    }
    // A voltage type or factor chosen while the page was covered.
    property bool inputChanged: false
    property alias parameterButtons: parameterButtons
    property alias editor: editor
    property alias confirmButton: confirm
    property alias settingsButton: settings

    showBack: true

    // The list is announced after every refresh; equal items keep their buttons.
    function takeParameters() {
        var next = []
        var list = config.mainParameters
        for (var i = 0; i < list.length; ++i)
            next.push(list[i])
        var same = next.length === parameters.length
        for (var j = 0; same && j < next.length; ++j)
            same = next[j] === parameters[j]
        if (!same)
            parameters = next
    }

    function select(item) {
        for (var i = 0; i < parameters.length; ++i)
            if (parameters[i] !== item)
                parameters[i].isActive = false
        item.isActive = true
    }

    // A second press while the next page comes in finds this page no longer current.
    function confirmParameter() {
        if (!current)
            return
        if (config.confirmParameter())
            page.StackView.view.push(Qt.resolvedUrl("TestConfirmationPage.qml"), { "title": page.title })
    }

    function openSettings() {
        if (!current)
            return
        config.setParametersToDataModel()
        page.StackView.view.push(Qt.resolvedUrl("ExtendedConfigurationPage.qml"), { "title": page.title })
    }

    // The encoder's order: parameters, then the editor's controls, then the bottom row.
    function registerControls() {
        var wanted = []
        for (var i = 0; i < parameterButtons.count; ++i)
            if (parameterButtons.itemAt(i))
                wanted.push(parameterButtons.itemAt(i))
        navigation.replaceElements(wanted.concat(editor.controls))
    }

    Connections {
        target: page.config
        function onMainParametersChanged() { page.takeParameters() }
        function onVoltageTypeChanged() { if (!page.current) page.inputChanged = true }
        function onVoltageFactorChanged() { if (!page.current) page.inputChanged = true }
    }
    // The title names the polarity chosen on the extended page (DC+, DC-).
    Connections {
        target: guiViewModel
        function onModeChanged() { page.title = guiViewModel.getModeString() }
    }
    StackView.onActivated: {
        if (inputChanged) {
            inputChanged = false
            config.updateValuesFromModel()
            config.updateVoltageInput()
        }
    }

    Timer {
        id: registerTimer
        interval: 0
        onTriggered: page.registerControls()
    }

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - Style.margin * 4
        spacing: Style.margin * 2

        Row {
            id: buttonRow
            spacing: Style.margin
            width: parent.width
            Repeater {
                id: parameterButtons
                model: page.parameters
                ParameterButton {
                    objectName: "parameterButton" + index
                    item: modelData
                    // Four fit the width; more share it.
                    width: (buttonRow.width - buttonRow.spacing * (Math.max(4, page.parameters.length) - 1))
                           / Math.max(4, page.parameters.length)
                    onClicked: page.select(item)
                }
                onItemAdded: registerTimer.restart()
                onItemRemoved: registerTimer.restart()
            }
        }
        ParameterEditor {
            id: editor
            width: parent.width
            item: page.activeItem
            singlePhaseMode: page.config.isSinglePhaseTestMode()
            onControlsChanged: registerTimer.restart()
        }
    }

    buttons: [
        VlfButton {
            id: settings
            objectName: "settingsButton"
            visible: page.config.secondaryParameters.length > 0
            text: qsTranslate("Menu", "Settings")
            onClicked: page.openSettings()
        },
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            enabled: page.config.confirmEnabled
            text: qsTranslate("Menu", "Confirm")
            onClicked: page.confirmParameter()
        }
    ]

    firstFocus: confirm
    Component.onCompleted: {
        takeParameters()
        registerControls()
    }
}
