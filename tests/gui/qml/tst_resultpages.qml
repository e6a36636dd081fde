import QtQuick 2.15
import QtTest 1.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Pages.Items 1.0
import Vlf.Styles 1.0

Item {
    id: root
    width: 800
    height: 480

    property var window: null

    SignalSpy { id: events; target: guiViewModel; signalName: "sendAppEvent" }
    SignalSpy { id: actions; target: guiViewModel; signalName: "PerformExternalAction" }
    Component { id: barComponent; TanDeltaCriterionItem { width: 600 } }
    Component { id: diagramComponent; TanDeltaResultTabDiagram { width: 600; height: 300 } }

    VlfTestCase {
        name: "ResultPages"

        function stack() { return window.pageStack }
        function shoot(name) {
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, name))
        }
        function state(from, to) { testHelper.appStateChanged(from, to) }
        function openWindow() {
            var component = Qt.createComponent("qrc:/Vlf/main.qml")
            compare(component.status, Component.Ready, component.errorString())
            root.window = component.createObject(null)
            root.window.requestActivate()
            tryCompare(root.window, "active", true)
            events.clear()
            actions.clear()
        }
        function testCleanup() {
            if (root.window) {
                var w = root.window
                root.window = null
                testHelper.destroyNow(w)
            }
        }
        // Turns the knob until the item has the focus.
        function focusByKnob(item) {
            var page = stack().currentItem
            tryCompare(page, "current", true)
            for (var i = 0; i < 12 && !item.activeFocus; ++i)
                keyClick(Qt.Key_Right)
            verify(item.activeFocus)
        }
        function modeButton(mode) {
            var buttons = stack().currentItem.grid.buttons
            for (var i = 0; i < buttons.count; ++i)
                if (buttons.itemAt(i).node.mode === mode)
                    return buttons.itemAt(i)
            return null
        }
        // From the menu through confirmation and preparation to the live page of a sine test
        // that has run for 65 s.
        function runSineTest() {
            testHelper.setModeMask([OperatingMode.VLFSin, OperatingMode.TanDelta])
            testHelper.setRampMode(0)
            openWindow()
            modeButton(OperatingMode.Withstand).clicked()
            modeButton(OperatingMode.VLFSin).clicked()
            stack().currentItem.confirmButton.clicked()
            for (var i = 0; i < 3; ++i)
                stack().currentItem.confirmButton.clicked()
            tryCompare(stack().currentItem, "started", true)
            state(States.Idle, States.InitTest)
            state(States.WaitConfirmOn, States.WaitHVOn)
            state(States.WaitForEffTestParameters, States.TestReadyToRun)
            state(States.TestReadyToRun, States.TestRunning)
            var live = stack().currentItem
            testHelper.feedSample(65000, 12.5, 1.2)
            live.hvOffButton.clicked()
            state(States.TestRunning, States.TestFinalizing)
            var results = stack().currentItem
            verify(results !== live)
            // The last test's verdict is not shown as this one's.
            verify(results.waiting)
            verify(!results.verdictText.visible)
            return results
        }
        function parameter(page, name) {
            var items = page.properties.parameterItems
            for (var i = 0; i < items.length; ++i)
                if (items[i].name === name)
                    return items[i].value + " " + items[i].unit
            return "(none)"
        }

        function test_criterionBar_data() {
            var g = Style.noActionRequired, o = Style.furtherStudy, r = Style.actionRequired
            return [
                { tag: "four ticks", ticks: [0, 4, 50, 100], colours: [g, o, r], value: 27, at: 1.5 / 3,
                  labels: ["4.000", "50.000"], precision: 6 },
                { tag: "six ticks", ticks: [-100, -50, -35, 10, 100, 200], colours: [r, o, g, o, r], value: 0,
                  at: (2 + 35 / 45) / 5, labels: ["-50", "-35", "10", "100"], precision: 0 },
                { tag: "five ticks", ticks: [0, 1, 2, 3, 4], colours: [r, r, r, r], value: 2, at: 0.5,
                  labels: ["1.000", "2.000", "3.000"], precision: 6 },
                { tag: "below the bar", ticks: [0, 4, 50, 100], colours: [g, o, r], value: -5, at: 0,
                  labels: ["4", "50"], precision: 0 },
                { tag: "above the bar", ticks: [0, 4, 50, 100], colours: [g, o, r], value: 500, at: 1,
                  labels: ["4", "50"], precision: 0 },
            ]
        }
        function test_criterionBar(data) {
            var before = guiViewModel.settings.tanDeltaPrecision
            guiViewModel.settings.tanDeltaPrecision = data.precision
            var bar = createTemporaryObject(barComponent, root, {
                criterion: { name: "Avg. TD", subname: "@ U\u2080", ticks: data.ticks, hasValue: true,
                             value: data.value } })
            verify(bar)
            compare(bar.segments.count, data.colours.length)
            for (var i = 0; i < data.colours.length; ++i)
                verify(Qt.colorEqual(bar.segments.itemAt(i).color, data.colours[i]), data.tag + " segment " + i)
            var labels = []
            for (i = 0; i < bar.tickLabels.count; ++i)
                labels.push(bar.tickLabels.itemAt(i).text)
            compare(labels, data.labels)
            fuzzyCompare(bar.marker.x + bar.marker.width / 2, bar.segments.itemAt(0).width * data.colours.length
                         * data.at, 0.5)
            verify(bar.marker.visible)
            guiViewModel.settings.tanDeltaPrecision = before
        }

        function test_diagramScale_data() {
            return [
                { tag: "small", largest: 0.1, max: 0.4 }, { tag: "none", largest: 0, max: 0.4 },
                { tag: "0.4", largest: 0.4, max: 1 }, { tag: "1", largest: 1, max: 1 },
                { tag: "1.5", largest: 1.5, max: 2 }, { tag: "3", largest: 3, max: 4 },
                { tag: "7", largest: 7, max: 10 }, { tag: "10", largest: 10, max: 20 },
                { tag: "35", largest: 35, max: 40 }, { tag: "1000", largest: 1000, max: 2000 },
            ]
        }
        function test_diagramScale(data) {
            var diagram = createTemporaryObject(diagramComponent, root)
            fuzzyCompare(diagram.yMaximum(data.largest), data.max, 1e-9)
            compare(diagram.xRange([50, 100, 150]), [0.5, 1.5])
            compare(diagram.xRange([40, 110]), [0, 1.5])
            compare(diagram.xRange([100]), [1, 1.5])
        }

        function test_passedSineTest() {
            var results = runSineTest()
            testHelper.setTestResult(1, 0x3FF)
            state(States.TransferringToHistory, States.TestFinished)
            verify(!results.waiting)
            compare(results.verdictText.text, "Test passed")
            compare(results.verdictIcon.source, "qrc:/icons/passed.svg")
            verify(!results.codeLine.visible)
            compare(results.detailText.text, "")
            compare(parameter(results, "Test time"), "01:05 min")
            shoot("results-sine-passed")

            // Add info by the knob: type, turn on to Confirm, press.
            focusByKnob(results.addInfoButton)
            keyClick(Qt.Key_Return)
            tryVerify(function() { return stack().currentItem !== results })
            var comment = stack().currentItem
            compare(comment.field.maximumLength, 30)
            tryCompare(comment.field, "activeFocus", true)
            keyClick(Qt.Key_K)
            keyClick(Qt.Key_1)
            shoot("results-comment")
            focusByKnob(comment.confirmButton)
            keyClick(Qt.Key_Return)
            tryVerify(function() { return stack().currentItem === results })
            compare(guiViewModel.results.comment, "k1")

            focusByKnob(results.returnButton)
            keyClick(Qt.Key_Return)
            tryVerify(function() { return stack().currentItem !== results })
            compare(events.signalArguments[events.count - 1][0], 8)
        }

        function test_failedSineTest() {
            var results = runSineTest()
            testHelper.setTestResult(5, 0x3FE)
            testHelper.setFaultVoltage(12.3)
            state(States.TransferringToHistory, States.TestFinished)
            compare(results.verdictText.text, "Test Failed")
            compare(results.verdictIcon.source, "qrc:/icons/failed.svg")
            verify(results.codeLine.visible)
            compare(results.codeLine.text, "#05.10 ")
            compare(results.detailText.text, "Breakdown detected at 12.3 kV<br><small>Interlock key<br>#1022</small>")
            shoot("results-sine-failed")
            // Details of a sine test: its charts.
            results.detailsButton.clicked()
            verify(stack().currentItem.diagramShown !== undefined)
            stack().currentItem.close()
            tryVerify(function() { return stack().currentItem === results })
        }

        function test_threePhaseTanDeltaResult() {
            openWindow()
            testHelper.setOperatingMode(OperatingMode.TanDelta)
            verify(testHelper.setThreePhaseTanDelta())
            testHelper.setTestResult(2, 0x3FF)
            state(States.TransferringToHistory, States.TestFinished)
            var precision = guiViewModel.settings.tanDeltaPrecision
            guiViewModel.settings.tanDeltaPrecision = 6
            var results = stack().push("qrc:/Vlf/Pages/Items/MeasurementResultsPage.qml", {
                "title": guiViewModel.getModeString(), "mode": OperatingMode.TanDelta,
                "measurement": guiViewModel.results })
            verify(results.tanDeltaSummary.visible)
            verify(!results.properties.visible)
            var colours = [Style.noActionRequired, Style.furtherStudy, Style.actionRequired]
            for (var p = 0; p < 3; ++p)
                verify(Qt.colorEqual(findChild(results, "phaseResult" + p).color, colours[p]), "phase " + p)
            compare(findChild(results, "factorList").text, "0.5, 1.0, 1.5 U\u2080")
            shoot("results-tandelta")

            focusByKnob(results.detailsButton)
            keyClick(Qt.Key_Return)
            tryVerify(function() { return stack().currentItem !== results })
            var details = stack().currentItem
            verify(details.tabButtons !== undefined)
            compare(details.bars.count, 3)
            compare(details.bars.itemAt(0).markerLabel.text, "1.000")
            compare(details.insulationText.text, "Insulation <b>PE/XLPE</b>")
            compare(details.verdictText.text, "no action required according IEEE 400.2 (1.5U0)")
            tryCompare(findChild(details, "tab0"), "activeFocus", true)
            shoot("tandelta-l1")
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Return)
            tryCompare(details, "currentTab", 2)
            compare(details.verdictText.text, "action required according IEEE 400.2 (1.5U0)")
            shoot("tandelta-l3")
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Return)
            tryCompare(details, "diagramShown", true)
            compare(details.verdictText.text, "")
            compare(details.diagram.count, 3)
            fuzzyCompare(details.diagram.yAxis.max, 100, 1e-9)
            shoot("tandelta-diagram")
            details.returnButton.clicked()
            tryVerify(function() { return stack().currentItem === results })
            guiViewModel.settings.tanDeltaPrecision = precision
        }
    }
}
