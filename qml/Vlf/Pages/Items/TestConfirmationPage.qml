import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// Before the test starts: the operator confirms the voltage levels and the phase the test
// object is connected to, one row after the other. With every row confirmed the test is
// started and the page follows it (the state part below the rows).
VlfPage {
    id: page

    readonly property TestConfiguration config: guiViewModel.config
    // Read once: the rows are rebuilt only for a page that comes after this one.
    property var rows: []
    property bool started: false
    readonly property int currentRow: {
        for (var i = 0; i < rows.length; ++i)
            if (!rows[i].isConfirmed)
                return i
        return -1
    }
    readonly property var phaseRow: {
        for (var i = 0; i < rows.length; ++i)
            if (rows[i].type === PropertyConfirmationViewModel.Phase)
                return rows[i]
        return null
    }
    property alias rowItems: rowRepeater
    property alias statePart: statePart
    property alias startStatus: startStatus
    property alias cancelButton: cancel
    property alias restartButton: restart

    // Levels as multiples of U0 with their voltages.
    function levelsText() {
        var u0 = config.voltage()
        var steps = config.voltageSteps()
        var kV = qsTranslate("Units", "kV", "unit kilo volt")
        var lines = []
        for (var i = 0; i < steps.length; ++i)
            lines.push(Number(steps[i]).toLocaleString(Qt.locale(), 'f', 1) + " \u00D7 U0   "
                       + Number(u0 * steps[i]).toLocaleString(Qt.locale(), 'f', 1) + " " + kV)
        return lines.join("\n")
    }

    function confirmRow(index) {
        if (index !== currentRow)
            return
        rows[index].isConfirmed = true
        startWhenConfirmed()
    }

    function startWhenConfirmed() {
        if (started || currentRow >= 0)
            return
        started = true
        guiViewModel.startTest()
    }

    function cancel() {
        if (started)
            guiViewModel.abortTest()
        started = false
        close()
    }

    StackView.onActivated: startWhenConfirmed()

    Column {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - Style.margin * 4
        spacing: Style.margin * 2

        Text {
            objectName: "confirmationHeader"
            width: parent.width
            visible: text.length > 0 && !statePart.visible
            text: page.config.isSinglePhaseTestMode() && page.phaseRow
                  ? qsTranslate("Statemachine", "ConfirmHVOnSinglePhase").arg(guiViewModel.getPhaseName(page.phaseRow.value))
                  : ""
            color: Style.foreground
            font.pixelSize: Style.fontSize
            font.bold: true
            wrapMode: Text.WordWrap
        }

        Repeater {
            id: rowRepeater
            model: page.rows
            Rectangle {
                readonly property alias confirmButton: rowConfirm
                readonly property bool isLevels: modelData.type === PropertyConfirmationViewModel.VoltageLevels
                objectName: "confirmationRow" + index
                width: parent.width
                height: Math.max(rowColumn.height, rowConfirm.height) + Style.margin * 2
                radius: Style.largeCornerRadius
                color: Style.panel
                border.color: index === page.currentRow ? Style.highlight : Style.inactive
                border.width: index === page.currentRow ? Style.activeBorderWidth : 1

                Column {
                    id: rowColumn
                    x: Style.margin
                    y: (parent.height - height) / 2
                    width: parent.width - rowConfirm.width - Style.margin * 3
                    spacing: Style.margin
                    Text {
                        width: parent.width
                        text: modelData.description()
                        color: Style.foreground
                        font.pixelSize: Style.fontSize
                        wrapMode: Text.WordWrap
                    }
                    Text {
                        objectName: "levelsText"
                        visible: isLevels
                        text: isLevels ? page.levelsText() : ""
                        color: Style.foreground
                        font.pixelSize: Style.smallFontSize
                    }
                    Text {
                        objectName: "evaluationInfo"
                        width: parent.width
                        visible: isLevels && text.length > 0
                        text: isLevels ? page.config.tanDeltaEvaluationInfo() : ""
                        color: Style.failure
                        font.pixelSize: Style.smallFontSize
                        wrapMode: Text.WordWrap
                    }
                }
                VlfButton {
                    id: rowConfirm
                    objectName: "rowConfirmButton" + index
                    anchors.right: parent.right
                    anchors.rightMargin: Style.margin
                    anchors.verticalCenter: parent.verticalCenter
                    enabled: index === page.currentRow && !page.started
                    text: modelData.isConfirmed ? "\u2713" : qsTranslate("Menu", "Confirm")
                    onClicked: page.confirmRow(index)
                }
            }
            onItemAdded: page.navigation.addNavElement(item.confirmButton, false, false)
            onItemRemoved: page.navigation.removeNavElement(item.confirmButton)
        }

        // What the test does once started: filled by the test preparation view.
        Item {
            id: statePart
            objectName: "statePart"
            width: parent.width
            height: childrenRect.height
            visible: page.started || startStatus.shown

            TestStartStatus {
                id: startStatus
                page: page
                width: parent.width
                phaseName: page.phaseRow ? guiViewModel.getPhaseName(page.phaseRow.value) : ""
                onTimedOut: {
                    page.started = false
                    page.navigation.jumpTo(restart, false)
                }
            }
        }
    }

    buttons: [
        CancelButton {
            id: cancel
            onClicked: page.cancel()
        },
        VlfButton {
            id: restart
            objectName: "confirmButton"
            visible: startStatus.confirmVisible
            text: qsTranslate("Menu", "Confirm")
            onClicked: page.startWhenConfirmed()
        }
    ]

    Component.onCompleted: {
        var list = config.confirmations
        var out = []
        for (var i = 0; i < list.length; ++i)
            out.push(list[i])
        rows = out
    }
}
