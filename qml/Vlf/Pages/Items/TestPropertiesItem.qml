import QtQuick 2.15
import Vlf.Styles 1.0

// The parameter panel beside the preparation, live and result views: load and measured
// values on the left (icon, value, unit), the test parameters on the right (name, value,
// unit and its hint, or the infinity mark of a test without time limit).
Item {
    id: panel

    property var preparationParameters: []
    property var measureParameters: []
    property var testParameters: []
    readonly property var valueItems: toArray(preparationParameters).concat(toArray(measureParameters))
    readonly property var parameterItems: toArray(testParameters)
    readonly property alias valueColumn: valueColumn
    readonly property alias parameterColumn: parameterColumn

    implicitWidth: Style.sidePanelWidth
    implicitHeight: Math.max(valueColumn.height, parameterColumn.height)

    // QML list properties and arrays alike.
    function toArray(list) {
        var out = []
        if (!list)
            return out
        for (var i = 0; i < list.length; ++i)
            out.push(list[i])
        return out
    }

    Column {
        id: valueColumn
        width: panel.width * 0.42
        spacing: Style.margin

        Repeater {
            model: panel.valueItems

            Row {
                spacing: Style.margin
                height: Style.iconSize

                Image {
                    source: modelData.icon
                    sourceSize.width: Style.iconSize
                    sourceSize.height: Style.iconSize
                    anchors.verticalCenter: parent.verticalCenter
                }
                Text {
                    text: modelData.value
                    color: Style.foreground
                    font.pixelSize: Style.fontSize
                    font.bold: true
                    anchors.verticalCenter: parent.verticalCenter
                }
                Text {
                    text: modelData.unit
                    color: Style.foreground
                    font.pixelSize: Style.smallFontSize
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Column {
        id: parameterColumn
        x: valueColumn.width + Style.margin * 2
        width: panel.width - x
        spacing: Style.margin / 2

        Repeater {
            model: panel.parameterItems

            Item {
                width: parameterColumn.width
                height: Math.max(name.height, valueRow.height)

                Text {
                    id: name
                    width: parent.width * 0.45
                    text: modelData.name
                    color: Style.inactive
                    font.pixelSize: Style.smallFontSize
                    elide: Text.ElideRight
                    anchors.verticalCenter: parent.verticalCenter
                }
                Row {
                    id: valueRow
                    x: name.width + Style.margin
                    spacing: Style.margin / 2
                    anchors.verticalCenter: parent.verticalCenter

                    Text {
                        id: valueText
                        text: modelData.isInfinity ? "\u221E" : modelData.value
                        color: Style.foreground
                        font.pixelSize: Style.fontSize
                        font.bold: true
                    }
                    Text {
                        text: modelData.isInfinity ? "" : modelData.unit
                        color: Style.foreground
                        font.pixelSize: Style.smallFontSize
                        anchors.baseline: valueText.baseline
                    }
                    Text {
                        text: modelData.unitHint
                        visible: text.length > 0
                        color: Style.inactive
                        font.pixelSize: Style.tinyFontSize
                        anchors.baseline: valueText.baseline
                    }
                }
            }
        }
    }
}
