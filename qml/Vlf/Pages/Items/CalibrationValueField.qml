import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// One calibration value: its label and a field that shows the value with its decimals
// ("---" while the unit has not reported it) and takes a new one within the limits.
Item {
    id: box

    property string label: ""
    property real value: NaN
    property int decimals: 3
    property real minimum: 0
    property real maximum: 0
    property bool editing: false
    property alias field: field

    // A new value within the limits.
    signal entered(real value)

    function shownText() { return isNaN(value) ? "---" : Number(value).toFixed(decimals) }

    function restore() {
        editing = false
        field.text = shownText()
    }

    function accept() {
        var number = parseFloat(field.text.trim().replace(",", "."))
        if (isNaN(number)) {
            restore()
            return
        }
        if (number < minimum) {
            guiViewModel.showWarning(qsTranslate("Dialog", "ValueBelowMinimum"))
            restore()
            return
        }
        if (number > maximum) {
            guiViewModel.showWarning(qsTranslate("Dialog", "ValueAboveMaximum"))
            restore()
            return
        }
        editing = false
        field.text = number.toFixed(decimals)
        entered(number)
    }

    implicitWidth: 370
    implicitHeight: field.implicitHeight
    onValueChanged: if (!editing) field.text = shownText()

    Text {
        anchors.left: parent.left
        anchors.right: field.left
        anchors.rightMargin: Style.margin
        anchors.verticalCenter: parent.verticalCenter
        text: box.label
        elide: Text.ElideRight
        color: Style.foreground
        font.pixelSize: Style.fontSize
    }
    EntryField {
        id: field
        objectName: "valueField"
        anchors.right: parent.right
        width: 130
        horizontalAlignment: TextInput.AlignRight
        inputMethodHints: Qt.ImhFormattedNumbersOnly
        onTextEdited: box.editing = true
        onConfirmed: if (box.editing) box.accept()
        onActiveFocusChanged: if (!activeFocus && box.editing) box.restore()
    }

    Component.onCompleted: field.text = shownText()
}
