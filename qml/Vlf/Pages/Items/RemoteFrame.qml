import QtQuick 2.15
import Vlf.Styles 1.0

// Covers the window while a remote client controls the instrument.
Rectangle {
    id: frame

    readonly property string text: qsTranslate("InfoMessages", "ApplicationRemoteControlled") + "\n\n"
                                   + guiViewModel.peerName

    color: Style.background
    border.color: Style.highlight
    border.width: 6

    Text {
        id: label
        objectName: "remoteText"
        anchors.centerIn: parent
        width: frame.width - 8 * Style.margin
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        text: frame.text
        color: Style.foreground
        font.pixelSize: Style.fontSize * 1.5
    }
}
