import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The buttons of one level of the menu tree, registered with their page's navigation. A
// node with children opens its selection page; a test mode resets the configuration,
// selects the mode and asks for the cable number.
Flow {
    id: grid

    property var entries: []
    property VlfPage page: null
    // On the commissioning page a procedure opens its own page.
    property bool commissioning: false
    readonly property alias buttons: repeater
    property var shownEntries: []

    signal procedureRequested(int mode)

    spacing: Style.margin * 2

    // The view model announces the list after every refresh; equal entries keep their
    // buttons, and with them the focus.
    onEntriesChanged: {
        var next = []
        for (var i = 0; entries && i < entries.length; ++i)
            next.push(entries[i])
        var same = next.length === shownEntries.length
        for (var j = 0; same && j < next.length; ++j)
            same = next[j] === shownEntries[j]
        if (!same)
            shownEntries = next
    }

    function openNode(node) {
        var stack = page ? page.StackView.view : null
        // A second tap, or a tap while the page is covered, finds its page no longer current.
        if (!stack || !node || !page.current)
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
        var cable = stack.push(Qt.resolvedUrl("CableDataPage.qml"), { "title": guiViewModel.getModeString() })
        cable.confirmed.connect(function(number) {
            guiViewModel.setCableNumber(number)
            cable.replaceWith(Qt.resolvedUrl("TestConfigurationPage.qml"), { "title": cable.title })
        })
        return cable
    }

    // A list that comes back (its procedure or test ended, its page left) does not start the
    // entry under the knob again by the knob alone: its presses are held, the entry flashing
    // at each, until the knob turns or the entry is tapped.
    property bool pageLeft: false
    readonly property int pageStatus: page ? page.StackView.status : StackView.Inactive
    onPageStatusChanged: {
        if (pageStatus === StackView.Inactive)
            pageLeft = true
        if (pageStatus !== StackView.Active || !pageLeft)
            return
        var nav = page.navigation
        var entry = nav.validIndex(nav.lastIndex) ? nav.elements[nav.lastIndex] : null
        var guard = page.appWindow ? page.appWindow.inputGuard : undefined
        if (entry && entry.node && entry.node.menuEntries.length === 0 && guard)
            guard.hold(entry)
    }
    Connections {
        target: grid.page && grid.page.appWindow ? grid.page.appWindow.inputGuard : null
        function onPressHeld(item) {
            if (item && item.parent === grid)
                item.flash()
        }
    }

    Repeater {
        id: repeater
        model: grid.shownEntries
        MenuButton {
            node: modelData
            onClicked: grid.openNode(node)
        }
        onItemAdded: if (grid.page) grid.page.navigation.addNavElement(item, false, false)
        onItemRemoved: if (grid.page) grid.page.navigation.removeNavElement(item)
    }
}
