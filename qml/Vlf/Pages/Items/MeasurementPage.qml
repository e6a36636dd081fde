import QtQuick 2.15
import QtQuick.Layouts 1.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The running test: overview, diagram, trace and table tabs, the status and the time or
// values left, HV off and, in a manual ramp, the target voltage.
VlfPage {
    id: page

    readonly property var measure: guiViewModel.measure
    readonly property MeasurementData measurementData: measure.measurementData
    readonly property bool manualRamp: guiViewModel.config.manualRamp
    readonly property bool diagramShown: measurementData !== null && measurementData.diagram !== null
                                         && measurementData.diagram.isVisible
    readonly property bool traceShown: measurementData !== null && measurementData.trace !== null
                                       && measurementData.trace.isVisible
    readonly property bool tableShown: measurementData !== null && measurementData.table !== null
                                       && measurementData.table.isVisible
    property int currentTab: initialTab()
    // Shown from the start of the test on.
    property bool remainingShown: false
    property bool done: false
    // The last target the unit took on this page, 0.0 before the first.
    readonly property real targetStart: measure.target
    readonly property alias entry: entry
    readonly property alias tabButtons: tabRow
    readonly property alias overviewTab: overviewTab
    readonly property alias tableTab: tableTab
    readonly property alias traceTab: traceTab
    readonly property alias statusText: statusText
    readonly property alias remainingText: remainingText
    readonly property alias voltageButton: voltage
    readonly property alias hvOffButton: hvOff

    title: guiViewModel.getModeString()
    // The knob stays on HV off, where it was on the preparation page.
    firstFocus: hvOff

    function shown(tabIndex) {
        return [true, diagramShown, traceShown, tableShown][tabIndex]
    }
    function initialTab() {
        var first = measurementData ? measurementData.initalItem : 0
        return shown(first) ? first : 0
    }
    function toggleTarget(onTrace) {
        if (entry.active) {
            entry.finish()
            return
        }
        entry.begin(targetStart)
        if (onTrace && traceShown)
            currentTab = 2
    }

    TargetVoltageEntry {
        id: entry
        range: page.measure.voltageRange
        open: page.measure.targetOpen
        onChosen: page.measure.setTargetVoltage(kV)
        // The trace's voltage axis widens to show the marker wherever it goes.
        function showOnTrace() {
            if (active && page.traceShown)
                page.measurementData.trace.includeVoltage(target)
        }
        onTargetChanged: showOnTrace()
        onActiveChanged: showOnTrace()
    }

    Connections {
        target: guiViewModel.prepare
        enabled: !page.done

        function onTestStarted() { page.remainingShown = true }
        function onTestFinalizing() {
            page.remainingShown = false
            page.done = true
            if (page.measure.isTanDeltaWaiting()) {
                page.replaceWith(Qt.resolvedUrl("TestConfirmationPage.qml"), { "title": page.title })
                return
            }
            page.replaceWith(Qt.resolvedUrl("MeasurementResultsPage.qml"), {
                "title": page.title,
                "mode": guiViewModel.mode,
                "measurement": guiViewModel.results,
                "measurementData": page.measurementData,
                "preparationParameters": guiViewModel.prepare.preparationParameters,
                "testParameters": guiViewModel.results.testParameters,
                "usbWasConnected": guiViewModel.connections.usbState === Qt.Checked
            })
        }
    }

    Item {
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - Style.margin * 4
        height: page.flickable.height - Style.margin * 2

        Row {
            id: tabRow
            spacing: Style.margin

            Repeater {
                id: tabs
                model: [qsTranslate("Menu", "Overview"), qsTranslate("Menu", "Diagram"),
                        qsTranslate("Menu", "Trace"), qsTranslate("Menu", "Table")]
                VlfTabButton {
                    id: tabButton
                    objectName: "tab" + index
                    text: modelData
                    visible: page.shown(index)
                    checked: page.currentTab === index
                    onClicked: page.currentTab = index
                    Component.onCompleted: page.navigation.insertElement(tabButton, index, false, false)
                }
            }
        }

        StackLayout {
            id: tabStack
            anchors.top: tabRow.bottom
            anchors.topMargin: Style.margin
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: statusLine.top
            anchors.bottomMargin: Style.margin
            currentIndex: page.currentTab

            MeasurementTabOverview {
                id: overviewTab
                entry: entry
                manualRamp: page.manualRamp
                startTarget: page.targetStart
            }
            MeasurementTabDiagram {
                measurementData: page.measurementData
            }
            MeasurementTabTrace {
                id: traceTab
                measurementData: page.measurementData

                // The target of a manual ramp on the voltage axis of the chart.
                Rectangle {
                    objectName: "traceTarget"
                    readonly property var chart: traceTab.chart
                    readonly property real span: chart.leftAxis.max - chart.leftAxis.min
                    visible: entry.active && span > 0
                    x: chart.plotArea.x
                    width: chart.plotArea.width
                    height: 2
                    y: chart.plotArea.y + chart.plotArea.height * (chart.leftAxis.max - entry.target) / (span || 1)
                    color: Style.highlight

                    Text {
                        anchors.right: parent.right
                        anchors.bottom: parent.top
                        text: Number(entry.target).toLocaleString(Qt.locale(), 'f', 1) + " "
                              + qsTranslate("Units", "kV", "unit kilo volt")
                        color: Style.highlight
                        font.pixelSize: Style.fontSize
                        font.bold: true
                    }
                }
            }
            MeasurementTabTable {
                id: tableTab
                table: page.measurementData ? page.measurementData.table : null
                fullScale: page.manualRamp ? page.measure.voltageRange : page.measure.maxVoltage
                voltage: page.measure.currentVoltage
            }
        }

        Item {
            id: statusLine
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: Math.max(statusText.implicitHeight, remainingText.implicitHeight)

            Text {
                id: statusText
                objectName: "measurementStatus"
                width: parent.width - remainingText.width - Style.margin * 2
                text: page.measure.measurementText
                color: Style.foreground
                font.pixelSize: Style.fontSize
                elide: Text.ElideRight
            }
            Text {
                id: remainingText
                objectName: "remainingTime"
                anchors.right: parent.right
                visible: page.remainingShown
                text: page.measure.remainingText
                textFormat: Text.RichText
                color: Style.foreground
                font.pixelSize: Style.fontSize
                font.bold: true
            }
        }
    }

    buttons: [
        VlfButton {
            id: voltage
            objectName: "voltageButton"
            visible: page.manualRamp && entry.open
            text: qsTranslate("TestParameters", "Voltage")
            vlfNavigationClient: VlfNavigationClient {
                canForward: entry.active
                canBackward: entry.active
                onInternalForward: entry.step(1)
                onInternalBackward: entry.step(-1)
                onKnobPressed: page.toggleTarget(true)
            }
            onClicked: page.toggleTarget(true)
        },
        VlfButton {
            id: hvOff
            objectName: "hvOffButton"
            stopping: true
            text: qsTranslate("Menu", "HvOff")
            onClicked: guiViewModel.abortTest()
        }
    ]

    Component.onCompleted: {
        navigation.addNavElement(overviewTab.gaugeFrame, false, false)
        navigation.addNavElement(tableTab.tableFrame, false, false)
    }
}
