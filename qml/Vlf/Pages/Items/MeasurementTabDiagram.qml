import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0

// The per-period values of the whole test.
Item {
    id: tab

    property MeasurementData measurementData: null
    readonly property MeasurementGraph graph: measurementData ? measurementData.diagram : null
    readonly property alias chart: chart

    MeasurementChart {
        id: chart
        anchors.fill: parent
        graph: tab.graph
    }
}
