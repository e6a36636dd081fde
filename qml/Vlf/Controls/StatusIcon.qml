import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// A status icon of the header; it can blink and explain itself on a long press.
Image {
    id: icon

    property bool blinking: false
    property string toolTipText

    sourceSize.height: Style.iconSize
    fillMode: Image.PreserveAspectFit
    height: Style.iconSize

    SequentialAnimation on opacity {
        running: icon.blinking && icon.visible
        loops: Animation.Infinite
        onRunningChanged: if (!running) icon.opacity = 1
        NumberAnimation { to: 0.0; duration: 0 }
        PauseAnimation { duration: 500 }
        NumberAnimation { to: 1.0; duration: 0 }
        PauseAnimation { duration: 500 }
    }

    MouseArea {
        id: area
        anchors.fill: parent
        enabled: icon.toolTipText.length > 0
    }
    ToolTip.visible: area.pressed && toolTipText.length > 0
    ToolTip.text: toolTipText
}
