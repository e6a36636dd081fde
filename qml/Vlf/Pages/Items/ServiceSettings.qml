import QtQuick 2.15

// The service menu. One password field serves the Ryx level and the service level and
// shows while either is locked; the entries need the service level, the Ryx level alone
// opens the delete buttons of the logs.
LockedMenuPage {
    id: page

    readonly property bool serviceUnlocked: !guiViewModel.settings.serviceMenuLocked
    property alias menu: menu

    objectName: "serviceSettingsPage"
    title: qsTranslate("Menu", "ServiceSettings")
    levels: ["ryx_menu", "service_menu"]

    SettingsMenu {
        id: menu
        page: page
        width: parent.width
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

    Component.onCompleted: menu.register()
}
