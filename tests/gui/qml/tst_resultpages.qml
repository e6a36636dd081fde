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

    Component { id: barComponent; TanDeltaCriterionItem { width: 600 } }
    Component { id: diagramComponent; TanDeltaResultTabDiagram { width: 600; height: 300 } }

    WindowTestCase {
        name: "ResultPages"

        // From the menu through confirmation and preparation to the live page of a sine test
        // that has run for 65 s.
        function runSineTest() {
            testHelper.setModeMask([OperatingMode.VLFSin, OperatingMode.TanDelta])
            testHelper.setRampMode(0)
            openWindow()
            startSineTest()
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

        // Largest value and the axis maximum above it.
        function test_diagramScale_data() {
            return [[0.1, 0.4], [0, 0.4], [0.4, 1], [1, 1], [1.5, 2], [3, 4], [7, 10], [10, 20], [35, 40], [1000, 2000]]
                .map(function(r) { return { tag: String(r[0]), largest: r[0], max: r[1] } })
        }
        function test_diagramScale(data) {
            var diagram = createTemporaryObject(diagramComponent, root)
            fuzzyCompare(diagram.yMaximum(data.largest), data.max, 1e-9)
            compare(diagram.xRange([50, 100, 150]), [0.5, 1.5])
            compare(diagram.xRange([40, 110]), [0, 1.5])
            compare(diagram.xRange([100]), [1, 1.5])
        }

        function test_sineVerdict_data() {
            return [
                { tag: "passed", cause: 1, circuit: 0x3FF, fault: 0, verdict: "Test passed", code: "", detail: "" },
                { tag: "failed", cause: 5, circuit: 0x3FE, fault: 12.3, verdict: "Test Failed", code: "#05.10 ",
                  detail: "Breakdown detected at 12.3 kV<br><small>Interlock key<br>#1022</small>" },
            ]
        }
        // The verdict once the record is stored; a passed test takes a comment by the knob,
        // a failed one shows its charts behind Details.
        function test_sineVerdict(data) {
            var results = runSineTest()
            testHelper.setTestResult(data.cause, data.circuit)
            verify(testHelper.leaveRecord())
            if (data.fault)
                testHelper.setFaultVoltage(data.fault)
            state(States.TransferringToHistory, States.TestFinished)
            verify(!results.waiting)
            compare(results.verdictText.text, data.verdict)
            compare(results.verdictIcon.source, "qrc:/icons/" + data.tag + ".svg")
            compare(results.codeLine.visible, data.code !== "")
            if (data.code)
                compare(results.codeLine.text, data.code)
            compare(results.detailText.text, data.detail)
            var time = Array.from(results.properties.parameterItems).find(function(p) { return p.name === "Test time" })
            compare(time.value + " " + time.unit, "01:05 min")
            shot("results-sine-" + data.tag)
            if (data.fault) {
                results.detailsButton.clicked()
                verify(stack().currentItem.diagramShown !== undefined)
                stack().currentItem.close()
                tryVerify(function() { return stack().currentItem === results })
                return
            }

            // Add info by the knob: type, turn on to Confirm, press.
            pressOn(results.addInfoButton)
            tryVerify(function() { return stack().currentItem !== results })
            var comment = stack().currentItem
            compare(comment.field.maximumLength, 30)
            tryCompare(comment.field, "activeFocus", true)
            keyClick(Qt.Key_K)
            keyClick(Qt.Key_1)
            shot("results-comment")
            pressOn(comment.confirmButton)
            tryVerify(function() { return stack().currentItem === results })
            compare(guiViewModel.results.comment, "k1")

            pressOn(results.returnButton)
            tryVerify(function() { return stack().currentItem !== results })
            compare(events.signalArguments[events.count - 1][0], 8)
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
            shot("results-tandelta")

            pressOn(results.detailsButton)
            tryVerify(function() { return stack().currentItem !== results })
            var details = stack().currentItem
            verify(details.tabButtons !== undefined)
            compare(details.bars.count, 3)
            compare(details.bars.itemAt(0).markerLabel.text, "1.000")
            compare(details.insulationText.text, "Insulation <b>PE/XLPE</b>")
            compare(details.verdictText.text, "no action required according IEEE 400.2 (1.5U0)")
            tryCompare(findChild(details, "tab0"), "activeFocus", true)
            shot("tandelta-l1")
            turn(Qt.Key_Right, 2)
            keyClick(Qt.Key_Return)
            tryCompare(details, "currentTab", 2)
            compare(details.verdictText.text, "action required according IEEE 400.2 (1.5U0)")
            shot("tandelta-l3")
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Return)
            tryCompare(details, "diagramShown", true)
            compare(details.verdictText.text, "")
            compare(details.diagram.count, 3)
            fuzzyCompare(details.diagram.yAxis.max, 100, 1e-9)
            shot("tandelta-diagram")
            details.returnButton.clicked()
            tryVerify(function() { return stack().currentItem === results })
            guiViewModel.settings.tanDeltaPrecision = precision
        }
    }
}
