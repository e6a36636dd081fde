import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0

// The history of stored tests in the real window, over a temporary record store, worked
// with the encoder (Right/Left turn, Return presses) and by touch.
Item {
    id: root

    WindowTestCase {
        name: "HistoryPages"

        function storeRecords() {
            testHelper.clearStore()
            verify(testHelper.storeSineRecord("20261208", "09:00", "K-1", "after repair"))
            verify(testHelper.storeSineRecord("20261208", "10:00", "K-1", ""))
            verify(testHelper.storeSineRecord("20261208", "11:00", "AB-7", "joint 4"))
            verify(testHelper.storeSineRecord("20261207", "08:00", "", ""))
            verify(testHelper.storeTanDeltaRecord())
        }
        function initTestCase() {
            storeRecords()
            // The view model's own first list comes 3 s after its start; it must not
            // rebuild the list under a test.
            tryVerify(function() { return guiViewModel.activities.activityModel.rowCount() > 0 }, 5000,
                      "the first list")
        }
        // The list registered its cable numbers; the next tests start without them.
        function cleanupTestCase() {
            testHelper.clearStore()
            for (var number of ["K-1", "K-3", "AB-7"])
                guiViewModel.deleteCableNumberFromDB(number)
        }

        function init() { openWindow() }
        function restore() { guiViewModel.settings.graphUpdateIntervall = 100 }

        // The store is read off the window's thread: the page's list is the one read after it opened.
        SignalSpy { id: listed; target: guiViewModel.activities; signalName: "activityListLoaded" }
        function openHistory() {
            listed.clear()
            var page = openPage(stack().currentItem.activitiesButton, "activitiesPage")
            tryCompare(page.list, "activeFocus", true)
            listed.wait(5000)
            compare(page.list.count, 9)
            return page
        }
        function rowAt(page, index) {
            page.list.positionViewAtIndex(index, ListView.Contain)
            page.list.forceLayout()
            var items = page.list.contentItem.children
            for (var i = 0; i < items.length; ++i)
                if (items[i].rowIndex === index)
                    return items[i]
            return null
        }
        // "F cable" or "M time", shown rows only.
        function shownRows(page) {
            var out = []
            for (var r = 0; r < page.list.count; ++r) {
                if (!page.shown(r))
                    continue
                var folder = page.roleOf(r, ActivityModel.EntryTypeRole) === ActivityEntryType.Folder
                out.push(folder ? "F " + page.roleOf(r, ActivityModel.EntryCableNumberRole)
                                : "M " + String(page.roleOf(r, ActivityModel.EntryTimeRole)).substring(0, 5))
            }
            return out
        }
        // The list is read off the window's thread: its rows come a moment later.
        function tryRows(page, rows) {
            tryVerify(function() { return JSON.stringify(shownRows(page)) === JSON.stringify(rows) }, 5000,
                      "rows " + JSON.stringify(rows))
        }
        function counters() {
            return [guiViewModel.activities.selectedFolders, guiViewModel.activities.selectedMeasurments]
        }

        // The list by day and cable; folders open on the knob, select on a double press or a
        // click of their check box; a click on a test toggles it.
        function test_listFoldersAndSelection() {
            var page = openHistory()
            compare(page.list.count, 9)
            tryRows(page, ["F AB-7", "F K-1", "F K-3", "F "])
            compare(child(rowAt(page, 7), "cableText").text, "Unknown cable")
            shot("history-list")

            // The knob skips the hidden tests and opens the folder it stands on.
            keyClick(Qt.Key_Right)
            compare(page.list.currentIndex, 2)
            press()
            tryRows(page, ["F AB-7", "F K-1", "M 10:00", "M 09:00", "F K-3", "F "])
            keyClick(Qt.Key_Right)
            compare(page.list.currentIndex, 3)
            press() // selects the test it stands on
            tryCompare(page.activities, "selectedMeasurments", 1)
            compare(rowAt(page, 2).isSelected, Qt.PartiallyChecked)
            shot("history-folder-open")

            // The check box asks for the whole folder.
            mouseClick(rowAt(page, 2).checkBox)
            tryCompare(page.activities, "selectedMeasurments", 2)
            compare(counters(), [1, 2])
            compare(rowAt(page, 2).isSelected, Qt.Checked)
            mouseClick(rowAt(page, 4))
            tryCompare(page.activities, "selectedMeasurments", 1)
            compare(rowAt(page, 2).isSelected, Qt.PartiallyChecked)
            mouseClick(rowAt(page, 2).checkBox)
            tryCompare(page.activities, "selectedMeasurments", 2)
            mouseClick(rowAt(page, 2).checkBox)
            tryCompare(page.activities, "selectedFolders", 0)
            compare(counters(), [0, 0])

            // A double press selects the folder instead of opening it; two presses at once
            // stay within the default double-click time, however slow the frame between.
            guiViewModel.settings.dblClickTime = 250
            page.list.currentIndex = 0
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Return)
            tryCompare(page.activities, "selectedFolders", 1)
            compare(shownRows(page).indexOf("M 11:00"), -1)
            // The expander closes the open folder; its tests take no room.
            mouseClick(rowAt(page, 2).expander)
            tryRows(page, ["F AB-7", "F K-1", "F K-3", "F "])
            compare(rowAt(page, 3).height, 0)

            // Return leaves nothing selected behind; the next visit starts afresh.
            pressOn(page.returnButton)
            tryCompare(stack(), "depth", 1)
            tryCompare(guiViewModel.activities, "selectedMeasurments", 0)
        }

        // Exactly one selected test opens: a sine test on its results page with its charts
        // behind Details, a tan delta test with its verdicts; Return shows the list anew.
        function openSelected(page, folderRow, testRow) {
            mouseClick(rowAt(page, folderRow).expander)
            mouseClick(rowAt(page, testRow))
            tryCompare(page.loadButton, "enabled", true)
            pressOn(page.loadButton)
            tryCompare(stack(), "depth", 3)
            var results = stack().currentItem
            tryVerify(function() { return results.current })
            tryCompare(page.busy, "running", false)
            compare(results.isLoadedData, true)
            compare(results.measurement, guiViewModel.activities.loadedData)
            compare(results.statusText.text.split("\n")[0], "Test results loaded from the history")
            compare(results.addInfoButton.text, "Edit info")
            return results
        }
        // Time axis of a stored test's chart, its curve starting at the left edge.
        function checkWindow(chart, min, max, labels, firstY) {
            compare(chart.timeAxis.min, min)
            compare(chart.timeAxis.max, max)
            compare(chart.timeAxis.categoriesLabels, labels)
            var first = chart.series("primarySeries").at(0)
            compare(first.x, min)
            fuzzyCompare(first.y, firstY, 1e-6)
        }
        function test_loadOpensTheStoredTest() {
            var page = openHistory()
            verify(!page.loadButton.enabled)
            var results = openSelected(page, 0, 1)
            compare(results.mode, OperatingMode.VLFSin)
            compare(results.title, "VLF sine withstand test")
            compare(results.measurement.comment, "joint 4")
            compare(results.verdictText.text, "Test passed")
            compare(results.properties.visible, true)
            verify(results.testParameters.length >= 2)
            shot("history-sine")
            // The slowest redraw: the charts must show their window without waiting for it.
            guiViewModel.settings.graphUpdateIntervall = 2000
            pressOn(results.detailsButton)
            tryCompare(stack(), "depth", 4)
            var details = stack().currentItem
            compare(details.measurementData, results.measurement.measurementData)
            checkWindow(details.diagramTab.chart, 0, 600000, ["00:00", "02:30", "05:00", "07:30", "10:00"], 14.14)
            shot("history-sine-details")
            pressOn(details.traceButton)
            checkWindow(details.traceTab.chart, 540000, 600000, ["09:00", "09:15", "09:30", "09:45", "10:00"], 0)
            shot("history-sine-trace")
            details.close()
            tryCompare(stack(), "depth", 3)

            // Return: back to the list, rebuilt without the selection.
            pressOn(results.returnButton)
            tryCompare(stack(), "depth", 2)
            // The list is read again off the window's thread; the selection goes with the old one.
            tryRows(page, ["F AB-7", "F K-1", "F K-3", "F "])
            compare(guiViewModel.activities.selectedMeasurments, 0)

            results = openSelected(page, 5, 6)
            compare(results.mode, OperatingMode.TanDelta)
            compare(results.tanDeltaSummary.visible, true)
            compare(results.measurement.tanDelta.getResultIndexForPhase(2), 0)
            shot("history-tandelta")
            pressOn(results.detailsButton)
            tryCompare(stack(), "depth", 4)
            var details = stack().currentItem
            compare(details.tanDelta, results.measurement.tanDelta)
            shot("history-tandelta-details")
            details.close()
            tryCompare(stack(), "depth", 3)
        }

        function test_unreadableRecordShowsAnError() {
            var page = openHistory()
            mouseClick(rowAt(page, 7).expander)
            mouseClick(rowAt(page, 8))
            tryCompare(page.loadButton, "enabled", true)
            testHelper.clearStore()
            page.loadButton.clicked()
            tryCompare(page.busy, "running", false)
            compare(stack().depth, 2)
            tryCompare(guiViewModel.questionList, "length", 1)
            compare(guiViewModel.questionList[0].name, "Error while loading data")
            shot("history-load-error")
            testHelper.clearLists()
            storeRecords()
        }

        // The search offers the stored numbers, counts the matches and filters the list.
        function test_searchFiltersByCableNumber() {
            var page = openHistory()
            var search = openPage(page.searchButton, "cableSearchPage")
            tryCompare(search.field, "activeFocus", true)
            var total = guiViewModel.getCableNumbersLength("")
            typeText(search.field, "zzz")
            compare(search.countText.text, "0 / " + total)
            verify(!search.confirmButton.enabled)
            typeText(search.field, "k-3")
            compare(search.countText.text, guiViewModel.activities.cableNumbers("k-3").length + " / " + total)
            verify(search.confirmButton.enabled)
            shot("history-search")
            search.confirmButton.clicked()
            tryCompare(stack().currentItem, "objectName", "activitiesPage")
            tryRows(page, ["F K-3"])
            compare(page.searchButton.text, "Reset search")
            shot("history-filtered")
            // A stored test opened from the filtered list returns to it.
            openSelected(page, 0, 1).returnButton.clicked()
            tryCompare(stack(), "depth", 2)
            tryRows(page, ["F K-3"])
            page.searchButton.clicked()
            tryRows(page, ["F AB-7", "F K-1", "F K-3", "F "])
        }
    }
}
