import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The modes below one group of the main menu.
VlfPage {
    id: page

    property var node: null
    property alias grid: grid
    property alias commissioning: grid.commissioning
    signal procedureRequested(int mode)

    title: node ? node.subMenuText : ""
    showBack: true

    Image {
        id: groupIcon
        x: Style.margin * 2
        y: Style.margin * 2
        source: page.node ? page.node.icon : ""
        sourceSize.width: Style.largeIconSize
        sourceSize.height: Style.largeIconSize
    }

    MenuGrid {
        id: grid
        x: groupIcon.x + groupIcon.width + Style.margin * 2
        y: Style.margin * 2
        width: parent.width - x - Style.margin * 2
        page: page
        entries: page.node ? page.node.menuEntries : []
        onProcedureRequested: page.procedureRequested(mode)
    }
}
