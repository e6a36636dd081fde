import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Material 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The password field of a locked menu. A wrong entry is marked until the text changes.
Column {
    id: prompt

    property alias field: field
    property bool error: false

    function clear() {
        field.text = ""
        error = false
    }

    spacing: Style.margin

    Text {
        text: qsTranslate("Settings", "Password")
        color: Style.foreground
        font.pixelSize: Style.fontSize
    }
    VlfTextField {
        id: field
        objectName: "passwordField"
        width: prompt.width
        echoMode: TextInput.Password
        inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhSensitiveData | Qt.ImhNoAutoUppercase
        onTextEdited: prompt.error = false
        Material.accent: prompt.error ? Style.failure : Style.highlight
        Material.foreground: prompt.error ? Style.failure : Style.foreground
    }
    Text {
        objectName: "passwordError"
        visible: prompt.error
        text: qsTranslate("Settings", "WrongPassword")
        color: Style.failure
        font.pixelSize: Style.smallFontSize
    }
}
