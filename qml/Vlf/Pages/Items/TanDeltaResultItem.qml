import QtQuick 2.15
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The tan delta summary beside the results: the standard, the voltage steps and the
// verdict of each phase in its colour.
Item {
    id: item

    property var tanDelta: null
    // Bumped on every change, so that the calls below are made again.
    property int revision: 0
    readonly property string standardName: {
        revision
        return tanDelta ? tanDelta.getTanDeltaStandardName() : ""
    }
    readonly property alias phaseRows: phaseRows

    implicitWidth: Style.sidePanelWidth
    implicitHeight: column.height
    height: implicitHeight

    function factorText(factors) {
        if (!factors || factors.length === 0)
            return ""
        var parts = []
        for (var i = 0; i < factors.length; ++i)
            parts.push(Number(factors[i] / 100).toLocaleString(Qt.locale(), 'f', 1))
        return parts.join(", ") + " U\u2080"
    }
    function resultColor(index) {
        switch (index) {
        case 0: return Style.actionRequired
        case 1: return Style.furtherStudy
        case 2: return Style.noActionRequired
        default: return Style.background
        }
    }
    function resultTextColor(index) {
        return index === 0 || index === 2 ? Style.lightText : (index === 1 ? Style.darkText : Style.foreground)
    }

    Connections {
        target: item.tanDelta
        function onStandardChanged() { item.revision++ }
        function onEvaluationDataChanged() { item.revision++ }
        function onPhaseL1Changed() { item.revision++ }
        function onPhaseL2Changed() { item.revision++ }
        function onPhaseL3Changed() { item.revision++ }
    }

    Column {
        id: column
        width: parent.width
        spacing: Style.margin

        Text {
            objectName: "standardName"
            width: parent.width
            text: item.standardName
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
            elide: Text.ElideRight
        }
        Text {
            objectName: "factorList"
            width: parent.width
            text: item.factorText(item.tanDelta ? item.tanDelta.factors : [])
            color: Style.foreground
            font.pixelSize: Style.smallFontSize
        }
        Repeater {
            id: phaseRows
            model: 3

            Row {
                id: row
                readonly property int result: {
                    item.revision
                    return item.tanDelta ? item.tanDelta.getResultIndexForPhase(index) : -1
                }
                readonly property string resultText: {
                    item.revision
                    return item.tanDelta ? item.tanDelta.getResultStringForPhase(index) : ""
                }
                spacing: Style.margin

                Text {
                    width: 60
                    height: cell.height
                    text: guiViewModel.getPhaseName(index)
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                    font.bold: true
                    verticalAlignment: Text.AlignVCenter
                }
                Rectangle {
                    id: cell
                    objectName: "phaseResult" + index
                    width: item.width - 60 - Style.margin
                    height: Style.rowHeight
                    radius: Style.cornerRadius
                    color: item.resultColor(row.result)
                    border.color: Style.inactive

                    Text {
                        anchors.fill: parent
                        anchors.leftMargin: Style.margin
                        anchors.rightMargin: Style.margin
                        text: row.resultText
                        color: item.resultTextColor(row.result)
                        font.pixelSize: Style.fontSize
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                    }
                }
            }
        }
    }
}
