import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The buttons of one level of the menu tree in one navigation. A node with children opens
// its selection page; a test mode resets the configuration, selects the mode and asks for
// the cable number.
VlfNavigation {
    id: grid

    property var entries: []
    property StackView stack: null
    // On the commissioning page a procedure opens its own page.
    property bool commissioning: false
    readonly property alias buttons: repeater

    signal procedureRequested(int mode)

    function focusFirst() {
        for (var i = 0; i < elements.length; ++i)
            if (jumpTo(elements[i], false))
                return true
        return false
    }

    function openNode(node) {
        if (!stack || !node)
            return null
        if (node.menuEntries.length > 0) {
            var url = node.mode === OperatingMode.Calibration ? "CommissioningSelectionPage.qml"
                                                              : "TestSelectionPage.qml"
            return stack.push(Qt.resolvedUrl(url), { "node": node })
        }
        if (commissioning) {
            procedureRequested(node.mode)
            return null
        }
        guiViewModel.config.reset()
        guiViewModel.setOperationMode(node.mode)
        var page = stack.push(Qt.resolvedUrl("CableDataPage.qml"), { "title": guiViewModel.getModeString() })
        var view = stack
        page.confirmed.connect(function(number) {
            guiViewModel.setCableNumber(number)
            view.replace(page, Qt.resolvedUrl("TestConfigurationPage.qml"), { "title": page.title })
        })
        return page
    }

    Flow {
        id: flow
        anchors.fill: parent
        anchors.margins: Style.margin * 2
        spacing: Style.margin * 2

        Repeater {
            id: repeater
            model: grid.entries
            MenuButton {
                node: modelData
                onClicked: grid.openNode(node)
            }
            onItemAdded: grid.addNavElement(item, false, false)
            onItemRemoved: grid.removeNavElement(item)
        }
    }
}
