import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The tan delta results in detail: one tab per phase with its criterion bars, and the
// mean tan delta of all phases over the voltage steps.
VlfPage {
    id: page

    property var tanDelta: null
    property int currentTab: 0
    readonly property bool diagramShown: currentTab === 3
    readonly property var criterions: {
        if (!tanDelta || diagramShown)
            return []
        return [tanDelta.criterionsL1, tanDelta.criterionsL2, tanDelta.criterionsL3][currentTab]
    }
    // Bumped on every change, so that the verdict line is asked again.
    property int revision: 0
    readonly property string verdictLine: {
        revision
        return tanDelta && !diagramShown ? tanDelta.getResultStringWithStandardForPhase(currentTab) : ""
    }
    readonly property alias tabButtons: tabs
    readonly property alias bars: bars
    readonly property alias diagram: diagram
    readonly property alias insulationText: insulationText
    readonly property alias verdictText: verdictText
    readonly property alias returnButton: returnButton

    Connections {
        target: page.tanDelta
        function onEvaluationDataChanged() { page.revision++ }
        function onStandardChanged() { page.revision++ }
    }

    Item {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - Style.margin * 4
        height: page.flickable.height - Style.margin * 2

        Text {
            // Over the middle of the three phase tabs.
            readonly property Item middle: tabs.count > 1 ? tabs.itemAt(1) : null
            x: middle ? tabRow.x + middle.x + (middle.width - width) / 2 : 0
            text: qsTranslate("Menu", "Phases")
            color: Style.inactive
            font.pixelSize: Style.smallFontSize
        }

        Row {
            id: tabRow
            y: Style.smallFontSize + 4
            spacing: Style.margin

            Repeater {
                id: tabs
                model: 4

                VlfTabButton {
                    id: tabButton
                    objectName: "tab" + index
                    width: 150
                    text: index < 3 ? guiViewModel.getPhaseName(index) : qsTranslate("Menu", "Diagram")
                    checked: page.currentTab === index
                    onClicked: page.currentTab = index
                    Component.onCompleted: page.navigation.insertElement(tabButton, index, false, false)
                }
            }
        }

        Column {
            id: phaseView
            anchors.top: tabRow.bottom
            anchors.topMargin: Style.margin * 2
            width: parent.width
            spacing: Style.margin
            visible: !page.diagramShown

            Text {
                id: insulationText
                objectName: "insulation"
                text: qsTranslate("TestParameters", "Insulation") + " <b>"
                      + (page.tanDelta ? page.tanDelta.insulation : "") + "</b>"
                textFormat: Text.StyledText
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
            Repeater {
                id: bars
                model: page.criterions

                TanDeltaCriterionItem {
                    width: phaseView.width
                    criterion: modelData
                }
            }
        }

        TanDeltaResultTabDiagram {
            id: diagram
            anchors.top: tabRow.bottom
            anchors.topMargin: Style.margin
            anchors.bottom: parent.bottom
            width: parent.width
            visible: page.diagramShown
            tanDelta: page.tanDelta
        }

        Text {
            id: verdictText
            objectName: "phaseVerdict"
            anchors.bottom: parent.bottom
            width: parent.width
            visible: !page.diagramShown
            text: page.verdictLine
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
            elide: Text.ElideRight
        }
    }

    title: guiViewModel.getModeString()
    buttons: [
        VlfButton {
            id: returnButton
            objectName: "returnButton"
            text: qsTranslate("Dialog", "Return")
            onClicked: page.close()
        }
    ]
}
