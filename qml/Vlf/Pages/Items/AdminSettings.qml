import QtQuick 2.15

// The admin menu: a password while it is locked, its entries once it is open.
LockedMenuPage {
    id: page

    property alias menu: menu

    objectName: "adminSettingsPage"
    title: qsTranslate("Menu", "AdminSettings")
    levels: ["admin_menu"]

    SettingsMenu {
        id: menu
        page: page
        width: parent.width
        visible: page.opened

        SettingsEntry {
            objectName: "changePasswordEntry"
            text: qsTranslate("Menu", "ChangePassword")
            target: "qrc:/Vlf/Pages/Items/ChangePasswordPage.qml"
        }
        SettingsEntry {
            objectName: "tanDeltaSettingsEntry"
            text: qsTranslate("Menu", "TanDeltaSettings")
            target: "qrc:/Vlf/Pages/Items/TanDeltaSettingsPage.qml"
        }
        SettingsEntry {
            objectName: "updateEntry"
            text: qsTranslate("Menu", "Update")
            target: "qrc:/Vlf/Pages/Items/UsbBrowserPage.qml"
            targetProperties: ({ "extensions": guiViewModel.fileExtensionUpdate })
        }
        SettingsEntry {
            objectName: "messageLogEntry"
            text: qsTranslate("Menu", "MessageLog")
            target: "qrc:/Vlf/Pages/Items/MessageLogPage.qml"
        }
        SettingsEntry {
            objectName: "resetEntry"
            text: qsTranslate("Menu", "ResetDefaultValues")
            onClicked: guiViewModel.resetToDefaultValues()
        }
    }

    Component.onCompleted: menu.register()
}
