import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// One parameter of the configuration page: its name, its value with unit, and whether it
// is confirmed. The parameter being edited is drawn selected.
AbstractButton {
    id: control

    property PropertySettingsViewModel item: null
    property int revision: 0
    readonly property string valueText: {
        revision
        if (!item)
            return ""
        return item.isInfinity ? "\u221E" : item.valueToString()
    }
    // No unit beside the infinity mark or a zero text.
    readonly property bool showsUnit: {
        revision
        return item !== null && item.unit.length > 0 && !item.isInfinity
               && !(item.value === 0 && item.zeroRepresentation.length > 0)
    }
    property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
        onKnobPressed: control.clicked()
    }

    focusPolicy: Qt.StrongFocus
    implicitHeight: 84
    padding: Style.margin
    Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, control)

    Connections {
        target: control.item
        function onValueChanged() { ++control.revision }
        function onValueFactorChanged() { ++control.revision }
        function onValuesChanged() { ++control.revision }
    }

    contentItem: Column {
        spacing: Style.smallSpacing
        Text {
            width: parent.width
            text: control.item ? control.item.name : ""
            color: Style.foreground
            font.pixelSize: Style.smallFontSize
            elide: Text.ElideRight
        }
        Text {
            objectName: "buttonValue"
            width: parent.width
            text: control.valueText + (control.showsUnit ? " " + control.item.unit : "")
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
            elide: Text.ElideRight
        }
        Text {
            width: parent.width
            text: control.item ? control.item.unitHint : ""
            visible: text.length > 0
            color: Style.foreground
            font.pixelSize: Style.tinyFontSize
        }
    }
    background: Rectangle {
        radius: Style.largeCornerRadius
        color: control.activeFocus ? Style.highlight
                                   : (control.item && control.item.isActive ? Qt.tint(Style.panel, Style.chosenTint)
                                                                             : Style.panel)
        border.width: control.item && control.item.isActive ? Style.activeBorderWidth : 1
        border.color: control.item && control.item.isActive ? Style.highlight : Style.inactive

        // Confirmed: a tick in the corner.
        Text {
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: Style.margin / 2
            visible: control.item !== null && control.item.isConfirmed
            text: "\u2713"
            color: Style.success
            font.pixelSize: Style.fontSize
            font.bold: true
        }
    }
}
