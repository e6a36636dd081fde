import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The first page of the stack: one button per group of the main menu.
Page {
    id: page

    property alias navigation: navigation
    title: guiViewModel.systemName

    background: Rectangle { color: Style.background }

    StackView.onActivated: navigation.focusFirst()

    MenuGrid {
        id: navigation
        anchors.fill: parent
        focus: true
        entries: guiViewModel.menuEntries
        stack: page.StackView.view
    }
}
