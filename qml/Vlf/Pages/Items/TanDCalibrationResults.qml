import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The tan delta calibration just made: its two complex points and the validation steps
// measured with it, a failed step in red.
VlfPage {
    id: page

    readonly property var calibration: guiViewModel.commissioning.tanDCalibration
    readonly property var table: guiViewModel.commissioning.tanDValidation
    property alias validationTable: validationTable

    function number(v) { return v.toLocaleString(Qt.locale(), "f", 6) }

    objectName: "tanDCalibrationResults"
    title: "TanD-Kalibrierung"
    showBack: true

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        CommissioningValue {
            objectName: "pointA"
            label: "Punkt A"
            value: page.number(page.calibration.aReal) + "   j " + page.number(page.calibration.aImag)
        }
        CommissioningValue {
            objectName: "pointB"
            label: "Punkt B"
            value: page.number(page.calibration.bReal) + "   j " + page.number(page.calibration.bImag)
        }
        Item { width: 1; height: Style.margin }

        Row {
            Repeater {
                model: page.table ? page.table.headers : []
                Text {
                    width: (page.width - 4 * Style.margin) * page.table.getColumnWeight(index)
                    text: modelData
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                    font.bold: true
                }
            }
        }
        TableView {
            id: validationTable
            objectName: "validationTable"
            width: parent.width
            height: Math.max(1, rows) * 32
            interactive: false
            model: page.table
            columnWidthProvider: function(column) { return width * page.table.getColumnWeight(column) }
            rowHeightProvider: function(row) { return 32 }
            delegate: Text {
                text: value
                color: success ? Style.foreground : Style.failure
                font.pixelSize: Style.fontSize
                verticalAlignment: Text.AlignVCenter
            }
        }
    }
}
