import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The comment of a test: of the test just run, or of a stored one opened from the history.
// Confirm writes it to the measurement, Cancel leaves it as it was.
VlfPage {
    id: page

    property var measurement: null
    property alias field: field
    property alias cancelButton: cancel
    property alias confirmButton: confirm

    title: qsTranslate("Comment", "EnterComment")
    firstFocus: field

    VlfTextField {
        id: field
        objectName: "commentField"
        anchors.centerIn: parent
        width: 560
        maximumLength: guiViewModel.maxCommentLength
        placeholderText: qsTranslate("Comment", "MeasurementComment")
        inputMethodHints: Qt.ImhNoPredictiveText
        onEntered: if (confirm.enabled) confirm.clicked()
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
            enabled: page.measurement !== null
            onClicked: {
                // A text the record cannot hold stays here to be corrected.
                if (!guiViewModel.acceptsComment(field.text))
                    return
                page.measurement.comment = field.text
                page.close()
            }
        }
    ]

    Component.onCompleted: {
        // Once: a later change of the stored comment must not overwrite what is being typed.
        field.text = page.measurement ? page.measurement.comment : ""
        navigation.addNavElement(field, false, false)
    }
}
