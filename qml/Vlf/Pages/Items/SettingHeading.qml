import QtQuick 2.15
import Vlf.Styles 1.0

// The caption above one setting.
Text {
    topPadding: Style.margin
    color: Style.foreground
    font.pixelSize: Style.fontSize
    font.bold: true
}
