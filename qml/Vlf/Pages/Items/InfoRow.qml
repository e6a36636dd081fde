import QtQuick 2.15
import Vlf.Styles 1.0

// One line of the information page: what, and its value.
Item {
    id: row

    property string label: ""
    property string value: ""

    width: parent ? parent.width : 400
    height: visible ? Math.max(labelText.implicitHeight, valueText.implicitHeight) + Style.margin : 0

    Text {
        id: labelText
        width: parent.width * 0.45
        text: row.label
        elide: Text.ElideRight
        color: Style.foreground
        font.pixelSize: Style.fontSize
    }
    Text {
        id: valueText
        objectName: "value"
        x: parent.width * 0.45 + Style.margin
        width: parent.width - x
        text: row.value
        elide: Text.ElideRight
        color: Style.foreground
        font.pixelSize: Style.fontSize
        font.bold: true
    }
}
