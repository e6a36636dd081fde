import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The editor of one parameter item, chosen by its kind: three phase buttons, a slider with
// the value, or one button per choice. `controls` lists the controls the encoder reaches,
// in their order; the page registers them with its navigation.
Column {
    id: editor

    property PropertySettingsViewModel item: null
    // Tan delta phases are measured one after the other.
    property bool singlePhaseMode: false
    property bool showName: false
    readonly property int kind: item ? item.propertyItemType : PropertySettingsViewModel.Unknown
    property int choiceRevision: 0
    readonly property var controls: {
        choiceRevision
        if (kind === PropertySettingsViewModel.SlideValue)
            return [slider]
        var repeater = kind === PropertySettingsViewModel.PhaseValue ? phaseButtons : choices
        var out = []
        for (var i = 0; i < repeater.count; ++i)
            if (repeater.itemAt(i))
                out.push(repeater.itemAt(i))
        return out
    }
    // Bumped on every change of the item, so that the texts built from it follow.
    property int revision: 0
    readonly property string valueText: {
        revision
        if (!item)
            return ""
        if (item.isInfinity)
            return "\u221E"
        return item.valueToString()
    }
    // No unit beside the infinity mark, a zero text or a multiple of U0.
    readonly property bool showsUnit: {
        revision
        return item !== null && !item.isVoltageFactor && !item.isInfinity
               && !(item.value === 0 && item.zeroRepresentation.length > 0)
    }
    readonly property int markedPhases: item && kind === PropertySettingsViewModel.PhaseValue
                                        ? ((item.value & 1) + ((item.value >> 1) & 1) + ((item.value >> 2) & 1)) : 0

    spacing: Style.margin

    function limitText(value) {
        var scale = item && item.scaleFactor > 0 ? item.scaleFactor : 1
        var decimals = scale > 1 ? Math.ceil(Math.log(scale) / Math.LN10) : 0
        return Number(value / scale).toLocaleString(Qt.locale(), 'f', decimals)
    }

    Connections {
        target: editor.item
        function onValueChanged() { ++editor.revision }
        function onValueFactorChanged() { ++editor.revision }
        function onValuesChanged() { ++editor.revision }
    }

    Text {
        visible: editor.showName
        text: editor.item ? editor.item.name : ""
        color: Style.foreground
        font.pixelSize: Style.fontSize
        font.bold: true
    }
    Text {
        width: parent.width
        visible: text.length > 0
        text: editor.item ? editor.item.description : ""
        color: Style.foreground
        font.pixelSize: Style.fontSize
        wrapMode: Text.WordWrap
    }

    // Phases: a bit set of L1, L2, L3.
    Row {
        visible: editor.kind === PropertySettingsViewModel.PhaseValue
        spacing: Style.margin * 2
        Repeater {
            id: phaseButtons
            onItemAdded: ++editor.choiceRevision
            model: [guiViewModel.phaseNameL1, guiViewModel.phaseNameL2, guiViewModel.phaseNameL3]
            VlfButton {
                readonly property int bit: 1 << index
                objectName: "phaseButton" + index
                width: Style.buttonWidth
                text: modelData
                checked: editor.item !== null && (editor.item.value & bit) !== 0
                onClicked: if (editor.item) editor.item.value = editor.item.value ^ bit
            }
        }
    }
    Text {
        visible: editor.kind === PropertySettingsViewModel.PhaseValue && editor.singlePhaseMode
                 && editor.markedPhases > 1
        text: qsTranslate("TestConfiguration", "PhaseProceededOneAfterAnother!")
        color: Style.failure
        font.pixelSize: Style.smallFontSize
    }

    // A number on a slider.
    Row {
        visible: editor.kind === PropertySettingsViewModel.SlideValue
        spacing: Style.margin
        Text {
            id: valueLabel
            objectName: "valueText"
            text: editor.valueText
            color: Style.foreground
            font.pixelSize: 40
        }
        Text {
            anchors.baseline: valueLabel.baseline
            // A factor reads as a plain multiple of U0.
            text: editor.showsUnit ? editor.item.unit : ""
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        Text {
            anchors.baseline: valueLabel.baseline
            text: editor.item ? editor.item.unitHint : ""
            color: Style.inactive
            font.pixelSize: Style.smallFontSize
        }
    }
    VlfSlider {
        id: slider
        objectName: "valueSlider"
        visible: editor.kind === PropertySettingsViewModel.SlideValue
        width: parent.width
        from: editor.item ? editor.item.minimum : 0
        to: editor.item ? Math.max(editor.item.minimum, editor.item.maximum) : 1
        value: editor.item ? editor.item.value : 0
        ticks: editor.item ? editor.item.ticks : []
        onEdited: if (editor.item) editor.item.value = value
    }
    // The ends of the range, in the item's units.
    Item {
        visible: slider.visible
        width: parent.width
        height: minimumText.height
        Text {
            id: minimumText
            x: slider.leftPadding
            text: editor.limitText(editor.item ? editor.item.minimum : 0)
            color: Style.inactive
            font.pixelSize: Style.smallFontSize
        }
        Text {
            anchors.right: parent.right
            anchors.rightMargin: slider.rightPadding
            text: editor.limitText(editor.item ? editor.item.maximum : 0)
            color: Style.inactive
            font.pixelSize: Style.smallFontSize
        }
    }

    // One button per choice.
    Flow {
        width: parent.width
        visible: editor.kind === PropertySettingsViewModel.SingleChoiceValue
                 || editor.kind === PropertySettingsViewModel.ListValue
        spacing: Style.margin * 2
        Repeater {
            id: choices
            model: editor.kind === PropertySettingsViewModel.SingleChoiceValue
                   || editor.kind === PropertySettingsViewModel.ListValue ? editor.item.values : []
            VlfButton {
                objectName: "choiceButton" + index
                text: modelData
                checked: editor.item !== null && editor.item.value === index
                onClicked: if (editor.item) editor.item.value = index
            }
            onItemAdded: ++editor.choiceRevision
            onItemRemoved: ++editor.choiceRevision
        }
    }
}
