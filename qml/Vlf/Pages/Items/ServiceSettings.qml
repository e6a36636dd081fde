import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The service menu. One password field serves the Ryx level and the service level; the
// entries need the service level, the Ryx level alone opens the delete buttons of the logs.
VlfPage {
    id: page

    readonly property bool serviceUnlocked: !guiViewModel.settings.serviceMenuLocked
    readonly property bool ryxUnlocked: !guiViewModel.settings.ryxMenuLocked
    readonly property bool locked: !serviceUnlocked && !ryxUnlocked
    property alias prompt: prompt
    property alias menu: menu

    function unlock() {
        var text = prompt.field.text
        var ryx = guiViewModel.settings.unlockRyxMenu(text)
        var service = guiViewModel.settings.unlockServiceMenu(text)
        if (ryx || service) {
            prompt.clear()
            return
        }
        prompt.error = true
        navigation.jumpTo(prompt.field, false)
    }

    function lock() {
        if (ryxUnlocked)
            guiViewModel.settings.lockRyxMenu()
        else
            guiViewModel.settings.lockServiceMenu()
    }

    objectName: "serviceSettingsPage"
    title: qsTranslate("Menu", "ServiceSettings")
    showBack: !locked
    firstFocus: locked ? prompt.field : null

    PasswordPrompt {
        id: prompt
        x: Style.margin * 2
        y: Style.margin * 2
        width: 420
        visible: page.locked
    }

    SettingsMenu {
        id: menu
        page: page
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin
        visible: page.serviceUnlocked

        SettingsEntry {
            objectName: "serialNumberEntry"
            text: qsTranslate("Menu", "SetSerialNumber")
            valueText: guiViewModel.settings.serialNumber
            target: "qrc:/Vlf/Pages/Items/SerialNumberPage.qml"
        }
        SettingsEntry {
            objectName: "configurationEditorEntry"
            text: qsTranslate("Menu", "ConfigurationEditor")
            target: "qrc:/Vlf/Pages/Items/ConfigurationEditor.qml"
        }
        SettingsEntry {
            objectName: "updateConfigurationEntry"
            text: qsTranslate("Menu", "UpdateConfiguration")
            target: "qrc:/Vlf/Pages/Items/UsbBrowserPage.qml"
            targetProperties: ({ "extensions": guiViewModel.fileExtensionConfig })
        }
        SettingsEntry {
            objectName: "configBitsEntry"
            text: qsTranslate("Menu", "ConfigBits")
            target: "qrc:/Vlf/Pages/Items/ConfigBitsPage.qml"
        }
        SettingsEntry {
            objectName: "hvSourceStatusEntry"
            text: qsTranslate("Menu", "HvSourceStatus")
            target: "qrc:/Vlf/Pages/Items/HvSourceStatusPage.qml"
        }
        SettingsEntry {
            objectName: "serviceLogEntry"
            text: qsTranslate("Menu", "ServiceLog")
            target: "qrc:/Vlf/Pages/Items/ServiceLogPage.qml"
        }
        SettingsEntry {
            objectName: "exportConfigurationEntry"
            text: qsTranslate("Menu", "ExportConfiguration")
            onClicked: guiViewModel.exportConfigFile()
        }
        SettingsEntry {
            objectName: "rebootHvUnitEntry"
            text: qsTranslate("Menu", "RebootHvUnit")
            onClicked: guiViewModel.rebootHvUnit()
        }
        SettingsEntry {
            objectName: "calibrationModeEntry"
            text: qsTranslate("Menu", "CalibrationMode")
            enabled: !guiViewModel.calibration.tanDeltaCalib
            target: "qrc:/Vlf/Pages/Items/CalibrationMenuPage.qml"
        }
    }

    // The configuration export tells where the file went.
    Connections {
        target: guiViewModel
        function onExportLogfileFinished(ok, path) {
            if (ok)
                guiViewModel.showInfo(qsTranslate("ConfigfileManager", "ConfigSuccessfullyExported").arg(path))
            else
                guiViewModel.showError(qsTranslate("ConfigfileManager", "ConfigExportFailed"))
        }
    }

    buttons: [
        VlfButton {
            objectName: "cancelButton"
            visible: page.locked
            text: qsTranslate("Dialog", "Cancel")
            onClicked: page.close()
        },
        VlfButton {
            objectName: "okButton"
            visible: page.locked
            text: qsTranslate("Dialog", "OK")
            onClicked: page.unlock()
        },
        // Shown for the Ryx level alone too: else nothing on the page would lead back to
        // the password.
        VlfButton {
            objectName: "lockButton"
            visible: !page.locked
            text: qsTranslate("Menu", "LockMenu")
            onClicked: page.lock()
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(prompt.field, false, false)
        menu.register()
    }
}
