import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Asks for the cable number the history is filtered by, offering the stored numbers and
// saying how many of them contain the text typed. An empty field confirms no filter.
VlfPage {
    id: page

    readonly property var activities: guiViewModel.activities
    readonly property int matching: activities.cableNumbers(field.text.trim()).length
    readonly property int total: guiViewModel.getCableNumbersLength("")
    property alias field: field
    property alias countText: countText
    property alias cancelButton: cancel
    property alias confirmButton: confirm

    signal confirmed(string number)

    objectName: "cableSearchPage"
    title: qsTranslate("CableData", "SearchCableNumber")
    firstFocus: field

    function offerSuggestions() {
        if (field.activeFocus)
            guiViewModel.setInputPanelSuggestions(activities.cableNumbers(field.text.trim()))
    }

    Column {
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
            inputMethodHints: Qt.ImhNoPredictiveText
            onTextEdited: page.offerSuggestions()
            onActiveFocusChanged: page.offerSuggestions()
            onEntered: if (confirm.enabled) confirm.clicked()
        }
        Text {
            id: countText
            objectName: "countText"
            text: page.matching + " / " + page.total
            color: page.matching > 0 ? Style.foreground : Style.failure
            font.pixelSize: Style.fontSize
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
            enabled: page.matching > 0
            onClicked: page.confirmed(field.text.trim())
        }
    ]

    Component.onCompleted: navigation.addNavElement(field, false, false)
}
