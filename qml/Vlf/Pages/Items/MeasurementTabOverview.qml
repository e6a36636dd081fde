import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The voltage gauge and the parameter panel of the running test. In a manual ramp the
// gauge takes the target: a press starts the choice, turns move it, a press sets it.
Item {
    id: tab

    property TargetVoltageEntry entry: null
    property bool manualRamp: false
    property real startTarget: 0
    readonly property var measure: guiViewModel.measure
    readonly property alias gauge: gauge
    readonly property alias gaugeFrame: gaugeFrame
    readonly property alias properties: properties

    Rectangle {
        id: gaugeFrame
        objectName: "overviewGauge"
        width: Math.min(tab.height, tab.width * 0.42)
        height: width
        enabled: tab.manualRamp
        color: "transparent"
        radius: 8
        border.width: activeFocus ? Style.activeBorderWidth : 0
        border.color: Style.highlight
        activeFocusOnTab: enabled

        property VlfNavigationClient vlfNavigationClient: VlfNavigationClient {
            canForward: tab.entry !== null && tab.entry.active
            canBackward: canForward
            onInternalForward: tab.entry.step(1)
            onInternalBackward: tab.entry.step(-1)
            onKnobPressed: gaugeFrame.toggle()
        }
        Keys.onPressed: event.accepted = vlfNavigationClient.keyPressed(event, gaugeFrame)

        function toggle() {
            if (tab.entry.active)
                tab.entry.finish()
            else
                tab.entry.begin(tab.startTarget)
        }

        VoltageGauge {
            id: gauge
            anchors.fill: parent
            anchors.margins: Style.margin
            fullScale: tab.manualRamp ? tab.measure.voltageRange : tab.measure.maxVoltage
            value: tab.measure.currentVoltage
            targetActive: tab.entry !== null && tab.entry.active
            target: tab.entry ? tab.entry.target : 0
        }
        MouseArea {
            anchors.fill: parent
            enabled: tab.manualRamp
            onClicked: gaugeFrame.toggle()
        }
    }

    TestPropertiesItem {
        id: properties
        x: gaugeFrame.width + Style.margin * 2
        width: tab.width - x
        anchors.verticalCenter: parent.verticalCenter
        preparationParameters: guiViewModel.prepare.preparationParameters
        measureParameters: tab.measure.measureParameters
        testParameters: guiViewModel.prepare.shownTestParameters
    }
}
