import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0

// The chart pages in the real window, as an operator with the encoder uses them.
Item {
    id: root

    property var window: null

    VlfTestCase {
        name: "MeasurementCharts"

        function init() {
            testHelper.clearLists()
            testHelper.setModeMask([OperatingMode.DC, OperatingMode.VLFSin, OperatingMode.VLFCosRect,
                                    OperatingMode.TanDelta, OperatingMode.SheathPinpointing])
            var component = Qt.createComponent("qrc:/Vlf/main.qml")
            compare(component.status, Component.Ready, component.errorString())
            root.window = component.createObject(null)
            root.window.requestActivate()
            tryCompare(root.window, "active", true)
        }
        function testCleanup() {
            var w = root.window
            root.window = null
            testHelper.destroyNow(w)
        }

        function stack() { return window.pageStack }
        function openDetails(data, mode) {
            stack().push("qrc:/Vlf/Pages/Items/MeasurementDataDetailsPage.qml",
                         { "measurementData": data, "mode": mode })
            var page = stack().currentItem
            tryCompare(page, "current", true)
            tryCompare(window, "activeFocusItem", page.diagramShown ? page.diagramButton : page.traceButton)
            return page
        }
        function kinds(chart) {
            var out = []
            for (var i = 0; i < chart.count; ++i)
                out.push(chart.series(i).name + ":" + chart.series(i).type)
            return out.join(" ")
        }
        // The encoder turns to the other tab and presses it.
        function switchTab(page, button) {
            keyClick(Qt.Key_Right)
            compare(window.activeFocusItem, button)
            keyClick(Qt.Key_Return)
            tryCompare(button, "checked", true)
            verify(page.navigation.isInside(button, page) && button.visible)
        }
        // A 0.1 Hz sine of 12 kV peak: 100 ms samples and one record per period.
        function feedSine(data, seconds) {
            for (var ms = 100; ms <= seconds * 1000; ms += 100) {
                testHelper.addSample(data, ms, 12 * Math.sin(2 * Math.PI * ms / 10000), 0.8 * Math.cos(2 * Math.PI * ms / 10000))
                if (ms % 10000 === 0)
                    testHelper.addPeriodic(data, ms, 8.485, 0.57, 2.3)
            }
        }

        function test_detailsPageBuildsTheSeriesOfItsMode_data() {
            // Chart series types: 0 line, 1 area, 6 scatter.
            return [
                { tag: "VLFCosRect", mode: OperatingMode.VLFCosRect,
                  diagram: "primarySeries:1 secondarySeries:1 trendSeries:1",
                  trace: "primarySeries:0 secondarySeries:6", value: false },
                { tag: "VLFSin", mode: OperatingMode.VLFSin, diagram: "primarySeries:0 secondarySeries:0",
                  trace: "primarySeries:0", value: false },
                { tag: "TanDelta", mode: OperatingMode.TanDelta, diagram: "primarySeries:0 secondarySeries:6",
                  trace: "primarySeries:0 secondarySeries:6", value: false },
                { tag: "DC", mode: OperatingMode.DC, diagram: "",
                  trace: "primarySeries:0 secondarySeries:0 trendSeries:1", value: false },
                { tag: "SheathPinpointing", mode: OperatingMode.SheathPinpointing, diagram: "",
                  trace: "primarySeries:0 secondarySeries:0", value: true }
            ]
        }
        function test_detailsPageBuildsTheSeriesOfItsMode(row) {
            var data = testHelper.createMeasurementData(row.mode, 100)
            testHelper.addSample(data, 1000, 10, -1.25)
            testHelper.addPeriodic(data, 1100, 7, 0.5, 2.5)
            var page = openDetails(data, row.mode)
            compare(page.diagramButton.visible, row.diagram !== "")
            compare(kinds(page.diagramTab.chart), row.diagram)
            compare(kinds(page.traceTab.chart), row.trace)
            verify((row.diagram !== "" ? page.diagramButton : page.traceButton).checked)
            if (row.diagram !== "") {
                var primary = page.diagramTab.chart.series("primarySeries")
                compare(primary.lowerSeries !== undefined && primary.lowerSeries !== null,
                        row.mode === OperatingMode.VLFCosRect)
                compare(page.diagramTab.chart.series("secondarySeries").axisYRight, page.diagramTab.chart.rightAxis)
                switchTab(page, page.traceButton)
            } else {
                keyClick(Qt.Key_Right) // past the hidden diagram tab to Back
                compare(window.activeFocusItem, page.backButton)
                keyClick(Qt.Key_Right)
                compare(window.activeFocusItem, page.traceButton)
            }
            compare(page.traceTab.valueLabel.visible, row.value)
            if (row.value)
                compare(page.traceTab.valueLabel.text, "-1.250 mA")
            page.backButton.clicked()
            tryCompare(stack(), "depth", 1)
        }

        // The trace scrolls its time labels; its voltage axis widens, turns symmetric and
        // never narrows again.
        function test_sineTraceAxes() {
            var data = testHelper.createMeasurementData(OperatingMode.VLFSin, 100)
            feedSine(data, 100)
            var page = openDetails(data, OperatingMode.VLFSin)
            switchTab(page, page.traceButton)
            var chart = page.traceTab.chart
            tryCompare(chart.timeAxis, "categoriesLabels", ["01:00", "01:15", "01:30", "01:45", "02:00"])
            compare(chart.timeAxis.min, 60000)
            compare(chart.timeAxis.max, 120000)
            tryCompare(chart.leftAxis, "max", 15)
            compare(chart.leftAxis.min, -15)
            compare(chart.leftAxis.labelFormat, "%.1f")
            verify(chart.leftAxis.titleText.indexOf("U [kV]") > 0)
            rendered(window)
            verify(testHelper.saveScreenshot(window, "measurement-sine-trace"))

            data.reset()
            compare(data.trace.primarySeries.maximum, 1)
            wait(400)
            compare(chart.leftAxis.max, 15)
            compare(chart.leftAxis.min, -15)
        }

        // The trend arrow appears in the colour of its rating once it is shown.
        function test_dcTraceTrend() {
            var data = testHelper.createMeasurementData(OperatingMode.DC, 0)
            var trend = data.trace.trendSeries
            trend.startCalculation()
            for (var ms = 100; ms <= 70000; ms += 100)
                testHelper.addSample(data, ms, 20 + ms / 100000, 0.2 + ms / 100000)
            compare(trend.trendState, TrendState.Red)
            var page = openDetails(data, OperatingMode.DC)
            var area = page.traceTab.chart.series("trendSeries")
            tryCompare(area.upperSeries, "count", 4)
            compare(area.color, Qt.rgba(0, 0, 0, 0))
            trend.show()
            compare(Qt.colorEqual(area.color, Qt.rgba(0xF4 / 255, 0x31 / 255, 0x49 / 255, 0.5)), true)
            rendered(window)
            verify(testHelper.saveScreenshot(window, "measurement-dc-trend"))
        }

        // A record replayed while another mode is selected keeps its per-period points.
        function test_tanDeltaDiagramReplayedUnderAnotherMode() {
            testHelper.setOperatingMode(OperatingMode.DC)
            compare(guiViewModel.mode, OperatingMode.DC)
            var data = testHelper.createMeasurementData(OperatingMode.TanDelta, 100)
            var ms = 0
            var steps = [4.5, 9, 13.5]
            for (var step = 0; step < steps.length; ++step) {
                for (var i = 0; i < 8; ++i) {
                    ms += 10000
                    testHelper.addPeriodic(data, ms, steps[step], 0.3 * (step + 1), 2.1 + 0.15 * step + 0.02 * (i % 3))
                }
            }
            testHelper.addPeriodic(data, ms + 5000, 13.5, 0.9, -1) // no tan delta: not charted
            var page = openDetails(data, OperatingMode.TanDelta)
            var chart = page.diagramTab.chart
            tryCompare(chart.series("primarySeries"), "count", 25) // with its start at the left edge
            compare(chart.series("secondarySeries").count, 24)
            compare(data.table.rowCount(), 24)
            tryCompare(chart.rightAxis, "max", 3)
            compare(chart.timeAxis.categoriesLabels, ["00:00", "01:00", "02:00", "03:00", "04:00"])
            rendered(window)
            verify(testHelper.saveScreenshot(window, "measurement-tandelta-diagram"))

            // A longer test takes a wider label step; the labels between go.
            for (ms += 10000; ms <= 290000; ms += 10000)
                testHelper.addPeriodic(data, ms, 13.5, 0.9, 2.5)
            tryCompare(chart.timeAxis, "categoriesLabels", ["00:00", "01:00", "02:00", "03:00", "04:00", "05:00"])
            for (; ms <= 480000; ms += 10000)
                testHelper.addPeriodic(data, ms, 13.5, 0.9, 2.5)
            tryCompare(chart.timeAxis, "categoriesLabels", ["00:00", "02:30", "05:00", "07:30"])
        }
    }
}
