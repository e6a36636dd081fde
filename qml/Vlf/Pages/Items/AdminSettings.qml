import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The admin menu: a password while it is locked, its entries once it is open.
VlfPage {
    id: page

    readonly property bool locked: guiViewModel.settings.adminMenuLocked
    property alias prompt: prompt
    property alias menu: menu

    function unlock() {
        if (guiViewModel.settings.unlockAdminMenu(prompt.field.text)) {
            prompt.clear()
            return
        }
        prompt.error = true
        navigation.jumpTo(prompt.field, false)
    }

    objectName: "adminSettingsPage"
    title: qsTranslate("Menu", "AdminSettings")
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
        visible: !page.locked

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
        VlfButton {
            objectName: "lockButton"
            visible: !page.locked
            text: qsTranslate("Menu", "LockMenu")
            onClicked: guiViewModel.settings.lockAdminMenu()
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(prompt.field, false, false)
        menu.register()
    }
}
