import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Asks for the cable number of the next test, offering the numbers stored before.
Page {
    id: page

    property alias navigation: navigation
    property alias field: field
    property alias cancelButton: cancel
    property alias confirmButton: confirm
    readonly property var suggestions: guiViewModel.activities.cableNumbers(field.text.trim())

    signal confirmed(string number)

    background: Rectangle { color: Style.background }

    StackView.onActivated: navigation.jumpTo(field, false)

    function offerSuggestions() {
        // Read anew: the binding above may not have seen the last key yet.
        if (field.activeFocus)
            guiViewModel.setInputPanelSuggestions(guiViewModel.activities.cableNumbers(field.text.trim()))
    }

    VlfNavigation {
        id: navigation
        anchors.fill: parent
        focus: true

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
                width: 420
                maximumLength: 30
                text: guiViewModel.cableNumber
                inputMethodHints: Qt.ImhNoPredictiveText
                onTextEdited: page.offerSuggestions()
                onActiveFocusChanged: page.offerSuggestions()
            }
            Row {
                spacing: Style.margin * 2
                anchors.right: parent.right
                VlfButton {
                    id: cancel
                    objectName: "cancelButton"
                    text: qsTranslate("Dialog", "Cancel")
                    onClicked: page.StackView.view.pop()
                }
                VlfButton {
                    id: confirm
                    objectName: "confirmButton"
                    text: qsTranslate("Menu", "Confirm")
                    onClicked: page.confirmed(field.text.trim())
                }
            }
        }
        Component.onCompleted: {
            addNavElement(field, false, false)
            addNavElement(cancel, false, false)
            addNavElement(confirm, false, false)
        }
    }
}
