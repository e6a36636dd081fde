import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The first page of the stack: one button per group of the main menu. Its bottom row
// takes the entries to the history and the settings.
VlfPage {
    id: page

    property alias grid: grid
    property alias activitiesButton: activitiesButton
    property alias settingsButton: settingsButton
    title: guiViewModel.systemName

    MenuGrid {
        id: grid
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin
        page: page
        entries: guiViewModel.menuEntries
    }

    buttons: [
        VlfButton {
            id: activitiesButton
            objectName: "activitiesButton"
            text: qsTranslate("Menu", "Activities")
            onClicked: {
                if (page.current)
                    page.StackView.view.push("qrc:/Vlf/Pages/Items/ActivitiesPage.qml")
            }
        },
        VlfButton {
            id: settingsButton
            objectName: "settingsButton"
            text: qsTranslate("Menu", "Settings")
            onClicked: {
                if (page.current)
                    page.StackView.view.push("qrc:/Vlf/Pages/Items/SettingsPage.qml")
            }
        }
    ]
}
