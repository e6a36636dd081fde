import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// A new admin password, entered twice. OK only for two equal entries of the minimum length.
VlfPage {
    id: page

    readonly property int minLength: guiViewModel.settings.minPasswordLength
    readonly property bool equal: first.text === second.text
    readonly property bool tooShort: first.text.length > 0 && first.text.length < minLength
    readonly property bool acceptable: equal && first.text.length >= minLength
    property alias first: first
    property alias second: second
    property alias okButton: ok

    function change() {
        if (!acceptable)
            return
        if (!guiViewModel.settings.setAdminPassword(first.text)) {
            guiViewModel.showWarning(qsTranslate("Dialog", "PasswordNotValid"))
            return
        }
        guiViewModel.showInfo(qsTranslate("Dialog", "PasswordChanged"))
        page.close()
    }

    objectName: "changePasswordPage"
    title: qsTranslate("Menu", "ChangePassword")

    Row {
        x: Style.margin * 2
        y: Style.margin * 2
        spacing: Style.margin * 3

        Column {
            width: Style.fieldWidth
            spacing: Style.margin

            Text {
                text: qsTranslate("Settings", "NewPassword")
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfTextField {
                id: first
                objectName: "newPasswordField"
                width: parent.width
                echoMode: TextInput.Password
                inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhSensitiveData | Qt.ImhNoAutoUppercase
            }
            Text {
                text: qsTranslate("Settings", "RepeatPassword")
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            VlfTextField {
                id: second
                objectName: "repeatPasswordField"
                width: parent.width
                echoMode: TextInput.Password
                inputMethodHints: first.inputMethodHints
            }
        }
        // Beside the fields, where the keyboard leaves them in view.
        Column {
            width: 300
            spacing: Style.margin
            topPadding: Style.margin * 4

            Text {
                objectName: "notEqualText"
                width: parent.width
                visible: !page.equal
                text: qsTranslate("Password", "PasswordsNotEqual")
                wrapMode: Text.WordWrap
                color: Style.failure
                font.pixelSize: Style.smallFontSize
            }
            Text {
                objectName: "tooShortText"
                width: parent.width
                visible: page.tooShort
                text: page.tooShort ? qsTranslate("Password", "MinimumPasswordLengthIs").arg(page.minLength) : ""
                wrapMode: Text.WordWrap
                color: Style.failure
                font.pixelSize: Style.smallFontSize
            }
        }
    }

    buttons: [
        CancelButton { onClicked: page.close() },
        VlfButton {
            id: ok
            objectName: "okButton"
            enabled: page.acceptable
            text: qsTranslate("Dialog", "OK")
            onClicked: page.change()
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(first, false, false)
        navigation.addNavElement(second, false, false)
    }
}
