import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// Shown instead of every other page once the HV unit reported backfeed.
Page {
    id: page

    background: Rectangle { color: Style.background }

    Column {
        anchors.centerIn: parent
        spacing: Style.margin * 2
        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: "qrc:/icons/warning.svg"
            sourceSize.height: Style.iconSize * 3
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            width: page.width - 4 * Style.margin
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: page.title
            color: Style.failure
            font.pixelSize: Style.fontSize * 1.5
            font.bold: true
        }
    }
}
