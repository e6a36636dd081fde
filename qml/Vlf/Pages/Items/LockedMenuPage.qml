import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// A page behind menu locks ("admin_menu", "service_menu", "ryx_menu"): while one of its
// levels is locked the password field asks for it, with OK, and Cancel while none is open;
// the page's own content shows below it. Once a level is open Back and a lock button lead
// on. A password is tried on the locked levels in the order given; the lock button locks
// the first open one.
VlfPage {
    id: page

    property var levels: []
    readonly property bool asking: levels.some(function(level) { return page.isLocked(level) })
    readonly property bool opened: levels.some(function(level) { return !page.isLocked(level) })
    property alias prompt: prompt
    default property alias entries: column.data

    // A password opened a level.
    signal unlocked()

    function isLocked(level) {
        var settings = guiViewModel.settings
        if (level === "admin_menu")
            return settings.adminMenuLocked
        return level === "service_menu" ? settings.serviceMenuLocked : settings.ryxMenuLocked
    }

    function unlock() {
        var settings = guiViewModel.settings
        var text = prompt.field.text
        var opens = false
        for (var i = 0; i < levels.length; ++i) {
            var level = levels[i]
            if (!isLocked(level))
                continue
            if (level === "admin_menu")
                opens = settings.unlockAdminMenu(text) || opens
            else if (level === "service_menu")
                opens = settings.unlockServiceMenu(text) || opens
            else
                opens = settings.unlockRyxMenu(text) || opens
        }
        if (!opens) {
            prompt.error = true
            navigation.jumpTo(prompt.field, false)
            return
        }
        prompt.clear()
        unlocked()
    }

    function lock() {
        var settings = guiViewModel.settings
        // A password typed but not yet given must not open the level just locked.
        prompt.clear()
        for (var i = 0; i < levels.length; ++i) {
            var level = levels[i]
            if (isLocked(level))
                continue
            if (level === "admin_menu")
                settings.lockAdminMenu()
            else if (level === "service_menu")
                settings.lockServiceMenu()
            else
                settings.lockRyxMenu()
            return
        }
    }

    showBack: opened
    // Once a level is open the page's own first control comes first, the field after it.
    firstFocus: !opened ? prompt.field : navigation.elements.length > 1 ? navigation.elements[1] : null

    Column {
        id: column
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin
        spacing: Style.margin * 2

        PasswordPrompt {
            id: prompt
            width: Style.fieldWidth
            visible: page.asking
        }
    }

    buttons: [
        CancelButton {
            visible: !page.opened
            onClicked: page.close()
        },
        VlfButton {
            objectName: "okButton"
            visible: page.asking
            text: qsTranslate("Dialog", "OK")
            onClicked: page.unlock()
        },
        VlfButton {
            objectName: "lockButton"
            visible: page.opened
            text: qsTranslate("Menu", "LockMenu")
            onClicked: page.lock()
        }
    ]

    Component.onCompleted: navigation.insertElement(prompt.field, 0, false, false)
}
