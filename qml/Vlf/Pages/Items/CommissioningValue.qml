import QtQuick 2.15
import Vlf.Styles 1.0

// One line of a commissioning page: a fixed label and its value.
Row {
    property alias label: labelText.text
    property alias value: valueText.text
    property real labelWidth: Style.columnWidth

    spacing: Style.margin

    Text {
        id: labelText
        width: parent.labelWidth
        color: Style.foreground
        font.pixelSize: Style.fontSize
        elide: Text.ElideRight
    }
    Text {
        id: valueText
        objectName: "value"
        color: Style.foreground
        font.pixelSize: Style.fontSize
        font.bold: true
    }
}
