import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The modes below one group of the main menu.
Page {
    id: page

    property var node: null
    property alias navigation: navigation
    property alias commissioning: navigation.commissioning
    signal procedureRequested(int mode)

    title: node ? node.subMenuText : ""
    background: Rectangle { color: Style.background }

    StackView.onActivated: navigation.focusFirst()

    Image {
        id: groupIcon
        x: Style.margin * 2
        y: Style.margin * 2
        source: page.node ? page.node.icon : ""
        sourceSize.width: 64
        sourceSize.height: 64
    }

    MenuGrid {
        id: navigation
        anchors.fill: parent
        anchors.leftMargin: groupIcon.width + Style.margin * 3
        focus: true
        entries: page.node ? page.node.menuEntries : []
        stack: page.StackView.view
        onProcedureRequested: page.procedureRequested(mode)
    }
}
