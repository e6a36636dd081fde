import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The history of stored tests: one folder per test day and cable number with its tests.
// The knob walks the shown rows; a press opens or closes a folder or selects a test, a
// double press selects a whole folder. One selected test opens with Load.
VlfPage {
    id: page

    readonly property var activities: guiViewModel.activities
    readonly property var model: activities.activityModel
    readonly property int selectionTotal: activities.selectedFolders + activities.selectedMeasurments
    property bool isFilterActive: false
    property string filterCableNumber: ""
    // Folders the operator opened, by date and cable number; a rebuild closes them all.
    property var expanded: ({})
    // Bumped on every row change: whether the knob can move on depends on the rows shown.
    property int rowsRevision: 0
    // The row of the test being opened; -1 while none is.
    property int loadingRow: -1
    property alias list: list
    property alias loadButton: loadButton
    property alias searchButton: searchButton
    property alias deleteButton: deleteButton
    property alias shareButton: shareButton
    property alias returnButton: returnButton
    property alias busy: busy
    // Loaded in the background while the list is shown, so that opening a test only
    // makes the page.
    readonly property Component resultsPage: Qt.createComponent("MeasurementResultsPage.qml", Component.Asynchronous)

    objectName: "activitiesPage"
    title: qsTranslate("Menu", "Activities")
    firstFocus: list

    function roleOf(row, role) {
        return model.data(model.index(row, 0), role)
    }
    function shown(row) {
        return row >= 0 && row < list.count && roleOf(row, ActivityModel.EntryIsVisibleRole) === true
    }
    // The next shown row from `from` in the direction, -1 when there is none.
    function nextShown(from, direction) {
        for (var r = from + direction; r >= 0 && r < list.count; r += direction)
            if (shown(r))
                return r
        return -1
    }
    function folderKey(date, cableNumber) {
        return cableNumber + "|" + date
    }
    function reload() {
        activities.loadActivityList(isFilterActive, filterCableNumber)
        list.currentIndex = list.count > 0 ? 0 : -1
    }
    function openSelected() {
        for (var r = 0; r < list.count; ++r) {
            if (roleOf(r, ActivityModel.EntryIsSelectedRole) === Qt.Checked
                    && roleOf(r, ActivityModel.EntryTypeRole) === ActivityEntryType.Measurement) {
                loadingRow = r
                busy.running = true
                activities.loadActivityData(roleOf(r, ActivityModel.EntryPathRole))
                return
            }
        }
    }
    // The results of the test just filled in, in a turn of its own: the window is drawn
    // between the filling and the new page.
    function showLoaded(row) {
        var item = page.activities.loadedData
        page.StackView.view.push(resultsPage.status === Component.Ready ? resultsPage
                                                                         : Qt.resolvedUrl("MeasurementResultsPage.qml"), {
            "title": item.getModeString(),
            "activityType": page.roleOf(row, ActivityModel.EntryTypeRole),
            "isLoadedData": true,
            "mode": item.mode,
            "measurement": item,
            "measurementData": item.measurementData,
            "preparationParameters": item.preparationParameters,
            "testParameters": item.testParameters
        })
        busyTimer.restart()
    }
    function search() {
        isFilterActive = false
        filterCableNumber = ""
        reload()
        var searchPage = StackView.view.push(Qt.resolvedUrl("CableSearchPage.qml"))
        searchPage.confirmed.connect(function(number) {
            searchPage.close()
            if (number === "")
                return
            page.isFilterActive = true
            page.filterCableNumber = number
            page.reload()
        })
    }
    function resetSearch() {
        isFilterActive = false
        filterCableNumber = ""
        reload()
    }

    // Every rebuild shows the folders closed.
    Connections {
        target: page.model
        function onModelReset() {
            page.expanded = {}
            page.rowsRevision++
        }
        function onDataChanged() { page.rowsRevision++ }
        function onRowsRemoved() { page.rowsRevision++ }
    }
    // A results page rebuilds the whole list when it is left; the search stays applied.
    StackView.onActivated: {
        if (isFilterActive)
            reload()
    }

    Connections {
        target: page.activities
        function onDataLoaded() {
            if (page.loadingRow < 0)
                return
            var row = page.loadingRow
            page.loadingRow = -1
            Qt.callLater(page.showLoaded, row)
        }
        function onDataLoadFailed() {
            if (page.loadingRow < 0)
                return
            page.loadingRow = -1
            busy.running = false
            guiViewModel.showError(qsTranslate("Dialog", "ErrorWhileLoadingData"), qsTranslate("Dialog", "OK"))
        }
    }
    Timer {
        id: busyTimer
        interval: 500
        onTriggered: busy.running = false
    }

    VlfListView {
        id: list
        objectName: "activityList"
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin
        height: page.flickable.height - 4 * Style.margin
        model: page.model
        highlight: null
        highlightMoveDuration: 0
        boundsBehavior: Flickable.StopAtBounds

        vlfNavigationClient: VlfNavigationClient {
            canForward: page.rowsRevision, page.nextShown(list.currentIndex, 1) >= 0
            canBackward: page.rowsRevision, page.nextShown(list.currentIndex, -1) >= 0
            onInternalForward: list.currentIndex = page.nextShown(list.currentIndex, 1)
            onInternalBackward: list.currentIndex = page.nextShown(list.currentIndex, -1)
            onInternalFirst: list.currentIndex = page.nextShown(-1, 1)
            onInternalLast: list.currentIndex = page.nextShown(list.count, -1)
            onKnobPressed: if (list.currentItem) list.currentItem.activate()
            onKnobDblPressed: if (list.currentItem) list.currentItem.toggleSelection()
        }

        delegate: ActivityRow {
            width: list.width
            activities: page.activities
            rowIndex: index
            type: model.type
            isSelected: model.isSelected
            isVisible: model.isVisible
            date: model.date
            time: model.time
            mode: model.mode
            classification: model.classification
            voltage: model.voltage
            comment: model.comment
            phase: model.phase
            cableNumber: model.cableNumber
            collapsed: page.expanded[page.folderKey(model.date, model.cableNumber)] !== true
            current: list.activeFocus && ListView.isCurrentItem
            onCollapseToggled: {
                var map = page.expanded
                var key = page.folderKey(date, cableNumber)
                map[key] = collapsed
                page.expanded = map
            }
            onIsVisibleChanged: {
                // A hidden row cannot hold the knob.
                if (!isVisible && ListView.isCurrentItem)
                    list.currentIndex = page.nextShown(index, -1)
            }
        }
    }

    BusyIndicator {
        id: busy
        objectName: "busyIndicator"
        anchors.centerIn: list
        running: false
        visible: running
    }

    buttons: [
        VlfButton {
            id: searchButton
            objectName: "searchButton"
            text: page.isFilterActive ? qsTranslate("CableData", "ResetCableSearch")
                                      : qsTranslate("Connection", "Search")
            onClicked: page.isFilterActive ? page.resetSearch() : page.search()
        },
        VlfButton {
            id: deleteButton
            objectName: "deleteButton"
            text: qsTranslate("History", "Delete")
            enabled: page.selectionTotal > 0 && !busy.running
            onClicked: page.activities.deleteSelectedActivities()
        },
        VlfButton {
            id: shareButton
            objectName: "shareButton"
            text: qsTranslate("Menu", "Share")
            enabled: page.selectionTotal > 0 && !busy.running
            onClicked: if (page.current) page.StackView.view.push(Qt.resolvedUrl("SharePage.qml"), { "allSelected": true })
        },
        VlfButton {
            id: loadButton
            objectName: "loadButton"
            text: qsTranslate("Menu", "Load")
            enabled: page.activities.selectedMeasurments === 1 && !busy.running
            onClicked: page.openSelected()
        },
        VlfButton {
            id: returnButton
            objectName: "returnButton"
            text: qsTranslate("Dialog", "Return")
            onClicked: {
                page.activities.selectAllActivities(false)
                page.close()
            }
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(list, false, false)
        reload()
    }
}
