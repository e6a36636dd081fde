import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The settings menu: system and measurement settings, and the locked admin and service menus.
VlfPage {
    id: page

    property alias menu: menu

    objectName: "settingsPage"
    title: qsTranslate("Menu", "Settings")
    showBack: true

    SettingsMenu {
        id: menu
        page: page
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin

        SettingsEntry {
            objectName: "systemEntry"
            text: qsTranslate("Menu", "System")
            valueText: guiViewModel.settings.language
            target: "qrc:/Vlf/Pages/Items/SystemSettingsPage.qml"
        }
        SettingsEntry {
            objectName: "measurementEntry"
            text: qsTranslate("Menu", "Measurement")
            target: "qrc:/Vlf/Pages/Items/MeasurementSettingsPage.qml"
        }
        SettingsEntry {
            objectName: "adminEntry"
            text: qsTranslate("Menu", "AdminSettings")
            target: "qrc:/Vlf/Pages/Items/AdminSettings.qml"
        }
        SettingsEntry {
            objectName: "serviceEntry"
            text: qsTranslate("Menu", "ServiceSettings")
            target: "qrc:/Vlf/Pages/Items/ServiceSettings.qml"
        }
    }

    Component.onCompleted: menu.register()
}
