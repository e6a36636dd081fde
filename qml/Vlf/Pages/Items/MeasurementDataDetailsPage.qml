import QtQuick 2.15
import QtQuick.Layouts 1.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The diagram and the trace of a finished or stored test, one tab each; a chart without
// series has no tab.
VlfPage {
    id: page

    property MeasurementData measurementData: null
    // The mode the data were recorded in.
    property int mode: guiViewModel.mode
    readonly property bool diagramShown: measurementData !== null && measurementData.diagram !== null
                                         && measurementData.diagram.isVisible
    readonly property bool traceShown: measurementData !== null && measurementData.trace !== null
                                       && measurementData.trace.isVisible
    property int currentTab: diagramShown || !traceShown ? 0 : 1
    readonly property alias diagramButton: diagramButton
    readonly property alias traceButton: traceButton
    readonly property alias diagramTab: diagramTab
    readonly property alias traceTab: traceTab

    title: {
        var entry = guiViewModel.getMenuEntry(mode)
        return entry ? entry.detailedDescription : ""
    }
    showBack: true
    firstFocus: currentTab === 0 ? diagramButton : traceButton

    Item {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - Style.margin * 4
        height: page.flickable.height - Style.margin * 2

        Row {
            id: tabRow
            spacing: Style.margin

            VlfTabButton {
                id: diagramButton
                objectName: "diagramTabButton"
                text: qsTranslate("Menu", "Diagram")
                visible: page.diagramShown
                checked: page.currentTab === 0
                onClicked: page.currentTab = 0
            }
            VlfTabButton {
                id: traceButton
                objectName: "traceTabButton"
                text: qsTranslate("Menu", "Trace")
                visible: page.traceShown
                checked: page.currentTab === 1
                onClicked: page.currentTab = 1
            }
        }

        StackLayout {
            anchors.top: tabRow.bottom
            anchors.topMargin: Style.margin
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            currentIndex: page.currentTab

            MeasurementTabDiagram {
                id: diagramTab
                measurementData: page.measurementData
            }
            MeasurementTabTrace {
                id: traceTab
                measurementData: page.measurementData
                mode: page.mode
            }
        }
    }

    Component.onCompleted: {
        navigation.addNavElement(diagramButton, false, false)
        navigation.addNavElement(traceButton, false, false)
    }
}
