import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The further parameters of the test, each with its editor. Confirm writes them into the
// test settings and goes back; Back goes back without writing.
VlfPage {
    id: page

    readonly property TestConfiguration config: guiViewModel.config
    property var parameters: []
    property alias editors: editors
    property alias confirmButton: confirm

    showBack: true

    function takeParameters() {
        var next = []
        var list = config.secondaryParameters
        for (var i = 0; i < list.length; ++i)
            next.push(list[i])
        var same = next.length === parameters.length
        for (var j = 0; same && j < next.length; ++j)
            same = next[j] === parameters[j]
        if (!same)
            parameters = next
    }

    // The encoder's order: each parameter's controls from the top, then the bottom row.
    function registerControls() {
        var wanted = []
        for (var i = 0; i < editors.count; ++i) {
            var e = editors.itemAt(i)
            if (e)
                wanted = wanted.concat(e.editor.controls)
        }
        navigation.replaceElements(wanted)
    }

    Connections {
        target: page.config
        function onSecondaryParametersChanged() { page.takeParameters() }
    }

    Timer {
        id: registerTimer
        interval: 0
        onTriggered: page.registerControls()
    }

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - Style.margin * 4
        spacing: Style.margin * 3

        Repeater {
            id: editors
            model: page.parameters
            Item {
                readonly property alias editor: rowEditor
                objectName: "extendedRow" + index
                width: parent.width
                height: modelData.visible ? rowEditor.height : 0
                visible: modelData.visible
                ParameterEditor {
                    id: rowEditor
                    width: parent.width
                    item: modelData
                    showName: true
                    onControlsChanged: registerTimer.restart()
                }
            }
            onItemAdded: registerTimer.restart()
            onItemRemoved: registerTimer.restart()
        }
    }

    buttons: [
        VlfButton {
            id: confirm
            objectName: "confirmButton"
            text: qsTranslate("Menu", "Confirm")
            onClicked: {
                if (!page.current)
                    return
                page.config.confirmExtendedParameter()
                page.close()
            }
        }
    ]

    Component.onCompleted: {
        takeParameters()
        registerControls()
    }
}
