import QtQuick 2.15
import QtCharts 2.3
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// One measurement chart: a chart series per series of the graph ("primarySeries" on the
// left axis, "secondarySeries" and "trendSeries" on the right one) over a time axis in
// minutes and seconds. Redraws at most once per graph update interval, and then only
// what changed.
ChartView {
    id: chart

    property MeasurementGraph graph: null
    // Chart series by name, as created for the graph.
    property var chartSeries: ({})
    property var dirty: ({})
    property bool timeRangeDirty: true
    readonly property alias leftAxis: leftAxis
    readonly property alias rightAxis: rightAxis
    readonly property alias timeAxis: timeAxis
    readonly property alias redrawTimer: redrawTimer
    readonly property var seriesNames: ["primarySeries", "secondarySeries", "trendSeries"]
    // Labels of the time axis by their value in ms.
    property var timeLabels: ({})

    antialiasing: false
    legend.visible: false
    backgroundColor: "transparent"
    backgroundRoundness: 0
    animationOptions: ChartView.NoAnimation
    // Room on the right for the last time label when there is no right axis.
    margins { left: 0; right: 20; top: 4; bottom: 0 }

    function dataTypeColor(type) {
        switch (type) {
        case DataType.VoltageRMS:
        case DataType.Voltage:
            return Style.voltageColor
        case DataType.Current:
        case DataType.CurrentRMS:
            return Style.currentColor
        case DataType.Leakage:
            return Style.leakageColor
        case DataType.TanDelta:
            return Style.tanDeltaColor
        default:
            return Style.foreground
        }
    }

    function seriesType(series) {
        switch (series.graphType) {
        case GraphType.AreaSeries:
            return ChartView.SeriesTypeArea
        case GraphType.ScatterSeries:
            return ChartView.SeriesTypeScatter
        default:
            return ChartView.SeriesTypeLine
        }
    }

    function addSeries(name, series, onRight) {
        if (!series)
            return
        var s = chart.createSeries(seriesType(series), name, timeAxis, leftAxis)
        if (onRight)
            s.axisYRight = rightAxis
        var color = dataTypeColor(series.dataType)
        switch (series.graphType) {
        case GraphType.AreaSeries:
            s.lowerSeries = lineComponent.createObject(s)
            s.color = Qt.rgba(color.r, color.g, color.b, 0.35)
            s.borderColor = color
            s.borderWidth = 1
            break
        case GraphType.ScatterSeries:
            s.markerShape = ScatterSeries.MarkerShapeRectangle
            s.markerSize = 10
            s.color = color
            s.borderColor = color
            break
        default:
            s.color = color
            s.width = 2
            break
        }
        var all = chartSeries
        all[name] = s
        chartSeries = all
    }

    function build() {
        redrawTimer.stop()
        chart.removeAllSeries()
        chartSeries = {}
        dirty = {}
        if (!graph)
            return
        addSeries("primarySeries", graph.primarySeries, false)
        addSeries("secondarySeries", graph.secondarySeries, true)
        addSeries("trendSeries", graph.trendSeries, true)
        if (graph.primarySeries)
            graph.primarySeries.initSeries(chartSeries.primarySeries)
        if (graph.secondarySeries)
            graph.secondarySeries.initSeries(chartSeries.secondarySeries)
        colorTrend()
        // A new chart starts at its series' ranges at once rather than after the delay.
        followAxis(leftAxis, graph.primarySeries)
        followAxis(rightAxis, rightSeries())
        drawNow()
    }

    // A new or newly shown chart takes its window at once: a stored test sends no further
    // record, and until the timer fired the time axis would be the default minute without
    // labels and the curve would miss its start at the left edge.
    function drawNow() {
        timeRangeDirty = true
        if (!chart.visible)
            return
        redrawTimer.stop()
        redraw()
    }

    function schedule() {
        if (chart.visible && !redrawTimer.running)
            redrawTimer.start()
    }
    function markDirty(name) {
        dirty[name] = true
        schedule()
    }

    function redraw() {
        if (!graph)
            return
        if (timeRangeDirty) {
            timeRangeDirty = false
            updateTimeAxis()
            for (var n = 0; n < seriesNames.length; ++n)
                dirty[seriesNames[n]] = true
        }
        for (var name in dirty) {
            if (graph[name] && chartSeries[name])
                graph[name].updateSeries(chartSeries[name])
        }
        dirty = {}
    }

    // Label step for a window span: wider windows get fewer labels.
    function timeStep(spanMs) {
        var steps = [[60, 15], [180, 30], [300, 60], [600, 150], [1800, 300], [3000, 600], [6000, 1500],
                     [18000, 3000], [30000, 6000], [60000, 15000], [180000, 30000], [300000, 60000]]
        for (var i = 0; i < steps.length; ++i)
            if (spanMs <= steps[i][0] * 1000)
                return steps[i][1] * 1000
        return 0
    }
    function timeLabel(ms) {
        var seconds = Math.floor(ms / 1000)
        var minutes = Math.floor(seconds / 60)
        seconds = seconds % 60
        return (minutes < 10 ? "0" : "") + minutes + ":" + (seconds < 10 ? "0" : "") + seconds
    }

    function updateTimeAxis() {
        var start = graph.startTime.getTime()
        var end = graph.endTime.getTime()
        timeAxis.max = end
        timeAxis.min = start
        var step = timeStep(end - start)
        var wanted = []
        if (step > 0)
            for (var v = Math.ceil(start / step) * step; v <= end; v += step)
                wanted.push(v)
        var labels = timeLabels
        var last = -1
        // Labels that left the window, or that the step no longer hits, go; the others stay.
        for (var key in labels) {
            var value = Number(key)
            if (wanted.indexOf(value) < 0) {
                timeAxis.remove(labels[key])
                delete labels[key]
            } else {
                last = Math.max(last, value)
            }
        }
        // Categories only grow at the end: a missing label inside means building anew.
        for (var i = 0; i < wanted.length; ++i) {
            if (labels[wanted[i]] === undefined && wanted[i] < last) {
                for (key in labels)
                    timeAxis.remove(labels[key])
                labels = {}
                break
            }
        }
        for (i = 0; i < wanted.length; ++i) {
            if (labels[wanted[i]] === undefined) {
                labels[wanted[i]] = timeLabel(wanted[i])
                timeAxis.append(labels[wanted[i]], wanted[i])
            }
        }
        timeLabels = labels
    }

    // The axis takes the series' range: it widens, never narrows, and is symmetric around
    // zero once it reaches below it.
    function followAxis(axis, series) {
        if (!series)
            return
        var lo = axis.followed ? Math.min(axis.min, series.minimum) : series.minimum
        var hi = axis.followed ? Math.max(axis.max, series.maximum) : series.maximum
        if (lo < 0 && hi > 0) {
            var m = Math.max(-lo, hi)
            lo = -m
            hi = m
        }
        axis.followed = true
        axis.max = hi
        axis.min = lo
        var span = hi - lo
        axis.labelFormat = span < 10 ? "%.2f" : (span < 100 ? "%.1f" : "%.0f")
        axis.titleText = "<font color=%1>%2 [%3]</font>".arg(dataTypeColor(series.dataType)).arg(series.label)
                                                        .arg(series.unit)
    }
    // A running timer keeps running: changes in quick succession are taken together.
    function follow(timer) {
        if (!timer.running)
            timer.start()
    }
    function rightSeries() {
        return graph ? (graph.secondarySeries || graph.trendSeries) : null
    }

    function colorTrend() {
        var area = chartSeries.trendSeries
        var trend = graph ? graph.trendSeries : null
        if (!area || !trend)
            return
        var c = dataTypeColor(trend.dataType)
        if (trend.trendState === TrendState.Red)
            c = Style.trendRed
        else if (trend.trendState === TrendState.Orange)
            c = Style.trendOrange
        var shown = trend.visible ? Qt.rgba(c.r, c.g, c.b, 0.5) : "transparent"
        area.color = shown
        area.borderColor = shown
    }

    onGraphChanged: build()
    onVisibleChanged: {
        if (visible)
            drawNow()
    }
    Component.onCompleted: {
        var bg = Style.chartBackground
        if (bg.a > 0)
            chartDecorator.setPlotAreaBackground(chart, bg)
        else
            chartDecorator.setPlotAreaGradient(chart, Style.chartGradientPos, Style.chartGradient[0],
                                               Style.chartGradient[1], Style.chartGradient[2])
        chartDecorator.setGridLineColor(leftAxis, Style.chartGrid)
        chartDecorator.setGridLineColor(rightAxis, Style.chartGrid)
        chartDecorator.setGridLineColor(timeAxis, Style.chartGrid)
        build()
    }

    ValueAxis {
        id: leftAxis
        property bool followed: false
        min: 0
        max: 1
        tickCount: 5
        color: Style.inactive
        labelsColor: Style.foreground
        labelsFont.pixelSize: Style.chartFontSize
        titleFont.pixelSize: Style.chartFontSize
    }
    ValueAxis {
        id: rightAxis
        property bool followed: false
        min: 0
        max: 1
        tickCount: 5
        color: Style.inactive
        labelsColor: Style.foreground
        labelsFont.pixelSize: Style.chartFontSize
        titleFont.pixelSize: Style.chartFontSize
    }
    CategoryAxis {
        id: timeAxis
        min: 0
        max: 60000
        labelsPosition: CategoryAxis.AxisLabelsPositionOnValue
        color: Style.inactive
        labelsColor: Style.foreground
        labelsFont.pixelSize: Style.chartFontSize
    }

    Component {
        id: lineComponent
        LineSeries {}
    }

    Timer {
        id: redrawTimer
        interval: Math.max(1, guiViewModel.settings.graphUpdateIntervall)
        onTriggered: chart.redraw()
    }
    Timer {
        id: leftFollower
        interval: 250
        onTriggered: chart.followAxis(leftAxis, chart.graph ? chart.graph.primarySeries : null)
    }
    Timer {
        id: rightFollower
        interval: 250
        onTriggered: chart.followAxis(rightAxis, chart.rightSeries())
    }

    Connections {
        target: chart.graph
        function onTimeRangeChanged() {
            chart.timeRangeDirty = true
            chart.schedule()
        }
    }
    Connections {
        target: chart.graph ? chart.graph.primarySeries : null
        function onCurrentChanged() { chart.markDirty("primarySeries") }
        function onRangeChanged() { chart.follow(leftFollower) }
        function onUnitChanged() { chart.follow(leftFollower) }
    }
    Connections {
        target: chart.graph ? chart.graph.secondarySeries : null
        function onCurrentChanged() { chart.markDirty("secondarySeries") }
        function onRangeChanged() { chart.follow(rightFollower) }
        function onUnitChanged() { chart.follow(rightFollower) }
    }
    Connections {
        target: chart.graph ? chart.graph.trendSeries : null
        function onCurrentChanged() { chart.markDirty("trendSeries") }
        function onTrendStateChanged() { chart.colorTrend() }
        function onVisibleChanged() { chart.colorTrend() }
    }
}
