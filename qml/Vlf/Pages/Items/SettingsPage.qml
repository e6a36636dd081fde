import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The settings menu: information, system, measurement and connection settings, and the
// locked admin and service menus.
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
            objectName: "informationEntry"
            text: qsTranslate("Menu", "Information")
            target: "qrc:/Vlf/Pages/Items/InformationPage.qml"
        }
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
            objectName: "connectionsEntry"
            text: qsTranslate("Menu", "Connections")
            target: "qrc:/Vlf/Pages/Items/ConnectionsPage.qml"
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
