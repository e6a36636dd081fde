import QtQuick 2.15
import QtTest 1.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Pages.Items 1.0

Item {
    id: root

    WindowTestCase {
        name: "TestPages"

        function init() {
            testHelper.setModeMask([OperatingMode.VLFSin, OperatingMode.TanDelta])
            testHelper.setRampMode(0)
            openWindow()
        }

        // Whether a visible text below the item reads exactly so.
        function shows(item, text) {
            if (item.visible === false)
                return false
            if (item.text !== undefined && item.text === text)
                return true
            for (var i = 0; i < item.children.length; ++i)
                if (shows(item.children[i], text))
                    return true
            return false
        }

        function test_sineTestFromConfirmationToResults() {
            testHelper.setSafetyCircuit(0x3FF)
            var confirmation = startSineTest()
            var depth = stack().depth
            compare(confirmation.startStatus.header, "The system is preparing the test")
            verify(!confirmation.restartButton.visible)
            state(States.WaitExtEmergOff, States.WaitConfirmOn)
            verify(shows(confirmation.statePart, "Press the green HV on button"))
            // An input opened while the start waits is named until it closes.
            testHelper.setSafetyCircuit(0x001)
            verify(shows(confirmation.statePart, "Safety circuit open: Emergency off"))
            testHelper.setSafetyCircuit(0x3FF)
            verify(shows(confirmation.statePart, "Press the green HV on button"))
            shot("test-confirmation")
            // Not pressed in time: the clock, and Confirm starts again.
            state(States.WaitConfirmOn, States.Idle)
            verify(confirmation.startStatus.clockVisible)
            verify(shows(confirmation.statePart, "High voltage not switched on"))
            tryCompare(confirmation.restartButton, "activeFocus", true)
            shot("test-confirmation-timeout")
            keyClick(Qt.Key_Return)
            tryCompare(actions, "count", 2)
            state(States.Idle, States.InitTest)
            verify(!confirmation.restartButton.visible)
            state(States.WaitExtEmergOff, States.WaitConfirmOn)
            state(States.WaitConfirmOn, States.WaitHVOn)

            var prep = stack().currentItem
            verify(prep.hvOffButton !== undefined)
            compare(stack().depth, depth)
            testHelper.updateTimeoutTime(20900)
            compare(prep.statusText.text, "Preparing measurement 20 sec")
            testHelper.updateTimeoutTime(19900)
            compare(prep.statusText.text, "Preparing measurement 19 sec")
            state(States.WaitHVOn, States.WaitLoadDetect)
            compare(prep.detailText.text, "Load detection")
            testHelper.setFrequencies(100, 100)
            state(States.WaitForEffTestParameters, States.TestReadyToRun)
            verify(shows(prep.properties, "0.10"))
            shot("test-preparation")

            state(States.TestReadyToRun, States.TestRunning)
            var live = stack().currentItem
            verify(live.remainingText.visible)
            compare(live.currentTab, 0)
            testHelper.feedSample(1000, 12.5, 1.234)
            testHelper.feedSample(1100, 12.6, 1.3)
            testHelper.feedPeriodic(1100, 12.6, 1.3, 0.5)
            compare(live.overviewTab.gauge.valueText.text, "12.6 kV")
            verify(shows(live.overviewTab.properties, "1.30"))
            compare(live.statusText.text, "Test running")
            compare(live.remainingText.text, "00:01 min")
            shot("measurement-overview")

            live.hvOffButton.clicked()
            compare(events.signalArguments[0][0], 10)
            state(States.TestRunning, States.TestFinalizing)
            var results = stack().currentItem
            verify(results !== live)
            compare(results.measurementData, guiViewModel.measure.measurementData)
            compare(results.title, live.title)
        }

        function test_reducedFrequencyConfirmedByTheOperator() {
            testHelper.setFrequencies(50, 100)
            startSineTest()
            state(States.WaitConfirmOn, States.WaitHVOn)
            state(States.WaitForEffTestParameters, States.WaitForConfirmation)
            var reduced = stack().currentItem
            compare(reduced.frequencyText.text, "0.05")
            compare(reduced.hintText.text, "Consider to test phases one after another if 0.1 Hz is required")
            tryCompare(reduced.confirmButton, "activeFocus", true)
            shot("reduced-frequency")
            keyClick(Qt.Key_Return)
            tryCompare(events, "count", 1)
            compare(events.signalArguments[0][0], 26)
            var live = stack().currentItem
            verify(live.remainingText !== undefined && !live.remainingText.visible)
            state(States.TestReadyToRun, States.TestRunning)
            verify(live.remainingText.visible)
        }

        function test_tanDeltaTableByEncoder() {
            testHelper.setOperatingMode(OperatingMode.TanDelta)
            var live = stack().push("qrc:/Vlf/Pages/Items/MeasurementPage.qml")
            for (var i = 1; i <= 12; ++i)
                testHelper.feedPeriodic(i * 10000, 8.7, 0.2, i)
            var tableButton = findChild(live, "tab3")
            verify(tableButton.visible)
            // The knob stays on HV off, where the preparation page had it.
            tryCompare(live.hvOffButton, "activeFocus", true)
            while (!tableButton.activeFocus)
                keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Return)
            tryCompare(live, "currentTab", 3)
            var table = live.tableTab
            compare(table.view.rows, 12)
            keyClick(Qt.Key_Right)
            verify(table.tableFrame.activeFocus)
            compare(table.hintText.text, "Press to scroll the table")
            keyClick(Qt.Key_Return)
            tryCompare(table, "scrolling", true)
            compare(table.hintText.text, "Press to return")
            tryVerify(function() { return table.view.contentY > 0 })
            keyClick(Qt.Key_Left)
            verify(!table.following)
            verify(table.tableFrame.activeFocus)
            shot("measurement-table")
            // A row that comes as the page goes: nothing is left to run on the gone table.
            table.following = true
            testHelper.feedPeriodic(130000, 8.7, 0.2, 13)
            stack().clear()
            wait(100)
        }

        function test_manualRampTargetOnTheVoltageButton() {
            testHelper.setOperatingMode(OperatingMode.VLFSin)
            testHelper.setRampMode(1)
            state(States.TestReadyToRun, States.TestRunning)
            var live = stack().push("qrc:/Vlf/Pages/Items/MeasurementPage.qml")
            verify(live.voltageButton.visible)
            var entry = live.entry
            entry.begin(0)
            entry.step(1)
            compare(entry.target, 1.0)
            entry.step(-1)
            compare(entry.target, 0)
            entry.active = false

            live.voltageButton.forceActiveFocus()
            keyClick(Qt.Key_Return)
            tryCompare(entry, "active", true)
            compare(live.currentTab, 2)
            var start = entry.target
            turn(Qt.Key_Right, 2)
            keyClick(Qt.Key_Left)
            verify(live.voltageButton.activeFocus)
            var chosen = start < 1 ? 1.0 : Math.round(start * 10 + 1) / 10
            compare(entry.target, chosen)
            shot("measurement-trace-target")
            keyClick(Qt.Key_Return)
            tryCompare(entry, "active", false)
            fuzzyCompare(testHelper.voltageToTest(), chosen, 0.0015)
            keyClick(Qt.Key_Return)
            // After a breakdown the key is gone, and the target being chosen with it.
            state(States.TestRunning, States.TestBurning)
            verify(!entry.active)
            verify(!live.voltageButton.visible)
            testHelper.setRampMode(0)
        }
    }
}
