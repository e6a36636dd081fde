import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The newest minute of the samples. The sheath tests show the newest current beside
// the curve.
Item {
    id: tab

    property MeasurementData measurementData: null
    // The mode the data were recorded in.
    property int mode: guiViewModel.mode
    readonly property MeasurementGraph graph: measurementData ? measurementData.trace : null
    readonly property var valueSeries: graph ? graph.secondarySeries : null
    readonly property bool showsValue: valueSeries !== null
                                       && (mode === OperatingMode.SheathTest || mode === OperatingMode.SheathPinpointing)
    readonly property alias chart: chart
    readonly property alias valueLabel: valueLabel

    MeasurementChart {
        id: chart
        anchors.fill: parent
        graph: tab.graph
    }

    Text {
        id: valueLabel
        objectName: "traceValue"
        visible: tab.showsValue
        text: tab.valueSeries ? "%1 %2".arg(Number(tab.valueSeries.current).toLocaleString(Qt.locale(), 'f', 3))
                                       .arg(tab.valueSeries.unit)
                              : ""
        color: chart.dataTypeColor(tab.valueSeries ? tab.valueSeries.dataType : 0)
        font.pixelSize: Style.fontSize
        font.bold: true
        x: chart.plotArea.x + chart.plotArea.width - width - Style.margin
        y: {
            var s = chart.chartSeries.secondarySeries
            if (!tab.valueSeries || !s)
                return chart.plotArea.y
            var p = chart.mapToPosition(Qt.point(chart.timeAxis.max, tab.valueSeries.current), s)
            var top = chart.plotArea.y
            var bottom = chart.plotArea.y + chart.plotArea.height - height
            return Math.max(top, Math.min(bottom, p.y - height - Style.margin / 2))
        }
    }
}
