import QtQuick 2.15
import QtCharts 2.3
import Vlf.Styles 1.0

// The mean tan delta of each measured phase over the voltage steps (in U0).
ChartView {
    id: chart

    property var tanDelta: null
    // The largest mean drawn, for the y axis.
    property real largest: 0
    readonly property alias xAxis: xAxis
    readonly property alias yAxis: yAxis

    antialiasing: false
    legend.visible: true
    legend.alignment: Qt.AlignBottom
    legend.labelColor: Style.foreground
    legend.font.pixelSize: Style.chartFontSize
    backgroundColor: "transparent"
    backgroundRoundness: 0
    animationOptions: ChartView.NoAnimation
    margins { left: 0; right: 20; top: 4; bottom: 0 }

    // 0.4 or 1 for small values, else 2, 4 or 10 times the decade of the largest mean.
    function yMaximum(largestMean) {
        if (!(largestMean >= 0.4))
            return 0.4
        if (largestMean <= 1)
            return 1
        var decade = Math.pow(10, Math.floor(Math.log(largestMean) / Math.LN10))
        var ratio = largestMean / decade
        // log10 can land a hair below an exact power of ten.
        if (ratio >= 10) {
            decade *= 10
            ratio /= 10
        }
        if (ratio < 2)
            return 2 * decade
        if (ratio < 4)
            return 4 * decade
        return 10 * decade
    }
    // The factors' span rounded outwards to 0.5 U0, never empty.
    function xRange(factors) {
        if (!factors || factors.length === 0)
            return [0, 2]
        var lo = factors[0]
        var hi = factors[0]
        for (var i = 1; i < factors.length; ++i) {
            lo = Math.min(lo, factors[i])
            hi = Math.max(hi, factors[i])
        }
        lo = Math.floor(lo / 50) * 50 / 100
        hi = Math.ceil(hi / 50) * 50 / 100
        return [lo, hi > lo ? hi : lo + 0.5]
    }

    function rebuild() {
        chart.removeAllSeries()
        var factors = tanDelta ? tanDelta.factors : []
        var range = xRange(factors)
        xAxis.min = range[0]
        xAxis.max = range[1]
        xAxis.tickCount = Math.round((range[1] - range[0]) / 0.5) + 1
        var top = 0
        if (tanDelta) {
            var means = [tanDelta.meanL1, tanDelta.meanL2, tanDelta.meanL3]
            for (var phase = 0; phase < 3; ++phase) {
                var values = means[phase]
                if (!values || values.length === 0)
                    continue
                var s = chart.createSeries(ChartView.SeriesTypeLine, guiViewModel.getPhaseName(phase), xAxis, yAxis)
                s.color = Style.phaseColors[phase]
                s.width = 2
                s.pointsVisible = true
                for (var i = 0; i < Math.min(values.length, factors.length); ++i) {
                    // A step without a value leaves a gap in nothing but its point.
                    if (isNaN(values[i]))
                        continue
                    s.append(factors[i] / 100, values[i])
                    top = Math.max(top, values[i])
                }
            }
        }
        largest = top
        yAxis.min = 0
        yAxis.max = yMaximum(top)
        yAxis.labelFormat = yAxis.max < 10 ? "%.2f" : (yAxis.max < 100 ? "%.1f" : "%.0f")
    }

    onTanDeltaChanged: rebuild()
    Component.onCompleted: {
        var bg = Style.chartBackground
        if (bg.a > 0)
            chartDecorator.setPlotAreaBackground(chart, bg)
        else
            chartDecorator.setPlotAreaGradient(chart, Style.chartGradientPos, Style.chartGradient[0],
                                               Style.chartGradient[1], Style.chartGradient[2])
        chartDecorator.setGridLineColor(xAxis, Style.chartGrid)
        chartDecorator.setGridLineColor(yAxis, Style.chartGrid)
        rebuild()
    }

    Connections {
        target: chart.tanDelta
        function onEvaluationDataChanged() { chart.rebuild() }
        function onPhaseL1Changed() { chart.rebuild() }
        function onPhaseL2Changed() { chart.rebuild() }
        function onPhaseL3Changed() { chart.rebuild() }
    }

    ValueAxis {
        id: xAxis
        min: 0
        max: 2
        tickCount: 5
        labelFormat: "%.1f"
        titleText: "<font color='%1'>U\u2080</font>".arg(Style.foreground)
        color: Style.inactive
        labelsColor: Style.foreground
        labelsFont.pixelSize: Style.chartFontSize
        titleFont.pixelSize: Style.chartFontSize
    }
    ValueAxis {
        id: yAxis
        min: 0
        max: 0.4
        tickCount: 5
        titleText: "<font color='%1'>TAN\u03B4 in 1E-3</font>".arg(Style.foreground)
        color: Style.inactive
        labelsColor: Style.foreground
        labelsFont.pixelSize: Style.chartFontSize
        titleFont.pixelSize: Style.chartFontSize
    }
}
