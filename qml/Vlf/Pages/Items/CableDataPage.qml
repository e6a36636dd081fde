import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Asks for the cable number of the next test, offering the numbers stored before; a
// stored test's edit starts it from that test's number.
VlfPage {
    id: page

    property string number: guiViewModel.cableNumber
    property alias field: field
    property alias cancelButton: cancel
    property alias confirmButton: confirm
    readonly property var suggestions: guiViewModel.activities.cableNumbers(field.text.trim())

    signal confirmed(string number)

    firstFocus: field

    function offerSuggestions() {
        // Read anew: the binding above may not have seen the last key yet.
        if (field.activeFocus)
            guiViewModel.setInputPanelSuggestions(guiViewModel.activities.cableNumbers(field.text.trim()))
    }

    Column {
        id: column
        anchors.centerIn: parent
        spacing: Style.margin * 2

        Text {
            text: qsTranslate("Menu", "CableNumber")
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }
        VlfTextField {
            id: field
            objectName: "cableNumberField"
            width: Style.fieldWidth
            maximumLength: 30
            text: page.number
            inputMethodHints: Qt.ImhNoPredictiveText
            onTextEdited: page.offerSuggestions()
            onActiveFocusChanged: page.offerSuggestions()
            onEntered: confirm.clicked()
        }
    }

    buttons: [
        CancelButton {
            id: cancel
            onClicked: page.close()
        },
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            text: qsTranslate("Menu", "Confirm")
            onClicked: page.confirmed(field.text.trim())
        }
    ]

    Component.onCompleted: navigation.addNavElement(field, false, false)
}
